// Tone conversion: density, grey conversion, the dither levels and black/white reduction.
#include <gtest/gtest.h>

#include "ImageTestSupport.h"

using namespace imgtest;

namespace {

CxImage Uniform(DWORD w, DWORD h, BYTE level) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, 8, 1), nullptr);
    img.SetGreyPalette();
    for (DWORD y = 0; y < h; ++y) std::fill_n(img.GetBits(y), w, level);
    return img;
}

int CountWhite(const CxImage& img, LONG x0, LONG y0, LONG w, LONG h) {
    int n = 0;
    for (LONG y = y0; y < y0 + h; ++y) {
        for (LONG x = x0; x < x0 + w; ++x) n += img.GetPixelIndex(x, y);
    }
    return n;
}

}  // namespace

TEST(CxImageTone, BrightnessTable) {
    // Density step 10 gives brightness 0: nothing changes, even on a non-grey palette.
    CxImage img;
    ASSERT_NE(img.Create(2, 1, 8, 1), nullptr);
    for (int i = 0; i < 256; ++i) {
        img.SetPaletteColor(static_cast<BYTE>(i), RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0});
    }
    const CxImage before = img;
    ASSERT_TRUE(img.AdjustBrightness(0));
    EXPECT_TRUE(SameImage(img, before));

    // Brightness 100 on the grey palette: 1 -> 101, 155 and above -> 255, 0 stays 0.
    CxImage grey = Uniform(4, 1, 0);
    grey.GetBits(0)[1] = 1;
    grey.GetBits(0)[2] = 155;
    grey.GetBits(0)[3] = 154;
    ASSERT_TRUE(grey.AdjustBrightness(100));
    EXPECT_EQ(grey.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(grey.GetPixelIndex(1, 0), 101);
    EXPECT_EQ(grey.GetPixelIndex(2, 0), 255);
    EXPECT_EQ(grey.GetPixelIndex(3, 0), 254);
    EXPECT_TRUE(grey.HasGreyPalette());

    // Darker: 255 stays white, the rest goes down and stops at 0.
    CxImage dark = Uniform(3, 1, 255);
    dark.GetBits(0)[1] = 60;
    dark.GetBits(0)[2] = 254;
    ASSERT_TRUE(dark.AdjustBrightness(-100));
    EXPECT_EQ(dark.GetPixelIndex(0, 0), 255);
    EXPECT_EQ(dark.GetPixelIndex(1, 0), 0);
    EXPECT_EQ(dark.GetPixelIndex(2, 0), 154);
}

TEST(CxImageTone, BrightnessLeavesAStandardOneBitPageAlone) {
    CxImage img;
    ASSERT_NE(img.Create(9, 2, 1, 1), nullptr);
    img.SetStandardPalette();
    img.SetPixelIndex(3, 1, 1);
    const CxImage before = img;
    ASSERT_TRUE(img.AdjustBrightness(-60));
    EXPECT_TRUE(SameImage(img, before));
}

TEST(CxImageTone, BrightnessOnTwentyFourBitsMapsEveryByte) {
    CxImage img;
    ASSERT_NE(img.Create(1, 1, 24, 1), nullptr);
    img.SetPixelColor(0, 0, RGBQUAD{0, 100, 250, 0});
    ASSERT_TRUE(img.AdjustBrightness(10));
    EXPECT_TRUE(SameRgb(img.GetPixelColor(0, 0), RGBQUAD{0, 110, 255, 0}));
}

TEST(CxImageTone, GrayScaleOfPalettesAndBackground) {
    // A 1-bit image becomes 8-bit grey.
    CxImage one;
    ASSERT_NE(one.Create(10, 1, 1, 1), nullptr);
    one.SetStandardPalette();
    one.SetPixelIndex(9, 0, 1);
    ASSERT_TRUE(one.GrayScale());
    EXPECT_EQ(one.GetBpp(), 8);
    EXPECT_EQ(one.GetPixelIndex(9, 0), 255);
    EXPECT_EQ(one.GetPixelIndex(8, 0), 0);
    // 8-bit colour palette: entry 5 = (b 200, g 10, r 10) -> (200*117 + 10*601 + 10*306) >> 10 = 31.
    CxImage eight = Uniform(3, 1, 5);
    eight.SetPaletteColor(5, RGBQUAD{200, 10, 10, 0});
    eight.SetBackgroundIndex(5);
    ASSERT_TRUE(eight.GrayScale());
    EXPECT_EQ(eight.GetPixelIndex(0, 0), 31);
    EXPECT_TRUE(eight.HasGreyPalette());
    EXPECT_EQ(eight.GetBackgroundIndex(), 31);
}

TEST(CxImageDither, FloydSteinbergFirstPixelsAndErrorSpread) {
    // Level 128 is not > 128: black, error 128 -> right neighbour 128 + 56 = 184 (white).
    CxImage grey128 = Uniform(4, 2, 128);
    ASSERT_TRUE(grey128.Dither(0));
    EXPECT_EQ(grey128.GetBpp(), 1);
    EXPECT_EQ(grey128.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(grey128.GetPixelIndex(1, 0), 1);
    CxImage grey129 = Uniform(4, 2, 129);
    ASSERT_TRUE(grey129.Dither(0));
    EXPECT_EQ(grey129.GetPixelIndex(0, 0), 1);
    // The result palette: 0 black, 1 white.
    EXPECT_TRUE(SameRgb(grey129.GetPaletteColor(0), Grey(0)));
    EXPECT_TRUE(SameRgb(grey129.GetPaletteColor(1), Grey(255)));
}

TEST(CxImageDither, FloydSteinbergKeepsPureBlackAndWhite) {
    CxImage img = Uniform(20, 6, 255);
    for (LONG x = 0; x < 20; x += 3) img.GetBits(2)[x] = 0;
    CxImage out = img;
    ASSERT_TRUE(out.Dither(0));
    for (LONG y = 0; y < 6; ++y) {
        for (LONG x = 0; x < 20; ++x) {
            ASSERT_EQ(out.GetPixelIndex(x, y), img.GetPixelIndex(x, y) == 255 ? 1 : 0);
        }
    }
}

TEST(CxImageDither, OrderedLevels) {
    struct Case {
        LONG method;
        BYTE level;
        int whiteIn8x8;
    };
    const Case cases[] = {
        {1, 127, 28},   // d = 7: M1 entries 0..6 -> 7 white per 4 x 4 block
        {1, 255, 64},   // d = 16: every pixel white
        {1, 0, 0},      //
        {1, 16, 4},     // d = 1: only M1 = 0 -> 1 white per 4 x 4 block
        {7, 0, 0},      // level > M7: never for 0
        {7, 1, 4},      // only M7 = 0 (one per 4 x 4)
        {7, 255, 64},   //
        {8, 3, 0},      // level >> 2 = 0: all black
        {8, 4, 2},      // level >> 2 = 1: P = 0 or 1
        {8, 255, 64},   //
    };
    for (const Case& c : cases) {
        CxImage img = Uniform(8, 8, c.level);
        ASSERT_TRUE(img.Dither(c.method));
        ASSERT_EQ(img.GetBpp(), 1);
        EXPECT_EQ(CountWhite(img, 0, 0, 8, 8), c.whiteIn8x8) << "method " << c.method << " level " << int(c.level);
    }
    // Method 8, level 4: the white pixels are where P[column][row] is 0 or 1.
    CxImage img = Uniform(8, 8, 4);
    ASSERT_TRUE(img.Dither(8));
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);  // P[0][0] = 0
    EXPECT_EQ(img.GetPixelIndex(4, 4), 1);  // P[4][4] = 1
    // Method 1, level 127: white where M1[row][column] < 7.
    CxImage m1 = Uniform(4, 4, 127);
    ASSERT_TRUE(m1.Dither(1));
    EXPECT_EQ(m1.GetPixelIndex(1, 0), 0);  // M1 = 8
    EXPECT_EQ(m1.GetPixelIndex(3, 1), 1);  // M1 = 6
}

TEST(CxImageDither, TablesAsPrinted) {
    const std::array<std::array<BYTE, 4>, 4> m7 = {{
        {0, 192, 48, 240},
        {128, 64, 176, 112},
        {32, 224, 16, 208},
        {160, 96, 144, 80},
    }};
    EXPECT_EQ(CxImage::DitherMatrix7(), m7);
    EXPECT_EQ(CxImage::DitherMatrix8()[3][4], 62);
    EXPECT_EQ(CxImage::DitherMatrix1()[3][0], 15);
}

TEST(CxImageDither, OneBitImageUnchangedAndUnprovidedMethodsRefused) {
    CxImage one;
    ASSERT_NE(one.Create(5, 5, 1, 1), nullptr);
    one.SetPixelIndex(2, 2, 1);
    const CxImage before = one;
    EXPECT_TRUE(one.Dither(0));
    EXPECT_TRUE(SameImage(one, before));
    CxImage grey = Uniform(4, 4, 100);
    EXPECT_FALSE(grey.Dither(3));
    EXPECT_EQ(grey.GetBpp(), 8);
}

TEST(CxImageDecreaseBpp, NearestOfBlackAndWhite) {
    CxImage img = Uniform(4, 1, 0);
    img.SetPaletteColor(5, RGBQUAD{200, 10, 10, 0});  // 40200 vs 123075: black
    img.GetBits(0)[0] = 5;
    img.GetBits(0)[1] = 127;
    img.GetBits(0)[2] = 128;
    img.GetBits(0)[3] = 255;
    ASSERT_TRUE(img.DecreaseBpp(1, FALSE, {}, 2));
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetClrImportant(), 2u);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 0);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(3, 0), 1);
}

TEST(CxImageDecreaseBpp, RefusalsAndTheOneBitShortCut) {
    CxImage one;
    ASSERT_NE(one.Create(3, 1, 1, 1), nullptr);
    EXPECT_FALSE(one.DecreaseBpp(8, FALSE, {}, 0));
    EXPECT_STREQ(one.GetLastError(), "DecreaseBpp: target BPP greater than source BPP");
    one.SetClrImportant(1);
    one.SetPixelIndex(1, 0, 1);
    const CxImage before = one;
    EXPECT_TRUE(one.DecreaseBpp(1, FALSE, {}, 2));
    EXPECT_TRUE(SameImage(one, before));
    CxImage grey = Uniform(2, 2, 9);
    EXPECT_FALSE(grey.DecreaseBpp(1, TRUE, {}, 2));  // error diffusion is not provided
    EXPECT_EQ(grey.GetBpp(), 8);
}
