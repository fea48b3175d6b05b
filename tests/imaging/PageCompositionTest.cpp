// Page composition: bottom trimming, top and bottom crops, image-rectangle order, the
// reduction factor, landscape and the diagnostic page image.
#include <gtest/gtest.h>

#include <filesystem>

#include "ImagingFixture.h"
#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/DebugLogTesting.h"
#include "oemuni/imaging/BandCapture.h"
#include "oemuni/imaging/ImageRectSort.h"
#include "oemuni/imaging/PageComposition.h"
#include "oemuni/imaging/PageDump.h"
#include "oemuni/imaging/ReduceRate.h"
#include "platform/LocalTime.h"

using namespace imaging_test;

namespace {

// Row y is recognisable: pixel 0 holds y mod 256, pixel 1 holds y / 256.
CxImage RowNumbered(DWORD width, DWORD height) {
    return Make8BitGrey(width, height, [](DWORD x, DWORD y) {
        if (x == 0) return static_cast<BYTE>(y & 0xFF);
        if (x == 1) return static_cast<BYTE>(y >> 8);
        return BYTE{255};
    });
}
DWORD RowNumberOf(const CxImage& image, DWORD y) {
    return image.GetPixelIndex(0, static_cast<LONG>(y)) | (image.GetPixelIndex(1, static_cast<LONG>(y)) << 8);
}

// Captures an image as Unidrv would deliver it: bands of `bandRows`, blank bands marked.
void Capture(TestDevice& d, const CxImage& image, DWORD bandRows = 128) {
    const DWORD stride = image.GetStride();
    for (DWORD y0 = 0; y0 < image.GetHeight(); y0 += bandRows) {
        const DWORD n = std::min(bandRows, image.GetHeight() - y0);
        BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biWidth = static_cast<LONG>(image.GetWidth());
        h.biHeight = static_cast<LONG>(n);
        h.biPlanes = 1;
        h.biBitCount = image.GetBpp();
        h.biSizeImage = stride * n;
        Bytes band(image.GetBits(y0), image.GetBits(y0) + stride * n);
        bool blank = true;
        for (DWORD y = y0; y < y0 + n && blank; ++y) {
            for (DWORD x = 0; x < image.GetWidth() && blank; ++x) {
                const RGBQUAD c = image.GetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y));
                blank = c.rgbRed == 255 && c.rgbGreen == 255 && c.rgbBlue == 255;
            }
        }
        IPPARAMS ip{};
        ip.bBlankBand = blank ? TRUE : FALSE;
        INT result = 0;
        ASSERT_EQ(ImageProcessing(d.dev(), band.data(), &h, nullptr, image.GetBpp() == 1 ? 1 : 3, &ip, &result), S_OK);
    }
}

}  // namespace

TEST(PageComposition, ReceiptTrimKeepsTwoRowsBelowTheLastInk) {
    for (bool topLeftBlack : {false, true}) {
        TestDevice d;
        d.setting(31) = 0;
        d.pdev.bBlankBand = 1;
        d.pdev.dwBlankHeight = 500;
        CxImage image = Make1Bit(64, 1000, [&](DWORD x, DWORD y) { return y == 400 || (topLeftBlack && x == 0 && y == 0); });
        EXPECT_EQ(CropBottomBlankArea(d.dev(), &image), 1);
        EXPECT_EQ(image.GetHeight(), 402u);
        EXPECT_EQ(d.pdev.bBlankBand, 0);
        EXPECT_EQ(d.pdev.dwBlankHeight, 0u);
    }
}

TEST(PageComposition, TrimLeavesTicketsAndInkOnRowZeroAlone) {
    TestDevice d;
    d.setting(31) = 1;
    CxImage ticket = Make1Bit(64, 1000, [](DWORD, DWORD y) { return y == 400; });
    EXPECT_EQ(CropBottomBlankArea(d.dev(), &ticket), 0);
    EXPECT_EQ(ticket.GetHeight(), 1000u);

    d.setting(31) = 0;
    CxImage onlyRow0 = Make1Bit(64, 50, [](DWORD, DWORD y) { return y == 0; });
    EXPECT_EQ(CropBottomBlankArea(d.dev(), &onlyRow0), 0);
    EXPECT_EQ(onlyRow0.GetHeight(), 50u);
}

TEST(PageComposition, TextBelowTheInkDecidesTheTrim) {
    struct Case {
        DWORD bottomText;
        DWORD expectedHeight;
    };
    // Ink ends on row 400 of 1000; text reaching row 600 keeps rows up to 599 (d = 400,
    // bottom 398); text reaching below the page keeps every row (d negative).
    for (const Case c : {Case{600, 602}, Case{1100, 1000}, Case{300, 402}}) {
        TestDevice d;
        d.setting(31) = 0;
        d.pdev.pTxtBufStart.append(DeviceRecord(5, 24, 10, {0x41, 0x00, 0x00}, {0x42, 0x00, 0x00}));
        d.pdev.dwBottomTxtCoordinate = c.bottomText;
        CxImage image = Make1Bit(64, 1000, [](DWORD, DWORD y) { return y == 400; });
        EXPECT_EQ(CropBottomBlankArea(d.dev(), &image), 1);
        EXPECT_EQ(image.GetHeight(), c.expectedHeight) << c.bottomText;
    }
}

TEST(PageComposition, TopAndBottomCrops) {
    struct Case {
        BYTE top, bottom;
        DWORD firstRow, lastRow;  // of the 200 original rows
    };
    const Case cases[] = {
        {10, 0, 11, 199},   // a top crop of N removes rows 0 to N; no bottom crop
        {10, 5, 11, 195},   // a bottom crop of N removes N - 1 rows
        {0, 1, 1, 199},     // any crop also takes row 0; a bottom crop of 1 removes no row
        {150, 100, 0, 199}, // more than the page: no crop at all
    };
    for (const Case& c : cases) {
        TestDevice d;
        d.setting(23) = c.top != 0;
        d.setting(24) = c.top;
        d.setting(25) = c.bottom != 0;
        d.setting(26) = c.bottom;
        CxImage image = RowNumbered(8, 200);
        EXPECT_EQ(CropImageTopAndBottom(d.dev(), &image, 8, 200, 200), 1);
        ASSERT_EQ(image.GetHeight(), c.lastRow - c.firstRow + 1) << int(c.top) << "/" << int(c.bottom);
        EXPECT_EQ(RowNumberOf(image, 0), c.firstRow);
        EXPECT_EQ(RowNumberOf(image, image.GetHeight() - 1), c.lastRow);
    }
}

TEST(PageComposition, RotatedReceiptIsCutToTheOriginalWidthBeforeTheQuarterTurn) {
    TestDevice d;
    d.setting(21) = 1;
    d.pdev.bBlankBand = 1;
    CxImage image = RowNumbered(8, 1000);
    EXPECT_EQ(CropImageTopAndBottom(d.dev(), &image, 384, 1000, 700), 1);
    ASSERT_EQ(image.GetHeight(), 384u);
    EXPECT_EQ(RowNumberOf(image, 0), 1u);
    EXPECT_EQ(RowNumberOf(image, 383), 384u);
    EXPECT_EQ(d.pdev.bBlankBand, 0);
}

TEST(PageComposition, ImageRectanglesAreSortedByTopKeepingListOrder) {
    ByteBuffer list;
    list.append(Concat({ImageRect(1, 30, 9, 40), ImageRect(2, 10, 9, 20), ImageRect(3, 30, 9, 50),
                        ImageRect(4, 20, 9, 25)}));
    EXPECT_EQ(SortImageRects(list), 1);
    EXPECT_EQ(Bytes(list.span().begin(), list.span().end()),
              Concat({ImageRect(2, 10, 9, 20), ImageRect(4, 20, 9, 25), ImageRect(1, 30, 9, 40),
                      ImageRect(3, 30, 9, 50)}));

    // A placed record whose left and right are 0 looks free: the next record goes before it.
    ByteBuffer quirk;
    quirk.append(Concat({ImageRect(0, 10, 0, 20), ImageRect(5, 20, 9, 30)}));
    SortImageRects(quirk);
    EXPECT_EQ(Bytes(quirk.span().begin(), quirk.span().end()), Concat({ImageRect(5, 20, 9, 30), ImageRect(0, 10, 0, 20)}));
}

TEST(PageComposition, ReductionFactorAndScaledPositions) {
    UIInfo ui;
    EXPECT_EQ(GetReduceRate(ui), 1.0f);
    ui.byteValue[38] = 1;
    const std::pair<BYTE, float> table[] = {{0, 1.0f}, {1, 0.75f}, {2, 0.5f}, {3, 0.25f}, {9, 1.0f}};
    for (auto [choice, rate] : table) {
        ui.byteValue[40] = choice;
        EXPECT_EQ(GetReduceRate(ui), rate) << int(choice);
    }
    ui.byteValue[40] = 4;
    ui.byteValue[41] = 5;
    EXPECT_EQ(GetReduceRate(ui), 0.1f);
    EXPECT_EQ(ui.byteValue[41], 10);
    ui.byteValue[41] = 200;
    EXPECT_EQ(GetReduceRate(ui), 1.0f);
    EXPECT_EQ(ui.byteValue[41], 100);

    EXPECT_EQ(ScaledValue(384, 0.5f), 192u);
    EXPECT_EQ(ScaledValue(1001, 0.5f), 501u);
    EXPECT_EQ(ScaledValue(3, 0.75f), 2u);  // 2.25 + 0.5 truncates to 2
    EXPECT_EQ(ScaledValue(2, 0.75f), 2u);  // 1.5 + 0.5
}

TEST(PageComposition, HalfReductionOfA384By1001PageGives192By501) {
    TestDevice d;
    d.setting(38) = 1;
    d.setting(40) = 2;
    d.setting(36) = 0;  // plain commands: easy to read back
    CxImage page = Make8BitGrey(384, 1001, [](DWORD x, DWORD y) { return static_cast<BYTE>((x + y) % 2 ? 0 : 255); });
    Capture(d, page);
    ASSERT_EQ(AddImageDataPerEachPage(d.dev()), S_OK);
    const Bytes out = d.Output();
    // Plain commands of 24 bytes per row: slices of 246, 246 and 9 rows.
    size_t pos = 0;
    std::vector<int> slices;
    while (pos + 14 <= out.size()) {
        ASSERT_EQ(out[pos + 6], 0x1D);
        EXPECT_EQ(out[pos + 10], 24);
        const int n = out[pos + 12];
        slices.push_back(n);
        pos += 14 + 24 * n + 1;
    }
    EXPECT_EQ(pos, out.size());
    EXPECT_EQ(slices, (std::vector<int>{246, 246, 9}));
}

TEST(PageComposition, LandscapePageComesOutTurned) {
    TestDevice d;
    d.setting(42) = 1;
    d.setting(36) = 0;
    // 16 wide, 8 high, one black pixel at the top left; a quarter turn clockwise puts it at
    // the top right of an 8-wide, 16-high page.
    CxImage page = Make1Bit(16, 8, [](DWORD x, DWORD y) { return x == 0 && y == 0; });
    Capture(d, page);
    ASSERT_EQ(AddImageDataPerEachPage(d.dev()), S_OK);
    CxImage turned = Make1Bit(8, 16, [](DWORD x, DWORD y) { return x == 7 && y == 0; });
    EXPECT_EQ(d.Output(), ReferenceRaster(turned, 0, 16, false, false));
}

TEST(PageComposition, EightBitPageIsDitheredAndPrintedWhole) {
    // Ticket media, no reduction: every row of the page is printed, the grey 8-bit page
    // reduced to black and white by the plain threshold (byte 34 = 0).
    TestDevice d;
    CxImage page = Make8BitGrey(40, 300, [](DWORD x, DWORD y) { return static_cast<BYTE>((x * 9 + y) % 256); });
    Capture(d, page, 64);
    ASSERT_EQ(AddImageDataPerEachPage(d.dev()), S_OK);
    CxImage expected = page;
    expected.DecreaseBpp(1, FALSE, {}, 2);
    EXPECT_EQ(d.Output(), ReferenceRaster(expected, 0, 300, true, false));
}

TEST(PageComposition, DiagnosticPageImageIsWrittenWhileLoggingInAJob) {
    TestDevice d;
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 9;
    t.wHour = 14;
    t.wMinute = 26;
    plat::SetLocalTimeOverride(t);
    EXPECT_EQ(PageDumpPath(42), "c:\\temp\\MKT-G450\\MKT-G450_1209_1426_00042.bmp");

    RestoreDebugLogForTesting();
    SetCurrentJobId(42);
    CxImage page = Make1Bit(16, 8, [](DWORD x, DWORD y) { return x == y; });
    Capture(d, page);
    AddImageDataPerEachPage(d.dev());
    SetCurrentJobId(0);
    DisableDebugLog();
    plat::SetLocalTimeOverride(std::nullopt);
    const auto file = TestMachineRoot() / "C" / "temp" / "MKT-G450" / "MKT-G450_1209_1426_00042.bmp";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 14u + 40 + 8 + 4 * 8);
}
