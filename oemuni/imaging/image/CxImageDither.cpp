// CxImage reduction to one bit per pixel: dithering and black/white thresholding.
// The rules decide which dots the printer prints and are kept to the bit.
#include <algorithm>
#include <memory>

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

// Floyd-Steinberg on an 8-bit grey image, diffusing into the source as it goes, row 0 first
// and each row from the left; every addition is clamped on its own, in the fixed order
// right, lower left, below, lower right. The values that are still being added to live in
// registers (the next pixel of this row, two pixels of the next row) and are stored once
// they are final; the order and clamping of the additions are unchanged. Pure black and
// pure white carry no error, so on them the additions (all 0) are left out.
class FloydSteinbergRow {
public:
    FloydSteinbergRow() {
        for (int level = 0; level < 256; ++level) {
            const int error = level > 128 ? level - 255 : level;
            m_part7[level] = error * 7 / 16;
            m_part3[level] = error * 3 / 16;
            m_part5[level] = error * 5 / 16;
            m_part1[level] = error * 1 / 16;
        }
    }

    void Run(BYTE* row, BYTE* next, BYTE* out, DWORD W) const {
        m_row = row;
        m_next = next;
        m_cur = row[0];
        m_below = next != nullptr ? next[0] : 0;
        m_belowLeft = 0;
        unsigned acc = 0;
        if (W == 1) {
            acc = Step<true, true>(0, acc);
        } else {
            acc = Step<true, false>(0, acc);
            DWORD x = 1;
            for (; x + 1 < W; ++x) {
                acc = Step<false, false>(x, acc);
                if ((x & 7) == 7) {
                    out[x >> 3] = static_cast<BYTE>(acc);
                    acc = 0;
                }
            }
            acc = Step<false, true>(x, acc);
        }
        if (next != nullptr) next[W - 1] = static_cast<BYTE>(m_belowLeft);
        // The last pixel's byte (full or partial) is written here.
        out[(W - 1) >> 3] = static_cast<BYTE>(acc);
    }

private:
    static int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

    template <bool First, bool Last>
    unsigned Step(DWORD x, unsigned acc) const {
        const int level = m_cur;
        if (level > 128) acc |= 0x80u >> (x & 7);
        if (level == 0 || level == 255) {
            if (!Last) m_cur = m_row[x + 1];
            if (m_next != nullptr) {
                if (!First) m_next[x - 1] = static_cast<BYTE>(m_belowLeft);
                m_belowLeft = m_below;
                if (!Last) m_below = m_next[x + 1];
            }
            return acc;
        }
        if (!Last) {
            m_cur = Clamp(m_row[x + 1] + m_part7[level]);
            m_row[x + 1] = static_cast<BYTE>(m_cur);
        }
        if (m_next != nullptr) {
            if (!First) m_next[x - 1] = static_cast<BYTE>(Clamp(m_belowLeft + m_part3[level]));
            m_belowLeft = Clamp(m_below + m_part5[level]);
            if (!Last) m_below = Clamp(m_next[x + 1] + m_part1[level]);
        }
        return acc;
    }

    int m_part7[256], m_part3[256], m_part5[256], m_part1[256];
    mutable BYTE* m_row = nullptr;
    mutable BYTE* m_next = nullptr;
    mutable int m_cur = 0;
    mutable int m_below = 0;      // next[x] with the additions made so far
    mutable int m_belowLeft = 0;  // next[x - 1] with the additions made so far
};

void DitherFloydSteinberg(CxImage& src, CxImage& dst) {
    const DWORD W = src.GetWidth();
    const DWORD H = src.GetHeight();
    const FloydSteinbergRow fs;
    for (DWORD y = 0; y < H; ++y) {
        fs.Run(src.GetBits(y), (y + 1 < H) ? src.GetBits(y + 1) : nullptr, dst.GetBits(y), W);
    }
}

// Ordered methods: the result bit of a pixel depends only on its level and its position in
// an n x n tile, so it is looked up in a table [row mod 8][column mod 8][level].
using OrderedTable = std::array<std::array<std::array<BYTE, 256>, 8>, 8>;

template <typename Rule>
std::unique_ptr<OrderedTable> BuildOrderedTable(Rule rule) {
    auto table = std::make_unique<OrderedTable>();
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            for (int level = 0; level < 256; ++level) {
                (*table)[r][c][level] = rule(static_cast<BYTE>(level), c, r) ? 1 : 0;
            }
        }
    }
    return table;
}

void DitherOrdered(const CxImage& src, CxImage& dst, const OrderedTable& table) {
    const DWORD W = src.GetWidth();
    const DWORD H = src.GetHeight();
    const DWORD fullBytes = W / 8;
    for (DWORD y = 0; y < H; ++y) {
        const BYTE* row = src.GetBits(y);
        BYTE* out = dst.GetBits(y);
        const auto& t = table[y & 7];
        for (DWORD k = 0; k < fullBytes; ++k) {
            const BYTE* p = row + 8 * k;
            out[k] = static_cast<BYTE>((t[0][p[0]] << 7) | (t[1][p[1]] << 6) | (t[2][p[2]] << 5) |
                                       (t[3][p[3]] << 4) | (t[4][p[4]] << 3) | (t[5][p[5]] << 2) |
                                       (t[6][p[6]] << 1) | t[7][p[7]]);
        }
        if ((W & 7) != 0) {
            unsigned acc = 0;
            for (DWORD x = fullBytes * 8; x < W; ++x) acc |= static_cast<unsigned>(t[x & 7][row[x]]) << (7 - (x & 7));
            out[fullBytes] = static_cast<BYTE>(acc);
        }
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
            const auto table = BuildOrderedTable([&m1](BYTE level, int x, int y) {
                const int d = level * 16 / 255;
                return m1[y & 3][x & 3] < d % 16 ? true : (d / 16) != 0;
            });
            DitherOrdered(*this, result, *table);
            break;
        }
        case 7: {
            const auto& m7 = DitherMatrix7();
            const auto table =
                BuildOrderedTable([&m7](BYTE level, int x, int y) { return level > m7[y & 3][x & 3]; });
            DitherOrdered(*this, result, *table);
            break;
        }
        case 8: {
            const auto& p = DitherMatrix8();
            const auto table = BuildOrderedTable([&p](BYTE level, int x, int y) {
                const int l = level >> 2;
                return l != 0 && l >= p[x & 7][y & 7];
            });
            DitherOrdered(*this, result, *table);
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
        std::array<BYTE, 256> bit{};
        for (std::size_t i = 0; i < bit.size(); ++i) bit[i] = map[i] & 1;
        const DWORD fullBytes = W / 8;
        for (DWORD y = 0; y < H; ++y) {
            const BYTE* s = GetBits(y);
            BYTE* d = result.GetBits(y);
            if (bpp == 8) {
                for (DWORD k = 0; k < fullBytes; ++k) {
                    const BYTE* p = s + 8 * k;
                    d[k] = static_cast<BYTE>((bit[p[0]] << 7) | (bit[p[1]] << 6) | (bit[p[2]] << 5) |
                                             (bit[p[3]] << 4) | (bit[p[4]] << 3) | (bit[p[5]] << 2) |
                                             (bit[p[6]] << 1) | bit[p[7]]);
                }
                if ((W & 7) != 0) {
                    unsigned acc = 0;
                    for (DWORD x = fullBytes * 8; x < W; ++x) acc |= static_cast<unsigned>(bit[s[x]]) << (7 - (x & 7));
                    d[fullBytes] = static_cast<BYTE>(acc);
                }
            } else {
                // A 1-bit source maps each of its two indices: keep, invert, or make uniform.
                const BYTE zeroTo = bit[0] ? 0xFF : 0x00;
                const BYTE oneTo = bit[1] ? 0xFF : 0x00;
                const DWORD usedBytes = (W + 7) / 8;
                for (DWORD k = 0; k < usedBytes; ++k) {
                    d[k] = static_cast<BYTE>((s[k] & oneTo) | (~s[k] & zeroTo));
                }
                if ((W & 7) != 0) d[usedBytes - 1] &= static_cast<BYTE>(0xFF << (8 - (W & 7)));
            }
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
