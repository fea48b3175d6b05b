// Every fast path against the slow pixel-by-pixel reference, on random images of awkward
// sizes (widths that are not multiples of 8, single rows and columns).
#include <gtest/gtest.h>

#include <random>

#include "ImageTestSupport.h"
#include "oemuni/imaging/image/BitRows.h"

using namespace imgtest;

namespace {

struct Size {
    DWORD w, h;
};

const Size kSizes[] = {{1, 1}, {7, 3}, {8, 8}, {9, 17}, {33, 2}, {64, 65}, {100, 37}, {131, 70}, {576, 24}};

}  // namespace

TEST(FastPath, Transpose8MatchesBitByBit) {
    std::mt19937 rng(7);
    for (int n = 0; n < 1000; ++n) {
        BYTE in[8], out[8];
        for (auto& b : in) b = static_cast<BYTE>(rng());
        bitrows::Transpose8(in, out);
        for (int j = 0; j < 8; ++j) {
            for (int k = 0; k < 8; ++k) {
                ASSERT_EQ((out[j] >> (7 - k)) & 1, (in[k] >> (7 - j)) & 1);
            }
        }
    }
}

TEST(FastPath, RotationsMatchReference) {
    std::mt19937 rng(11);
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            const CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            CxImage left = src, right = src, half = src;
            ASSERT_TRUE(left.RotateLeft());
            ASSERT_TRUE(right.RotateRight());
            ASSERT_TRUE(half.Rotate180());
            EXPECT_TRUE(SameImage(left, RefRotateLeft(src))) << bpp << " bpp " << s.w << "x" << s.h;
            EXPECT_TRUE(SameImage(right, RefRotateRight(src))) << bpp << " bpp " << s.w << "x" << s.h;
            EXPECT_TRUE(SameImage(half, RefRotate180(src))) << bpp << " bpp " << s.w << "x" << s.h;
        }
    }
}

TEST(FastPath, CropMatchesReference) {
    std::mt19937 rng(13);
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            const CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            const LONG W = static_cast<LONG>(s.w), H = static_cast<LONG>(s.h);
            std::uniform_int_distribution<LONG> xs(-2, W + 2), ys(-2, H + 2);
            for (int n = 0; n < 8; ++n) {
                LONG l = xs(rng), r = xs(rng), t = ys(rng), b = ys(rng);
                CxImage fast = src;
                const bool ok = fast.Crop(l, t, r, b) != FALSE;
                const bool expectOk = std::clamp(l, 0, W) != std::clamp(r, 0, W) &&
                                      std::clamp(t, 0, H) != std::clamp(b, 0, H);
                ASSERT_EQ(ok, expectOk);
                if (ok) {
                    EXPECT_TRUE(SameImage(fast, RefCrop(src, l, t, r, b)))
                        << bpp << " bpp " << s.w << "x" << s.h << " crop " << l << "," << t << "," << r << "," << b;
                } else {
                    EXPECT_TRUE(SameImage(fast, src));
                }
            }
        }
    }
}

TEST(FastPath, AddMarginsMatchesReference) {
    std::mt19937 rng(37);
    std::uniform_int_distribution<LONG> margin(0, 11);
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            const CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            for (const RGBQUAD colour : {Grey(255), Grey(0), RGBQUAD{30, 140, 250, 0}}) {
                const LONG l = margin(rng), t = margin(rng), r = margin(rng), b = margin(rng);
                CxImage fast = src;
                ASSERT_TRUE(fast.AddMargins(l, t, r, b, colour));
                EXPECT_TRUE(SameImage(fast, RefAddMargins(src, l, t, r, b, colour)))
                    << bpp << " bpp " << s.w << "x" << s.h << " margins " << l << "," << t << "," << r << "," << b;
            }
        }
    }
}

TEST(FastPath, ResampleMatchesReference) {
    std::mt19937 rng(17);
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            // A palette with repeated colours makes the nearest-index rule visible.
            CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            if (bpp == 8) src.SetPaletteColor(200, src.GetPaletteColor(3));
            for (const auto& [nw, nh] : {std::pair<LONG, LONG>{static_cast<LONG>(s.w / 2 + 1), static_cast<LONG>(s.h / 2 + 1)},
                                         {static_cast<LONG>(s.w * 3 / 4 + 1), static_cast<LONG>(s.h + 5)},
                                         {static_cast<LONG>(s.w * 2), static_cast<LONG>(s.h * 3 / 10 + 1)}}) {
                CxImage fast = src;
                ASSERT_TRUE(fast.Resample(nw, nh, 1));
                // The same size leaves the image as it is.
                const bool same = nw == static_cast<LONG>(s.w) && nh == static_cast<LONG>(s.h);
                EXPECT_TRUE(SameImage(fast, same ? src : RefResample(src, nw, nh)))
                    << bpp << " bpp " << s.w << "x" << s.h << " -> " << nw << "x" << nh;
            }
        }
    }
}

TEST(FastPath, DitherMatchesReference) {
    std::mt19937 rng(19);
    for (LONG method : {0, 1, 7, 8, 10, -1}) {
        for (const Size& s : kSizes) {
            for (bool grey : {true, false}) {
                const CxImage src = grey ? RandomGreyPage(rng, s.w, s.h) : RandomImage(rng, s.w, s.h, 8, false);
                CxImage fast = src;
                ASSERT_TRUE(fast.Dither(method));
                CxImage ref = src;
                ASSERT_TRUE(ref.GrayScale());
                EXPECT_TRUE(SameImage(fast, RefDither(ref, method)))
                    << "method " << method << " " << s.w << "x" << s.h << (grey ? " grey" : " colour");
            }
        }
    }
}

TEST(FastPath, DecreaseBppMatchesReference) {
    std::mt19937 rng(23);
    for (DWORD bpp : {4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            const CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            CxImage fast = src;
            ASSERT_TRUE(fast.DecreaseBpp(1, FALSE, {}, 2));
            EXPECT_TRUE(SameImage(fast, RefDecreaseBpp(src))) << bpp << " bpp " << s.w << "x" << s.h;
        }
    }
    // 1-bit sources with kept, swapped and uniform palettes.
    const RGBQUAD palettes[][2] = {{Grey(0), Grey(255)}, {Grey(255), Grey(0)}, {Grey(200), Grey(190)},
                                   {Grey(20), RGBQUAD{0, 0, 90, 0}}};
    for (const auto& pal : palettes) {
        for (const Size& s : kSizes) {
            CxImage src = RandomImage(rng, s.w, s.h, 1, false);
            src.SetPalette(pal);
            CxImage fast = src;
            ASSERT_TRUE(fast.DecreaseBpp(1, FALSE, {}, 2));
            EXPECT_TRUE(SameImage(fast, RefDecreaseBpp(src))) << "1 bpp " << s.w << "x" << s.h;
        }
    }
}

TEST(FastPath, GrayScaleMatchesLumaOfEveryPixel) {
    std::mt19937 rng(29);
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (const Size& s : kSizes) {
            const CxImage src = RandomImage(rng, s.w, s.h, bpp, false);
            CxImage grey = src;
            ASSERT_TRUE(grey.GrayScale());
            ASSERT_EQ(grey.GetBpp(), 8);
            ASSERT_TRUE(grey.HasGreyPalette());
            for (LONG y = 0; y < static_cast<LONG>(s.h); ++y) {
                for (LONG x = 0; x < static_cast<LONG>(s.w); ++x) {
                    const RGBQUAD c = src.GetPixelColor(x, y);
                    const int luma = (c.rgbBlue * 117 + c.rgbGreen * 601 + c.rgbRed * 306) >> 10;
                    ASSERT_EQ(grey.GetPixelIndex(x, y), luma) << bpp << " bpp at " << x << "," << y;
                }
            }
        }
    }
}

TEST(FastPath, BrightnessOnGreyPageMatchesTableOfEveryPixel) {
    std::mt19937 rng(31);
    for (LONG brightness : {-100, -30, 0, 20, 100}) {
        const CxImage src = RandomGreyPage(rng, 77, 19);
        CxImage img = src;
        ASSERT_TRUE(img.AdjustBrightness(brightness));
        ASSERT_TRUE(img.HasGreyPalette());
        for (LONG y = 0; y < 19; ++y) {
            for (LONG x = 0; x < 77; ++x) {
                const int v = src.GetPixelIndex(x, y);
                int expected = std::clamp(v + brightness, 0, 255);
                if (v == 0) expected = 0;
                if (v == 255) expected = 255;
                ASSERT_EQ(img.GetPixelIndex(x, y), expected) << "brightness " << brightness << " level " << v;
            }
        }
    }
}
