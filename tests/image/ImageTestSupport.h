// Test support: random images, and slow pixel-by-pixel reference versions of the image
// operations, written straight from their rules with the container's pixel accessors only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "oemuni/imaging/image/CxImage.h"

namespace imgtest {

inline RGBQUAD Grey(BYTE v) { return RGBQUAD{v, v, v, 0}; }

// An image whose pixel bytes (row padding included) and, at 8 bits, palette are random.
inline CxImage RandomImage(std::mt19937& rng, DWORD w, DWORD h, DWORD bpp, bool greyPalette) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, bpp, CXIMAGE_FORMAT_BMP), nullptr);
    std::uniform_int_distribution<int> byte(0, 255);
    auto pal = img.GetPalette();
    if (bpp == 1) {
        img.SetStandardPalette();
    } else if (greyPalette) {
        img.SetGreyPalette();
    } else {
        for (auto& e : pal) {
            e = RGBQUAD{static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)),
                        static_cast<BYTE>(byte(rng)), 0};
        }
        img.SetPalette(pal);
    }
    for (DWORD y = 0; y < h; ++y) {
        BYTE* row = img.GetBits(y);
        for (DWORD i = 0; i < img.GetStride(); ++i) row[i] = static_cast<BYTE>(byte(rng));
    }
    return img;
}

// A random 8-bit grey image whose levels cluster in runs, like a scanned receipt.
inline CxImage RandomGreyPage(std::mt19937& rng, DWORD w, DWORD h) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, 8, CXIMAGE_FORMAT_BMP), nullptr);
    img.SetGreyPalette();
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> run(1, 40);
    for (DWORD y = 0; y < h; ++y) {
        BYTE* row = img.GetBits(y);
        DWORD x = 0;
        while (x < w) {
            const int n = run(rng);
            const int kind = byte(rng);
            const BYTE v = kind < 100 ? 255 : (kind < 160 ? 0 : static_cast<BYTE>(byte(rng)));
            for (int k = 0; k < n && x < w; ++k, ++x) row[x] = v;
        }
    }
    return img;
}

inline ::testing::AssertionResult SameImage(const CxImage& a, const CxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp()) {
        return ::testing::AssertionFailure()
               << "size " << a.GetWidth() << "x" << a.GetHeight() << "@" << a.GetBpp() << " vs "
               << b.GetWidth() << "x" << b.GetHeight() << "@" << b.GetBpp();
    }
    const auto ba = a.GetBlock();
    const auto bb = b.GetBlock();
    if (ba.size() != bb.size()) return ::testing::AssertionFailure() << "block sizes differ";
    for (std::size_t i = 0; i < ba.size(); ++i) {
        if (ba[i] != bb[i]) {
            return ::testing::AssertionFailure() << "block byte " << i << " differs: " << int(ba[i])
                                                 << " vs " << int(bb[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

// A new image of the same kind as `src` (palette copied), w x h.
inline CxImage EmptyLike(const CxImage& src, DWORD w, DWORD h) {
    CxImage out;
    EXPECT_NE(out.Create(w, h, src.GetBpp(), src.GetType()), nullptr);
    out.SetPalette(src.GetPalette());
    return out;
}

inline void CopyPixel(const CxImage& src, LONG sx, LONG sy, CxImage& dst, LONG dx, LONG dy) {
    if (src.GetBpp() == 24) {
        dst.SetPixelColor(dx, dy, src.GetPixelColor(sx, sy));
    } else {
        dst.SetPixelIndex(dx, dy, src.GetPixelIndex(sx, sy));
    }
}

// ---- reference operations ----

inline CxImage RefCrop(const CxImage& src, LONG left, LONG top, LONG right, LONG bottom) {
    const LONG W = static_cast<LONG>(src.GetWidth());
    const LONG H = static_cast<LONG>(src.GetHeight());
    left = std::clamp<LONG>(left, 0, W);
    right = std::clamp<LONG>(right, 0, W);
    top = std::clamp<LONG>(top, 0, H);
    bottom = std::clamp<LONG>(bottom, 0, H);
    const LONG x0 = std::min(left, right), x1 = std::max(left, right);
    const LONG y0 = H - std::max(top, bottom), y1 = H - std::min(top, bottom);
    CxImage out = EmptyLike(src, static_cast<DWORD>(x1 - x0), static_cast<DWORD>(y1 - y0));
    for (LONG y = y0; y < y1; ++y) {
        for (LONG x = x0; x < x1; ++x) CopyPixel(src, x, y, out, x - x0, y - y0);
    }
    return out;
}

inline CxImage RefResample(const CxImage& src, LONG nw, LONG nh) {
    const float xScale = static_cast<float>(src.GetWidth()) / static_cast<float>(nw);
    const float yScale = static_cast<float>(src.GetHeight()) / static_cast<float>(nh);
    CxImage out = EmptyLike(src, static_cast<DWORD>(nw), static_cast<DWORD>(nh));
    for (LONG y = 0; y < nh; ++y) {
        for (LONG x = 0; x < nw; ++x) {
            const LONG sx = static_cast<LONG>(static_cast<float>(x) * xScale);
            const LONG sy = static_cast<LONG>(static_cast<float>(y) * yScale);
            out.SetPixelColor(x, y, src.GetPixelColor(sx, sy));
        }
    }
    return out;
}

inline CxImage RefRotateLeft(const CxImage& s) {
    const LONG W = static_cast<LONG>(s.GetWidth()), H = static_cast<LONG>(s.GetHeight());
    CxImage d = EmptyLike(s, static_cast<DWORD>(H), static_cast<DWORD>(W));
    for (LONG r = 0; r < W; ++r) {
        for (LONG c = 0; c < H; ++c) CopyPixel(s, r, H - 1 - c, d, c, r);  // D[r][c] = S[H-1-c][r]
    }
    return d;
}

inline CxImage RefRotateRight(const CxImage& s) {
    const LONG W = static_cast<LONG>(s.GetWidth()), H = static_cast<LONG>(s.GetHeight());
    CxImage d = EmptyLike(s, static_cast<DWORD>(H), static_cast<DWORD>(W));
    for (LONG r = 0; r < W; ++r) {
        for (LONG c = 0; c < H; ++c) CopyPixel(s, W - 1 - r, c, d, c, r);  // D[r][c] = S[c][W-1-r]
    }
    return d;
}

inline CxImage RefRotate180(const CxImage& s) {
    const LONG W = static_cast<LONG>(s.GetWidth()), H = static_cast<LONG>(s.GetHeight());
    CxImage d = EmptyLike(s, static_cast<DWORD>(W), static_cast<DWORD>(H));
    for (LONG r = 0; r < H; ++r) {
        for (LONG c = 0; c < W; ++c) CopyPixel(s, W - 1 - c, H - 1 - r, d, c, r);
    }
    return d;
}

inline CxImage RefAddMargins(const CxImage& src, LONG left, LONG top, LONG right, LONG bottom, RGBQUAD colour) {
    const LONG W = static_cast<LONG>(src.GetWidth()), H = static_cast<LONG>(src.GetHeight());
    CxImage out = EmptyLike(src, static_cast<DWORD>(W + left + right), static_cast<DWORD>(H + top + bottom));
    for (LONG y = 0; y < H + top + bottom; ++y) {
        for (LONG x = 0; x < W + left + right; ++x) out.SetPixelColor(x, y, colour);
    }
    for (LONG y = 0; y < H; ++y) {
        for (LONG x = 0; x < W; ++x) CopyPixel(src, x, y, out, x + left, y + bottom);
    }
    return out;
}

// Dithering by the written rules on an 8-bit grey image (GrayScale already applied).
inline CxImage RefDither(CxImage src, LONG method) {
    const LONG W = static_cast<LONG>(src.GetWidth()), H = static_cast<LONG>(src.GetHeight());
    CxImage out;
    EXPECT_NE(out.Create(static_cast<DWORD>(W), static_cast<DWORD>(H), 1, src.GetType()), nullptr);
    const auto& m1 = CxImage::DitherMatrix1();
    const auto& m7 = CxImage::DitherMatrix7();
    const auto& p8 = CxImage::DitherMatrix8();
    auto add = [&src](LONG x, LONG y, int delta) {
        int v = src.GetPixelIndex(x, y) + delta;
        v = std::clamp(v, 0, 255);
        src.SetPixelIndex(x, y, static_cast<BYTE>(v));  // outside: nothing happens
    };
    for (LONG y = 0; y < H; ++y) {
        for (LONG x = 0; x < W; ++x) {
            const int level = src.GetPixelIndex(x, y);
            int bit = 0;
            if (method == 1) {
                const int d = level * 16 / 255;
                bit = (m1[y % 4][x % 4] < d % 16) ? 1 : d / 16;
            } else if (method == 7) {
                bit = level > m7[y % 4][x % 4] ? 1 : 0;
            } else if (method == 8) {
                bit = ((level >> 2) != 0 && (level >> 2) >= p8[x % 8][y % 8]) ? 1 : 0;
            } else {
                int error;
                if (level > 128) {
                    bit = 1;
                    error = level - 255;
                } else {
                    bit = 0;
                    error = level;
                }
                add(x + 1, y, error * 7 / 16);
                add(x - 1, y + 1, error * 3 / 16);
                add(x, y + 1, error * 5 / 16);
                add(x + 1, y + 1, error * 1 / 16);
            }
            out.SetPixelIndex(x, y, static_cast<BYTE>(bit));
        }
    }
    out.SetStandardPalette();
    return out;
}

inline CxImage RefDecreaseBpp(const CxImage& src) {
    const LONG W = static_cast<LONG>(src.GetWidth()), H = static_cast<LONG>(src.GetHeight());
    CxImage out;
    EXPECT_NE(out.Create(static_cast<DWORD>(W), static_cast<DWORD>(H), 1, src.GetType()), nullptr);
    out.SetClrImportant(2);
    out.SetStandardPalette();
    for (LONG y = 0; y < H; ++y) {
        for (LONG x = 0; x < W; ++x) {
            const RGBQUAD c = src.GetPixelColor(x, y);
            const long dBlack = long(c.rgbBlue) * c.rgbBlue + long(c.rgbGreen) * c.rgbGreen +
                                long(c.rgbRed) * c.rgbRed;
            const long dWhite = (255L - c.rgbBlue) * (255L - c.rgbBlue) +
                                (255L - c.rgbGreen) * (255L - c.rgbGreen) +
                                (255L - c.rgbRed) * (255L - c.rgbRed);
            out.SetPixelIndex(x, y, dWhite < dBlack ? 1 : 0);
        }
    }
    return out;
}

}  // namespace imgtest
