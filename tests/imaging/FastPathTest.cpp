// Every fast path of page imaging against a slow pixel-by-pixel reference on random images:
// raster commands (both forms, two- and four-level, with image areas and rows past the end),
// the run-length code and the bottom trimming scan.
#include <gtest/gtest.h>

#include <random>

#include "ImagingFixture.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/imaging/PageComposition.h"
#include "oemuni/imaging/RasterCommands.h"
#include "oemuni/imaging/RunLengthCode.h"

using namespace imaging_test;

TEST(FastPaths, RasterCommandsMatchThePixelByPixelReference) {
    DisableDebugLog();
    std::mt19937 rng(20261211);
    const WORD depths[] = {1, 4, 8, 24};
    for (int round = 0; round < 160; ++round) {
        const WORD bpp = depths[round % 4];
        const DWORD width = 1 + rng() % 140;
        const DWORD height = 1 + rng() % 560;
        const double white = (rng() % 4) * 0.3;
        CxImage image = MakeRandomImage(rng, width, height, bpp, white);
        TestDevice d;
        Bytes rects;
        for (DWORD i = 0, n = rng() % 4; i < n; ++i) {
            const WORD top = static_cast<WORD>(rng() % (height + 20));
            rects = Concat({rects, ImageRect(0, top, static_cast<WORD>(width), static_cast<WORD>(top + rng() % 300))});
        }
        d.pdev.pImgRectBufStart.append(rects);
        const DWORD first = rng() % (height + 8);
        const DWORD rows = 1 + rng() % 600;
        for (bool compressed : {false, true}) {
            for (bool fourLevel : {false, true}) {
                std::vector<BYTE> fast;
                const HRESULT hr = compressed
                                       ? MakeImageCommandsWithRLE(d.dev(), &image, first, rows, fourLevel, fast)
                                       : MakeImageCommands(d.dev(), &image, first, rows, fourLevel, fast);
                ASSERT_EQ(hr, S_OK);
                ASSERT_EQ(fast, ReferenceRaster(image, first, rows, compressed, fourLevel, rects))
                    << "round " << round << " bpp " << bpp << " " << width << "x" << height << " rows " << first
                    << "+" << rows << (compressed ? " compressed" : " plain") << (fourLevel ? " four-level" : "");
            }
        }
    }
}

TEST(FastPaths, RunLengthCodeMatchesTheReference) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        Bytes in(rng() % 2000);
        const int mode = round % 3;
        for (auto& b : in) {
            const unsigned r = rng() % 100;
            if (mode == 0) b = r < 45 ? 0x00 : r < 90 ? 0xFF : static_cast<BYTE>(rng());
            if (mode == 1) b = r < 97 ? 0x00 : static_cast<BYTE>(rng());  // long runs past 255
            if (mode == 2) b = static_cast<BYTE>(rng());
        }
        Bytes fast = {0xAA};  // appending keeps what was there
        AppendRunLengthCode(in, fast);
        ASSERT_EQ(fast, Concat({{0xAA}, ReferenceRunLength(in)})) << "round " << round;
    }
}

TEST(FastPaths, BottomTrimmingFindsTheSameLastInkRowAsAPixelScan) {
    DisableDebugLog();
    std::mt19937 rng(99);
    const WORD depths[] = {1, 4, 8, 24};
    for (int round = 0; round < 120; ++round) {
        const WORD bpp = depths[round % 4];
        const DWORD width = 1 + rng() % 100;
        const DWORD height = 2 + rng() % 300;
        CxImage image = MakeRandomImage(rng, width, height, bpp, 0.9);
        // White out a random tail, leaving at most a few ink pixels above it.
        const DWORD inkEnd = rng() % height;
        for (DWORD y = inkEnd; y < height; ++y) {
            for (DWORD x = 0; x < width; ++x) {
                image.SetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y), RgbQuad(255, 255, 255));
            }
        }
        DWORD lastInk = 0;  // 0: no ink below row 0
        for (DWORD y = height - 1; y >= 1 && lastInk == 0; --y) {
            for (DWORD x = 0; x < width; ++x) {
                const RGBQUAD c = image.GetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y));
                if (c.rgbRed + c.rgbGreen + c.rgbBlue != 765) {
                    lastInk = y;
                    break;
                }
            }
        }
        TestDevice d;
        d.setting(31) = 0;
        const int cropped = CropBottomBlankArea(d.dev(), &image);
        if (lastInk == 0) {
            EXPECT_EQ(cropped, 0);
            EXPECT_EQ(image.GetHeight(), height);
        } else {
            EXPECT_EQ(cropped, 1);
            EXPECT_EQ(image.GetHeight(), std::min(height, lastInk + 2)) << "round " << round << " bpp " << bpp;
        }
    }
}
