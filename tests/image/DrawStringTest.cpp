// DrawString: a captured TrueType string drawn again into the scaled page.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ImageTestSupport.h"
#include "oemuni/frame/DebugLogTesting.h"
#include "platform/MachineRoot.h"
#include "platform/TextRender.h"

using namespace imgtest;

namespace {

LOGFONTW LogFont(const char16_t* face, LONG height, BYTE italic = 0) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = 400;
    lf.lfItalic = italic;
    std::char_traits<char16_t>::copy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face));
    return lf;
}

CxImage WhitePage(DWORD w, DWORD h) {
    CxImage img;
    EXPECT_NE(img.Create(w, h, 1, 1), nullptr);
    img.SetStandardPalette();
    for (DWORD y = 0; y < h; ++y) std::memset(img.GetBits(y), 0xFF, img.GetStride());
    return img;
}

TextExtent ExtentOf(const char16_t* text, const LOGFONTW& lf) {
    auto r = TextRenderer::Open();
    EXPECT_NE(r, nullptr);
    TextFontDesc d;
    d.lfHeight = lf.lfHeight;
    d.lfWeight = lf.lfWeight;
    d.lfItalic = lf.lfItalic;
    d.faceName = lf.lfFaceName;
    EXPECT_TRUE(r->SelectFont(d));
    TextExtent e;
    EXPECT_TRUE(r->GetTextExtent(text, &e));
    return e;
}

// Bounding box of the black pixels: left, top, right, bottom (inclusive), count.
struct Box {
    LONG left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    long count = 0;
};

Box BlackBox(const CxImage& img) {
    Box b;
    for (LONG y = 0; y < static_cast<LONG>(img.GetHeight()); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(img.GetWidth()); ++x) {
            if (img.GetPixelIndex(x, y) != 0) continue;
            ++b.count;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

}  // namespace

TEST(DrawString, HalfRateScalesPositionAndHeightAndReturnsTheRowBelow) {
    CxImage page = WhitePage(288, 200);
    LOGFONTW lf = LogFont(u"DejaVu Sans", -24);
    const LONG next = page.DrawString(100, 40, u"Total 12.50", lf, 0.5f, 0);
    EXPECT_EQ(lf.lfHeight, -11);  // -11.5 truncated toward zero
    const TextExtent e = ExtentOf(u"Total 12.50", lf);
    EXPECT_EQ(next, 20 + e.cy);
    const Box b = BlackBox(page);
    ASSERT_GT(b.count, 20);
    EXPECT_GE(b.left, 50);
    EXPECT_GE(b.top, 20);
    EXPECT_LT(b.right, 50 + e.cx);
    EXPECT_LT(b.bottom, 20 + e.cy);
}

TEST(DrawString, FullRateKeepsTheCapturedValuesAndIsDrawnInBlackOnly) {
    CxImage page;
    ASSERT_NE(page.Create(300, 80, 8, 1), nullptr);
    page.SetGreyPalette();
    for (DWORD y = 0; y < 80; ++y) std::memset(page.GetBits(y), 255, 300);
    LOGFONTW lf = LogFont(u"DejaVu Sans", -20);
    const LONG next = page.DrawString(10, 5, u"ABC", lf, 1.0f, 0);
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(next, 5 + ExtentOf(u"ABC", lf).cy);
    long black = 0;
    for (LONG y = 0; y < 80; ++y) {
        for (LONG x = 0; x < 300; ++x) {
            const BYTE v = page.GetPixelIndex(x, y);
            ASSERT_TRUE(v == 0 || v == 255);
            black += v == 0;
        }
    }
    EXPECT_GT(black, 20);
}

TEST(DrawString, TextBeyondThePageIsClipped) {
    CxImage page = WhitePage(40, 10);
    LOGFONTW lf = LogFont(u"DejaVu Sans", -30);
    const LONG next = page.DrawString(30, 5, u"WWWW", lf, 1.0f, 0);
    EXPECT_GT(next, 5);
    EXPECT_EQ(page.GetWidth(), 40u);  // no rotation: the page does not grow
    EXPECT_EQ(page.GetHeight(), 10u);
}

TEST(DrawString, QuarterTurnPageGrowsToTheRightForWideText) {
    for (BYTE italic : {BYTE{0}, BYTE{1}}) {
        CxImage page = WhitePage(16, 30);
        LOGFONTW lf = LogFont(u"DejaVu Sans", -20, italic);
        const TextExtent e = ExtentOf(u"Receipt", lf);
        const LONG w = e.cx + (italic ? e.cy : 0);
        page.DrawString(4, 2, u"Receipt", lf, 1.0f, 1);
        EXPECT_EQ(page.GetWidth(), static_cast<DWORD>(4 + w)) << "italic " << int(italic);
        EXPECT_EQ(page.GetHeight(), 30u);
        // The new columns are white apart from the text.
        EXPECT_EQ(page.GetPixelIndex(static_cast<LONG>(page.GetWidth()) - 1, 29), 1);
    }
}

TEST(DrawString, EmptyImageReturnsZero) {
    CxImage empty;
    LOGFONTW lf = LogFont(u"DejaVu Sans", -20);
    EXPECT_EQ(empty.DrawString(10, 10, u"x", lf, 0.5f, 0), 0);
    EXPECT_EQ(lf.lfHeight, -20);
}

TEST(DrawString, PlatformBitmapIsReadBottomRowFirst) {
    TextBitmap bitmap;
    bitmap.width = 2;
    bitmap.height = 3;
    bitmap.bits = {9, 0, 0, 0, 0, 7};  // (0, 0) and (1, 2) have ink, row 0 on top
    CxImage img;
    ASSERT_TRUE(img.CreateFromPlatformBitmap(&bitmap));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetType(), 0u);
    EXPECT_EQ(img.GetPixelColor(0, 2).rgbBlue, 9);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 7);
    ASSERT_TRUE(img.ReverseRows());
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 9);
    EXPECT_FALSE(img.CreateFromPlatformBitmap(nullptr));
    bitmap.bits.resize(4);
    EXPECT_FALSE(img.CreateFromPlatformBitmap(&bitmap));
    EXPECT_STREQ(img.GetLastError(), "GetDIBits failed");
    EXPECT_FALSE(img.IsValid());
}

TEST(DrawString, LogsStartAndEndInThePlugInLog) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("mkt_image_log_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "C" / "temp");
    fs::create_directories(root / "C" / "Windows");
    plat::SetMachineRoot(root);
    RestoreDebugLogForTesting();

    CxImage page = WhitePage(100, 40);
    LOGFONTW lf = LogFont(u"DejaVu Sans", -12);
    page.DrawString(0, 0, u"log", lf, 1.0f, 0);

    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove_all(root);
    EXPECT_NE(all.find("CxImage::DrawString : START"), std::string::npos);
    EXPECT_NE(all.find("CxImage::DrawString : END"), std::string::npos);
}
