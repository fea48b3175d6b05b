// CxImage crop and margins.
#include <algorithm>
#include <cstring>

#include "oemuni/imaging/image/BitRows.h"
#include "oemuni/imaging/image/CxImage.h"

BOOL CxImage::Crop(LONG left, LONG top, LONG right, LONG bottom) {
    if (!IsValid()) return FALSE;
    const LONG W = m_head.biWidth;
    const LONG H = m_head.biHeight;
    left = std::clamp<LONG>(left, 0, W);
    right = std::clamp<LONG>(right, 0, W);
    top = std::clamp<LONG>(top, 0, H);
    bottom = std::clamp<LONG>(bottom, 0, H);
    if (left == right || top == bottom) return FALSE;

    // Vertical arguments count rows from the end of the pixel block.
    const LONG x0 = std::min(left, right);
    const LONG x1 = std::max(left, right);
    const LONG y0 = H - std::max(top, bottom);
    const LONG y1 = H - std::min(top, bottom);
    const DWORD newWidth = static_cast<DWORD>(x1 - x0);
    const DWORD newHeight = static_cast<DWORD>(y1 - y0);

    CxImage result = MakeTemporary();
    if (result.Create(newWidth, newHeight, m_head.biBitCount, m_dwType) == nullptr) return FALSE;
    result.SetPalette(GetPalette());
    result.m_nBkgndIndex = m_nBkgndIndex;
    result.m_bkgndColor = m_bkgndColor;

    switch (m_head.biBitCount) {
        case 1:
            for (DWORD y = 0; y < newHeight; ++y) {
                bitrows::CopyBits(GetBits(y0 + y), m_dwStride, static_cast<std::size_t>(x0),
                                  result.GetBits(y), newWidth);
            }
            break;
        case 8:
        case 24: {
            const std::size_t bytesPerPixel = m_head.biBitCount / 8;
            for (DWORD y = 0; y < newHeight; ++y) {
                std::memcpy(result.GetBits(y), GetBits(y0 + y) + x0 * bytesPerPixel,
                            newWidth * bytesPerPixel);
            }
            break;
        }
        default:
            for (DWORD y = 0; y < newHeight; ++y) {
                for (DWORD x = 0; x < newWidth; ++x) {
                    result.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y),
                                         GetPixelIndex(x0 + static_cast<LONG>(x), y0 + static_cast<LONG>(y)));
                }
            }
            break;
    }
    TakeOver(result);
    return TRUE;
}

BOOL CxImage::AddMargins(LONG left, LONG top, LONG right, LONG bottom, RGBQUAD colour) {
    if (!IsValid()) return FALSE;
    if (left < 0 || top < 0 || right < 0 || bottom < 0) return FALSE;
    const std::uint64_t W64 = static_cast<std::uint64_t>(m_head.biWidth) + left + right;
    const std::uint64_t H64 = static_cast<std::uint64_t>(m_head.biHeight) + top + bottom;
    if (W64 > 0x7FFFFFFFu || H64 > 0x7FFFFFFFu) return FALSE;
    const DWORD W = m_head.biWidth;
    const DWORD H = m_head.biHeight;

    CxImage result = MakeTemporary();
    if (result.Create(static_cast<DWORD>(W64), static_cast<DWORD>(H64), m_head.biBitCount, m_dwType) ==
        nullptr) {
        return FALSE;
    }
    result.SetPalette(GetPalette());

    const WORD bpp = m_head.biBitCount;
    if (bpp == 24) {
        for (DWORD y = 0; y < H64; ++y) {
            BYTE* p = result.GetBits(y);
            for (DWORD x = 0; x < W64; ++x, p += 3) {
                p[0] = colour.rgbBlue;
                p[1] = colour.rgbGreen;
                p[2] = colour.rgbRed;
            }
        }
        for (DWORD y = 0; y < H; ++y) {
            std::memcpy(result.GetBits(y + bottom) + 3 * static_cast<std::size_t>(left), GetBits(y),
                        3 * static_cast<std::size_t>(W));
        }
    } else if (bpp == 8) {
        const BYTE fill = result.FindNearestPaletteIndex(colour);
        for (DWORD y = 0; y < H64; ++y) std::memset(result.GetBits(y), fill, W64);
        for (DWORD y = 0; y < H; ++y) {
            std::memcpy(result.GetBits(y + bottom) + left, GetBits(y), W);
        }
    } else if (bpp == 1) {
        const BYTE fill = (result.FindNearestPaletteIndex(colour) & 1) ? 0xFF : 0x00;
        const std::size_t usedBytes = (W64 + 7) / 8;
        for (DWORD y = 0; y < H64; ++y) {
            BYTE* row = result.GetBits(y);
            std::memset(row, fill, usedBytes);
            if ((W64 & 7) != 0) row[usedBytes - 1] &= static_cast<BYTE>(0xFF << (8 - (W64 & 7)));
        }
        for (DWORD y = 0; y < H; ++y) bitrows::PutBits(GetBits(y), W, result.GetBits(y + bottom), left);
    } else {
        const BYTE fill = result.FindNearestPaletteIndex(colour);
        for (DWORD y = 0; y < H64; ++y) {
            for (DWORD x = 0; x < W64; ++x) {
                result.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y), fill);
            }
        }
        for (DWORD y = 0; y < H; ++y) {
            for (DWORD x = 0; x < W; ++x) {
                result.SetPixelIndex(static_cast<LONG>(x + left), static_cast<LONG>(y + bottom),
                                     GetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y)));
            }
        }
    }
    TakeOver(result);
    return TRUE;
}
