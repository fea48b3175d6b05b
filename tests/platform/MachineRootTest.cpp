#include <array>

#include "TempMachine.h"
#include "platform/Files.h"
#include "platform/LastError.h"

namespace fs = std::filesystem;

using MachineRootTest = TempMachine;

TEST_F(MachineRootTest, MapsDriveAndMatchesExistingComponentsIgnoringCase) {
    fs::create_directories(root / "C" / "Temp");
    EXPECT_EQ(plat::MapWindowsPath(u"C:\\Windows\\X"), root / "C" / "Windows" / "X");
    EXPECT_EQ(plat::MapWindowsPath(u"c:/windows/x"), root / "C" / "Windows" / "x");
    // One folder whichever case the caller uses; new components keep their case.
    EXPECT_EQ(plat::MapWindowsPath(u"C:\\temp\\MKT-G450"), root / "C" / "Temp" / "MKT-G450");
    EXPECT_EQ(plat::MapWindowsPath(u"C:\\TEMP\\a\\..\\b"), root / "C" / "Temp" / "b");
    EXPECT_EQ(plat::MapWindowsPath(u"\\Windows"), root / "C" / "Windows");
    EXPECT_EQ(plat::MapWindowsPath(u"C:\\..\\..\\etc"), root / "C" / "etc");
    EXPECT_EQ(plat::MapWindowsPath(u"d:\\data"), root / "D" / "data");
    EXPECT_TRUE(plat::MapWindowsPath(u"\\\\server\\share").empty());
    EXPECT_TRUE(plat::MapWindowsPath(u"").empty());
}

TEST_F(MachineRootTest, CreatedInOneCaseFoundInAnother) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\temp", nullptr));
    ASSERT_FALSE(CreateDirectoryW(u"C:\\Temp", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(plat::WriteWholeFile(u"C:\\Temp\\MKT-G450_Installer.txt",
                                     std::array<BYTE, 2>{'h', 'i'}));
    EXPECT_EQ(ReadHost(root / "C" / "temp" / "MKT-G450_Installer.txt"), "hi");
}

TEST_F(MachineRootTest, WindowsAndSystemDirectory) {
    char16_t buf[64];
    EXPECT_EQ(GetWindowsDirectoryW(buf, 64), 10u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Windows");
    EXPECT_EQ(GetWindowsDirectoryW(buf, 5), 11u);  // too small: size with terminator
    EXPECT_EQ(GetSystemDirectoryW(buf, 64), 19u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Windows\\System32");
    plat::SetWindowsDirectory(u"D:\\WINDOWS");
    EXPECT_EQ(GetWindowsDirectoryW(buf, 64), 10u);
    EXPECT_EQ(std::u16string(buf), u"D:\\WINDOWS");
}

TEST_F(MachineRootTest, RelativePathsFollowTheWindowsCurrentDirectory) {
    fs::create_directories(root / "C" / "Package");
    EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\Missing"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(SetCurrentDirectoryW(u"c:\\package"));
    EXPECT_EQ(plat::MapWindowsPath(u".\\MKTG450_Config.VKR"), root / "C" / "Package" / "MKTG450_Config.VKR");
    char16_t buf[32];
    EXPECT_EQ(GetCurrentDirectoryW(32, buf), 10u);
    EXPECT_EQ(std::u16string(buf), u"c:\\package");
}

TEST(MachineRootEnv, FallsBackToEnvironmentAndFailsClearlyWithout) {
    ::setenv("MKT_MACHINE", "/tmp/mkt-env-root", 1);
    plat::SetMachineRoot({});
    EXPECT_TRUE(plat::HasMachineRoot());
    EXPECT_EQ(plat::GetMachineRoot(), fs::path("/tmp/mkt-env-root"));
    ::unsetenv("MKT_MACHINE");
    EXPECT_FALSE(plat::HasMachineRoot());
    EXPECT_THROW(plat::GetMachineRoot(), std::runtime_error);
    // Mapping without a root maps nothing (callers then see "path not found").
    EXPECT_TRUE(plat::MapWindowsPath(u"C:\\x").empty());
}

TEST_F(MachineRootTest, EntriesMadeAfterALookupAreFoundInAnyCase) {
    // Each lookup miss lists the folder; a file made right after must still be matched.
    for (int i = 0; i < 20; ++i) {
        const std::string name = "new" + std::to_string(i) + ".log";
        const std::u16string upper = u"C:\\WINDOWS\\NEW" + plat::FromUtf8(std::to_string(i)) + u".LOG";
        EXPECT_EQ(plat::MapWindowsPath(upper).filename(), "NEW" + std::to_string(i) + ".LOG");
        WriteHost(root / "C" / "Windows" / name, "x");
        EXPECT_EQ(plat::MapWindowsPath(upper), root / "C" / "Windows" / name);
    }
}
