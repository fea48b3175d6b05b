// The per-device state built at EnablePDEV: settings from printer data, defaults and the
// settings file; paper source, orientation and rotation.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "PluginHarness.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/SettingsDefaults.h"
#include "platform/Printers.h"

namespace {

class EnablePdev : public MachineTest {
protected:
    std::vector<BYTE> Settings(const OemPDEV* dev) const {
        return std::vector<BYTE>(dev->m_UIInfo.byteValue, dev->m_UIInfo.byteValue + SETTINGS_BYTE_COUNT);
    }
};

TEST_F(EnablePdev, NoMiscAndNoSettingsFileGivesTheDefaultsAndSwitchesLoggingOff) {
    // An old log file exists; the defaults switch logging off and remove it.
    WriteHostFile(u"C:\\temp\\MKT-G450\\MKT-G450_0621_0800_OEMUNI.LOG", "old");
    WriteHostFile(u"C:\\temp\\MKT-G450\\notes.txt", "keep");
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    const OemPDEV* p = dev.pdev();
    ASSERT_NE(p, nullptr);
    std::vector<BYTE> expected(DEFAULT_BYTE_VALUES, DEFAULT_BYTE_VALUES + SETTINGS_BYTE_COUNT);
    expected[31] = 0;  // receipt roll selected
    EXPECT_EQ(Settings(p), expected);
    EXPECT_EQ(p->m_UIInfo.dwMiscSize, 0u);
    EXPECT_EQ(p->m_UIInfo.byPage[0], 0);
    EXPECT_EQ(p->m_UIInfo.byPage[1], 0);
    EXPECT_EQ(p->m_UIInfo.dwStartDoc + p->m_UIInfo.dwStartPage + p->m_UIInfo.dwEndPage + p->m_UIInfo.dwEndDoc, 0u);
    EXPECT_FALSE(IsDebugLogEnabled());
    EXPECT_FALSE(std::filesystem::exists(HostPath(u"C:\\temp\\MKT-G450\\MKT-G450_0621_0800_OEMUNI.LOG")));
    EXPECT_TRUE(std::filesystem::exists(HostPath(u"C:\\temp\\MKT-G450\\notes.txt")));

    // Barcode tables take their defaults.
    BYTE barcode[BARCODE_INFO_SIZE];
    SetDefaultBarcodeInfo(barcode);
    EXPECT_EQ(std::memcmp(p->m_UIInfo.byBarcodeInfo, barcode, sizeof barcode), 0);
    EXPECT_EQ(Hex(std::vector<BYTE>(p->m_UIInfo.byBarcodeInfo, p->m_UIInfo.byBarcodeInfo + 10)),
              "00 03 32 00 00 01 03 32 00 00");
    EXPECT_EQ(Hex(std::vector<BYTE>(p->m_UIInfo.byCodeData + 20, p->m_UIInfo.byCodeData + 40)),
              "01 00 03 00 03 00 00 01 03 00 34 03 32 02 02 20 02 02 31 00");
    EXPECT_EQ(p->m_UIInfo.byCodeData[140], 1);  // record 7
    EXPECT_EQ(p->m_UIInfo.byCodeData[120], 0);  // record 6
    EXPECT_EQ(p->m_UIInfo.byCodeData[100], 2);  // record 5
}

TEST_F(EnablePdev, ShortMiscFillsOnlyItsBytes) {
    SetProperty(u"MISC", Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    const OemPDEV* p = dev.pdev();
    EXPECT_EQ(p->m_UIInfo.dwMiscSize, 10u);
    std::vector<BYTE> expected = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    expected.resize(SETTINGS_BYTE_COUNT, 0);
    expected[31] = 0;  // set from the paper source
    EXPECT_EQ(Settings(p), expected);
}

TEST_F(EnablePdev, MiscLongerThan47BytesCountsAsMissing) {
    std::vector<BYTE> misc(48, 7);
    SetProperty(u"MISC", misc);
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    EXPECT_EQ(dev.pdev()->m_UIInfo.byteValue[0], 0);  // default, not 7
    EXPECT_EQ(dev.pdev()->m_UIInfo.byteValue[35], 10);
}

TEST_F(EnablePdev, SettingsFileOverridesTheDefaults) {
    WriteHostFile(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR",
                  "[MKTG450]\r\nPREFERENCE[19]=300\r\nPREFERENCE[35]=abc\r\nPREFERENCE[0]=7\r\n"
                  "PREFERENCE[46]=1\r\npreference[37]=0\r\nPREFERENCE[2]=-1\r\nPREFERENCE[5]=\r\n");
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    const BYTE* bv = dev.pdev()->m_UIInfo.byteValue;
    EXPECT_EQ(bv[19], 44);   // 300 modulo 256
    EXPECT_EQ(bv[35], 0);    // not a number
    EXPECT_EQ(bv[0], 7);
    EXPECT_EQ(bv[37], 0);    // key names ignore case
    EXPECT_EQ(bv[2], 255);   // low 8 bits of -1
    EXPECT_EQ(bv[5], 1);     // empty value keeps the default
    EXPECT_EQ(bv[36], 1);    // missing key keeps the default
    EXPECT_TRUE(IsDebugLogEnabled());
}

TEST_F(EnablePdev, CommandStringsAndTheirLimit) {
    SetMisc({});
    SetProperty(u"StartDoc", Bytes({0xAA, 0xBB, 0xCC}));
    SetProperty(u"EndDoc", std::vector<BYTE>(512, 0x41));
    SetProperty(u"StartPage", std::vector<BYTE>(600, 0x42));  // too long: not read
    SetProperty(u"BarcodeInfo", Bytes({9, 9, 9}));
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    const UIInfo& ui = dev.pdev()->m_UIInfo;
    EXPECT_EQ(ui.dwStartDoc, 3u);
    EXPECT_EQ(Hex(std::vector<BYTE>(ui.szStartDoc, ui.szStartDoc + 4)), "AA BB CC 00");
    EXPECT_EQ(ui.dwEndDoc, 512u);
    EXPECT_EQ(ui.dwStartPage, 0u);
    EXPECT_EQ(ui.szStartPage[0], 0);
    EXPECT_EQ(ui.dwEndPage, 0u);
    EXPECT_EQ(Hex(std::vector<BYTE>(ui.byBarcodeInfo, ui.byBarcodeInfo + 5)), "09 09 09 00 00");
}

TEST_F(EnablePdev, FeatureSelectionsSetPaperTypeLandscapeAndRotation) {
    struct Case {
        std::optional<std::string> inputBin;
        std::optional<std::string> orientation;
        int rotation;
        BYTE bv31, bv42, bv21;
    };
    const Case cases[] = {
        {"Option1", "PORTRAIT", 5, 0, 0, 1},
        {"Option2", "LANDSCAPE_CC270", 2, 1, 1, 2},
        {"Something", "LANDSCAPE_CC90", 7, 1, 0, 3},
        {std::nullopt, std::nullopt, 4, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputBin.value_or("(failed)"));
        SetMisc({{21, c.rotation}, {31, 9}, {42, 9}});
        PluginDevice dev;
        dev.driver.features["InputBin"] = c.inputBin;
        dev.driver.features["Orientation"] = c.orientation;
        ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
        const BYTE* bv = dev.pdev()->m_UIInfo.byteValue;
        EXPECT_EQ(bv[31], c.bv31);
        EXPECT_EQ(bv[42], c.bv42);
        EXPECT_EQ(bv[21], c.bv21);
    }
}

TEST_F(EnablePdev, PrinterNameFromSpoolerOrFromUnidrv) {
    SetMisc({});
    {
        PluginDevice dev;
        ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
        EXPECT_EQ(std::u16string(dev.pdev()->szPrinterName), kPrinterName);
        EXPECT_STREQ(dev.pdev()->szPrinterNameA, "VARNOKE MKT-G450");
    }
    const std::u16string stored = u"Kasse 1 \u00e9";
    std::vector<BYTE> bytes;
    for (char16_t c : stored) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    ASSERT_EQ(SetPrinterDataExW(m_hPrinter, u"DsSpooler", u"printerName", 1, bytes.data(),
                                static_cast<DWORD>(bytes.size())),
              0u);
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    EXPECT_EQ(std::u16string(dev.pdev()->szPrinterName), stored);
    EXPECT_STREQ(dev.pdev()->szPrinterNameA, "Kasse 1 \xe9");  // code page 1252
}

TEST_F(EnablePdev, KeepsUnidrvEntryPointsAndTheDefaultPalette) {
    SetMisc({});
    PALETTE hostPalette;
    PluginDevice dev;
    dev.devInfo.hpalDefault = &hostPalette;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    const OemPDEV* p = dev.pdev();
    EXPECT_EQ(p->hPalette, &hostPalette);
    EXPECT_NE(p->m_pfnDrvAlphaBlend, nullptr);
    EXPECT_NE(p->m_pfnDrvTransparentBlt, nullptr);
    EXPECT_NE(p->m_pfnDrvTextOut, nullptr);
    EXPECT_EQ(p->pJobOutput != nullptr, true);
    dev.Disable();
    EXPECT_EQ(dev.devobj.pdevOEM, nullptr);

    // A 24-bit device gets a palette of the plug-in's own as its default palette.
    PluginDevice colour;
    colour.gdiInfo.cBitsPixel = 24;
    colour.devInfo.hpalDefault = &hostPalette;
    colour.unidrv.resize(2);  // entries with other indices would be ignored; here only two listed
    ASSERT_EQ(colour.Enable(m_hUsePrinter), S_OK);
    EXPECT_NE(colour.devInfo.hpalDefault, &hostPalette);
    EXPECT_EQ(colour.pdev()->hPalette, colour.devInfo.hpalDefault);
    EXPECT_NE(colour.pdev()->m_pfnDrvAlphaBlend, nullptr);
    EXPECT_NE(colour.pdev()->m_pfnDrvBitBlt, nullptr);
    EXPECT_EQ(colour.pdev()->m_pfnDrvCopyBits, nullptr);
}

}  // namespace
