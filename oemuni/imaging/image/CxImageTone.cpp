// CxImage tone conversion: grey conversion, palettes, lookup tables and brightness.
#include <algorithm>

#include "oemuni/imaging/image/CxImage.h"

namespace {

constexpr BYTE Luma(BYTE blue, BYTE green, BYTE red) {
    return static_cast<BYTE>((blue * 117 + green * 601 + red * 306) >> 10);
}

}  // namespace

BOOL CxImage::HasGreyPalette() const {
    const auto pal = GetPalette();
    if (pal.empty()) return FALSE;
    for (std::size_t i = 0; i < pal.size(); ++i) {
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i) return FALSE;
    }
    return TRUE;
}

void CxImage::SetGreyPalette() {
    auto pal = GetPalette();
    for (std::size_t i = 0; i < pal.size(); ++i) {
        const BYTE v = static_cast<BYTE>(i);
        pal[i] = RGBQUAD{v, v, v, 0};
    }
    InvalidateMemo();
}

void CxImage::SetStandardPalette() {
    // Only the 1-bit palette is used by this driver: 0 black, 1 white.
    if (!IsValid() || m_head.biBitCount != 1) return;
    const RGBQUAD standard[2] = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    SetPalette(standard);
}

BOOL CxImage::GrayScale() {
    if (!IsValid()) return FALSE;
    const WORD bpp = m_head.biBitCount;
    if (bpp == 24) {
        CxImage grey = MakeTemporary();
        if (grey.Create(GetWidth(), GetHeight(), 8, m_dwType) == nullptr) return FALSE;
        grey.SetGreyPalette();
        const DWORD W = GetWidth();
        for (DWORD y = 0; y < GetHeight(); ++y) {
            const BYTE* s = GetBits(y);
            BYTE* d = grey.GetBits(y);
            for (DWORD x = 0; x < W; ++x, s += 3) d[x] = Luma(s[0], s[1], s[2]);
        }
        grey.m_nBkgndIndex = m_nBkgndIndex;
        grey.m_bkgndColor = m_bkgndColor;
        TakeOver(grey);
        return TRUE;
    }

    auto pal = GetPalette();
    if (bpp == 1 || bpp == 4) {
        // Build the result before touching this image, so that a failure leaves it as it was.
        CxImage grey = MakeTemporary();
        if (grey.Create(GetWidth(), GetHeight(), 8, m_dwType) == nullptr) return FALSE;
        grey.SetGreyPalette();
        for (auto& entry : pal) entry.rgbBlue = Luma(entry.rgbBlue, entry.rgbGreen, entry.rgbRed);
        InvalidateMemo();
        const LONG W = m_head.biWidth;
        for (LONG y = 0; y < m_head.biHeight; ++y) {
            BYTE* d = grey.GetBits(static_cast<DWORD>(y));
            for (LONG x = 0; x < W; ++x) d[x] = pal[GetPixelIndex(x, y)].rgbBlue;
        }
        if (m_nBkgndIndex >= 0 && static_cast<std::size_t>(m_nBkgndIndex) < pal.size()) {
            grey.m_nBkgndIndex = pal[static_cast<std::size_t>(m_nBkgndIndex)].rgbBlue;
        }
        grey.m_bkgndColor = m_bkgndColor;
        TakeOver(grey);
        return TRUE;
    }

    // 8 bits: the pixels are rewritten through the new blue bytes, then the palette is grey.
    std::array<BYTE, 256> blue{};
    for (std::size_t i = 0; i < pal.size(); ++i) {
        pal[i].rgbBlue = Luma(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed);
        blue[i] = pal[i].rgbBlue;
    }
    bool identity = true;
    for (std::size_t i = 0; i < blue.size(); ++i) identity = identity && blue[i] == i;
    if (!identity) {
        BYTE* p = Pixels();
        const std::size_t n = m_head.biSizeImage;
        for (std::size_t i = 0; i < n; ++i) p[i] = blue[p[i]];
    }
    if (m_nBkgndIndex >= 0 && static_cast<std::size_t>(m_nBkgndIndex) < pal.size()) {
        m_nBkgndIndex = pal[static_cast<std::size_t>(m_nBkgndIndex)].rgbBlue;
    }
    SetGreyPalette();
    return TRUE;
}

BOOL CxImage::ApplyLookupTable(std::span<const BYTE, 256> table) {
    if (!IsValid()) return FALSE;
    if (m_head.biClrUsed != 0) {
        const bool bGrey = HasGreyPalette() != FALSE;
        for (auto& entry : GetPalette()) {
            entry.rgbBlue = table[entry.rgbBlue];
            entry.rgbGreen = table[entry.rgbGreen];
            entry.rgbRed = table[entry.rgbRed];
        }
        InvalidateMemo();
        if (bGrey) GrayScale();
        return TRUE;
    }
    BYTE* p = Pixels();
    const std::size_t n = m_head.biSizeImage;
    for (std::size_t i = 0; i < n; ++i) p[i] = table[p[i]];
    return TRUE;
}

BOOL CxImage::AdjustBrightness(LONG brightness) {
    if (!IsValid()) return FALSE;
    // Contrast is fixed at 0; single precision as the density table was always built.
    std::array<BYTE, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const int v = static_cast<int>(static_cast<float>(i - 128) +
                                       static_cast<float>(brightness + 128) + 0.5f);
        table[static_cast<std::size_t>(i)] = static_cast<BYTE>(std::clamp(v, 0, 255));
    }
    // Pure black and pure white never change.
    table[0] = 0;
    table[255] = 255;
    return ApplyLookupTable(table);
}
