// The capture path into the barcode builders and the text keys: which builder is called,
// with which factor, and how their results become records.
#include "TextTestSupport.h"

#include <cstdio>

#include "platform/Printers.h"
#include "platform/Registry.h"

namespace texttest {
namespace {

class BuilderPathTest : public TextCaptureTest {
protected:
    void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
        std::filesystem::create_directories(path.parent_path());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
};

TEST_F(BuilderPathTest, Code128SubsetCBecomesABarcodeRecordWithTheBarcodeHeight) {
    EXPECT_EQ(Draw(u"Code128", u"{C1234", 100, 300), FALSE);
    EXPECT_EQ(UnidrvTextOut::calls, 0);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, FTYPE_DEVICE_BARCODE);
    EXPECT_EQ(records[0].height, 0x32u);
    EXPECT_EQ(records[0].a, (Bytes{0x1D, 0x77, 0x02, 0x1D, 0x68, 0x32, 0, 0, 0, 0, 0, 0, 0x1B, 0x24, 0x64, 0x00}));
    EXPECT_EQ(records[0].b, (Bytes{0x1D, 0x6B, 0x49, 0x04, 0x7B, 0x43, 0x0C, 0x22}));
}

TEST_F(BuilderPathTest, QrCodeKeepsTheFontHeight) {
    Draw(u"qr code", u"ABC", 8, 300);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, FTYPE_DEVICE_BARCODE);
    EXPECT_EQ(records[0].height, 24u);
    EXPECT_EQ(records[0].a, (Bytes{0x1B, 0x24, 0x08, 0x00, 0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00,
                                   0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x03, 0x1D, 0x28, 0x6B, 0x03, 0x00,
                                   0x31, 0x45, 0x30}));
    EXPECT_EQ(records[0].b, (Bytes{0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 'A', 'B', 'C', 0x1D, 0x28, 0x6B,
                                   0x03, 0x00, 0x31, 0x51, 0x30}));
}

// Barcodes stay barcode records on a reduced page; byte 39 decides whether they shrink.
TEST_F(BuilderPathTest, BarcodesAreReducedOnlyWithByte39) {
    Setting(38) = 1;
    Setting(40) = 2;  // 0.5
    Draw(u"Code39", u"AB", 100, 0);
    Setting(39) = 1;
    Draw(u"Code39", u"AB", 100, 10);
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, FTYPE_DEVICE_BARCODE);
    EXPECT_EQ(records[0].height, 50u);
    EXPECT_EQ(Bytes(records[0].a.end() - 2, records[0].a.end()), (Bytes{100, 0}));
    EXPECT_EQ(records[1].height, 25u);
    EXPECT_EQ(records[1].a[2], 2) << "width 1 raised to 2";
    EXPECT_EQ(Bytes(records[1].a.end() - 2, records[1].a.end()), (Bytes{50, 0}));
}

TEST_F(BuilderPathTest, PreviewAppendsTheBarcodeImageBlock) {
    WriteFile(m_root / "C" / "Windows" / "MKT-G450" / "PreviewBin" / "1D_CODE.bin", Bytes(100, 0x5A));
    Draw(u"Code39", u"AB", 0, 0);
    Setting(29) = 1;
    Draw(u"Code39", u"AB", 0, 10);
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].type, FTYPE_DEVICE_BARCODE);
    ASSERT_EQ(records[1].b.size(), records[0].b.size() + 114);
    EXPECT_EQ(records[1].b[records[0].b.size() + 5], 0x72);
    EXPECT_EQ(records[1].b[records[0].b.size() + 6], 0x00);
}

TEST_F(BuilderPathTest, NamesThatAreNoBarcodeGiveNoRecord) {
    Draw(u"QR Code 2", u"ABC");
    Draw(u"Code128 ", u"ABC");
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
    EXPECT_EQ(UnidrvTextOut::calls, 0);
}

class TextKeyPathTest : public BuilderPathTest {
protected:
    void SetUp() override {
        BuilderPathTest::SetUp();
        const std::u16string queue = u"VARNOKE MKT-G450";
        ASSERT_EQ(plat::EnsurePrinterQueue(queue, u"VARNOKE MKT-G450", u"USB001"), 0);
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(queue.c_str(), m_printer.put(), &defaults));
        m_devobj.hPrinter = m_printer.get();
    }
    void SetKeys(const std::vector<std::u16string>& keys) {
        const DWORD count = static_cast<DWORD>(keys.size());
        const BYTE countBytes[4] = {static_cast<BYTE>(count), 0, 0, 0};
        ASSERT_EQ(SetPrinterDataExW(m_printer.get(), u"TextKeyFunction", u"NumTextKey", REG_DWORD, countBytes, 4), 0u);
        for (DWORD i = 0; i < count; ++i) {
            const std::u16string name = u"TextKey0" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            const std::u16string& k = keys[i];
            ASSERT_EQ(SetPrinterDataExW(m_printer.get(), u"TextKeyFunction", name.c_str(), REG_SZ,
                                        reinterpret_cast<const BYTE*>(k.c_str()),
                                        static_cast<DWORD>(2 * (k.size() + 1))),
                      0u);
        }
    }
    PrinterHandle m_printer;
};

TEST_F(TextKeyPathTest, KeysSplitResidentTextOnlyWithByte27) {
    SetKeys({u"K1\tL\t_NULL_\t_NULL_"});
    WriteFile(m_root / "C" / "Windows" / "MKT-G450" / "L.bin", Bytes{0x1B, 0x2A, 0x00});
    Draw(u"FontA11", u"Total K1 end", 0, 40);
    ASSERT_EQ(Records().size(), 1u) << "byte 27 off: no key applies";
    m_pdev->pTxtBufStart.release();

    Setting(27) = 1;
    Draw(u"FontA11", u"Total K1 end", 0, 40);
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].b, Concat({Ascii("Total "), {0x1B, 0x4A, 24}}));
    EXPECT_EQ(records[1].a, (Bytes{0x1B, 0x2A, 0x00}));
    EXPECT_TRUE(records[1].b.empty());
    EXPECT_EQ(records[2].b, Concat({Ascii(" end"), {0x1B, 0x4A, 24}}));
    for (const Record& r : records) EXPECT_EQ(r.y, 40u);
}

TEST_F(TextKeyPathTest, AlternateTextReachesTheRecordButNotATrueTypeRecord) {
    SetKeys({u"ABC\t_NULL_\tX\t_NULL_"});
    Setting(27) = 1;
    Draw(u"FontA11", u"1ABC2ABC", 0, 0);
    Setting(29) = 1;
    Draw(u"FontA11", u"1ABC2ABC", 0, 1);
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].b, Concat({Ascii("1X2X"), {0x1B, 0x4A, 24}}));
    EXPECT_EQ(records[1].type, FTYPE_TRUETYPE);
    EXPECT_EQ(records[1].b.size(), 2u * 8 + 2) << "the type-5 record keeps the text as drawn";
}

// A device font that is neither resident, control nor barcode is dropped, not left to Unidrv.
TEST_F(BuilderPathTest, NameWithoutAnyDeviceFontPatternIsNotPrintedByUnidrv) {
    Draw(u"not a printer font", u"text");
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
    EXPECT_EQ(UnidrvTextOut::calls, 0);
}

}  // namespace
}  // namespace texttest
