// Resident-font text: the font command, the line end and the code page of the text.
#include "TextTestSupport.h"

#include "oemuni/text/DevFontCommands.h"

namespace texttest {
namespace {

class ResidentFontTest : public TextCaptureTest {};

TEST_F(ResidentFontTest, FontB2x1AtX300RecordsCommandTextAndFeed) {
    EXPECT_EQ(Draw(u"FontB2x1", u"AB", 300, 40), FALSE);
    EXPECT_EQ(UnidrvTextOut::calls, 0) << "device text must not be drawn by Unidrv";
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    const Record& r = records[0];
    EXPECT_EQ(r.type, FTYPE_DEVICE_FONT);
    EXPECT_EQ(r.height, 24u);
    EXPECT_EQ(r.x, 300u);
    EXPECT_EQ(r.y, 40u);
    EXPECT_EQ(r.a, (Bytes{0x1B, 0x74, 0x10, 0x08, 0x4D, 0x00, 0x42, 0x1D, 0x21, 0x10, 0x1B, 0x24, 0x2C, 0x01}));
    EXPECT_EQ(r.b, (Bytes{'A', 'B', 0x1B, 0x4A, 24}));
    EXPECT_EQ(m_pdev->dwBottomTxtCoordinate, 64u);
}

// Name -> code-table byte e, font letter L and size byte n of the standard-font command.
struct StandardCase {
    const char16_t* name;
    BYTE table, letter, size;
};

TEST_F(ResidentFontTest, StandardFontNamesGiveTableLetterAndSize) {
    const StandardCase cases[] = {
        {u"FontA11", 0x10, 'A', 0x00},
        {u"FontA1x1Ext", 0x00, 'A', 0x00},
        {u"FontB2x2 255", 0xFF, 'B', 0x11},
        {u"FontC8x8", 0x10, 'C', 0x77},
        {u"fontc3X4", 0x10, 'c', 0x23},
        {u"FontA", 0x10, 'A', 0xBF},  // no digits: both read as 0
        {u"FontA2x8Ext255", 0x00, 'A', 0x17},
    };
    for (const StandardCase& c : cases) {
        m_pdev->pTxtBufStart.release();
        Draw(c.name, u"x", 5, 0);
        const auto records = Records();
        ASSERT_EQ(records.size(), 1u) << plat::ToUtf8(c.name);
        EXPECT_EQ(records[0].a, (Bytes{0x1B, 0x74, c.table, 0x08, 0x4D, 0x00, c.letter, 0x1D, 0x21, c.size,
                                       0x1B, 0x24, 0x05, 0x00}))
            << plat::ToUtf8(c.name);
        EXPECT_EQ(records[0].b, (Bytes{'x', 0x1B, 0x4A, 24})) << plat::ToUtf8(c.name);
    }
}

TEST_F(ResidentFontTest, FeedIsCappedAt255Dots) {
    TestFont::Options o;
    o.size = 300.0f;
    Draw(u"FontA11", u"Big", 0, 0, o);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].height, 300u);
    EXPECT_EQ(records[0].b, (Bytes{'B', 'i', 'g', 0x1B, 0x4A, 0xFF}));
}

TEST_F(ResidentFontTest, NegativeXIsSplitWithTruncatingDivision) {
    Draw(u"FontA11", u"x", -5, 0);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].a[12], 0xFB);
    EXPECT_EQ(records[0].a[13], 0x00);
}

// Double-byte fonts: the text reaches the record in the font's code page, the command
// selects double-byte mode and the line end cancels it.
struct CjkCase {
    const char16_t* name;
    const char16_t* text;
    Bytes command;  // without the position bytes (X = 0x0110 -> 10 01)
    Bytes textBytes;
};

TEST_F(ResidentFontTest, CjkFontsUseTheirCodePageAndDoubleByteMode) {
    const CjkCase cases[] = {
        {u"Korean2x2", u"\uD55C\uAE00", {0x1C, 0x26, 0x1D, 0x21, 0x11, 0x1B, 0x24}, {0xC7, 0xD1, 0xB1, 0xDB}},
        {u"Chinese2312 2x1", u"\u4E2D\u6587", {0x1C, 0x26, 0x1D, 0x21, 0x10, 0x1B, 0x24}, {0xD6, 0xD0, 0xCE, 0xC4}},
        {u"ChineseBIG5 1x1", u"\u4E2D\u6587", {0x1C, 0x26, 0x1D, 0x21, 0x00, 0x1B, 0x24}, {0xA4, 0xA4, 0xA4, 0xE5}},
        {u"Japanese1x2", u"\u65E5\u672C", {0x1C, 0x26, 0x1C, 0x43, 0x01, 0x1D, 0x21, 0x01, 0x1B, 0x24},
         {0x93, 0xFA, 0x96, 0x7B}},
    };
    for (const CjkCase& c : cases) {
        m_pdev->pTxtBufStart.release();
        Draw(c.name, c.text, 0x110, 8);
        const auto records = Records();
        ASSERT_EQ(records.size(), 1u) << plat::ToUtf8(c.name);
        EXPECT_EQ(records[0].type, FTYPE_DEVICE_FONT);
        EXPECT_EQ(records[0].a, Concat({c.command, {0x10, 0x01}})) << plat::ToUtf8(c.name);
        EXPECT_EQ(records[0].b, Concat({c.textBytes, {0x1C, 0x2E, 0x1B, 0x4A, 24}})) << plat::ToUtf8(c.name);
    }
}

TEST_F(ResidentFontTest, AnsiFontsConvertToTheSystemCodePage) {
    Draw(u"FontA11", u"Caf\u00E9 \u20AC", 0, 0);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, (Bytes{'C', 'a', 'f', 0xE9, ' ', 0x80, 0x1B, 0x4A, 24}));
}

TEST(GetDevFontCommand, GrowsATextBufferWithoutSpareBytes) {
    std::vector<BYTE> command;
    std::vector<BYTE> text = {'a', 'b'};  // no room for the line end
    DWORD length = 2;
    EXPECT_EQ(GetDevFontCommand(command, "Korean1x1", text, length, 0, nullptr), 9u);
    EXPECT_EQ(length, 7u);
    ASSERT_GE(text.size(), 7u);
    EXPECT_EQ(Bytes(text.begin(), text.begin() + 7), (Bytes{'a', 'b', 0x1C, 0x2E, 0x1B, 0x4A, 0x00}));
    EXPECT_EQ(GetDevFontCommand(command, nullptr, text, length, 0, nullptr), 0u);
    EXPECT_TRUE(command.empty());
}

}  // namespace
}  // namespace texttest
