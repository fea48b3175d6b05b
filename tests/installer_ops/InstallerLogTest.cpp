#include <thread>

#include "InstallerFixture.h"
#include "installer/app/InstallerLog.h"
#include "installer/app/SettingsFile.h"
#include "platform/LocalTime.h"
#include "platform/Profile.h"

using installer::WriteLog;

class InstallerLogTest : public InstallerMachine {};

TEST_F(InstallerLogTest, LogLivesOnTheDriveOfTheWindowsFolder) {
    fs::create_directories(root / "D" / "WINDOWS");
    plat::SetWindowsDirectory(u"D:\\WINDOWS");
    installer::OpenInstallerLog();
    EXPECT_EQ(installer::GetInstallerLogPath(), u"D:\\Temp\\MKT-G450_Installer.txt");
    WriteLog(u"x");
    const std::string bytes = ReadHost(root / "D" / "Temp" / "MKT-G450_Installer.txt");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    plat::SetWindowsDirectory(u"C:\\Windows");
}

TEST_F(InstallerLogTest, LineFormatAndFreshFileEachRun) {
    SYSTEMTIME t{};
    t.wYear = 2026; t.wMonth = 12; t.wDay = 11; t.wHour = 7; t.wMinute = 5; t.wSecond = 9;
    plat::SetLocalTimeOverride(t);
    WriteLog(u"old run");
    installer::OpenInstallerLog();  // a new run starts a new file
    WriteLog(u"IP ADDRESS : %s", std::u16string(u"10.0.0.5"));
    WriteLog(u"PORT NUMBER : %d", 9101);
    WriteLog(u"%02u|%-4s|%x|%d", 3u, u"ab", 255u, -7);
    plat::SetLocalTimeOverride(std::nullopt);
    const std::string bytes = ReadHost(root / "C" / "Temp" / "MKT-G450_Installer.txt");
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    EXPECT_EQ(text, u"\xFEFF" u"07:05:09: IP ADDRESS : 10.0.0.5 \r\n"
                    u"07:05:09: PORT NUMBER : 9101 \r\n"
                    u"07:05:09: 03|ab  |ff|-7 \r\n");
}

TEST_F(InstallerLogTest, LongLineIsCutAt511CharactersWithoutLineEnd) {
    WriteLog(u"%s", std::u16string(600, u'a'));
    WriteLog(u"next");
    const std::string bytes = ReadHost(root / "C" / "Temp" / "MKT-G450_Installer.txt");
    // BOM + 511 characters, then the next line directly.
    ASSERT_GE(bytes.size(), 2u + 511 * 2);
    std::u16string first;
    for (size_t i = 2; i < 2 + 511 * 2; i += 2)
        first.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
    EXPECT_EQ(first.substr(10), std::u16string(501, u'a'));
    EXPECT_EQ(bytes[2 + 511 * 2 + 4], ':');  // "hh:" of the next line follows at once
}

TEST_F(InstallerLogTest, LinesBeforeOpeningAreDropped) {
    installer::CloseInstallerLog();
    WriteLog(u"dropped");
    installer::OpenInstallerLog();
    WriteLog(u"kept");
    EXPECT_EQ(LogMessages(), std::vector<std::u16string>{u"kept"});
}

TEST_F(InstallerLogTest, LinesOfTwoThreadsStayWhole) {
    auto writer = [](char16_t c) {
        for (int i = 0; i < 200; ++i) WriteLog(u"%s", std::u16string(40, c));
    };
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    const auto msgs = LogMessages();
    ASSERT_EQ(msgs.size(), 400u);
    for (const auto& m : msgs)
        EXPECT_TRUE(m == std::u16string(40, u'a') || m == std::u16string(40, u'b')) << U8(m);
}

class SettingsFileTest : public InstallerMachine {};

TEST_F(SettingsFileTest, ReadsTheCurrentFolderFirst) {
    char16_t value[64] = {};
    ASSERT_NE(installer::GetDriverInfoFromFile(u"IP_ADDRESS", value, 64), nullptr);
    EXPECT_EQ(std::u16string(value), u"192.168.0.50");
    EXPECT_TRUE(Logged(u"GetDriverInfoFromFile : Config file path = .\\MKTG450_Config.VKR"));
    EXPECT_TRUE(Logged(u"GetDriverInfoFromFile : lpReturnedString = 192.168.0.50"));
    EXPECT_TRUE(Logged(u"dwSize for lpReturnedString : 64"));
}

TEST_F(SettingsFileTest, EmptyValueMakesTheFileNextToTheProgramBeConsulted) {
    WriteHost(package / "MKTG450_Config.VKR", "[MKTG450]\r\nPORT=\r\n");
    WriteHost(root / "C" / "Prog" / "MKTG450_Config.VKR", "[mktg450]\r\nport=COM3\r\n");
    plat::SetModuleFileName(u"C:\\Prog\\MKTG450_Installer.exe");
    char16_t value[256] = {};
    ASSERT_NE(installer::GetDriverInfoFromFile(u"PORT", value, 256), nullptr);
    EXPECT_EQ(std::u16string(value), u"COM3");
    EXPECT_TRUE(Logged(u"GetDriverInfoFromFile : Config file path = C:\\Prog\\MKTG450_Config.VKR"));
}

TEST_F(SettingsFileTest, NoFileInTheCurrentFolderButOneNextToTheProgram) {
    fs::remove(package / "MKTG450_Config.VKR");
    WriteHost(root / "C" / "Prog" / "MKTG450_Config.VKR", "[MKTG450]\r\nPORT_NUMBER=9101\r\n");
    plat::SetModuleFileName(u"C:\\Prog\\MKTG450_Installer.exe");
    char16_t value[16] = {};
    ASSERT_NE(installer::GetDriverInfoFromFile(u"PORT_NUMBER", value, 16), nullptr);
    EXPECT_EQ(std::u16string(value), u"9101");
}

TEST_F(SettingsFileTest, MissingEverywhereGivesNullAndTheFailureLine) {
    char16_t value[16] = {u'x'};
    EXPECT_EQ(installer::GetDriverInfoFromFile(u"NOSUCHKEY", value, 16), nullptr);
    const auto msgs = LogMessages();
    bool failed = false;
    for (const auto& m : msgs)
        if (m.rfind(u"GetDriverInfoFromFile : GetPrivateProfileString  failed. (", 0) == 0)
            failed = true;
    EXPECT_TRUE(failed);
    EXPECT_EQ(msgs.back(), u"GetDriverInfoFromFile : END");
}

TEST_F(SettingsFileTest, PackageSettingsHoldTheDefaultsAndThePortKeys) {
    const std::u16string file = u"C:\\Package\\MKTG450_Config.VKR";
    char16_t value[64] = {};
    const std::pair<int, int> defaults[] = {{0, 0}, {2, 25}, {5, 1}, {19, 1}, {20, 1},
                                            {35, 10}, {36, 1}, {37, 1}, {46, 0}};
    for (auto [n, v] : defaults) {
        const std::u16string key = u"PREFERENCE[" + plat::FromUtf8(std::to_string(n)) + u"]";
        ASSERT_GT(GetPrivateProfileStringW(u"MKTG450", key.c_str(), u"", value, 64, file.c_str()), 0u);
        EXPECT_EQ(plat::ToUtf8(value), std::to_string(v)) << n;
    }
    EXPECT_EQ(GetPrivateProfileStringW(u"MKTG450", u"PREFERENCE[47]", u"", value, 64, file.c_str()), 0u);
    GetPrivateProfileStringW(u"MKTG450", u"PORTDLG", u"", value, 64, file.c_str());
    EXPECT_EQ(std::u16string(value), u"FALSE");
    GetPrivateProfileStringW(u"MKTG450", u"PORT", u"", value, 64, file.c_str());
    EXPECT_EQ(std::u16string(value), u"ETHERNET");
}
