// The text-out hook: what goes to Unidrv, what is recorded, and how records read back.
#include "TextTestSupport.h"

#include "oemuni/text/FontHeight.h"

namespace texttest {
namespace {

class CaptureTest : public TextCaptureTest {};

TEST_F(CaptureTest, MissingStringOrFontObjectReturnsZeroWithoutUnidrv) {
    TestFont font(u"FontA11");
    TestString s(u"x", 0, 0);
    EXPECT_EQ(OEMTextOut(&m_surf, nullptr, font.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), FALSE);
    EXPECT_EQ(OEMTextOut(&m_surf, s.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), FALSE);
    EXPECT_EQ(UnidrvTextOut::calls, 0);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
}

TEST_F(CaptureTest, LandscapeLeavesEveryStringToUnidrv) {
    Setting(42) = 1;
    UnidrvTextOut::result = 7;
    EXPECT_EQ(Draw(u"FontA11", u"device"), 7);
    Setting(38) = 1;
    Setting(40) = 1;
    TestFont::Options tt;
    tt.flFontType = FO_TYPE_TRUETYPE;
    EXPECT_EQ(Draw(u"DejaVu Sans", u"true type", 0, 0, tt), 7);
    EXPECT_EQ(UnidrvTextOut::calls, 2);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
}

TEST_F(CaptureTest, GlyphOnlyCallGoesToUnidrv) {
    TestFont font(u"FontA11");
    TestString s(u"x", 0, 0);
    s.get()->pwszOrg = nullptr;
    EXPECT_EQ(OEMTextOut(&m_surf, s.get(), font.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), TRUE);
    EXPECT_EQ(UnidrvTextOut::calls, 1);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
}

TEST_F(CaptureTest, TrueTypeTextIsRecordedOnlyOnReducedPages) {
    TestFont::Options tt;
    tt.flFontType = FO_TYPE_TRUETYPE;
    tt.weight = 700;
    tt.fsSelection = 0x12;  // underline and strike-out
    tt.charSet = 0x80;
    tt.pitchAndFamily = 0x22;
    tt.flFontType |= FO_SIM_ITALIC;
    EXPECT_EQ(Draw(u"DejaVu Sans", u"Thank you", 0, 200, tt), TRUE);
    EXPECT_EQ(UnidrvTextOut::calls, 1);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);

    Setting(38) = 1;
    Setting(40) = 1;  // 0.75
    EXPECT_EQ(Draw(u"DejaVu Sans", u"Thank you", 16, 200, tt), FALSE);
    EXPECT_EQ(UnidrvTextOut::calls, 1);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    const Record& r = records[0];
    EXPECT_EQ(r.type, FTYPE_TRUETYPE);
    EXPECT_EQ(r.height, 24u);
    EXPECT_EQ(r.weight, 700u);
    EXPECT_EQ(r.italic, 1);
    EXPECT_EQ(r.underline, 1);
    EXPECT_EQ(r.strikeOut, 1);
    EXPECT_EQ(r.charSet, 0x80);
    EXPECT_EQ(r.pitch, 0x22);
    EXPECT_EQ(r.x, 16u);
    EXPECT_EQ(r.a.size(), 2u * 11 + 1);  // "DejaVu Sans" + one zero byte
    EXPECT_EQ(r.b.size(), 2u * 9 + 1);   // "Thank you" + one zero byte
    EXPECT_EQ(r.b[0], 'T');
    EXPECT_EQ(r.b[1], 0);
    EXPECT_EQ(r.b.back(), 0);

    const auto reads = ReadBack();
    ASSERT_EQ(reads.size(), 1u);
    const LOGFONTW& lf = reads[0].lf;
    EXPECT_EQ(lf.lfHeight, -24);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, 0x80);
    EXPECT_EQ(lf.lfPitchAndFamily, 0x22);
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"DejaVu Sans");
    EXPECT_EQ(reads[0].x, 16u);
    EXPECT_EQ(reads[0].y, 200u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(reads[0].text.data())), u"Thank you");
    EXPECT_EQ(m_pdev->dwLastTxt_PosY, 200u);
    EXPECT_EQ(m_pdev->dwLastTxt_Height, 24u);
    EXPECT_EQ(m_pdev->dwDevTxtBufSize(), 0u) << "type-5 records stay out of the device-text buffer";
}

TEST_F(CaptureTest, PreviewTurnsResidentTextIntoATrueTypeRecord) {
    Setting(29) = 1;
    EXPECT_EQ(Draw(u"FontA11", u"TOTAL", 0, 100), FALSE);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, FTYPE_TRUETYPE);
    EXPECT_EQ(records[0].a.size(), 2u * 7 + 1);
    EXPECT_EQ(records[0].b.size(), 2u * 5 + 2);  // two zero bytes after a resident-font string
    EXPECT_EQ(records[0].b[8], 'L');
    EXPECT_EQ(UnidrvTextOut::calls, 0);
}

TEST_F(CaptureTest, RotationAndReductionAlsoTurnResidentTextIntoTrueType) {
    Setting(21) = 1;
    Draw(u"FontA11", u"a");
    Setting(21) = 0;
    Setting(38) = 1;
    Setting(40) = 2;
    Draw(u"FontA11", u"b");
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, FTYPE_TRUETYPE);
    EXPECT_EQ(records[1].type, FTYPE_TRUETYPE);
}

TEST_F(CaptureTest, CustomPercentageIsRaisedTo10ThenTo25) {
    Setting(38) = 1;
    Setting(40) = 4;
    Setting(41) = 5;
    TestFont::Options tt;
    tt.flFontType = FO_TYPE_TRUETYPE;
    Draw(u"DejaVu Sans", u"x", 0, 0, tt);
    EXPECT_EQ(Setting(41), 10);
    Draw(u"FontA11", u"y");
    EXPECT_EQ(Setting(41), 25);
    Setting(41) = 180;
    Draw(u"FontA11", u"z");
    EXPECT_EQ(Setting(41), 100);
    // At 100 % the factor is exactly 1.0: resident text is printed with a font command again.
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].type, FTYPE_TRUETYPE);
    EXPECT_EQ(records[2].type, FTYPE_DEVICE_FONT);
}

TEST_F(CaptureTest, DeviceRecordsAreOrderedByYKeepingCaptureOrder) {
    Draw(u"FontA11", u"first 10", 0, 10);
    Draw(u"FontA11", u"first 30", 0, 30);
    Draw(u"FontA11", u"only 20", 0, 20);
    Draw(u"Control", u"w", 0, 30);
    ReadBack();
    const auto dev = ParseRecords(m_pdev->pDevTxtBufStart);
    ASSERT_EQ(dev.size(), 4u);
    EXPECT_EQ(dev[0].y, 10u);
    EXPECT_EQ(dev[1].y, 20u);
    EXPECT_EQ(dev[2].y, 30u);
    EXPECT_EQ(dev[3].y, 30u);
    EXPECT_EQ(dev[2].type, FTYPE_DEVICE_FONT) << "the first record at 30 stays first";
    EXPECT_EQ(dev[3].type, FTYPE_DEVICE_FONT_CONTROL);
    EXPECT_EQ(dev[1].b[0], 'o');
    EXPECT_EQ(m_pdev->dwDevTxtBufSize(), m_pdev->dwTxtBufSize());
}

TEST_F(CaptureTest, NegativeYIsStoredAsFB00AndReadBackAs251) {
    Draw(u"FontA11", u"up", 0, -5);
    ASSERT_GE(m_pdev->dwTxtBufSize(), FONT_RECORD_HEADER_SIZE);
    EXPECT_EQ(m_pdev->pTxtBufStart[15], 0xFB);
    EXPECT_EQ(m_pdev->pTxtBufStart[16], 0x00);
    DWORD y = 0;
    EXPECT_NE(ExtractDevFontsInfo(&m_devobj, 0, &y), 0u);
    EXPECT_EQ(y, 251u);
}

TEST_F(CaptureTest, FaceNamesReachTheLogicalFontWithAtMost31Characters) {
    Setting(29) = 1;
    const std::u16string name20 = u"FontA11 twenty chars";
    const std::u16string name40 = u"FontA11 forty characters long face name!";
    ASSERT_EQ(name20.size(), 20u);
    ASSERT_EQ(name40.size(), 40u);
    Draw(name20.c_str(), u"a", 0, 1);
    Draw(name40.c_str(), u"b", 0, 2);
    const auto reads = ReadBack();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(std::u16string(reads[0].lf.lfFaceName), name20);
    EXPECT_EQ(std::u16string(reads[1].lf.lfFaceName), name40.substr(0, 31));
}

TEST(GetFontHeight, FromUnitsPerEmAndTransform) {
    TestFont font(u"FontA11");
    font.xform().xform.eM22 = 0.01171875f;
    EXPECT_EQ(GetFontHeight(font.get()), 24u);
    font.xform().xform.eM21 = 3.0f / 256.0f;  // a 3-4-5 transform: sqrt gives 5/256
    font.xform().xform.eM22 = 4.0f / 256.0f;
    EXPECT_EQ(GetFontHeight(font.get()), 40u);
    font.xform().xform.eM21 = 0.0f;
    font.xform().xform.eM22 = 10.25f / 2048.0f;  // x.25 rounds down, x.5 rounds up
    EXPECT_EQ(GetFontHeight(font.get()), 10u);
    font.xform().xform.eM22 = 10.5f / 2048.0f;
    EXPECT_EQ(GetFontHeight(font.get()), 11u);
    EXPECT_EQ(GetFontHeight(nullptr), 0xFFFFFFFFu);
}

TEST_F(CaptureTest, ReaderStopsOnUnknownTypeAndOnRecordsCutShort) {
    Draw(u"FontA11", u"ok", 0, 3);
    const DWORD size = m_pdev->dwTxtBufSize();
    // An unknown type stops the reading.
    m_pdev->pTxtBufStart.grow(FONT_RECORD_HEADER_SIZE);
    m_pdev->pTxtBufStart[size] = 9;
    LOGFONTW lf = {};
    std::vector<BYTE> text(FONT_RECORD_TEXT_BUF_SIZE, 0);
    DWORD x = 0, y = 0;
    EXPECT_EQ(ExtractFontInfoFromBuf(&m_devobj, 0, &lf, &x, &y, text), size - 1);
    EXPECT_EQ(ExtractFontInfoFromBuf(&m_devobj, size, &lf, &x, &y, text), 0u);
    // A record whose stored lengths reach past the buffer is not read.
    m_pdev->pTxtBufStart[size] = FTYPE_DEVICE_FONT;
    m_pdev->pTxtBufStart[size + 17] = 0x40;
    EXPECT_EQ(ExtractFontInfoFromBuf(&m_devobj, size, &lf, &x, &y, text), 0u);
    m_pdev->pTxtBufStart[size] = FTYPE_TRUETYPE;
    EXPECT_EQ(ExtractFontInfoFromBuf(&m_devobj, size, &lf, &x, &y, text), 0u);
}

// Lengths A and B are 16-bit fields: a field that does not fit is not recorded at all,
// and the records around it stay readable.
TEST_F(CaptureTest, FieldsLongerThan16BitsAreNotRecorded) {
    Draw(u"FontA11", u"before", 0, 1);
    const DWORD before = m_pdev->dwTxtBufSize();

    // 33000 double-byte characters: 66000 text bytes plus the line end.
    Draw(u"Chinese2312 1x1", std::u16string(33000, u'\u4E2D'), 0, 2);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), before);

    // A TrueType string of 40000 units on a reduced page would need 80001 bytes.
    Setting(38) = 1;
    Setting(40) = 1;
    TestFont::Options tt;
    tt.flFontType = FO_TYPE_TRUETYPE;
    Draw(u"DejaVu Sans", std::u16string(40000, u'x'), 0, 3, tt);
    EXPECT_EQ(m_pdev->dwTxtBufSize(), before);
    Setting(38) = 0;

    // Exactly 65535 bytes still fit: 65532 characters and the 3-byte line end.
    Draw(u"FontA11", std::u16string(65532, u'A'), 0, 4);
    Draw(u"FontA11", u"after", 0, 5);
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].b.size(), 65535u);
    EXPECT_EQ(records[2].y, 5u);
    EXPECT_EQ(records[2].b[0], 'a');
}

// The reader's text buffer is 8192 bytes: a longer field B is cut, ending in a zero unit.
TEST_F(CaptureTest, LongTrueTypeTextIsCutToTheReaderBuffer) {
    Setting(38) = 1;
    Setting(40) = 1;
    TestFont::Options tt;
    tt.flFontType = FO_TYPE_TRUETYPE;
    Draw(u"DejaVu Sans", std::u16string(5000, u'x'), 0, 3, tt);
    Draw(u"DejaVu Sans", u"next", 0, 9, tt);
    const auto reads = ReadBack();
    ASSERT_EQ(reads.size(), 2u);
    const std::u16string first(reinterpret_cast<const char16_t*>(reads[0].text.data()));
    EXPECT_EQ(first, std::u16string(4095, u'x'));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(reads[1].text.data())), u"next");
}

TEST_F(CaptureTest, BottomCoordinateIsTheLowestYPlusHeight) {
    Draw(u"FontA11", u"a", 0, 100);
    TestFont::Options big;
    big.size = 48.0f;
    Draw(u"FontA11", u"b", 0, 90, big);
    Draw(u"FontA11", u"c", 0, 20);
    EXPECT_EQ(m_pdev->dwBottomTxtCoordinate, 138u);
}

}  // namespace
}  // namespace texttest
