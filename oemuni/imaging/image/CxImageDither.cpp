// CxImage reduction to one bit per pixel: dithering and black/white thresholding.
// The rules decide which dots the printer prints and are kept to the bit.
#include <algorithm>

#include "oemuni/imaging/image/CxImage.h"

namespace {

std::array<std::array<BYTE, 4>, 4> BuildMatrix7() {
    // Bit-interleaved ordered table; the routine that builds it fills 256 entries, of which
    // the first 16 form the 4 x 4 table.
    std::array<BYTE, 256> values{};
    for (int i = 0; i < 256; ++i) {
        int a = i / 4;
        int b = i % 4;
        int d = 0;
        for (int k = 0; k < 4; ++k) {
            d = (((d * 2) | ((a ^ b) & 1)) * 2) | (b & 1);
            a /= 2;
            b /= 2;
        }
        values[static_cast<std::size_t>(i)] = static_cast<BYTE>(d & 0xFF);
    }
    std::array<std::array<BYTE, 4>, 4> m{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) m[r][c] = values[static_cast<std::size_t>(4 * r + c)];
    }
    return m;
}

inline BYTE ClampByte(int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Floyd-Steinberg on an 8-bit grey image, diffusing into the source as it goes, row 0 first
// and each row from the left; every addition is clamped on its own, in the fixed order
// right, lower left, below, lower right.
void DitherFloydSteinberg(CxImage& src, CxImage& dst) {
    const DWORD W = src.GetWidth();
    const DWORD H = src.GetHeight();
    for (DWORD y = 0; y < H; ++y) {
        BYTE* row = src.GetBits(y);
        BYTE* next = (y + 1 < H) ? src.GetBits(y + 1) : nullptr;
        BYTE* out = dst.GetBits(y);
        unsigned acc = 0;
        for (DWORD x = 0; x < W; ++x) {
            const int level = row[x];
            int error;
            if (level > 128) {
                acc |= 0x80u >> (x & 7);
                error = level - 255;
            } else {
                error = level;
            }
            if (x + 1 < W) row[x + 1] = ClampByte(row[x + 1] + error * 7 / 16);
            if (next != nullptr) {
                if (x > 0) next[x - 1] = ClampByte(next[x - 1] + error * 3 / 16);
                next[x] = ClampByte(next[x] + error * 5 / 16);
                if (x + 1 < W) next[x + 1] = ClampByte(next[x + 1] + error * 1 / 16);
            }
            if ((x & 7) == 7) {
                out[x >> 3] = static_cast<BYTE>(acc);
                acc = 0;
            }
        }
        if ((W & 7) != 0) out[W >> 3] = static_cast<BYTE>(acc);
    }
}

// Ordered methods: the result bit of a pixel depends on its level and its position only.
template <typename Rule>
void DitherOrdered(const CxImage& src, CxImage& dst, Rule rule) {
    const DWORD W = src.GetWidth();
    const DWORD H = src.GetHeight();
    for (DWORD y = 0; y < H; ++y) {
        const BYTE* row = src.GetBits(y);
        BYTE* out = dst.GetBits(y);
        unsigned acc = 0;
        for (DWORD x = 0; x < W; ++x) {
            if (rule(row[x], x, y)) acc |= 0x80u >> (x & 7);
            if ((x & 7) == 7) {
                out[x >> 3] = static_cast<BYTE>(acc);
                acc = 0;
            }
        }
        if ((W & 7) != 0) out[W >> 3] = static_cast<BYTE>(acc);
    }
}

}  // namespace

const std::array<std::array<BYTE, 4>, 4>& CxImage::DitherMatrix1() {
    static const std::array<std::array<BYTE, 4>, 4> m1 = {{
        {0, 8, 2, 10},
        {12, 4, 14, 6},
        {3, 11, 1, 9},
        {15, 7, 13, 5},
    }};
    return m1;
}

const std::array<std::array<BYTE, 4>, 4>& CxImage::DitherMatrix7() {
    static const std::array<std::array<BYTE, 4>, 4> m7 = BuildMatrix7();
    return m7;
}

const std::array<std::array<BYTE, 8>, 8>& CxImage::DitherMatrix8() {
    // Indexed [column mod 8][row mod 8].
    static const std::array<std::array<BYTE, 8>, 8> p = {{
        {0, 32, 8, 40, 2, 34, 10, 42},
        {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38},
        {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},
        {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37},
        {63, 31, 55, 23, 61, 29, 53, 21},
    }};
    return p;
}

BOOL CxImage::Dither(LONG method) {
    if (!IsValid()) return FALSE;
    // Error diffusion of other kinds (2 to 6) and the 16 x 16 table (9) are never chosen by
    // this driver and are not provided.
    if ((method >= 2 && method <= 6) || method == 9) return FALSE;
    if (m_head.biBitCount == 1) return TRUE;
    if (!GrayScale()) return FALSE;

    CxImage result = MakeTemporary();
    if (result.Create(GetWidth(), GetHeight(), 1, m_dwType) == nullptr) return FALSE;

    switch (method) {
        case 1: {
            const auto& m1 = DitherMatrix1();
            DitherOrdered(*this, result, [&m1](BYTE level, DWORD x, DWORD y) {
                const int d = level * 16 / 255;
                return m1[y & 3][x & 3] < d % 16 ? true : (d / 16) != 0;
            });
            break;
        }
        case 7: {
            const auto& m7 = DitherMatrix7();
            DitherOrdered(*this, result,
                          [&m7](BYTE level, DWORD x, DWORD y) { return level > m7[y & 3][x & 3]; });
            break;
        }
        case 8: {
            const auto& p = DitherMatrix8();
            DitherOrdered(*this, result, [&p](BYTE level, DWORD x, DWORD y) {
                const int l = level >> 2;
                return l != 0 && l >= p[x & 7][y & 7];
            });
            break;
        }
        default:
            DitherFloydSteinberg(*this, result);
            break;
    }
    // 1 = white, 0 = black.
    result.SetStandardPalette();
    TakeOver(result);
    return TRUE;
}

BOOL CxImage::DecreaseBpp(DWORD nbit, BOOL bErrorDiffusion, std::span<const RGBQUAD> palette,
                          DWORD clrImportant) {
    if (!IsValid()) return FALSE;
    if (m_head.biBitCount < nbit) {
        SetLastErrorText("DecreaseBpp: target BPP greater than source BPP");
        return FALSE;
    }
    // Only the black/white reduction without error diffusion is used by this driver.
    if (nbit != 1 || bErrorDiffusion) return FALSE;
    if (m_head.biBitCount == 1 && m_head.biClrImportant == 1) return TRUE;

    CxImage result = MakeTemporary();
    if (result.Create(GetWidth(), GetHeight(), 1, m_dwType) == nullptr) return FALSE;
    result.SetClrImportant(clrImportant);
    if (!palette.empty()) {
        result.SetPalette(palette);
    } else {
        result.SetStandardPalette();
    }

    const DWORD W = GetWidth();
    const DWORD H = GetHeight();
    const WORD bpp = m_head.biBitCount;
    if (bpp == 1 || bpp == 8) {
        const std::array<BYTE, 256> map = result.NearestIndexMap(*this);
        for (DWORD y = 0; y < H; ++y) {
            const BYTE* s = GetBits(y);
            BYTE* d = result.GetBits(y);
            unsigned acc = 0;
            for (DWORD x = 0; x < W; ++x) {
                const BYTE index = (bpp == 8) ? s[x] : static_cast<BYTE>((s[x >> 3] >> (7 - (x & 7))) & 1);
                if (map[index] & 1) acc |= 0x80u >> (x & 7);
                if ((x & 7) == 7) {
                    d[x >> 3] = static_cast<BYTE>(acc);
                    acc = 0;
                }
            }
            if ((W & 7) != 0) d[W >> 3] = static_cast<BYTE>(acc);
        }
    } else {
        for (DWORD y = 0; y < H; ++y) {
            for (DWORD x = 0; x < W; ++x) {
                const LONG lx = static_cast<LONG>(x);
                const LONG ly = static_cast<LONG>(y);
                result.SetPixelIndex(lx, ly, result.FindNearestPaletteIndex(GetPixelColor(lx, ly)));
            }
        }
    }
    TakeOver(result);
    return TRUE;
}
