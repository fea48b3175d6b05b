// The spool stream of whole jobs: document, page, feed and buzzer blocks, the page counter.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "oemuni/job/DocumentCommands.h"
#include "oemuni/job/FeedCommands.h"
#include "platform/Printers.h"

namespace {

std::vector<BYTE> Cat(std::initializer_list<std::vector<BYTE>> parts) {
    std::vector<BYTE> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const std::vector<BYTE> kInit = Bytes({0x1B, 0x40, 0x1B, 0x3D, 0x01});

class DocumentBlocks : public MachineTest {
protected:
    // Stream bytes from `from` on.
    std::vector<BYTE> StreamFrom(const PluginDevice& dev, size_t from) const {
        return std::vector<BYTE>(dev.driver.stream.begin() + static_cast<std::ptrdiff_t>(from), dev.driver.stream.end());
    }
    static std::vector<BYTE> Feed(BYTE f) { return Bytes({0x00, 0x1B, 0x33, 0x00, 0x00, 0x1B, 0x4A, f, 0x1B, 0x32, 0x0C}); }
    static std::vector<BYTE> PageId(int page) { return Bytes({0x00, 0x08, page & 0xFF, page >> 8}); }
};

TEST_F(DocumentBlocks, StartOfDocumentWithPulsesCommandStringAndLogo) {
    SetMisc({{6, 1}, {7, 0x32}, {8, 1}, {9, 0x64}, {10, 1}, {11, 0x19}, {15, 2}, {20, 1}});
    SetProperty(u"StartDoc", Bytes({0xAA, 0xBB, 0xCC}));
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(42);
    const std::vector<BYTE> expected = Cat({kInit, Bytes({0x1B, 0x70, 0x00, 0x32, 0xFF}), Bytes({0x1B, 0x70, 0x01, 0x64, 0xFF}),
                                            Bytes({0x1B, 0x42, 0x00, 0x19}), Bytes({0xAA, 0xBB, 0xCC, 0x1B, 0x4A, 0x00}),
                                            Bytes({0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x30, 0x31, 0x01, 0x01})});
    EXPECT_EQ(Hex(dev.driver.stream), Hex(expected));
    EXPECT_EQ(dev.driver.callSizes, (std::vector<DWORD>{static_cast<DWORD>(expected.size())}));  // one call
    // The journal holds the same block.
    EXPECT_EQ(ReadHostFile(u"C:\\Windows\\MKT-G450\\20170621_082157.jnl"), expected);
}

TEST_F(DocumentBlocks, StoredLogoInBitImageForm) {
    SetMisc({{15, 2}, {20, 0}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    EXPECT_EQ(Hex(dev.driver.stream), Hex(Cat({kInit, Bytes({0x1C, 0x70, 0x02, 0x00})})));
}

TEST_F(DocumentBlocks, AllSettingsOffGiveTheBareMinimum) {
    std::map<int, int> off;
    for (int n = 0; n < 46; ++n) off[n] = 0;
    SetMisc(off);
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    EXPECT_EQ(Hex(dev.driver.stream), Hex(kInit));
    dev.PrintPage();
    // No start or end block: the page is its content, the feed (0 dots) and its identifier.
    const std::vector<BYTE> page = StreamFrom(dev, kInit.size());
    ASSERT_GE(page.size(), 15u);
    EXPECT_EQ(Hex(std::vector<BYTE>(page.end() - 15, page.end())), Hex(Cat({Feed(0x00), PageId(1)})));
    const size_t afterPage = dev.driver.stream.size();
    dev.EndDoc();
    // No end-of-document block: only the 11-byte feed follows.
    EXPECT_EQ(Hex(StreamFrom(dev, afterPage)), Hex(Feed(0x00)));
}

TEST_F(DocumentBlocks, PageBlocksAroundThePageContent) {
    SetMisc({{16, 1}, {17, 3}, {20, 1}, {37, 1}});
    SetProperty(u"EndPage", Bytes({0xE1, 0xE2}));
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    const size_t start = dev.driver.stream.size();
    dev.PrintPage();
    const std::vector<BYTE> page = StreamFrom(dev, start);
    const std::vector<BYTE> head = Bytes({0x1B, 0x4A, 0x00, 0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x30, 0x30, 0x01, 0x01});
    const std::vector<BYTE> tail = Cat({Bytes({0xE1, 0xE2, 0x1B, 0x4A, 0x00}),
                                        Bytes({0x1B, 0x4A, 0x00, 0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x30, 0x32, 0x01, 0x01}),
                                        Feed(0xAF), PageId(1)});
    ASSERT_GT(page.size(), head.size() + tail.size());  // the page content sits in between
    EXPECT_EQ(Hex(std::vector<BYTE>(page.begin(), page.begin() + static_cast<std::ptrdiff_t>(head.size()))), Hex(head));
    EXPECT_EQ(Hex(std::vector<BYTE>(page.end() - static_cast<std::ptrdiff_t>(tail.size()), page.end())), Hex(tail));
}

TEST_F(DocumentBlocks, EndOfDocumentOrderAndFeedCaps) {
    SetMisc({{0, 3}, {43, 2}, {18, 1}, {20, 0}, {1, 1}, {2, 5}, {3, 1}, {4, 6}, {12, 1}, {13, 7}, {45, 1}});
    SetProperty(u"EndDoc", Bytes({0xDD}));
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    const size_t start = dev.driver.stream.size();
    dev.EndDoc();
    const std::vector<BYTE> expected =
        Cat({Bytes({0xDD, 0x1B, 0x4A, 0x00}), Bytes({0x1C, 0x70, 0x01, 0x00}), Bytes({0x1B, 0x70, 0x00, 0x05, 0xFF}),
             Bytes({0x1B, 0x70, 0x01, 0x06, 0xFF}), Bytes({0x1B, 0x42, 0x00, 0x07}), Bytes({0x0A, 0x0A, 0x0A, 0x0C, 0x0C}),
             Feed(0xAF), Bytes({0x1B, 0x23, 0x6D, 0x00, 0x60, 0x00})});
    EXPECT_EQ(Hex(StreamFrom(dev, start)), Hex(expected));

    // Counts above 100 are sent as 100.
    UIInfo ui{};
    ui.byteValue[0] = 150;
    ui.byteValue[43] = 255;
    const std::vector<BYTE> capped = BuildEndDocCmd(ui);
    EXPECT_EQ(capped.size(), 200u);
    EXPECT_EQ(std::count(capped.begin(), capped.end(), 0x0A), 100);
    EXPECT_EQ(std::count(capped.begin(), capped.end(), 0x0C), 100);
}

TEST_F(DocumentBlocks, PageIdentifierAndPagesValue) {
    SetMisc({{37, 0}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    dev.pdev()->m_UIInfo.byPage[0] = 0x2B;  // 299 pages printed on this device so far
    dev.pdev()->m_UIInfo.byPage[1] = 0x01;
    dev.PrintPage();
    const std::vector<BYTE>& s = dev.driver.stream;
    EXPECT_EQ(Hex(std::vector<BYTE>(s.end() - 15, s.end())), "00 1B 33 00 00 1B 4A 00 1B 32 0C 00 08 2C 01");

    DWORD type = 0;
    BYTE data[8] = {};
    DWORD needed = 0;
    ASSERT_EQ(GetPrinterDataExW(m_hPrinter, u"PrinterDriverData\\Properties", u"PAGES", &type, data, sizeof data, &needed),
              0u);
    EXPECT_EQ(type, 3u);  // REG_BINARY
    EXPECT_EQ(needed, 2u);
    EXPECT_EQ(data[0], 0x2C);
    EXPECT_EQ(data[1], 0x01);
}

TEST_F(DocumentBlocks, PagesAreCountedAcrossDocumentsAndDroppedPagesCount) {
    SetMisc({});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    dev.PrintPage();
    dev.EndDoc();
    dev.StartDoc(2);
    dev.PrintBlankPage();  // dropped, but counted
    dev.PrintPage();
    const std::vector<BYTE>& s = dev.driver.stream;
    EXPECT_EQ(Hex(std::vector<BYTE>(s.end() - 4, s.end())), "00 08 03 00");
    DWORD type = 0;
    BYTE data[2] = {};
    DWORD needed = 0;
    ASSERT_EQ(GetPrinterDataExW(m_hPrinter, u"PrinterDriverData\\Properties", u"PAGES", &type, data, 2, &needed), 0u);
    EXPECT_EQ(Hex(std::vector<BYTE>(data, data + 2)), "03 00");
}

TEST_F(DocumentBlocks, DroppedPageLeavesNoBytesAndTakesTheStartBuzzerWithIt) {
    SetMisc({{44, 1}, {16, 1}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    const size_t start = dev.driver.stream.size();
    dev.PrintBlankPage();
    EXPECT_EQ(dev.driver.stream.size(), start);
    dev.PrintPage();
    // The buzzer was discarded with the dropped page; the second page starts with its own block.
    EXPECT_EQ(dev.driver.stream[start], 0x1B);
    EXPECT_EQ(dev.driver.stream[start + 1], 0x4A);
}

TEST_F(DocumentBlocks, StartBuzzerLeadsTheFirstPage) {
    SetMisc({{44, 1}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.StartDoc(1);
    EXPECT_EQ(Hex(dev.driver.stream), Hex(kInit));  // not yet sent
    dev.PrintPage();
    EXPECT_EQ(Hex(StreamFrom(dev, kInit.size())).substr(0, 17), "1B 23 6D 00 60 00");
}

TEST_F(DocumentBlocks, FeedBlocksByCallback) {
    UIInfo ui{};
    ui.byteValue[37] = 1;
    ui.byPage[0] = 0x2C;
    ui.byPage[1] = 0x01;
    EXPECT_EQ(Hex(BuildFeedCommand(ui, VKR_ENDPAGE)), "00 1B 33 00 00 1B 4A AF 1B 32 0C 00 08 2C 01");
    EXPECT_EQ(Hex(BuildFeedCommand(ui, VKR_ENDDOC)), "00 1B 33 00 00 1B 4A AF 1B 32 0C");
    EXPECT_TRUE(BuildFeedCommand(ui, VKR_STARTPAGE).empty());
    ui.byteValue[37] = 0;
    EXPECT_EQ(BuildFeedCommand(ui, VKR_ENDDOC)[7], 0x00);
}

TEST_F(DocumentBlocks, OtherCallbackIdentifiersDoNothing) {
    SetMisc({});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    dev.Callback(5);
    dev.Callback(0);
    EXPECT_TRUE(dev.driver.stream.empty());
}

}  // namespace
