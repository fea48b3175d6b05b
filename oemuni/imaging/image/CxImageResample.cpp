// CxImage nearest-pixel scaling.
#include <algorithm>
#include <vector>

#include "oemuni/imaging/image/CxImage.h"

BOOL CxImage::Resample(LONG newWidth, LONG newHeight, int /*mode*/) {
    if (newWidth <= 0 || newHeight <= 0) return FALSE;
    if (!IsValid()) return FALSE;
    const LONG W = m_head.biWidth;
    const LONG H = m_head.biHeight;
    if (newWidth == W && newHeight == H) return TRUE;

    const float xScale = static_cast<float>(W) / static_cast<float>(newWidth);
    const float yScale = static_cast<float>(H) / static_cast<float>(newHeight);

    CxImage result = MakeTemporary();
    if (result.Create(static_cast<DWORD>(newWidth), static_cast<DWORD>(newHeight), m_head.biBitCount,
                      m_dwType) == nullptr) {
        return FALSE;
    }
    result.SetPalette(GetPalette());

    // Source column of every result column; a column that falls outside the source reads
    // the out-of-image colour.
    std::vector<LONG> sourceX(static_cast<std::size_t>(newWidth));
    for (LONG x = 0; x < newWidth; ++x) {
        sourceX[static_cast<std::size_t>(x)] = static_cast<LONG>(static_cast<float>(x) * xScale);
    }
    const RGBQUAD outside = GetPixelColor(-1, -1);
    const WORD bpp = m_head.biBitCount;

    if (bpp == 1 || bpp == 8) {
        // Storing the nearest index of a source pixel's colour is a per-index mapping.
        const std::array<BYTE, 256> map = result.NearestIndexMap(*this);
        const BYTE outsideIndex = result.FindNearestPaletteIndex(outside);
        for (LONG y = 0; y < newHeight; ++y) {
            const LONG sy = static_cast<LONG>(static_cast<float>(y) * yScale);
            BYTE* dst = result.GetBits(static_cast<DWORD>(y));
            const BYTE* src = (sy >= 0 && sy < H) ? GetBits(static_cast<DWORD>(sy)) : nullptr;
            if (bpp == 8) {
                for (LONG x = 0; x < newWidth; ++x) {
                    const LONG sx = sourceX[static_cast<std::size_t>(x)];
                    dst[x] = (src != nullptr && sx >= 0 && sx < W) ? map[src[sx]] : outsideIndex;
                }
            } else if (src == nullptr) {
                const BYTE fill = (outsideIndex & 1) ? 0xFF : 0x00;
                for (LONG x = 0; x < newWidth; x += 8) {
                    const LONG n = std::min<LONG>(8, newWidth - x);
                    dst[x >> 3] = static_cast<BYTE>(fill & (0xFF << (8 - n)));
                }
            } else {
                unsigned acc = 0;
                for (LONG x = 0; x < newWidth; ++x) {
                    const LONG sx = sourceX[static_cast<std::size_t>(x)];
                    const BYTE v = (sx >= 0 && sx < W) ? map[(src[sx >> 3] >> (7 - (sx & 7))) & 1] : outsideIndex;
                    acc |= static_cast<unsigned>(v & 1) << (7 - (x & 7));
                    if ((x & 7) == 7) {
                        dst[x >> 3] = static_cast<BYTE>(acc);
                        acc = 0;
                    }
                }
                if ((newWidth & 7) != 0) dst[newWidth >> 3] = static_cast<BYTE>(acc);
            }
        }
    } else if (bpp == 24) {
        for (LONG y = 0; y < newHeight; ++y) {
            const LONG sy = static_cast<LONG>(static_cast<float>(y) * yScale);
            BYTE* dst = result.GetBits(static_cast<DWORD>(y));
            const BYTE* src = (sy >= 0 && sy < H) ? GetBits(static_cast<DWORD>(sy)) : nullptr;
            for (LONG x = 0; x < newWidth; ++x, dst += 3) {
                const LONG sx = sourceX[static_cast<std::size_t>(x)];
                if (src != nullptr && sx >= 0 && sx < W) {
                    const BYTE* p = src + 3 * static_cast<std::size_t>(sx);
                    dst[0] = p[0];
                    dst[1] = p[1];
                    dst[2] = p[2];
                } else {
                    dst[0] = outside.rgbBlue;
                    dst[1] = outside.rgbGreen;
                    dst[2] = outside.rgbRed;
                }
            }
        }
    } else {
        for (LONG y = 0; y < newHeight; ++y) {
            const LONG sy = static_cast<LONG>(static_cast<float>(y) * yScale);
            for (LONG x = 0; x < newWidth; ++x) {
                result.SetPixelColor(x, y, GetPixelColor(sourceX[static_cast<std::size_t>(x)], sy));
            }
        }
    }
    TakeOver(result);
    return TRUE;
}
