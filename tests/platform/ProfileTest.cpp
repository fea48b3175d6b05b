#include "TempMachine.h"
#include "platform/LastError.h"
#include "platform/Profile.h"

namespace fs = std::filesystem;

class ProfileTest : public TempMachine {
protected:
    void SetUp() override {
        TempMachine::SetUp();
        WriteHost(root / "C" / "Windows" / "MKT-G450" / "MKTG450_Config.VKR",
                  "[MKTG450]\r\n"
                  "PREFERENCE[0] = 1 \r\n"
                  "PORT=\"COM3\"\r\n"
                  "IP_ADDRESS=192.168.0.10\r\n"
                  "Name=Caf\xE9\r\n"
                  "\r\n"
                  "[Other]\r\n"
                  "PORT=9\r\n");
    }
    static constexpr const char16_t* kFile = u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR";
};

TEST_F(ProfileTest, CaseInsensitiveNamesTrimmedAndUnquotedValues) {
    char16_t buf[64];
    EXPECT_EQ(GetPrivateProfileStringW(u"mktg450", u"preference[0]", u"", buf, 64, kFile), 1u);
    EXPECT_EQ(std::u16string(buf), u"1");
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"Port", u"", buf, 64, kFile), 4u);
    EXPECT_EQ(std::u16string(buf), u"COM3");
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"NAME", u"", buf, 64, kFile), 4u);
    EXPECT_EQ(std::u16string(buf), u"Caf\u00E9");  // 8-bit file read in code page 1252
    EXPECT_EQ(GetPrivateProfileStringW(u"other", u"PORT", u"", buf, 64, kFile), 1u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Other", u"port", 5, kFile), 9u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Other", u"missing", 5, kFile), 5u);
}

TEST_F(ProfileTest, TruncationDefaultsAndMissingFile) {
    char16_t buf[8];
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"IP_ADDRESS", u"", buf, 8, kFile), 7u);
    EXPECT_EQ(std::u16string(buf), u"192.168");
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"PORTDLG", u"dflt  ", buf, 8, kFile), 4u);
    EXPECT_EQ(std::u16string(buf), u"dflt");
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"PORT", nullptr, buf, 8, u"C:\\Windows\\none.ini"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(buf[0], 0);
}

TEST_F(ProfileTest, ListsAreDoubleZeroTerminatedAndCut) {
    char16_t buf[64];
    const DWORD n = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf, 64, kFile);
    EXPECT_EQ(n, 14u);
    EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"MKTG450\0Other\0\0", 15));
    EXPECT_EQ(buf[n], 0);
    char16_t small[6];
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", nullptr, nullptr, small, 6, kFile), 4u);
    EXPECT_EQ(std::u16string(small, 6), std::u16string(u"PREF\0\0", 6));
    const DWORD s = GetPrivateProfileSectionW(u"Other", buf, 64, kFile);
    EXPECT_EQ(std::u16string(buf, s + 1), std::u16string(u"PORT=9\0\0", 8));
}

TEST_F(ProfileTest, FileNameWithoutFolderIsInTheWindowsDirectory) {
    WriteHost(root / "C" / "Windows" / "MKTG450.INI", "[FontControlA]\nFontA=1B 21 00\n");
    char16_t buf[32];
    EXPECT_EQ(GetPrivateProfileStringW(u"FontControlA", u"FontA", u"", buf, 32, u"mktg450.ini"), 8u);
    char narrow[32];
    EXPECT_EQ(GetPrivateProfileStringA("FontControlA", "FONTA", "", narrow, 32, "MKTG450.INI"), 8u);
    EXPECT_STREQ(narrow, "1B 21 00");
}

TEST_F(ProfileTest, Utf16FileReadAndWrittenBackInUtf16) {
    const std::u16string text = u"[S]\r\nK=\u00FCber\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    WriteHost(root / "C" / "Windows" / "u.ini", bytes);
    char16_t buf[16];
    EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"", buf, 16, u"C:\\Windows\\u.ini"), 4u);
    EXPECT_EQ(std::u16string(buf), u"\u00FCber");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"New", u"\u4E2D", u"C:\\Windows\\u.ini"));
    const std::string after = ReadHost(root / "C" / "Windows" / "u.ini");
    EXPECT_EQ(after.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"NEW", u"", buf, 16, u"C:\\Windows\\u.ini"), 1u);
    EXPECT_EQ(buf[0], u'\u4E2D');
}

TEST_F(ProfileTest, WriteSetsReplacesAndDeletes) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"mktg450", u"port", u"USB", kFile));
    ASSERT_TRUE(WritePrivateProfileStringW(u"MKTG450", u"PORT_NUMBER", u"9100", kFile));
    ASSERT_TRUE(WritePrivateProfileStringW(u"New", u"A", u"1", kFile));
    ASSERT_TRUE(WritePrivateProfileStringW(u"MKTG450", u"IP_ADDRESS", nullptr, kFile));
    ASSERT_TRUE(WritePrivateProfileStringW(u"other", nullptr, nullptr, kFile));
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "MKT-G450" / "MKTG450_Config.VKR"),
              "[MKTG450]\r\n"
              "PREFERENCE[0] = 1 \r\n"
              "PORT=USB\r\n"
              "Name=Caf\xE9\r\n"
              "PORT_NUMBER=9100\r\n"
              "\r\n"
              "[New]\r\n"
              "A=1\r\n");
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"V", u"C:\\NoFolder\\x.ini"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}
