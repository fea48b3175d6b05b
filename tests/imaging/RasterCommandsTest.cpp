// Raster commands: slicing, the plain and compressed forms, the run-length code, two- and
// four-level planes, and rows below the image.
#include <gtest/gtest.h>

#include "ImagingFixture.h"
#include "oemuni/imaging/RasterCommands.h"
#include "oemuni/imaging/RasterPlanes.h"
#include "oemuni/imaging/RunLengthCode.h"

using namespace imaging_test;

namespace {

Bytes Rle(const Bytes& in) {
    Bytes out;
    AppendRunLengthCode(in, out);
    return out;
}

}  // namespace

TEST(RunLengthCode, CodesRunsOfZeroAndFfAndCopiesOtherBytes) {
    EXPECT_EQ(Rle({0x00, 0x05, 0xFF, 0xFF, 0x00}), (Bytes{0x00, 0x01, 0x05, 0xFF, 0x02, 0x00, 0x01}));
    EXPECT_EQ(Rle(Bytes(256, 0x00)), (Bytes{0x00, 0xFF, 0x00, 0x01}));
    EXPECT_EQ(Rle(Bytes(510, 0xFF)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Rle({0x12, 0x00, 0x00, 0xFF, 0x7F}), (Bytes{0x12, 0x00, 0x02, 0xFF, 0x01, 0x7F}));
    EXPECT_EQ(Rle({}), Bytes{});
}

TEST(RasterCommands, PlainStripOf500RowsIsCutIntoSlicesOf246_246_8) {
    TestDevice d;
    // A pattern that differs from row to row, so a misplaced row shows.
    CxImage image = Make1Bit(384, 600, [](DWORD x, DWORD y) { return (x * 7 + y * 3) % 11 == 0; });
    ASSERT_EQ(AddImageCommands(d.dev(), &image, 50, 500, FALSE, FALSE), S_OK);
    const Bytes out = d.Output();

    size_t pos = 0;
    DWORD row = 50;
    for (DWORD n : {246u, 246u, 8u}) {
        const Bytes head = {0x00, 0x00, 0x00, 0x1B, 0x4A, 0x00, 0x1D, 0x76, 0x30, 0x00, 0x30, 0x00,
                            static_cast<BYTE>(n), 0x00};
        ASSERT_LE(pos + 14 + 48 * n + 1, out.size());
        EXPECT_EQ(Bytes(out.begin() + pos, out.begin() + pos + 14), head);
        pos += 14;
        for (DWORD r = 0; r < n; ++r, ++row) {
            for (DWORD k = 0; k < 48; ++k) {
                BYTE expected = 0;
                for (DWORD bit = 0; bit < 8; ++bit) {
                    const DWORD x = 8 * k + bit;
                    if ((x * 7 + row * 3) % 11 == 0) expected |= static_cast<BYTE>(0x80 >> bit);
                }
                ASSERT_EQ(out[pos++], expected) << "row " << row << " byte " << k;
            }
        }
        EXPECT_EQ(out[pos++], 0x00);
    }
    EXPECT_EQ(pos, out.size());
}

TEST(RasterCommands, AllWhiteCompressedStripUsesRunsOf255And78) {
    TestDevice d;
    CxImage image = Make1Bit(384, 500, [](DWORD, DWORD) { return false; });
    ASSERT_EQ(AddImageCommands(d.dev(), &image, 0, 500, TRUE, FALSE), S_OK);

    auto slice = [](BYTE n, const Bytes& runs) {
        return Concat({{0x00, 0x00, 0x00, 0x08, 0x43, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x01, n, 0x00}, runs,
                       {0x08, 0x43, 0x52, 0xFF, 0x00, 0x00}});
    };
    Bytes full;  // 48 x 246 = 11808 zero bytes = 46 runs of 255 and one of 78
    for (int i = 0; i < 46; ++i) full.insert(full.end(), {0x00, 0xFF});
    full.insert(full.end(), {0x00, 78});
    const Bytes last = {0x00, 0xFF, 0x00, 129};  // 48 x 8 = 384 bytes
    EXPECT_EQ(d.Output(), Concat({slice(246, full), slice(246, full), slice(8, last)}));
}

TEST(RasterCommands, WidthOf10PixelsTakesTwoBytesPerRowAndLeavesThePaddingClear) {
    TestDevice d;
    CxImage image = Make1Bit(10, 2, [](DWORD, DWORD) { return true; });
    ASSERT_EQ(AddImageCommands(d.dev(), &image, 0, 2, FALSE, FALSE), S_OK);
    EXPECT_EQ(d.Output(), (Bytes{0x00, 0x00, 0x00, 0x1B, 0x4A, 0x00, 0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x02, 0x00,
                                 0xFF, 0xC0, 0xFF, 0xC0, 0x00}));
    d.ClearOutput();
    ASSERT_EQ(AddImageCommands(d.dev(), &image, 0, 1, TRUE, FALSE), S_OK);
    const Bytes out = d.Output();
    ASSERT_GE(out.size(), 15u);
    EXPECT_EQ(out[11], 16);  // width in dots: a multiple of 8
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(Bytes(out.begin() + 15, out.end()), (Bytes{0xFF, 0x01, 0xC0, 0x08, 0x43, 0x52, 0xFF, 0x00, 0x00}));
}

TEST(RasterCommands, FourLevelGreyOutsideAndInsideImageAreas) {
    struct Case {
        BYTE grey;
        bool inside;
        Bytes planes;  // the first byte of planes 0..3
    };
    const Case cases[] = {
        {150, false, {0x00, 0x00, 0x00, 0x00}},  // level 7, outside: no dot on any plane
        {145, false, {0x80, 0x80, 0x80, 0x80}},  // level 8, outside: every plane
        {150, true, {0x00, 0x80, 0x80, 0x80}},   // level 7 = 0111
        {145, true, {0x80, 0x00, 0x00, 0x00}},   // level 8 = 1000
        {0, true, {0x80, 0x80, 0x00, 0x00}},     // black: level 12 = 1100
        {0, false, {0x80, 0x80, 0x80, 0x80}},    // black outside: 15
        {255, true, {0x00, 0x00, 0x00, 0x00}},   // white: level 0
    };
    for (const Case& c : cases) {
        TestDevice d;
        if (c.inside) d.pdev.pImgRectBufStart.append(ImageRect(0, 0, 8, 0));
        CxImage image = Make8BitGrey(1, 1, [&](DWORD, DWORD) { return c.grey; });
        ASSERT_EQ(AddImageCommands(d.dev(), &image, 0, 1, FALSE, TRUE), S_OK);
        const Bytes out = d.Output();
        ASSERT_EQ(out.size(), 4u * 16u);
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(out[16 * p + 14], c.planes[p]) << "grey " << int(c.grey) << " plane " << p;
        }
    }
    EXPECT_EQ(FourLevelOf(255, 255, 255), 0);  // pure white gives exactly 255
}

TEST(RasterCommands, FourLevelCompressedSliceHasSelectors4To7AndOneTrailer) {
    TestDevice d;
    CxImage image = Make8BitGrey(16, 3, [](DWORD x, DWORD) { return static_cast<BYTE>(x * 16); });
    ASSERT_EQ(AddImageCommands(d.dev(), &image, 0, 3, TRUE, TRUE), S_OK);
    const Bytes out = d.Output();
    EXPECT_EQ(out, ReferenceRaster(image, 0, 3, true, true));
    std::vector<BYTE> selectors;
    int trailers = 0;
    for (size_t i = 0; i + 6 < out.size(); ++i) {
        if (out[i] == 0 && out[i + 1] == 0 && out[i + 2] == 0 && out[i + 3] == 0x08 && out[i + 4] == 0x43 &&
            out[i + 5] == 0x52) {
            selectors.push_back(out[i + 6]);
        }
    }
    for (size_t i = 0; i + 5 < out.size(); ++i) {
        if (out[i] == 0x08 && out[i + 1] == 0x43 && out[i + 2] == 0x52 && out[i + 3] == 0xFF) ++trailers;
    }
    EXPECT_EQ(selectors, (std::vector<BYTE>{4, 5, 6, 7}));
    EXPECT_EQ(trailers, 1);
    EXPECT_EQ(Bytes(out.end() - 6, out.end()), (Bytes{0x08, 0x43, 0x52, 0xFF, 0x00, 0x00}));
}

TEST(RasterCommands, RowsBelowTheImagePrintNoDotsEvenWhenPixelZeroIsBlack) {
    // Pixel (0, 0) is black: reading rows past the end as "pixel (0, 0)" would print a solid
    // band. The rows are still sent (the paper layout stays), but empty.
    for (bool fourLevel : {false, true}) {
        TestDevice d;
        CxImage image = Make1Bit(16, 4, [](DWORD, DWORD) { return true; });
        ASSERT_EQ(AddImageCommands(d.dev(), &image, 2, 5, FALSE, fourLevel), S_OK);
        const Bytes out = d.Output();
        const int planes = fourLevel ? 4 : 1;
        ASSERT_EQ(out.size(), static_cast<size_t>(planes) * (14 + 2 * 5 + 1));
        for (int p = 0; p < planes; ++p) {
            EXPECT_EQ(out[p * 25 + 12], 5);  // rows in the command
            const BYTE* dots = out.data() + p * 25 + 14;
            for (int r = 0; r < 5; ++r) {
                const bool inImage = 2 + r < 4;
                const BYTE expected = inImage ? 0xFF : 0x00;
                EXPECT_EQ(dots[2 * r], expected) << "plane " << p << " row " << r;
                EXPECT_EQ(dots[2 * r + 1], expected);
            }
        }
        EXPECT_EQ(out, ReferenceRaster(image, 2, 5, false, fourLevel));
    }
}

TEST(RasterCommands, NoRowsMakesNothingAndFails) {
    TestDevice d;
    CxImage image = Make1Bit(8, 8, [](DWORD, DWORD) { return true; });
    EXPECT_EQ(AddImageCommands(d.dev(), &image, 0, 0, TRUE, FALSE), E_FAIL);
    EXPECT_EQ(AddImageCommands(d.dev(), &image, 0, 0, FALSE, FALSE), E_FAIL);
    EXPECT_TRUE(d.Output().empty());
}
