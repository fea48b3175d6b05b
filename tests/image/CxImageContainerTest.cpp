// The image container: creation, decoding, pixel access, nearest colour, BMP output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ImageTestSupport.h"

using namespace imgtest;

namespace {

BITMAPINFOHEADER PageHeader(LONG w, LONG h, WORD bpp, DWORD sizeImage) {
    BITMAPINFOHEADER bih{};
    bih.biSize = 40;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = bpp;
    bih.biSizeImage = sizeImage;
    bih.biXPelsPerMeter = 7874;  // 200 dpi
    bih.biYPelsPerMeter = 7874;
    bih.biClrUsed = bpp == 1 ? 2 : 256;
    return bih;
}

DWORD Le32(std::span<const BYTE> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<DWORD>(b[at + 3]) << 24);
}

// A byte sink that records what is written.
class MemoryStream final : public ImageStream {
public:
    std::vector<BYTE> bytes;
    bool Close() override { return true; }
    size_t Read(void*, size_t, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        const auto* p = static_cast<const BYTE*>(buffer);
        bytes.insert(bytes.end(), p, p + size * count);
        return count;
    }
    bool Seek(long, int) override { return false; }
    long Tell() override { return static_cast<long>(bytes.size()); }
    long Size() override { return static_cast<long>(bytes.size()); }
    bool Flush() override { return true; }
    bool Eof() override { return false; }
    long Error() override { return 0; }
    long GetC() override { return -1; }
    char* GetS(char*, int) override { return nullptr; }
    long Scanf(const char*, void*) override { return -1; }
};

}  // namespace

TEST(CxImageCreate, SizesStridesAndPalettes) {
    struct Case {
        DWORD w, h, bpp;
        WORD expectBpp;
        DWORD stride, colours;
    };
    const Case cases[] = {
        {10, 1, 1, 1, 4, 2},   {33, 2, 8, 8, 36, 256}, {33, 2, 0, 1, 8, 2},
        {5, 3, 3, 4, 4, 16},   {5, 3, 16, 24, 16, 0},  {576, 20, 8, 8, 576, 256},
    };
    for (const Case& c : cases) {
        CxImage img;
        BYTE* block = img.Create(c.w, c.h, c.bpp, CXIMAGE_FORMAT_BMP);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(img.GetBpp(), c.expectBpp);
        EXPECT_EQ(img.GetStride(), c.stride);
        EXPECT_EQ(img.GetNumColors(), c.colours);
        EXPECT_EQ(img.GetHeader().biSizeImage, c.stride * c.h);
        EXPECT_EQ(img.GetSize(), 40 + 4 * c.colours + c.stride * c.h);
        for (const RGBQUAD& e : img.GetPalette()) EXPECT_TRUE(SameRgb(e, RGBQUAD{0, 0, 0, 0}));
        // The block starts with the header, little-endian.
        const auto b = img.GetBlock();
        EXPECT_EQ(Le32(b, 0), 40u);
        EXPECT_EQ(Le32(b, 4), c.w);
        EXPECT_EQ(Le32(b, 8), c.h);
        EXPECT_EQ(Le32(b, 20), c.stride * c.h);
        EXPECT_EQ(Le32(b, 32), c.colours);
    }
}

TEST(CxImageCreate, ZeroSizeFailsWithMessage) {
    CxImage img;
    EXPECT_EQ(img.Create(0, 5, 1, 1), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CxImage::Create : width and height must be greater than zero");
    EXPECT_EQ(img.Create(5, 0, 1, 1), nullptr);
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImageCreate, ImpossibleSizeFailsAsOutOfMemory) {
    CxImage img;
    EXPECT_EQ(img.Create(0x7FFFFFFF, 0x7FFFFFFF, 24, 1), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CxImage::Create can't allocate memory");
}

TEST(CxImageDecode, CopiesRowsInGivenOrderPaletteAndResolution) {
    // 8-bit, 3 x 2: stride 4; the padding bytes come along unchanged.
    const std::vector<BYTE> bits = {1, 2, 3, 0xEE, 4, 5, 6, 0xDD};
    std::vector<BYTE> palette(1024);
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = static_cast<BYTE>(i);
        palette[4 * i + 1] = static_cast<BYTE>(255 - i);
        palette[4 * i + 2] = 7;
        palette[4 * i + 3] = 0x99;  // reserved bytes are cleared
    }
    CxImage img;
    ASSERT_TRUE(img.Decode(PageHeader(3, 2, 8, 8), bits, palette));
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 1), 6);
    EXPECT_EQ(img.GetBits(0)[3], 0xEE);
    EXPECT_EQ(img.GetBits(1)[3], 0xDD);
    const RGBQUAD e = img.GetPaletteColor(10);
    EXPECT_EQ(e.rgbBlue, 10);
    EXPECT_EQ(e.rgbGreen, 245);
    EXPECT_EQ(e.rgbRed, 7);
    EXPECT_EQ(e.rgbReserved, 0);
    EXPECT_EQ(img.GetXDPI(), 200);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 7874);
    EXPECT_EQ(img.GetType(), CXIMAGE_FORMAT_BMP);
}

TEST(CxImageDecode, MissingResolutionBecomes96AndSizeImageZeroUsesStride) {
    BITMAPINFOHEADER bih = PageHeader(10, 3, 1, 0);
    bih.biXPelsPerMeter = 0;
    bih.biYPelsPerMeter = 19;  // 0.48 dpi rounds to 0
    const std::vector<BYTE> bits = {0x80, 0, 0, 0, 0x40, 0, 0, 0, 0x20, 0, 0, 0};
    const std::vector<BYTE> palette = {0, 0, 0, 0, 255, 255, 255, 0};
    CxImage img;
    ASSERT_TRUE(img.Decode(bih, bits, palette));
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetYDPI(), 96);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 3780);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(1, 1), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 2), 1);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 0);
}

TEST(CxImageDecode, FewerBytesThanTheHeaderCountsFailsAndKeepsTheImage) {
    // A page bitmap that lost its earlier bands: the header still counts every row.
    CxImage img;
    ASSERT_NE(img.Create(4, 4, 8, 1), nullptr);
    const std::vector<BYTE> bits(4 * 3, 0xFF);
    EXPECT_FALSE(img.Decode(PageHeader(4, 4, 8, 16), bits, {}));
    EXPECT_EQ(img.GetHeight(), 4u);
    EXPECT_FALSE(img.Decode(PageHeader(4, 4, 8, 0), bits, {}));
}

TEST(CxImageDecode, SizeImageLargerThanTheImageCopiesOnlyTheImage) {
    const std::vector<BYTE> bits(64, 0x55);
    CxImage img;
    ASSERT_TRUE(img.Decode(PageHeader(4, 2, 8, 64), bits, {}));
    EXPECT_EQ(img.GetHeader().biSizeImage, 8u);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 0x55);
}

TEST(CxImagePixels, OneFourEightAndTwentyFourBitLayouts) {
    CxImage one;
    ASSERT_NE(one.Create(10, 2, 1, 1), nullptr);
    one.SetPixelIndex(9, 1, 3);  // stores index & 1
    EXPECT_EQ(one.GetBits(1)[1], 0x40);
    EXPECT_EQ(one.GetPixelIndex(9, 1), 1);
    one.SetPixelIndex(9, 1, 0);
    EXPECT_EQ(one.GetBits(1)[1], 0x00);

    CxImage four;
    ASSERT_NE(four.Create(3, 1, 4, 1), nullptr);
    four.SetPixelIndex(0, 0, 0x1A);
    four.SetPixelIndex(1, 0, 0x05);
    EXPECT_EQ(four.GetBits(0)[0], 0xA5);
    EXPECT_EQ(four.GetPixelIndex(0, 0), 0x0A);

    CxImage rgb;
    ASSERT_NE(rgb.Create(2, 1, 24, 1), nullptr);
    rgb.SetBackgroundColor(RGBQUAD{0, 0, 0, 0x77});
    rgb.SetPixelColor(1, 0, RGBQUAD{1, 2, 3, 9});
    EXPECT_EQ(rgb.GetBits(0)[3], 1);
    EXPECT_EQ(rgb.GetBits(0)[5], 3);
    const RGBQUAD c = rgb.GetPixelColor(1, 0);
    EXPECT_EQ(c.rgbRed, 3);
    EXPECT_EQ(c.rgbReserved, 0x77);  // the background colour's reserved byte
}

TEST(CxImagePixels, OutsideTheImage) {
    CxImage img;
    ASSERT_NE(img.Create(3, 3, 8, 1), nullptr);
    img.SetGreyPalette();
    img.SetPixelIndex(0, 0, 40);
    img.SetPixelIndex(1, 0, 50);
    // No background index: colour of pixel (0, 0); the index reads the first pixel byte.
    EXPECT_EQ(img.GetPixelColor(3, 0).rgbBlue, 40);
    EXPECT_EQ(img.GetPixelColor(-1, 7).rgbBlue, 40);
    EXPECT_EQ(img.GetPixelIndex(3, 0), 40);
    // Writing outside changes nothing.
    const std::vector<BYTE> before(img.GetBlock().begin(), img.GetBlock().end());
    img.SetPixelIndex(3, 0, 9);
    img.SetPixelColor(0, -1, Grey(9));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), img.GetBlock().begin()));
    // With a background index, its entry.
    img.SetBackgroundIndex(200);
    EXPECT_EQ(img.GetPixelColor(5, 5).rgbBlue, 200);
    EXPECT_EQ(img.GetPixelIndex(5, 5), 200);
    // The first byte of a 1-bit image is eight pixels.
    CxImage one;
    ASSERT_NE(one.Create(8, 1, 1, 1), nullptr);
    one.GetBits(0)[0] = 0xA5;
    EXPECT_EQ(one.GetPixelIndex(9, 0), 0xA5);
}

TEST(CxImagePixels, NearestPaletteIndexDistancesTiesAndMemo) {
    CxImage img;
    ASSERT_NE(img.Create(1, 1, 1, 1), nullptr);
    img.SetStandardPalette();
    EXPECT_EQ(img.FindNearestPaletteIndex(Grey(127)), 0);  // 48387 vs 49152
    EXPECT_EQ(img.FindNearestPaletteIndex(Grey(128)), 1);  // 49152 vs 48387
    // A palette change must not answer from the memo.
    img.SetPaletteColor(0, Grey(128));
    EXPECT_EQ(img.FindNearestPaletteIndex(Grey(128)), 0);
    // An exact match stops the search; ties keep the lower index.
    CxImage eight;
    ASSERT_NE(eight.Create(1, 1, 8, 1), nullptr);  // every entry black
    eight.SetPaletteColor(3, Grey(77));
    EXPECT_EQ(eight.FindNearestPaletteIndex(Grey(77)), 3);
    eight.SetPaletteColor(1, Grey(10));
    eight.SetPaletteColor(2, Grey(12));
    EXPECT_EQ(eight.FindNearestPaletteIndex(Grey(11)), 1);
    EXPECT_EQ(eight.FindNearestPaletteIndex(Grey(250)), 3);
    // Only the important entries count.
    eight.SetClrImportant(2);
    EXPECT_EQ(eight.FindNearestPaletteIndex(Grey(250)), 1);
    // No palette: 0.
    CxImage rgb;
    ASSERT_NE(rgb.Create(1, 1, 24, 1), nullptr);
    EXPECT_EQ(rgb.FindNearestPaletteIndex(Grey(250)), 0);
}

TEST(CxImageLifecycle, TakeOverAndDestroy) {
    CxImage a, b;
    ASSERT_NE(a.Create(5, 4, 8, 1), nullptr);
    a.SetPixelIndex(4, 3, 99);
    ASSERT_TRUE(b.TakeOver(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(a.GetWidth(), 0u);
    EXPECT_EQ(b.GetPixelIndex(4, 3), 99);
    EXPECT_TRUE(b.Destroy());
    EXPECT_FALSE(b.IsValid());
    // Operations on an empty image fail.
    EXPECT_FALSE(b.Crop(0, 1, 1, 0));
    EXPECT_FALSE(b.RotateLeft());
    EXPECT_FALSE(b.Rotate180());
    EXPECT_FALSE(b.Resample(2, 2, 1));
    EXPECT_FALSE(b.AddMargins(1, 1, 1, 1, Grey(0)));
    EXPECT_FALSE(b.ReverseRows());
    EXPECT_FALSE(b.GrayScale());
    EXPECT_FALSE(b.Dither(0));
    EXPECT_FALSE(b.DecreaseBpp(1, FALSE, {}, 2));
    EXPECT_FALSE(b.AdjustBrightness(10));
}

TEST(CxImageBmp, FileHeaderThenTheBlockUnchanged) {
    CxImage img;
    ASSERT_NE(img.Create(10, 3, 1, 1), nullptr);
    img.SetStandardPalette();
    img.SetPixelIndex(0, 0, 1);
    MemoryStream out;
    ASSERT_TRUE(img.WriteBmp(&out));
    ASSERT_EQ(out.bytes.size(), 14u + 40 + 8 + 12);
    EXPECT_EQ(out.bytes[0], 'B');
    EXPECT_EQ(out.bytes[1], 'M');
    EXPECT_EQ(Le32(out.bytes, 2), 74u);
    EXPECT_EQ(Le32(out.bytes, 6), 0u);
    EXPECT_EQ(Le32(out.bytes, 10), 62u);
    EXPECT_TRUE(std::equal(img.GetBlock().begin(), img.GetBlock().end(), out.bytes.begin() + 14));
    // Row 0 is written first (a viewer shows the page upside down).
    EXPECT_EQ(out.bytes[62], 0x80);
}

TEST(CxImageBmp, NullStreamAndEmptyImage) {
    CxImage img;
    MemoryStream out;
    EXPECT_FALSE(img.WriteBmp(nullptr));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    EXPECT_FALSE(img.WriteBmp(&out));
    EXPECT_STREQ(img.GetLastError(), "null image!!!");
    EXPECT_TRUE(out.bytes.empty());
}

TEST(CxImageBmp, FileStreamWritesToAnOpenFileAndLeavesItOpen) {
    std::FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    CxImage img;
    ASSERT_NE(img.Create(8, 2, 8, 1), nullptr);
    {
        FileStream stream(fp);
        ASSERT_TRUE(img.WriteBmp(&stream));
    }
    // The caller's file is still open and holds the whole file.
    EXPECT_EQ(std::fseek(fp, 0, SEEK_END), 0);
    EXPECT_EQ(std::ftell(fp), static_cast<long>(14 + img.GetSize()));
    std::fclose(fp);
    FileStream none;
    EXPECT_EQ(none.Write("x", 1, 1), 0u);
    EXPECT_EQ(none.Size(), -1);
}
