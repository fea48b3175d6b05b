// The Unidrv stand-in driven against a recording plug-in: call order, hooks and chaining, the
// objects of a device-font call, band delivery and what the host paints.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FakePlugin.h"
#include "host/print/JobInput.h"
#include "host/print/SpoolOutput.h"
#include "host/print/UnidrvHost.h"

namespace fs = std::filesystem;
using namespace mkt::host;
using namespace mkt::host::test;

namespace {

const std::vector<ULONG> kAllHooks = {INDEX_DrvStartDoc, INDEX_DrvStartPage,  INDEX_DrvSendPage,
                                      INDEX_DrvEndDoc,   INDEX_DrvStartBanding, INDEX_DrvNextBand,
                                      INDEX_DrvBitBlt,   INDEX_DrvStretchBlt, INDEX_DrvStretchBltROP,
                                      INDEX_DrvTextOut};

class HostEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("mkt450-engine-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        // A 4 x 2 grey image: dark left half, white right half.
        std::ofstream(m_dir / "img.pgm", std::ios::binary) << "P2\n4 2\n255\n0 0 255 255\n0 0 255 255\n";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    JobDescription Parse(const std::string& json) { return ParseJobJson(json, m_dir / "job.json", m_dir); }

    std::vector<BYTE> Run(const JobDescription& job, std::vector<ULONG> hooks = kAllHooks) {
        ConfigureFakePlugin(&m_record, std::move(hooks));
        {
            SpoolOutput spool(m_dir / "out.prn", job.spooler);
            UnidrvHost host(job, spool);
            host.SetPrinter(nullptr, u"VARNOKE MKT-G450");
            std::string error;
            EXPECT_TRUE(host.Run(&FakeDllGetClassObject, &error)) << error;
            EXPECT_EQ(host.driverInterfaceReferencesLeft(), 0);
            m_trace = host.trace();
            EXPECT_TRUE(spool.Close());
        }
        std::ifstream in(m_dir / "out.prn", std::ios::binary);
        return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path m_dir;
    FakeRecord m_record;
    std::vector<std::string> m_trace;
};

TEST_F(HostEngineTest, CallsEveryStepInTheContractOrder) {
    auto job = Parse(R"({"jobId": 42, "page": {"bandHeight": 256}, "pages": [
        {"height": 600, "draw": [
          {"op": "text", "font": "FontA11", "x": 0, "y": 10, "text": "A"},
          {"op": "image", "src": "img.pgm", "x": 0, "y": 100, "width": 8, "height": 4},
          {"op": "fill", "x": 0, "y": 300, "width": 576, "height": 4, "gray": 0}]},
        {"height": 10}]})");
    const std::vector<BYTE> stream = Run(job);
    const std::vector<std::string> expected = {
        "PublishDriverInterface", "EnableDriver", "EnablePDEV",
        "OEMStartDoc:42", "CommandCallback:1",
        "OEMStartPage", "CommandCallback:2", "OEMStartBanding", "OEMTextOut", "OEMBitBlt", "OEMNextBand",
        "ImageProcessing", "ImageProcessing", "ImageProcessing", "OEMSendPage", "CommandCallback:3",
        "OEMStartPage", "CommandCallback:2", "OEMStartBanding", "OEMNextBand", "ImageProcessing",
        "OEMSendPage", "CommandCallback:3",
        "OEMEndDoc", "CommandCallback:4", "DisablePDEV", "DisableDriver", "destroyed"};
    EXPECT_EQ(m_record.calls, expected);
    // The plug-in's spooler writes arrive in call order.
    EXPECT_EQ(stream, (std::vector<BYTE>{0xC0, 1, 0xC0, 2, 0xC0, 3, 0xC0, 2, 0xC0, 3, 0xC0, 4}));
}

TEST_F(HostEngineTest, EnablePdevListsAllTwentyNineHostEntries) {
    Run(Parse(R"({"pages": []})"));
    const std::vector<ULONG> indices = {12, 13, 14, 15, 16, 17, 18, 19, 20, 23, 24, 26, 27, 28, 31,
                                        32, 33, 34, 35, 37, 47, 53, 57, 58, 68, 69, 70, 71, 74};
    ASSERT_EQ(m_record.hostEntries.size(), 29u);
    for (ULONG i : indices) EXPECT_NE(m_record.hostEntries[i], nullptr) << i;
}

TEST_F(HostEngineTest, UnhookedEntriesAreCalledDirectly) {
    // A plug-in that hooks nothing still gets its four command callbacks through the host.
    Run(Parse(R"({"pages": [{"height": 5}]})"), {});
    const std::vector<std::string> expected = {"PublishDriverInterface", "EnableDriver", "EnablePDEV",
                                               "CommandCallback:1", "CommandCallback:2", "ImageProcessing",
                                               "CommandCallback:3", "CommandCallback:4", "DisablePDEV",
                                               "DisableDriver", "destroyed"};
    EXPECT_EQ(m_record.calls, expected);
}

TEST_F(HostEngineTest, BandsAreCutToBandHeightWithBlankFlags) {
    auto job = Parse(R"({"page": {"bandHeight": 256}, "pages": [{"height": 600, "draw": [
        {"op": "fill", "x": 0, "y": 300, "width": 8, "height": 1, "gray": 0}]}]})");
    Run(job);
    ASSERT_EQ(m_record.bands.size(), 3u);
    const int rows[] = {256, 256, 88};
    const BOOL blank[] = {TRUE, FALSE, TRUE};
    for (int i = 0; i < 3; ++i) {
        const BandCall& b = m_record.bands[static_cast<std::size_t>(i)];
        EXPECT_EQ(b.header.biHeight, rows[i]);
        EXPECT_EQ(b.header.biWidth, 576);
        EXPECT_EQ(b.header.biBitCount, 1);
        EXPECT_EQ(b.header.biSizeImage, 72u * static_cast<DWORD>(rows[i]));
        EXPECT_EQ(b.callbackId, 1u);
        EXPECT_EQ(b.params.bBlankBand, blank[i]) << i;
        EXPECT_EQ(b.params.ptOffset.y, 256 * i);
    }
    // Row 300 is row 44 of the second band: first byte all black, the rest white.
    const BandCall& second = m_record.bands[1];
    EXPECT_EQ(second.bytes[44 * 72], 0x00);
    EXPECT_EQ(second.bytes[44 * 72 + 1], 0xFF);
    EXPECT_EQ(second.bytes[43 * 72], 0xFF);
}

TEST_F(HostEngineTest, EightBitBandsUseCallbackThreeAndGreyLevels) {
    auto job = Parse(R"({"page": {"width": 10, "bitsPerPixel": 8, "bandHeight": 4}, "pages": [{"height": 2, "draw": [
        {"op": "fill", "x": 2, "y": 1, "width": 3, "height": 1, "gray": 150}]}]})");
    Run(job);
    ASSERT_EQ(m_record.bands.size(), 1u);
    const BandCall& b = m_record.bands[0];
    EXPECT_EQ(b.callbackId, 3u);
    EXPECT_EQ(b.header.biBitCount, 8);
    EXPECT_EQ(b.header.biSizeImage, 24u);  // rows of 10 bytes padded to 12
    const std::vector<BYTE> row1(b.bytes.begin() + 12, b.bytes.end());
    EXPECT_EQ(row1, (std::vector<BYTE>{255, 255, 150, 150, 150, 255, 255, 255, 255, 255, 0, 0}));
    EXPECT_EQ(b.params.bBlankBand, FALSE);
}

TEST_F(HostEngineTest, DeviceFontTextCarriesTheDescribedObjects) {
    auto job = Parse(R"({"pages": [{"draw": [
        {"op": "text", "font": "FontB2x1", "x": 8, "y": 300, "size": 24, "text": "TOTAL",
         "italic": true, "underline": true, "strikeout": true, "weight": 700, "charset": 128, "pitch": 49}]}]})");
    Run(job);
    ASSERT_EQ(m_record.texts.size(), 1u);
    const TextCall& t = m_record.texts[0];
    EXPECT_EQ(t.text, u"TOTAL");
    EXPECT_EQ(t.bkGround.left, 8);
    EXPECT_EQ(t.bkGround.top, 300);
    EXPECT_EQ(t.fontType, FO_TYPE_DEVICE | FO_SIM_ITALIC);
    EXPECT_EQ(t.family, u"FontB2x1");
    EXPECT_EQ(t.fsSelection, 0x12);
    EXPECT_EQ(t.weight, 700);
    EXPECT_EQ(t.charset, 128);
    EXPECT_EQ(t.pitch, 49);
    EXPECT_EQ(t.unitsPerEm, 2048);
    EXPECT_EQ(t.xform.eM21, 0.0f);
    EXPECT_EQ(t.xform.eM22, 0.01171875f);  // 24 / 2048
}

TEST_F(HostEngineTest, TrueTypeTextIsPaintedByTheHostWhenPassedOn) {
    auto job = Parse(R"({"pages": [{"height": 64, "draw": [
        {"op": "text", "font": "DejaVu Sans", "x": 0, "y": 0, "size": 40, "text": "WWW"}]}]})");
    Run(job);
    ASSERT_EQ(m_record.texts.size(), 1u);
    EXPECT_EQ(m_record.texts[0].fontType, FO_TYPE_TRUETYPE);
    ASSERT_EQ(m_record.bands.size(), 1u);
    int black = 0;
    for (BYTE b : m_record.bands[0].bytes) black += 8 - __builtin_popcount(b);
    EXPECT_GT(black, 100);
    EXPECT_EQ(m_record.bands[0].params.bBlankBand, FALSE);
}

TEST_F(HostEngineTest, CapturedDeviceTextLeavesThePageBlank) {
    Run(Parse(R"({"pages": [{"height": 64, "draw": [
        {"op": "text", "font": "FontA11", "x": 0, "y": 0, "size": 40, "text": "WWW"}]}]})"));
    ASSERT_EQ(m_record.bands.size(), 1u);
    EXPECT_EQ(m_record.bands[0].params.bBlankBand, TRUE);
}

TEST_F(HostEngineTest, BlitsReachTheirHooksWithTheDestinationAndArePainted) {
    auto job = Parse(R"({"pages": [{"height": 8, "draw": [
        {"op": "image", "src": "img.pgm", "x": 0, "y": 0, "width": 8, "height": 2},
        {"op": "image", "src": "img.pgm", "x": 16, "y": 2, "width": 8, "height": 2, "call": "StretchBlt"},
        {"op": "image", "src": "img.pgm", "x": 32, "y": 4, "width": 4, "height": 2, "call": "StretchBltROP"}]}]})");
    Run(job);
    const std::vector<std::string> blits(m_record.calls.begin() + 8, m_record.calls.begin() + 11);
    EXPECT_EQ(blits, (std::vector<std::string>{"OEMBitBlt", "OEMStretchBlt", "OEMStretchBltROP"}));
    ASSERT_EQ(m_record.blitRects.size(), 3u);
    EXPECT_EQ(m_record.blitRects[1].left, 16);
    EXPECT_EQ(m_record.blitRects[1].top, 2);
    EXPECT_EQ(m_record.blitRects[1].right, 24);
    EXPECT_EQ(m_record.blitRects[1].bottom, 4);
    const std::vector<BYTE>& bits = m_record.bands[0].bytes;
    EXPECT_EQ(bits[0 * 72 + 0], 0x0F);  // dark left half of an 8-dot image
    EXPECT_EQ(bits[2 * 72 + 2], 0x0F);
    EXPECT_EQ(bits[4 * 72 + 4], 0x3F);  // 4 dots wide: 2 dark
}

TEST_F(HostEngineTest, DriverSettingsAnswerFromFeatures) {
    Run(Parse(R"({"features": {"InputBin": "Option2"}, "pages": []})"));
    EXPECT_EQ(m_record.inputBin, "Option2");
    EXPECT_EQ(m_record.orientation, "PORTRAIT");
    Run(Parse(R"({"features": {"InputBin": null}, "devmode": {"orientation": 2}, "pages": []})"));
    EXPECT_TRUE(FAILED(m_record.inputBinResult));
    EXPECT_EQ(m_record.orientation, "LANDSCAPE_CC270");
}

TEST_F(HostEngineTest, DevModeCarriesTheJobsFields) {
    Run(Parse(R"({"devmode": {"copies": 3, "dmYResolution": 180}, "pages": []})"));
    EXPECT_EQ(m_record.devmode.dmCopies, 3);
    EXPECT_EQ(m_record.devmode.dmYResolution, 180);
    EXPECT_EQ(m_record.devmode.dmOrientation, 1);
}

}  // namespace
