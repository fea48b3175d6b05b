// The merge of image strips and device records, and the half-turn mirror of the records.
#include <gtest/gtest.h>

#include "ImagingFixture.h"
#include "oemuni/imaging/DevTextMerge.h"
#include "oemuni/imaging/PageComposition.h"

using namespace imaging_test;

namespace {

const Bytes kFieldA1 = {0x1B, 0x21, 0x00};
const Bytes kFieldB1 = {'O', 'N', 'E', 0x0A};
const Bytes kFieldA2 = {0x1B, 0x21, 0x10};
const Bytes kFieldB2 = {'T', 'W', 'O', 0x0A};

// The record's bytes as the stream carries them: fields A and B, then 00.
Bytes Printed(const Bytes& a, const Bytes& b) { return Concat({a, b, {0x00}}); }

// 64 x 1000 with a different pattern on every row, and pixel (0, 0) black.
CxImage Page(DWORD height = 1000) {
    return Make1Bit(64, height, [](DWORD x, DWORD y) { return (x + 3 * y) % 7 == 0; });
}

Bytes Rows(const CxImage& image, DWORD first, DWORD count) { return ReferenceRaster(image, first, count, true, false); }

}  // namespace

TEST(Merge, WalksRecordsDownThePage) {
    const CxImage page = Page();
    const Bytes one = Printed(kFieldA1, kFieldB1);
    const Bytes two = Printed(kFieldA2, kFieldB2);
    struct Case {
        const char* name;
        Bytes records;
        Bytes rects;
        Bytes expected;
    };
    const Case cases[] = {
        {"two resident-font records",
         Concat({DeviceRecord(1, 24, 100, kFieldA1, kFieldB1), DeviceRecord(1, 24, 300, kFieldA2, kFieldB2)}),
         {},
         Concat({Rows(page, 0, 99), one, Rows(page, 124, 175), two, Rows(page, 324, 676)})},
        {"barcode: no text band",
         DeviceRecord(2, 80, 100, kFieldA1, kFieldB1),
         {},
         Concat({Rows(page, 0, 99), one, Rows(page, 100, 900)})},
        {"two records at the same Y",
         Concat({DeviceRecord(1, 24, 100, kFieldA1, kFieldB1), DeviceRecord(1, 30, 100, kFieldA2, kFieldB2)}),
         {},
         Concat({Rows(page, 0, 99), one, two, Rows(page, 154, 846)})},
        {"image area starting inside the text band",
         DeviceRecord(1, 24, 100, kFieldA1, kFieldB1),
         ImageRect(0, 110, 64, 400),
         Concat({Rows(page, 0, 99), one, Rows(page, 100, 14), Rows(page, 124, 876)})},
        {"image area starting at the record",
         DeviceRecord(1, 24, 100, kFieldA1, kFieldB1),
         ImageRect(0, 100, 64, 400),
         Concat({Rows(page, 0, 99), one, Rows(page, 100, 24), Rows(page, 124, 876)})},
        {"record at Y = 0", DeviceRecord(1, 24, 0, kFieldA1, kFieldB1), {}, Concat({one, Rows(page, 24, 976)})},
        {"record below the page is never reached", DeviceRecord(1, 24, 1200, kFieldA1, kFieldB1), {},
         Rows(page, 0, 1000)},
        {"record captured at Y = -5 (stored FB 00) is placed at row 251",
         DeviceRecord(1, 24, 0x00FB, kFieldA1, kFieldB1),
         {},
         Concat({Rows(page, 0, 250), one, Rows(page, 275, 725)})},
        {"control font: band of its height without rotation",
         DeviceRecord(3, 24, 100, kFieldA1, {}),
         {},
         Concat({Rows(page, 0, 99), Printed(kFieldA1, {}), Rows(page, 124, 876)})},
    };
    for (const Case& c : cases) {
        TestDevice d;
        d.pdev.pDevTxtBufStart.append(c.records);
        d.pdev.pImgRectBufStart.append(c.rects);
        EXPECT_EQ(AddImageAndDevFontData(d.dev(), &page, 1.0f), S_OK) << c.name;
        EXPECT_EQ(d.Output(), c.expected) << c.name;
    }
}

TEST(Merge, ReducedPageScalesRecordPositionsAndHeights) {
    const CxImage page = Page(500);
    TestDevice d;
    d.pdev.pDevTxtBufStart.append(DeviceRecord(1, 24, 200, kFieldA1, kFieldB1));  // at 0.5: Y 100, height 12
    EXPECT_EQ(AddImageAndDevFontData(d.dev(), &page, 0.5f), S_OK);
    EXPECT_EQ(d.Output(), Concat({Rows(page, 0, 99), Printed(kFieldA1, kFieldB1), Rows(page, 112, 388)}));
}

TEST(Merge, RecordsStillDueWhenTheWalkReachesTheBottomArePrinted) {
    // The first record's band reaches past the bottom; the second, at the same Y, was due too.
    const CxImage page = Page();
    TestDevice d;
    d.pdev.pDevTxtBufStart.append(Concat({DeviceRecord(1, 24, 990, kFieldA1, kFieldB1),
                                          DeviceRecord(1, 24, 990, kFieldA2, kFieldB2),
                                          DeviceRecord(1, 24, 1005, kFieldA2, kFieldA2)}));  // below the page
    EXPECT_EQ(AddImageAndDevFontData(d.dev(), &page, 1.0f), S_OK);
    EXPECT_EQ(d.Output(), Concat({Rows(page, 0, 989), Printed(kFieldA1, kFieldB1), Printed(kFieldA2, kFieldB2)}));
}

TEST(Merge, RowsAskedForBelowTheImagePrintWhite) {
    // TrueType text reaching below the image makes the remainder ask for rows past its end;
    // with pixel (0, 0) black they must still print no dots.
    const CxImage page = Page();
    TestDevice d;
    d.pdev.pDevTxtBufStart.append(DeviceRecord(1, 60, 950, kFieldA1, kFieldB1));
    d.pdev.dwLastTxt_PosY = 1020;
    d.pdev.dwLastTxt_Height = 30;
    EXPECT_EQ(AddImageAndDevFontData(d.dev(), &page, 1.0f), S_OK);
    const Bytes tail = Rows(page, 1010, 40);
    EXPECT_EQ(d.Output(), Concat({Rows(page, 0, 949), Printed(kFieldA1, kFieldB1), tail}));
    // 40 empty rows of 8 bytes: one run of 320 zero bytes.
    EXPECT_EQ(tail, (Bytes{0, 0, 0, 0x08, 0x43, 0x52, 0, 0, 0, 0, 0, 64, 0, 40, 0, 0x00, 0xFF, 0x00, 65, 0x08, 0x43,
                           0x52, 0xFF, 0x00, 0x00}));
}

TEST(Merge, ReceiptTailOfBlankRowsIsNotPrinted) {
    const CxImage blank = Make1Bit(64, 1000, [](DWORD, DWORD) { return false; });
    TestDevice d;
    d.pdev.bBlankBand = 1;
    d.pdev.dwBlankHeight = 1000;
    d.pdev.pDevTxtBufStart.append(DeviceRecord(1, 24, 100, kFieldA1, kFieldB1));
    EXPECT_EQ(AddImageAndDevFontData(d.dev(), &blank, 1.0f), S_OK);
    EXPECT_EQ(d.Output(), Concat({Rows(blank, 0, 99), Printed(kFieldA1, kFieldB1)}));
}

TEST(Merge, PageWithoutDeviceText) {
    const CxImage page = Page();
    struct Case {
        const char* name;
        DWORD blankHeight;  // receipt tail (0: none)
        DWORD lastTxtY, lastTxtHeight;
        BYTE topCrop, bottomCrop;
        DWORD rows;
    };
    const Case cases[] = {
        {"whole page", 0, 0, 0, 0, 0, 1000},
        {"blank receipt tail", 200, 0, 0, 0, 0, 800},
        {"TrueType text below the tail", 200, 850, 20, 0, 0, 870},
        {"... less the crops", 200, 850, 20, 10, 5, 855},
    };
    for (const Case& c : cases) {
        TestDevice d;
        d.pdev.bBlankBand = c.blankHeight != 0;
        d.pdev.dwBlankHeight = c.blankHeight;
        d.pdev.dwLastTxt_PosY = c.lastTxtY;
        d.pdev.dwLastTxt_Height = c.lastTxtHeight;
        d.setting(23) = c.topCrop != 0;
        d.setting(24) = c.topCrop;
        d.setting(25) = c.bottomCrop != 0;
        d.setting(26) = c.bottomCrop;
        EXPECT_EQ(AddImageAndDevFontData(d.dev(), &page, 1.0f), S_OK) << c.name;
        EXPECT_EQ(d.Output(), Rows(page, 0, c.rows)) << c.name;
    }
    // 1000 rows go out as slices of 246, 246, 246, 246 and 16 rows.
    TestDevice plain;
    plain.setting(36) = 0;
    ASSERT_EQ(AddImageAndDevFontData(plain.dev(), &page, 1.0f), S_OK);
    const Bytes out = plain.Output();
    std::vector<int> slices;
    for (size_t pos = 0; pos + 14 <= out.size(); pos += 14 + 8 * out[pos + 12] + 1) slices.push_back(out[pos + 12]);
    EXPECT_EQ(slices, (std::vector<int>{246, 246, 246, 246, 16}));
}

TEST(Merge, HalfTurnMirrorsAndReversesTheRecords) {
    ByteBuffer buffer;
    const Bytes r100 = DeviceRecord(1, 24, 100, kFieldA1, kFieldB1);
    const Bytes r300 = DeviceRecord(2, 50, 300, kFieldA2, {0x01, 0x02});
    buffer.append(Concat({r100, r300}));
    RePositionDevTxt_R180(buffer, 500);
    Bytes m200 = r300;
    m200[15] = 200;
    m200[16] = 0;
    Bytes m400 = r100;
    m400[15] = 0x90;
    m400[16] = 0x01;
    EXPECT_EQ(Bytes(buffer.span().begin(), buffer.span().end()), Concat({m200, m400}));

    // A record lower than the last content row is put on row 0 instead of wrapping to 65535.
    ByteBuffer below;
    below.append(Concat({DeviceRecord(1, 24, 100, kFieldA1, kFieldB1), DeviceRecord(1, 24, 600, kFieldA2, kFieldB2)}));
    RePositionDevTxt_R180(below, 500);
    const auto s = below.span();
    EXPECT_EQ(s[15] | (s[16] << 8), 0);
    const size_t second = 21 + kFieldA2.size() + kFieldB2.size();
    EXPECT_EQ(s[second + 15] | (s[second + 16] << 8), 400);
}

TEST(Merge, HalfTurnedPageThroughComposition) {
    // A ticket page 64 x 500 with one resident-font record at Y 100, given a half turn: the
    // record comes out at Y 400 of the turned image.
    TestDevice d;
    d.setting(21) = 2;
    const CxImage page = Page(500);
    d.pdev.pTxtBufStart.append(DeviceRecord(1, 24, 100, kFieldA1, kFieldB1));
    d.pdev.pBufStart.append(Bytes(page.GetBits(0), page.GetBits(0) + page.GetStride() * 500));
    d.pdev.bmInfoHeader = page.GetHeader();
    d.pdev.nColorTableSize = 2;
    d.pdev.pbyColorTable.append(Bytes{0, 0, 0, 0, 255, 255, 255, 0});
    ASSERT_EQ(CreateImageData(d.dev()), S_OK);
    CxImage turned = page;
    turned.Rotate180();
    EXPECT_EQ(d.Output(), Concat({Rows(turned, 0, 399), Printed(kFieldA1, kFieldB1), Rows(turned, 424, 76)}));
}
