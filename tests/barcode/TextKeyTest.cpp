// Text keys: replacement images split resident-font text, alternate texts replace keys, coupon
// names are collected; records from printer data are untrusted input.
#include "BarcodeTestSupport.h"

#include "oemuni/text/CouponNames.h"
#include "oemuni/text/TextKeyRecords.h"
#include "oemuni/text/TextKeys.h"
#include "platform/CodePage.h"

namespace barcodetest {
namespace {

// FontA11 at X = 0: 1B 74 10 · 08 4D 00 41 · 1D 21 00 · 1B 24 00 00; line end 1B 4A 18 (24 dots).
const Bytes kFontA11 = Hex({0x1B, 0x74, 0x10, 0x08, 0x4D, 0x00, 0x41, 0x1D, 0x21, 0x00, 0x1B, 0x24, 0x00, 0x00});
Bytes Line(const std::string& text) { return Concat({Ascii(text), Hex({0x1B, 0x4A, 0x18})}); }

class TextKeyTest : public TextKeyFixture {
protected:
    void SetUp() override {
        TextKeyFixture::SetUp();
        Setting(27) = 1;
    }
    std::string CouponList() const {
        const ByteBuffer& list = m_pdev->szCouponImgName;
        return std::string(reinterpret_cast<const char*>(list.data()), list.size());
    }
    // TextReplacementWithText on `text` in a zero-filled buffer of `capacity` bytes.
    struct Replaced {
        std::string text;
        DWORD length, capacity;
        bool zeroTail;
    };
    Replaced Replace(const std::string& text, DWORD capacity) {
        std::vector<BYTE> buffer(capacity, 0);
        std::copy(text.begin(), text.end(), buffer.begin());
        DWORD length = static_cast<DWORD>(text.size());
        EXPECT_EQ(TextReplacementWithText(&m_devobj, buffer, length, capacity), 1);
        EXPECT_EQ(buffer.size(), capacity);
        const bool zeroTail = std::all_of(buffer.begin() + length, buffer.end(), [](BYTE b) { return b == 0; });
        return {std::string(buffer.begin(), buffer.begin() + length), length, capacity, zeroTail};
    }
};

TEST_F(TextKeyTest, ReplacementImageSplitsTheStringIntoThreeRecords) {
    SetKeys({u"K1\tL\t_NULL_\t_NULL_"});
    PutImage("L", Hex({0x1B, 0x2A, 0x00, 0x05}));
    Draw(u"FontA11", u"Total K1 end", 0, 40);
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].a, kFontA11);
    EXPECT_EQ(records[0].b, Line("Total "));
    EXPECT_EQ(records[1].a, Hex({0x1B, 0x2A, 0x00, 0x05}));
    EXPECT_TRUE(records[1].b.empty());
    EXPECT_EQ(records[2].a, kFontA11);
    EXPECT_EQ(records[2].b, Line(" end"));
    for (const Record& r : records) {
        EXPECT_EQ(r.type, 1);
        EXPECT_EQ(r.y, 40u);
        EXPECT_EQ(r.height, 24u);
    }
}

TEST_F(TextKeyTest, KeysAreTakenInIndexOrderNotTextOrder) {
    SetKeys({u"#1\tI1", u"#2\tI2"});
    PutImage("I1", Hex({0x11}));
    PutImage("I2", Hex({0x22}));
    Draw(u"FontA11", u"a#2b#1c");
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].b, Line("a#2b"));
    EXPECT_EQ(records[1].a, Hex({0x11}));
    EXPECT_EQ(records[2].b, Line("c"));
}

TEST_F(TextKeyTest, EveryOccurrenceIsReplacedAndStringsOfKeysOnlyPrintImagesOnly) {
    SetKeys({u"@\tI1"});
    PutImage("I1", Hex({0x11, 0x12}));
    Draw(u"FontA11", u"@@x@");
    const auto records = Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].a, Hex({0x11, 0x12}));
    EXPECT_EQ(records[1].a, Hex({0x11, 0x12}));
    EXPECT_EQ(records[2].b, Line("x"));
    EXPECT_EQ(records[3].a, Hex({0x11, 0x12}));
}

// A key whose image is missing is still taken out of the text; a string of such keys only
// prints nothing instead of printing the key.
TEST_F(TextKeyTest, KeyWithMissingImageIsRemovedFromTheText) {
    SetKeys({u"K1\tMISSING"});
    Draw(u"FontA11", u"Total K1 end", 0, 0);
    auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].b, Line("Total "));
    EXPECT_EQ(records[1].b, Line(" end"));

    m_pdev->pTxtBufStart.release();
    Draw(u"FontA11", u"K1K1");
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
    EXPECT_EQ(texttest::UnidrvTextOut::calls, 0);
}

TEST_F(TextKeyTest, StringWithoutKeysIsOneRecord) {
    SetKeys({u"K1\tL"});
    Draw(u"FontA11", u"plain");
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].a, kFontA11);
    EXPECT_EQ(records[0].b, Line("plain"));
}

TEST_F(TextKeyTest, AlternateTexts) {
    SetKeys({u"ABC\t_NULL_\tX\t_NULL_"});
    Replaced r = Replace("1ABC2ABC", 20);
    EXPECT_EQ(r.text, "1X2X");
    EXPECT_EQ(r.length, 4u);
    EXPECT_EQ(r.capacity, 16u) << "capacity changes by the same amount as the length";
    EXPECT_TRUE(r.zeroTail);

    // An alternate text containing its key is inserted once per occurrence, never rescanned.
    SetKeys({u"AB\t_NULL_\tABAB\t_NULL_"});
    r = Replace("AB", 10);
    EXPECT_EQ(r.text, "ABAB");
    EXPECT_EQ(r.capacity, 12u);
    EXPECT_TRUE(r.zeroTail);
    EXPECT_EQ(Replace("xABABy", 10).text, "xABABABABy");

    // Same length: overwritten in place.
    SetKeys({u"AB\t_NULL_\tCD\t_NULL_"});
    r = Replace("ABAB", 8);
    EXPECT_EQ(r.text, "CDCD");
    EXPECT_EQ(r.capacity, 8u);

    // Keys apply one after another, each to the result of the previous ones.
    SetKeys({u"A\t_NULL_\tBB", u"BB\t_NULL_\tC"});
    EXPECT_EQ(Replace("xAx", 8).text, "xCx");
}

// An alternate text longer than its key grows the text with every occurrence; the text stops
// growing at the largest field a record can hold.
TEST_F(TextKeyTest, GrowthIsBounded) {
    const std::u16string alternate(1000, u'z');
    SetKeys({u"a\t_NULL_\t" + alternate});
    const std::string text(200, 'a');
    const Replaced r = Replace(text, 4 * 200 + 1028);
    EXPECT_LE(r.length, 0xFFFFu);
    EXPECT_EQ(r.length, 65u * 1000 + (200 - 65)) << "65 replacements fit, the rest stays";
    EXPECT_EQ(r.text.substr(0, 1000), std::string(1000, 'z'));
    EXPECT_EQ(r.text.back(), 'a');
    EXPECT_TRUE(r.zeroTail);
}

TEST_F(TextKeyTest, AlternateTextReachesThePrintedRecord) {
    SetKeys({u"ABC\t_NULL_\tX\t_NULL_"});
    Draw(u"FontA11", u"1ABC2ABC");
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, Line("1X2X"));
}

TEST_F(TextKeyTest, NullTokensDisableOnlyTheirAction) {
    // No replacement image; the alternate text and the coupon still apply.
    SetKeys({u"K\t_NULL_\tALT\tCPN"});
    Draw(u"FontA11", u"aKb");
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, Line("aALTb"));
    EXPECT_EQ(CouponList(), std::string("CPN\0", 4));

    // "_NULL_" is recognised by its first six characters.
    m_pdev->pTxtBufStart.release();
    m_pdev->szCouponImgName.release();
    m_pdev->dwCouponImgNameLength = 0;
    SetKeys({u"K\t_NULL_image\t_NULL_x\t_NULL_coupon"});
    PutImage("_NULL_image", Hex({0x99}));
    Draw(u"FontA11", u"aKb");
    records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, Line("aKb"));
    EXPECT_TRUE(m_pdev->szCouponImgName.empty());
}

TEST_F(TextKeyTest, SettingsByte27OtherThan1AppliesNoKey) {
    SetKeys({u"K\tL\tALT\tCPN"});
    PutImage("L", Hex({0x42}));
    for (BYTE value : {0, 2, 255}) {
        Setting(27) = value;
        m_pdev->pTxtBufStart.release();
        Draw(u"FontA11", u"aKb");
        const auto records = Records();
        ASSERT_EQ(records.size(), 1u) << int(value);
        EXPECT_EQ(records[0].b, Line("aKb")) << int(value);
        EXPECT_TRUE(m_pdev->szCouponImgName.empty()) << int(value);
    }
}

TEST_F(TextKeyTest, CouponNamesAreCollectedOnceInOrder) {
    SetKeys({u"K2\t_NULL_\t_NULL_\tB22", u"K1\t_NULL_\t_NULL_\tA1", u"K3\t_NULL_\t_NULL_\tA1"});
    Draw(u"FontA11", u"K1 K1 K3");
    Draw(u"FontA11", u"K2");
    Draw(u"FontA11", u"K1 K2");
    EXPECT_EQ(CouponList(), std::string("A1/B22\0", 7));
    EXPECT_EQ(m_pdev->dwCouponImgNameLength, 7u);
    EXPECT_EQ(CheckCouponNameAlreadyExist(&m_devobj, Ascii("A1")), 1);
    EXPECT_EQ(CheckCouponNameAlreadyExist(&m_devobj, Ascii("B22")), 1);
    EXPECT_EQ(CheckCouponNameAlreadyExist(&m_devobj, Ascii("B2")), 0) << "names are compared in full";
    EXPECT_EQ(CheckCouponNameAlreadyExist(&m_devobj, Ascii("A1/B22")), 0);
}

TEST_F(TextKeyTest, CouponNameWithSlashIsIgnored) {
    SetKeys({u"K\t_NULL_\t_NULL_\ta/b"});
    Draw(u"FontA11", u"K");
    Draw(u"FontA11", u"K");
    EXPECT_TRUE(m_pdev->szCouponImgName.empty());
}

TEST(GetTokenFromTextKeyData, TokensRunsOfTabsAndGroupsOfFour) {
    const struct {
        std::string record;
        const char* tokens[4];  // nullptr: no such token
    } cases[] = {
        {"K\tI\tA\tC", {"K", "I", "A", "C"}},
        {"\t\tK\t\t\tI\t\tA\tC\t", {"K", "I", "A", "C"}},
        {"K", {"K", nullptr, nullptr, nullptr}},
        {"K\tI", {"K", "I", nullptr, nullptr}},
        // The fifth token is dropped; the sixth to eighth become tokens 2 to 4.
        {"K\tI\tA\tC\tX\tI2\tA2\tC2", {"K", "I2", "A2", "C2"}},
        {"K\tI\tA\tC\tX\tI2", {"K", "I2", "A", "C"}},
        {"K\tI\tA\tC\tX", {"K", "I", "A", "C"}},
        {"K\tI\tA\tC\tX\tI2\tA2\tC2\tY\tI3", {"K", "I3", "A2", "C2"}},
    };
    for (const auto& c : cases) {
        const Bytes record = Concat({Ascii(c.record), Hex({0})});
        for (int which = 0; which < 4; ++which) {
            DWORD length = 99;
            const auto token = GetTokenFromTextKeyData(record, length, which);
            if (c.tokens[which] == nullptr) {
                EXPECT_FALSE(token) << c.record << " #" << which;
                EXPECT_EQ(length, 0u);
            } else {
                ASSERT_TRUE(token) << c.record << " #" << which;
                EXPECT_EQ(*token, Concat({Ascii(c.tokens[which]), Hex({0})})) << c.record << " #" << which;
                EXPECT_EQ(length, std::strlen(c.tokens[which]));
            }
        }
    }
    DWORD length = 0;
    EXPECT_FALSE(GetTokenFromTextKeyData(Ascii("\t\t\t"), length, TEXT_KEY)) << "no token at all";
    EXPECT_FALSE(GetTokenFromTextKeyData({}, length, TEXT_KEY));
    // Without a terminator the record ends with the value.
    const auto token = GetTokenFromTextKeyData(Ascii("K\tIMG"), length, REPLACE_IMAGE);
    ASSERT_TRUE(token);
    EXPECT_EQ(length, 3u);
}

// Records written by another program: never read past a value, never loop, never crash.
TEST_F(TextKeyTest, MalformedRecordsAreReadWithinTheirBytes) {
    PutImage("IMG", Hex({0x77}));
    SetCount(6);  // more records than present
    // TextKey00: no terminator; TextKey01: odd length; TextKey02: empty; TextKey03: no tabs;
    // TextKey04: only tabs; TextKey05 missing.
    SetRaw(RecordName(0), REG_SZ, Utf16Le(u"K0\tIMG", false));
    Bytes odd = Utf16Le(u"K1\tIMG", false);
    odd.push_back('Z');
    SetRaw(RecordName(1), REG_SZ, odd);
    SetRaw(RecordName(2), REG_SZ, {});
    SetRaw(RecordName(3), REG_SZ, Utf16Le(u"K3"));
    SetRaw(RecordName(4), REG_SZ, Utf16Le(u"\t\t\t"));

    DWORD size = 0;
    auto value = GetPrinterDataFromReg(&m_devobj, RecordName(0).c_str(), size, CP_UTF8);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Concat({Ascii("K0\tIMG"), Hex({0})}));
    EXPECT_EQ(size, 7u);
    value = GetPrinterDataFromReg(&m_devobj, RecordName(1).c_str(), size, CP_UTF8);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Concat({Ascii("K1\tIMG"), Hex({0})})) << "the odd byte is not half a character";
    value = GetPrinterDataFromReg(&m_devobj, RecordName(2).c_str(), size, CP_UTF8);
    ASSERT_TRUE(value);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(*value, Hex({0}));
    EXPECT_FALSE(GetPrinterDataFromReg(&m_devobj, RecordName(5).c_str(), size, CP_UTF8));
    EXPECT_EQ(size, 0u);

    Draw(u"FontA11", u"aK0bK1cK3d");
    const auto records = Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].b, Line("a"));
    EXPECT_EQ(records[1].a, Hex({0x77}));
    EXPECT_EQ(records[2].b, Line("b"));
    EXPECT_EQ(records[3].a, Hex({0x77}));
    EXPECT_EQ(records[4].b, Line("cK3d"));
}

TEST_F(TextKeyTest, KeyLongerThanTheTextAndAbsentCountAreHarmless) {
    SetKeys({u"A-VERY-LONG-KEY\tIMG\tALT\tCPN"});
    Draw(u"FontA11", u"A-V");
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, Line("A-V"));
    EXPECT_TRUE(m_pdev->szCouponImgName.empty());

    // Without "NumTextKey" the string prints without text keys.
    ASSERT_EQ(DeletePrinterDataExW(m_printer.get(), u"TextKeyFunction", u"NumTextKey"), 0u);
    std::vector<BYTE> buffer = Ascii("A-V");
    DWORD length = 3, capacity = 3;
    EXPECT_EQ(TextReplacementWithText(&m_devobj, buffer, length, capacity), 0);
    EXPECT_EQ(SaveCouponImgName(&m_devobj, Ascii("A-V")), 0);
    EXPECT_EQ(AddTextKeyImgBufAndDevFontData(&m_devobj, &m_surf, nullptr, nullptr, "FontA11", Ascii("A-V"), 0), 0u);
}

TEST_F(TextKeyTest, NumTextKeyAsOneByteOrThirtyTwoBits) {
    SetRaw(u"NumTextKey", REG_BINARY, Hex({2}));
    SetRaw(RecordName(0), REG_SZ, Utf16Le(u"x\t_NULL_\ty"));
    SetRaw(RecordName(1), REG_SZ, Utf16Le(u"y\t_NULL_\tz"));
    EXPECT_EQ(Replace("x", 4).text, "z");
    SetCount(1);
    EXPECT_EQ(Replace("x", 4).text, "y");
    SetCount(0);
    EXPECT_EQ(Replace("x", 4).text, "x");
}

TEST_F(TextKeyTest, ConvertedValueThatDoesNotFitReadsAsEmpty) {
    // Three euro signs: 8 bytes stored, 9 UTF-8 bytes plus the terminator needed.
    SetRaw(RecordName(0), REG_SZ, Utf16Le(u"\u20AC\u20AC\u20AC"));
    DWORD size = 0;
    const auto value = GetPrinterDataFromReg(&m_devobj, RecordName(0).c_str(), size, CP_UTF8);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Hex({0}));
    // Two fit: 6 bytes stored, 6 + 1 needed, 7 available.
    SetRaw(RecordName(0), REG_SZ, Utf16Le(u"\u20AC\u20AC"));
    const auto fits = GetPrinterDataFromReg(&m_devobj, RecordName(0).c_str(), size, CP_UTF8);
    ASSERT_TRUE(fits);
    EXPECT_EQ(*fits, Hex({0xE2, 0x82, 0xAC, 0xE2, 0x82, 0xAC, 0}));
    EXPECT_EQ(size, 7u);
}

TEST_F(TextKeyTest, WithoutPrinterHandleNothingIsRead) {
    m_devobj.hPrinter = nullptr;
    DWORD size = 5;
    EXPECT_FALSE(GetPrinterDataFromReg(&m_devobj, u"NumTextKey", size, CP_UTF8));
    EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace barcodetest
