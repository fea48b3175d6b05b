// CxImage pixel and palette access.
#include <algorithm>
#include <cstring>

#include "oemuni/imaging/image/CxImage.h"

BYTE CxImage::GetPixelIndex(LONG x, LONG y) const {
    if (!IsValid() || m_head.biClrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (m_nBkgndIndex >= 0) return static_cast<BYTE>(m_nBkgndIndex);
        return *Pixels();
    }
    const BYTE* row = Pixels() + static_cast<std::size_t>(y) * m_dwStride;
    switch (m_head.biBitCount) {
        case 8:
            return row[x];
        case 4: {
            const BYTE b = row[x >> 1];
            return (x & 1) ? (b & 0x0F) : static_cast<BYTE>(b >> 4);
        }
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        default:
            return 0;
    }
}

void CxImage::SetPixelIndex(LONG x, LONG y, BYTE index) {
    if (!IsValid() || m_head.biClrUsed == 0 || !IsInside(x, y)) return;
    BYTE* row = Pixels() + static_cast<std::size_t>(y) * m_dwStride;
    switch (m_head.biBitCount) {
        case 8:
            row[x] = index;
            break;
        case 4: {
            BYTE& b = row[x >> 1];
            if (x & 1) {
                b = static_cast<BYTE>((b & 0xF0) | (index & 0x0F));
            } else {
                b = static_cast<BYTE>((b & 0x0F) | ((index & 0x0F) << 4));
            }
            break;
        }
        case 1: {
            BYTE& b = row[x >> 3];
            const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
            b = (index & 1) ? static_cast<BYTE>(b | mask) : static_cast<BYTE>(b & ~mask);
            break;
        }
        default:
            break;
    }
}

RGBQUAD CxImage::GetPixelColor(LONG x, LONG y, bool /*bGetAlpha*/) const {
    if (!IsValid()) return m_bkgndColor;
    if (!IsInside(x, y)) {
        if (m_nBkgndIndex >= 0) {
            if (m_head.biClrUsed != 0) return GetPaletteColor(static_cast<BYTE>(m_nBkgndIndex));
            return m_bkgndColor;
        }
        x = 0;
        y = 0;
    }
    if (m_head.biClrUsed != 0) return GetPaletteColor(GetPixelIndex(x, y));
    const BYTE* p = Pixels() + static_cast<std::size_t>(y) * m_dwStride + 3 * static_cast<std::size_t>(x);
    return RGBQUAD{p[0], p[1], p[2], m_bkgndColor.rgbReserved};
}

void CxImage::SetPixelColor(LONG x, LONG y, RGBQUAD colour) {
    if (!IsValid() || !IsInside(x, y)) return;
    if (m_head.biClrUsed != 0) {
        SetPixelIndex(x, y, FindNearestPaletteIndex(colour));
        return;
    }
    BYTE* p = Pixels() + static_cast<std::size_t>(y) * m_dwStride + 3 * static_cast<std::size_t>(x);
    p[0] = colour.rgbBlue;
    p[1] = colour.rgbGreen;
    p[2] = colour.rgbRed;
}

BYTE CxImage::FindNearestPaletteIndex(RGBQUAD colour) const {
    if (!IsValid() || m_head.biClrUsed == 0) return 0;
    if (m_bMemoValid && SameRgb(m_memoColour, colour)) return m_memoIndex;

    const auto pal = GetPalette();
    DWORD m = m_head.biClrImportant != 0 ? m_head.biClrImportant : m_head.biClrUsed;
    m = std::min<DWORD>(m, static_cast<DWORD>(pal.size()));
    long bestDistance = 200000;
    BYTE best = 0;
    for (DWORD i = 0; i < m; ++i) {
        const long db = static_cast<long>(pal[i].rgbBlue) - colour.rgbBlue;
        const long dg = static_cast<long>(pal[i].rgbGreen) - colour.rgbGreen;
        const long dr = static_cast<long>(pal[i].rgbRed) - colour.rgbRed;
        const long d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            best = static_cast<BYTE>(i);
            break;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<BYTE>(i);
        }
    }
    m_memoColour = colour;
    m_memoIndex = best;
    m_bMemoValid = true;
    return best;
}

RGBQUAD CxImage::GetPaletteColor(BYTE index) const {
    const auto pal = GetPalette();
    if (index >= pal.size()) return RGBQUAD{0, 0, 0, 0};
    return pal[index];
}

void CxImage::SetPaletteColor(BYTE index, RGBQUAD colour) {
    auto pal = GetPalette();
    if (index >= pal.size()) return;
    pal[index] = colour;
    InvalidateMemo();
}

void CxImage::SetPalette(std::span<const RGBQUAD> entries) {
    auto pal = GetPalette();
    if (pal.empty()) return;
    const std::size_t n = std::min(entries.size(), pal.size());
    if (n != 0) std::memcpy(pal.data(), entries.data(), n * sizeof(RGBQUAD));
    InvalidateMemo();
}

std::array<BYTE, 256> CxImage::NearestIndexMap(const CxImage& source) const {
    std::array<BYTE, 256> map{};
    const auto pal = source.GetPalette();
    for (std::size_t i = 0; i < map.size(); ++i) {
        map[i] = FindNearestPaletteIndex(i < pal.size() ? pal[i] : RGBQUAD{0, 0, 0, 0});
    }
    return map;
}
