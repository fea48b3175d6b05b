// Control fonts: the built-in table of "FontControl"/"Control", the INI route of
// "FontControlA", and which family names are control fonts at all.
#include "TextTestSupport.h"

#include "oemuni/text/DevFontCommands.h"
#include "oemuni/text/FontNames.h"

namespace texttest {
namespace {

class ControlFontTest : public TextCaptureTest {};

TEST_F(ControlFontTest, ParenthesisedAlignLeftGivesEmphasisAroundAlignment) {
    Draw(u"FontControl", u"(w)", 0, 100);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, FTYPE_DEVICE_FONT_CONTROL);
    EXPECT_EQ(records[0].a, (Bytes{0x1B, 0x45, 0x00, 0x1B, 0x61, 0x00, 0x1B, 0x45, 0x01}));
    EXPECT_TRUE(records[0].b.empty());
    EXPECT_EQ(records[0].y, 100u);
}

TEST_F(ControlFontTest, TextsWithoutTableEntriesGiveNoRecord) {
    for (const char16_t* text : {u"   ", u"F", u"f", u"Ff  fF", u"\u00E9\u00FC", u"!\"#$%&'*,./"}) {
        EXPECT_EQ(Draw(u"Control", text), FALSE);
        EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u) << plat::ToUtf8(text);
    }
    EXPECT_EQ(UnidrvTextOut::calls, 0);
}

// One representative per family of the table, checked against the printer's command set.
TEST(GetFontControlCommand, TableEntries) {
    const std::pair<char, Bytes> cases[] = {
        {'+', {0x1B, 0x2D, 0x00}},
        {'-', {0x1B, 0x2D, 0x01}},
        {'5', {0x09}},
        {'6', {0x0A}},
        {'7', {0x0D}},
        {'A', {0x1B, 0x70, 0x00, 0x19, 0xFF}},
        {'E', {0x1B, 0x70, 0x00, 0x7D, 0xFF}},
        {'c', {0x1B, 0x70, 0x01, 0x4B, 0xFF}},
        {'G', {0x1C, 0x70, 0x01, 0x00}},
        {'K', {0x1C, 0x70, 0x05, 0x00}},
        {'[', {0x1C, 0x70, 0x01, 0x03}},
        {'`', {0x1C, 0x70, 0x05, 0x03}},
        {'P', {0x0A, 0x1D, 0x56, 0x42, 0x00}},
        {'R', {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, 0x30, 0x01, 0x01}},
        {'V', {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, 0x34, 0x01, 0x01}},
        {'i', {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, 0x30, 0x02, 0x02}},
        {'m', {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, 0x34, 0x02, 0x02}},
        {'g', {0x1D, 0x56, 0x01}},
        {'p', {0x1D, 0x48, 0x00}},
        {'q', {0x1D, 0x48, 0x01, 0x1D, 0x66, 0x00}},
        {'t', {0x1D, 0x48, 0x02, 0x1D, 0x66, 0x01}},
        {'u', {0x1D, 0x42, 0x01}},
        {'v', {0x1D, 0x42, 0x00}},
        {'x', {0x1B, 0x61, 0x01}},
        {'y', {0x1B, 0x61, 0x02}},
        {'h', {}},
        {'Q', {}},
    };
    for (const auto& [c, expected] : cases) {
        std::vector<BYTE> command;
        const BYTE text[] = {static_cast<BYTE>(c)};
        EXPECT_EQ(GetFontControlCommand(nullptr, command, text), expected.size()) << c;
        EXPECT_EQ(command, expected) << c;
    }
    std::vector<BYTE> command;
    EXPECT_EQ(GetFontControlCommand(nullptr, command, {}), 0u);
}

TEST_F(ControlFontTest, IniRouteTranslatesThroughFontControlA) {
    WriteIni("[Other]\n41=FFFF\n"
             "[FontControlA]\n"
             "41=1B6101\n"      // A
             "7a=1b6101\n"      // z: the lower-case pair 1b is skipped
             "42=1B6\n"         // B: odd length, ignored
             "20=0A\n"          // space is looked up too
             "43=1G0D\n");      // C: the pair 1G is skipped
    Draw(u"FontControlA", u"AzB C\u00E9", 0, 12);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, FTYPE_DEVICE_FONT_CONTROL_A);
    EXPECT_EQ(records[0].a, (Bytes{0x1B, 0x61, 0x01, 0x61, 0x01, 0x0A, 0x0D}));
    EXPECT_TRUE(records[0].b.empty());
}

TEST_F(ControlFontTest, IniRouteWithoutUsableValuesRecordsNothing) {
    Draw(u"FontControlA", u"A");  // no INI file at all
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
    WriteIni("[FontControlA]\n42=1B6\n43=zz\n");
    Draw(u"FontControlA", u"BCD");
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
    EXPECT_EQ(UnidrvTextOut::calls, 0);
    std::vector<BYTE> command;
    EXPECT_EQ(GetCommandFromFile(nullptr, command, std::span<const BYTE>(reinterpret_cast<const BYTE*>("A"), 1)), 0u);
}

// The control fonts are matched exactly; anything else is a resident font or a barcode name.
TEST_F(ControlFontTest, ClassificationOfControlFontNames) {
    WriteIni("[FontControlA]\n77=1B6102\n");
    struct Case {
        const char16_t* name;
        int type;  // recorded type, 0 for no record
    } cases[] = {
        {u"FontControl", FTYPE_DEVICE_FONT_CONTROL},
        {u"Control", FTYPE_DEVICE_FONT_CONTROL},
        {u"FontControlA", FTYPE_DEVICE_FONT_CONTROL_A},
        {u"control", 0},                      // a barcode candidate that names no barcode
        {u"FontControlB", FTYPE_DEVICE_FONT}, // contains "FontC"
    };
    for (const Case& c : cases) {
        m_pdev->pTxtBufStart.release();
        Draw(c.name, u"w");
        const auto records = Records();
        if (c.type == 0) {
            EXPECT_TRUE(records.empty()) << plat::ToUtf8(c.name);
            continue;
        }
        ASSERT_EQ(records.size(), 1u) << plat::ToUtf8(c.name);
        EXPECT_EQ(records[0].type, c.type) << plat::ToUtf8(c.name);
    }
    EXPECT_EQ(UnidrvTextOut::calls, 0);
    EXPECT_EQ(GetDeviceFontType("control"), FTYPE_DEVICE_BARCODE);
    EXPECT_EQ(GetDeviceFontType("FONTCONTROL"), FTYPE_DEVICE_FONT);
    EXPECT_EQ(GetDeviceFontType("My japanese font"), FTYPE_DEVICE_FONT);
    EXPECT_EQ(GetDeviceFontType(""), FTYPE_DEVICE_BARCODE);
}

TEST(FindSubstringNoCase, FirstOccurrenceIgnoringCase) {
    EXPECT_EQ(FindSubstringNoCase("Korean2x2", "KOREAN"), 0u);
    EXPECT_EQ(FindSubstringNoCase("xxFontAfonta", "fontA"), 2u);
    EXPECT_EQ(FindSubstringNoCase("aaab", "aab"), 1u);  // restart after a partial match
    EXPECT_EQ(FindSubstringNoCase("ababac", "abac"), 2u);
    EXPECT_FALSE(FindSubstringNoCase("FontA", ""));
    EXPECT_FALSE(FindSubstringNoCase("", "FontA"));
    EXPECT_FALSE(FindSubstringNoCase("Font", "FontA"));
    EXPECT_FALSE(FindSubstringNoCase("Caf\xC3\xA9", "CAF\xC3\x89"));  // only a-z change case
}

}  // namespace
}  // namespace texttest

namespace texttest {
namespace {

// The INI the package ships: its FontControlA commands as documented.
TEST_F(ControlFontTest, ShippedIniGivesItsDocumentedCommands) {
    std::FILE* f = std::fopen(MKT_SOURCE_DIR "/package/MKTG450.INI", "rb");
    ASSERT_NE(f, nullptr);
    std::string content;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, n);
    std::fclose(f);
    WriteIni(content);
    Draw(u"FontControlA", u"CE", 0, 0);
    Draw(u"FontControlA", u"eL", 0, 1);
    Draw(u"FontControlA", u"UuDWHNfFn", 0, 2);
    Draw(u"FontControlA", u"XxKkR", 0, 3);
    const auto records = Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].a, (Bytes{0x1B, 0x61, 0x01, 0x1B, 0x45, 0x01}));
    EXPECT_EQ(records[1].a, (Bytes{0x1B, 0x45, 0x00, 0x1B, 0x61, 0x00}));
    EXPECT_EQ(records[2].a, (Bytes{0x1B, 0x2D, 0x01, 0x1B, 0x2D, 0x00, 0x1D, 0x21, 0x11, 0x1D, 0x21, 0x10, 0x1D,
                                   0x21, 0x01, 0x1D, 0x21, 0x00, 0x0A, 0x1B, 0x4A, 0x18, 0x1B, 0x64, 0x05}));
    EXPECT_EQ(records[3].a, (Bytes{0x1D, 0x56, 0x41, 0x00, 0x1D, 0x56, 0x42, 0x00, 0x1D, 0x56, 0x00, 0x1D, 0x56,
                                   0x01, 0x1B, 0x61, 0x02}));
}

}  // namespace
}  // namespace texttest
