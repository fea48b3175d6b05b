// TrueType records of a reduced page are drawn back into the page image; device records met
// on the way are moved into the device-text buffer in Y order.
#include <gtest/gtest.h>

#include <string>

#include "ImagingFixture.h"
#include "oemuni/imaging/PageComposition.h"

using namespace imaging_test;

namespace {

Bytes Utf16Field(const std::u16string& s) {
    Bytes b;
    for (char16_t c : s) {
        b.push_back(static_cast<BYTE>(c & 0xFF));
        b.push_back(static_cast<BYTE>(c >> 8));
    }
    b.push_back(0);  // the one terminating zero byte of a captured TrueType field
    return b;
}

DWORD FirstInkRow(const CxImage& image) {
    for (DWORD y = 0; y < image.GetHeight(); ++y) {
        for (DWORD x = 0; x < image.GetWidth(); ++x) {
            if (image.GetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y)) == 0) return y;
        }
    }
    return image.GetHeight();
}

}  // namespace

TEST(TrueTypeRedraw, TextIsDrawnAtTheReducedPositionAndDeviceRecordsAreSortedByY) {
    TestDevice d;
    CxImage image = Make1Bit(300, 200, [](DWORD, DWORD) { return false; });
    const Bytes tt = DeviceRecord(5, 24, 80, Utf16Field(u"DejaVu Sans"), Utf16Field(u"HELLO"), 40);
    const Bytes dev30 = DeviceRecord(1, 24, 30, {0x1B, 0x21, 0x00}, {'A', 0x0A});
    const Bytes dev10 = DeviceRecord(2, 60, 10, {0x1D, 0x68, 0x3C}, {0x1D, 0x6B, 0x04, '1', 0x00});
    d.pdev.pTxtBufStart.append(Concat({dev30, tt, dev10}));

    // Half size: the string goes to (20, 40) with lfHeight -12.
    const DWORD last = DrawResizedText(d.dev(), &image, 0.5f, 50);
    const DWORD firstInk = FirstInkRow(image);
    EXPECT_GE(firstInk, 40u);
    EXPECT_LT(firstInk, 52u);
    EXPECT_EQ(last, 70u);  // the barcode at Y 10, 60 high, reaches lowest (unscaled)
    EXPECT_EQ(Bytes(d.pdev.pDevTxtBufStart.span().begin(), d.pdev.pDevTxtBufStart.span().end()),
              Concat({dev10, dev30}));
    EXPECT_EQ(d.pdev.dwLastTxt_PosY, 80u);

    // Alone, the TrueType record gives the row just below the drawn text.
    TestDevice alone;
    CxImage page = Make1Bit(300, 200, [](DWORD, DWORD) { return false; });
    alone.pdev.pTxtBufStart.append(tt);
    const DWORD below = DrawResizedText(alone.dev(), &page, 0.5f, 0);
    EXPECT_GT(below, 45u);
    EXPECT_LT(below, 60u);
}
