#include "oemuni/imaging/PageInk.h"

#include <cstring>

#include "oemuni/imaging/image/CxImage.h"

namespace {

bool IsInk(const RGBQUAD& c) { return c.rgbRed + c.rgbGreen + c.rgbBlue != 765; }

LONG FirstSetBit(BYTE bits, DWORD byteIndex) {
    int k = 0;
    while ((bits & (0x80 >> k)) == 0) ++k;
    return static_cast<LONG>(8 * byteIndex + k);
}

}  // namespace

InkFinder::InkFinder(const CxImage& image) : m_image(image) {
    const DWORD entries = image.GetNumColors();
    for (DWORD i = 0; i < 256; ++i) {
        // Indices beyond the palette cannot occur in an image this container builds.
        m_ink[i] = i < entries ? IsInk(image.GetPaletteColor(static_cast<BYTE>(i))) : true;
    }
}

LONG InkFinder::FirstInkColumn(DWORD y) const {
    const DWORD W = m_image.GetWidth();
    if (y >= m_image.GetHeight()) return -1;
    const BYTE* row = m_image.GetBits(y);
    switch (m_image.GetBpp()) {
    case 1: {
        const DWORD whole = W / 8;
        const BYTE inkOf1 = m_ink[1] ? 0xFF : 0x00;
        const BYTE inkOf0 = m_ink[0] ? 0xFF : 0x00;
        for (DWORD k = 0; k <= whole; ++k) {
            BYTE mask = 0xFF;
            if (k == whole) {
                if ((W & 7) == 0) break;
                mask = static_cast<BYTE>(0xFF << (8 - (W & 7)));
            }
            const BYTE bits = static_cast<BYTE>(((row[k] & inkOf1) | (~row[k] & inkOf0)) & mask);
            if (bits != 0) return FirstSetBit(bits, k);
        }
        return -1;
    }
    case 8: {
        DWORD x = 0;
        // Long white runs are skipped eight bytes at a time.
        if (!m_ink[0xFF]) {
            constexpr std::uint64_t kWhite = ~std::uint64_t{0};
            while (x + 8 <= W) {
                std::uint64_t v;
                std::memcpy(&v, row + x, 8);
                if (v != kWhite) break;
                x += 8;
            }
        }
        for (; x < W; ++x) {
            if (m_ink[row[x]]) return static_cast<LONG>(x);
        }
        return -1;
    }
    case 24:
        for (DWORD x = 0; x < W; ++x) {
            const BYTE* p = row + 3 * x;
            if (p[0] + p[1] + p[2] != 765) return static_cast<LONG>(x);
        }
        return -1;
    default:
        for (DWORD x = 0; x < W; ++x) {
            if (IsInk(m_image.GetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y)))) return static_cast<LONG>(x);
        }
        return -1;
    }
}
