// Crops, margins, scaling and turns of the image container, on the cases page composition
// relies on.
#include <gtest/gtest.h>

#include "ImageTestSupport.h"

using namespace imgtest;

namespace {

// An 8-bit grey image whose pixel (x, y) holds y * 16 + x (rows are told apart by value).
CxImage Numbered(DWORD w, DWORD h) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, 8, 1), nullptr);
    img.SetGreyPalette();
    for (DWORD y = 0; y < h; ++y) {
        for (DWORD x = 0; x < w; ++x) img.GetBits(y)[x] = static_cast<BYTE>(y * 16 + x);
    }
    return img;
}

// A 1-bit image, all black, with white pixels at the given (column, row) places.
CxImage OneBit(DWORD w, DWORD h, std::initializer_list<std::pair<LONG, LONG>> white) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, 1, 1), nullptr);
    img.SetStandardPalette();
    for (auto [x, y] : white) img.SetPixelIndex(x, y, 1);
    return img;
}

std::vector<std::pair<LONG, LONG>> WhitePixels(const CxImage& img) {
    std::vector<std::pair<LONG, LONG>> out;
    for (LONG y = 0; y < static_cast<LONG>(img.GetHeight()); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(img.GetWidth()); ++x) {
            if (img.GetPixelIndex(x, y) == 1) out.emplace_back(x, y);
        }
    }
    return out;
}

}  // namespace

TEST(CxImageCrop, VerticalArgumentsCountFromTheEndOfTheBlock) {
    struct Case {
        LONG top, bottom;
        DWORD expectHeight;
        BYTE expectFirstRow;
    };
    // H = 10: top = H and bottom = 0 keep all; bottom = 2 drops the last two rows;
    // top = H - 1 drops row 0.
    const Case cases[] = {{10, 0, 10, 0}, {10, 2, 8, 0}, {9, 0, 9, 1}, {0, 10, 10, 0}, {99, -5, 10, 0}};
    for (const Case& c : cases) {
        CxImage img = Numbered(4, 10);
        ASSERT_TRUE(img.Crop(0, c.top, 4, c.bottom)) << c.top << "," << c.bottom;
        EXPECT_EQ(img.GetHeight(), c.expectHeight);
        EXPECT_EQ(img.GetPixelIndex(0, 0), c.expectFirstRow * 16);
        EXPECT_EQ(img.GetPixelIndex(0, static_cast<LONG>(c.expectHeight) - 1),
                  (c.expectFirstRow + c.expectHeight - 1) * 16);
    }
}

TEST(CxImageCrop, ColumnsAndEmptyRectangles) {
    CxImage img = Numbered(8, 4);
    ASSERT_TRUE(img.Crop(6, 4, 2, 0));  // left and right in either order
    EXPECT_EQ(img.GetWidth(), 4u);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 2);
    // An empty rectangle fails and leaves the image alone.
    CxImage same = Numbered(8, 4);
    EXPECT_FALSE(same.Crop(0, 3, 8, 3));
    EXPECT_FALSE(same.Crop(5, 4, 5, 0));
    EXPECT_FALSE(same.Crop(9, 4, 12, 0));  // both beyond the width: clamped to one column
    EXPECT_TRUE(SameImage(same, Numbered(8, 4)));
}

TEST(CxImageCrop, CompositionTopAndBottomCrops) {
    // byTopCrop 10, byBottomCrop 0: Crop(0, H - 11, W, -1) keeps rows 11 to H - 1;
    // byBottomCrop 5: Crop(0, H - 11, W, 4) keeps rows 11 to H - 5.
    const LONG H = 40;
    CxImage a = Numbered(2, H);
    ASSERT_TRUE(a.Crop(0, H - 10 - 1, 2, 0 - 1));
    EXPECT_EQ(a.GetHeight(), static_cast<DWORD>(H - 11));
    EXPECT_EQ(a.GetPixelIndex(0, 0), static_cast<BYTE>(11 * 16));
    CxImage b = Numbered(2, H);
    ASSERT_TRUE(b.Crop(0, H - 10 - 1, 2, 5 - 1));
    EXPECT_EQ(b.GetHeight(), static_cast<DWORD>(H - 5 - 11 + 1));
    EXPECT_EQ(b.GetPixelIndex(0, static_cast<LONG>(b.GetHeight()) - 1), static_cast<BYTE>((H - 5) * 16));
}

TEST(CxImageCrop, KeepsPaletteAndBackground) {
    CxImage img = Numbered(4, 4);
    img.SetPaletteColor(5, RGBQUAD{1, 2, 3, 0});
    img.SetBackgroundIndex(7);
    ASSERT_TRUE(img.Crop(1, 3, 3, 1));
    EXPECT_TRUE(SameRgb(img.GetPaletteColor(5), RGBQUAD{1, 2, 3, 0}));
    EXPECT_EQ(img.GetBackgroundIndex(), 7);
}

TEST(CxImageMargins, GrowsWithTheFillColourAndMovesByLeftAndBottom) {
    CxImage img = OneBit(3, 2, {{0, 0}});
    ASSERT_TRUE(img.AddMargins(2, 1, 4, 3, Grey(0)));
    EXPECT_EQ(img.GetWidth(), 9u);
    EXPECT_EQ(img.GetHeight(), 6u);
    EXPECT_EQ(WhitePixels(img), (std::vector<std::pair<LONG, LONG>>{{2, 3}}));
    CxImage white = OneBit(3, 2, {});
    ASSERT_TRUE(white.AddMargins(0, 0, 2, 0, Grey(255)));
    EXPECT_EQ(WhitePixels(white).size(), 4u);  // the two new columns
    EXPECT_FALSE(white.AddMargins(-1, 0, 0, 0, Grey(0)));
    EXPECT_EQ(white.GetWidth(), 5u);
}

TEST(CxImageMargins, EightAndTwentyFourBitFill) {
    CxImage img = Numbered(2, 2);
    ASSERT_TRUE(img.AddMargins(1, 0, 0, 1, Grey(200)));
    EXPECT_EQ(img.GetPixelIndex(0, 0), 200);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 200);  // the new row 0
    EXPECT_EQ(img.GetPixelIndex(1, 1), 0);    // old (0, 0)
    EXPECT_EQ(img.GetPixelIndex(2, 2), 17);   // old (1, 1)
    CxImage rgb;
    ASSERT_NE(rgb.Create(1, 1, 24, 1), nullptr);
    ASSERT_TRUE(rgb.AddMargins(0, 0, 1, 0, RGBQUAD{9, 8, 7, 0}));
    EXPECT_TRUE(SameRgb(rgb.GetPixelColor(1, 0), RGBQUAD{9, 8, 7, 0}));
}

TEST(CxImageResample, HalfOfA384By1001PageIs192By501) {
    // Reduction 0.5 of a 384 x 1001 page: scaled(384) = 192, scaled(1001) = 501.
    CxImage img;
    ASSERT_NE(img.Create(384, 1001, 1, 1), nullptr);
    img.SetStandardPalette();
    for (LONG y = 0; y < 1001; ++y) img.SetPixelIndex(y % 384, y, 1);
    const CxImage src = img;
    ASSERT_TRUE(img.Resample(192, 501, 1));
    EXPECT_EQ(img.GetWidth(), 192u);
    EXPECT_EQ(img.GetHeight(), 501u);
    // yScale = 1001 / 501 in single precision: row 500 reads source row 999.
    const float yScale = 1001.0f / 501.0f;
    EXPECT_EQ(static_cast<LONG>(500.0f * yScale), 999);
    for (LONG y = 0; y < 501; ++y) {
        const LONG sy = static_cast<LONG>(static_cast<float>(y) * yScale);
        for (LONG x = 0; x < 192; ++x) {
            ASSERT_EQ(img.GetPixelIndex(x, y), src.GetPixelIndex(2 * x, sy)) << x << "," << y;
        }
    }
}

TEST(CxImageResample, FourByFourOneBitToTwoByTwoKeepsEveryOtherPixel) {
    CxImage img = OneBit(4, 4, {{0, 0}, {2, 0}, {2, 2}, {1, 1}, {3, 3}});
    ASSERT_TRUE(img.Resample(2, 2, 1));
    EXPECT_EQ(WhitePixels(img), (std::vector<std::pair<LONG, LONG>>{{0, 0}, {1, 0}, {1, 1}}));
}

TEST(CxImageResample, SameSizeAndZeroSize) {
    CxImage img = Numbered(5, 5);
    EXPECT_TRUE(img.Resample(5, 5, 1));
    EXPECT_TRUE(SameImage(img, Numbered(5, 5)));
    EXPECT_FALSE(img.Resample(0, 3, 1));
    EXPECT_FALSE(img.Resample(3, 0, 1));
    EXPECT_EQ(img.GetWidth(), 5u);
}

TEST(CxImageResample, RepeatedPaletteColoursCollapseToTheLowerIndex) {
    CxImage img = Numbered(4, 1);
    img.SetPaletteColor(3, img.GetPaletteColor(1));
    ASSERT_TRUE(img.Resample(8, 1, 1));
    EXPECT_EQ(img.GetPixelIndex(6, 0), 1);  // source index 3 has the colour of entry 1
    EXPECT_EQ(img.GetPixelIndex(4, 0), 2);
}

TEST(CxImageRotate, QuarterTurnsOfAThreeByTwoImage) {
    // The only white pixel at row 0, column 0 of a 3-wide, 2-high image.
    CxImage left = OneBit(3, 2, {{0, 0}});
    ASSERT_TRUE(left.RotateLeft());
    EXPECT_EQ(left.GetWidth(), 2u);
    EXPECT_EQ(left.GetHeight(), 3u);
    EXPECT_EQ(WhitePixels(left), (std::vector<std::pair<LONG, LONG>>{{1, 0}}));
    CxImage right = OneBit(3, 2, {{0, 0}});
    ASSERT_TRUE(right.RotateRight());
    EXPECT_EQ(WhitePixels(right), (std::vector<std::pair<LONG, LONG>>{{0, 2}}));
}

TEST(CxImageRotate, HalfTurnMirrorsBothWaysAndFourQuarterTurnsRestore) {
    CxImage half = OneBit(13, 3, {{0, 0}, {12, 1}});
    ASSERT_TRUE(half.Rotate180());
    EXPECT_EQ(WhitePixels(half), (std::vector<std::pair<LONG, LONG>>{{0, 1}, {12, 2}}));
    EXPECT_EQ(half.GetBits(2)[1] & 0x07, 0);  // padding bits stay 0

    const CxImage src = Numbered(7, 5);
    CxImage img = src;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(img.RotateLeft());
    EXPECT_TRUE(SameImage(img, src));
    ASSERT_TRUE(img.RotateLeft());
    ASSERT_TRUE(img.RotateRight());
    EXPECT_TRUE(SameImage(img, src));
}

TEST(CxImageRotate, OneBitQuarterTurnIgnoresSourcePaddingAndClearsResultPadding) {
    CxImage img = OneBit(3, 5, {});
    for (DWORD y = 0; y < 5; ++y) img.GetBits(y)[0] = 0x1F;  // only padding bits set
    ASSERT_TRUE(img.RotateLeft());
    for (DWORD y = 0; y < img.GetHeight(); ++y) {
        for (DWORD i = 0; i < img.GetStride(); ++i) EXPECT_EQ(img.GetBits(y)[i], 0);
    }
}

TEST(CxImageRows, ReverseRows) {
    CxImage img = Numbered(3, 5);
    ASSERT_TRUE(img.ReverseRows());
    for (LONG y = 0; y < 5; ++y) EXPECT_EQ(img.GetPixelIndex(0, y), (4 - y) * 16);
}
