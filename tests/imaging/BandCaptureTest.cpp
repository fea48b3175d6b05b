// Band capture: page bitmap, header accumulation, blank-band counting, colour tables, and the
// end-of-page release.
#include <gtest/gtest.h>

#include "ImagingFixture.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/imaging/BandCapture.h"
#include "oemuni/imaging/BandCaptureDetail.h"

using namespace imaging_test;

namespace {

struct Band {
    BITMAPINFOHEADER header{};
    Bytes pixels;
    IPPARAMS ip{};
};

Band MakeBand(DWORD width, DWORD rows, WORD bpp, bool blank, BYTE fill = 0x55) {
    Band b;
    const DWORD stride = ((width * bpp + 31) / 32) * 4;
    b.header.biSize = 40;
    b.header.biWidth = static_cast<LONG>(width);
    b.header.biHeight = static_cast<LONG>(rows);
    b.header.biPlanes = 1;
    b.header.biBitCount = bpp;
    b.header.biSizeImage = stride * rows;
    b.pixels.assign(stride * rows, fill);
    b.ip.dwSize = sizeof(IPPARAMS);
    b.ip.bBanding = TRUE;
    b.ip.bBlankBand = blank ? TRUE : FALSE;
    return b;
}

HRESULT Feed(TestDevice& d, Band& b, DWORD callback, INT* result = nullptr) {
    INT local = -1;
    return ImageProcessing(d.dev(), b.pixels.data(), &b.header, nullptr, callback, &b.ip, result ? result : &local);
}

class BandCapture : public ::testing::Test {
protected:
    void SetUp() override { DisableDebugLog(); }
};

}  // namespace

TEST_F(BandCapture, ThreeBandsWithABlankLastBand) {
    TestDevice d;
    Band b1 = MakeBand(384, 256, 1, false, 0x11);
    Band b2 = MakeBand(384, 256, 1, false, 0x22);
    Band b3 = MakeBand(384, 256, 1, true, 0x33);
    INT result = -1;
    ASSERT_EQ(Feed(d, b1, 1, &result), S_OK);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(Feed(d, b2, 1), S_OK);
    ASSERT_EQ(Feed(d, b3, 1), S_OK);

    const BITMAPINFOHEADER& h = d.pdev.bmInfoHeader;
    EXPECT_EQ(h.biHeight, 768);
    EXPECT_EQ(h.biSizeImage, 3u * 48 * 256);
    EXPECT_EQ(h.biWidth, 384);
    EXPECT_EQ(d.pdev.dwBufSize(), 3u * 48 * 256);
    const BYTE* p = d.pdev.pBufStart.data();
    EXPECT_EQ(p[0], 0x11);
    EXPECT_EQ(p[48 * 256], 0x22);
    for (DWORD i = 2 * 48 * 256; i < 3 * 48 * 256; ++i) ASSERT_EQ(p[i], 0xFF) << i;  // blank band: white
    EXPECT_EQ(d.pdev.dwBlankHeight, 256u);
    EXPECT_EQ(d.pdev.dwBlankSize, 48u * 256);
    EXPECT_NE(d.pdev.bBlankBand, 0);
    // 1-bit colour table: black, white.
    EXPECT_EQ(d.pdev.nColorTableSize, 2);
    EXPECT_EQ(d.pdev.pbyColorTable.span().size(), 8u);
    EXPECT_EQ(Bytes(d.pdev.pbyColorTable.span().begin(), d.pdev.pbyColorTable.span().end()),
              (Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}));
    // The file header is packed: its fields are copied out before comparing.
    const WORD bfType = d.pdev.bmFileHeader.bfType;
    const DWORD bfSize = d.pdev.bmFileHeader.bfSize;
    const DWORD bfOffBits = d.pdev.bmFileHeader.bfOffBits;
    EXPECT_EQ(bfType, 0x4D42);
    EXPECT_EQ(bfSize, 3u * 48 * 256 + 54);
    EXPECT_EQ(bfOffBits, 54u + 8);
}

TEST_F(BandCapture, OnlyTheTrailingRunOfBlankBandsCounts) {
    TestDevice d;
    Band blank1 = MakeBand(64, 100, 1, true);
    Band ink = MakeBand(64, 50, 1, false);
    Band blank2 = MakeBand(64, 30, 1, true);
    Band blank3 = MakeBand(64, 20, 1, true);
    Feed(d, blank1, 1);
    EXPECT_EQ(d.pdev.dwBlankHeight, 100u);
    Feed(d, ink, 1);
    EXPECT_EQ(d.pdev.dwBlankHeight, 0u);
    EXPECT_EQ(d.pdev.dwBlankSize, 0u);
    EXPECT_EQ(d.pdev.bBlankBand, 0);
    Feed(d, blank2, 1);
    EXPECT_EQ(d.pdev.dwBlankHeight, 30u);
    Feed(d, blank3, 1);
    EXPECT_EQ(d.pdev.dwBlankHeight, 50u);
    EXPECT_EQ(d.pdev.dwBlankSize, 8u * 50);
}

TEST_F(BandCapture, LandscapeDropsBlankBandsButAcceptsThem) {
    TestDevice d;
    d.setting(42) = 1;
    Band ink = MakeBand(64, 10, 1, false);
    Band blank = MakeBand(64, 20, 1, true);
    Feed(d, ink, 1);
    const DWORD size = d.pdev.dwBufSize();
    INT result = -1;
    EXPECT_EQ(Feed(d, blank, 1, &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(d.pdev.dwBufSize(), size);
    EXPECT_EQ(d.pdev.bmInfoHeader.biHeight, 10);
    EXPECT_EQ(d.pdev.dwBlankHeight, 0u);
}

TEST_F(BandCapture, UnsupportedCallbackStoresNothing) {
    TestDevice d;
    Band b = MakeBand(64, 10, 1, false);
    INT result = -1;
    EXPECT_EQ(Feed(d, b, 2, &result), E_FAIL);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(d.pdev.dwBufSize(), 0u);
    EXPECT_EQ(d.pdev.bmInfoHeader.biHeight, 0);
}

TEST_F(BandCapture, EightBitColourTableFromThePaletteWithWhiteAt255) {
    TestDevice d;
    PALETTE pal;
    pal.entries.resize(256);
    for (int i = 0; i < 256; ++i) pal.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
    d.pdev.hPalette = &pal;
    Band b = MakeBand(8, 2, 8, false);
    ASSERT_EQ(Feed(d, b, 3), S_OK);
    EXPECT_EQ(d.pdev.nColorTableSize, 256);
    const auto t = d.pdev.pbyColorTable.span();
    ASSERT_EQ(t.size(), 1024u);
    EXPECT_EQ(Bytes(t.begin() + 4 * 10, t.begin() + 4 * 11), (Bytes{7, 245, 10, 0}));  // blue, green, red, 0
    EXPECT_EQ(Bytes(t.begin() + 4 * 255, t.end()), (Bytes{0xFF, 0xFF, 0xFF, 0}));
}

TEST_F(BandCapture, EightBitBandWhosePaletteReadFailsIsStoredWithAnAllBlackTable) {
    TestDevice d;
    PALETTE pal;
    pal.entries.resize(256, PALETTEENTRY{200, 200, 200, 0});
    pal.failReads = true;
    d.pdev.hPalette = &pal;
    Band b = MakeBand(8, 4, 8, false, 0x42);
    INT result = -1;
    EXPECT_EQ(Feed(d, b, 3, &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(d.pdev.dwBufSize(), 32u);
    EXPECT_EQ(d.pdev.pBufStart[0], 0x42);
    const auto t = d.pdev.pbyColorTable.span();
    ASSERT_EQ(t.size(), 1024u);
    for (BYTE v : t) ASSERT_EQ(v, 0);
}

TEST_F(BandCapture, EndOfPageWithoutBandsFailsAndStillReleasesEverything) {
    TestDevice d;
    d.pdev.pTxtBufStart.append(DeviceRecord(1, 24, 10, {0x1B}, {0x41}));
    d.pdev.pDevTxtBufStart.append(DeviceRecord(1, 24, 10, {0x1B}, {0x41}));
    d.pdev.pImgRectBufStart.append(ImageRect(0, 0, 10, 10));
    d.pdev.dwLastTxt_PosY = 5;
    d.pdev.dwBottomTxtCoordinate = 7;
    d.pdev.nColorTableSize = 2;
    EXPECT_EQ(AddImageDataPerEachPage(d.dev()), E_FAIL);
    EXPECT_TRUE(d.Output().empty());
    EXPECT_EQ(d.pdev.dwTxtBufSize(), 0u);
    EXPECT_EQ(d.pdev.dwDevTxtBufSize(), 0u);
    EXPECT_EQ(d.pdev.dwImgRectBufSize(), 0u);
    EXPECT_EQ(d.pdev.dwLastTxt_PosY, 0u);
    EXPECT_EQ(d.pdev.dwBottomTxtCoordinate, 0u);
    EXPECT_EQ(d.pdev.nColorTableSize, 2);  // kept
}

TEST_F(BandCapture, PageThatLostABandIsDroppedWithoutReadingPastTheBitmap) {
    // The state after a failed growth: the header counts three bands, the bitmap holds only
    // the band captured after the failure.
    TestDevice d;
    Band b = MakeBand(384, 256, 1, false, 0x00);
    ASSERT_EQ(Feed(d, b, 1), S_OK);
    d.pdev.bmInfoHeader.biHeight = 768;
    d.pdev.bmInfoHeader.biSizeImage = 3 * 48 * 256;
    EXPECT_EQ(AddImageDataPerEachPage(d.dev()), E_FAIL);
    EXPECT_TRUE(d.Output().empty());
    EXPECT_EQ(d.pdev.dwBufSize(), 0u);
    EXPECT_EQ(d.pdev.bmInfoHeader.biHeight, 0);
}

TEST_F(BandCapture, AllBlankPageWritesExactlyOneZeroByte) {
    TestDevice d;
    Band b1 = MakeBand(384, 256, 1, true);
    Band b2 = MakeBand(384, 100, 1, true);
    Feed(d, b1, 1);
    Feed(d, b2, 1);
    EXPECT_EQ(AddImageDataPerEachPage(d.dev()), S_OK);
    EXPECT_EQ(d.Output(), Bytes{0x00});
    EXPECT_EQ(d.pdev.dwBufSize(), 0u);
}

TEST_F(BandCapture, AllBlankLandscapePageProducesNothing) {
    TestDevice d;
    d.setting(42) = 1;
    Band b1 = MakeBand(384, 256, 1, true);
    Feed(d, b1, 1);
    EXPECT_EQ(AddImageDataPerEachPage(d.dev()), E_FAIL);
    EXPECT_TRUE(d.Output().empty());
}
