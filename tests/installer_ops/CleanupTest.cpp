#include "InstallerFixture.h"
#include "installer/ops/DriverInstaller.h"
#include "platform/SetupApi.h"
#include "platform/SystemInfo.h"

using namespace installer;

class CleanupTest : public InstallerMachine {
protected:
    static constexpr std::u16string_view kUninstallKey =
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VARNOKE_MKT-G450";
};

TEST_F(CleanupTest, UsbIdMatchesOnItsFirst21Characters) {
    plat::AddDeviceNode(u"USB", u"Vid_7A3E&Pid_0142", u"A1", {u"USB\\Vid_7A3E&Pid_0142&Rev_0100"}, false);
    plat::AddDeviceNode(u"USB", u"VID_7A3E&PID_0142", u"B2", {u"usb\\vid_7a3e&pid_0142"}, true);
    plat::AddDeviceNode(u"USB", u"Vid_7A3E&Pid_0143", u"C3", {u"USB\\Vid_7A3E&Pid_0143"}, true);
    plat::AddDeviceNode(u"USB", u"Vid_1111&Pid_2222", u"D4", {u"USB\\Vid_1111&Pid_2222"}, true);
    CDriverInstaller engine(boxes, clock);
    engine.DeleteVidPid();
    const std::u16string enumKey = u"SYSTEM\\CurrentControlSet\\Enum\\USB\\";
    EXPECT_FALSE(KeyExists(enumKey + u"Vid_7A3E&Pid_0142\\A1"));
    EXPECT_FALSE(KeyExists(enumKey + u"VID_7A3E&PID_0142\\B2"));
    EXPECT_TRUE(KeyExists(enumKey + u"Vid_7A3E&Pid_0143\\C3"));
    EXPECT_TRUE(KeyExists(enumKey + u"Vid_1111&Pid_2222\\D4"));
    EXPECT_EQ(CountLogged(u"SetupDiRemoveDevice : devicename = USB\\Vid_7A3E&Pid_0142"), 2u);
    EXPECT_TRUE(Logged(u"VID&PID : USB\\Vid_7A3E&Pid_0142"));
}

TEST_F(CleanupTest, PnPDriverFoldersAreDeleted) {
    const fs::path drivers = root / "C" / "Windows" / "System32" / "spool" / "drivers" / "x64";
    WriteHost(drivers / "varnoke_mkt_g450c5e1" / "MKT450.dll", "x");
    CDriverInstaller engine(boxes, clock);
    engine.DeletePrnDrvPnPDirectory();
    EXPECT_FALSE(fs::exists(drivers / "varnoke_mkt_g450c5e1"));
    // Both strings name the same folder: deleted once, then found no more.
    EXPECT_TRUE(Logged(u"DIR PATH-1 : C:\\Windows\\System32\\spool\\drivers\\x64\\varnoke_mkt_g450c5e1"));
    EXPECT_TRUE(Logged(u"DIR PATH-2 : C:\\Windows\\System32\\spool\\drivers\\x64\\varnoke_mkt_g450c5e1"));
}

TEST_F(CleanupTest, UsbPrintingKeyOnA32BitSystem) {
    plat::MachineDescription xp;
    xp.major = 5;
    xp.minor = 1;
    xp.is64Bit = false;
    plat::SetMachineDescription(xp);
    plat::AddDeviceNode(u"USBPRINT", u"VARNOKE_MKT-G450", u"7&1", {u"USBPRINT\\VARNOKEMKT-G450C5E1"}, true);
    CDriverInstaller engine(boxes, clock);
    engine.Delete_USB_Info();
    EXPECT_FALSE(KeyExists(u"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VARNOKE_MKT-G450"));
}

TEST_F(CleanupTest, UsbPrintingKeyUnderWow64WithoutTheViewFunction) {
    plat::MachineDescription xp64;  // 64-bit XP: no view-selecting deletion yet
    xp64.major = 5;
    xp64.minor = 1;
    plat::SetMachineDescription(xp64);
    CDriverInstaller engine(boxes, clock);
    ASSERT_TRUE(engine.m_bWow64);
    engine.Delete_USB_Info();
    EXPECT_TRUE(Logged(u"MyRegDeleteKeyEx failed : SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VARNOKE_MKT-G450 (127)"));
}

TEST_F(CleanupTest, UninstallValuesWithTheirExactLengths) {
    CDriverInstaller engine(boxes, clock);
    engine.m_strInfFile = u"C:\\Windows\\INF\\oem12.inf";
    plat::RegWriteString(HKEY_LOCAL_MACHINE, kUninstallKey, u"Stale", u"from an earlier install");
    engine.RegisterUninstallInfo();
    struct Expect {
        const char16_t* name;
        std::u16string_view value;
    };
    const Expect values[] = {
        {u"DisplayVersion", u"1.1.2.0"},
        {u"DisplayName", u"VARNOKE MKT-G450 Windows Driver"},
        {u"DisplayIcon", u"C:\\Windows\\MKT-G450\\icon.ico"},
        {u"Publisher", u"VARNOKE Co., Ltd."},
        {u"UninstallString", u"C:\\Windows\\MKT-G450\\MKTG450_Uninstaller.exe"},
        {u"InfFile", u"C:\\Windows\\INF\\oem12.inf"},
    };
    for (const Expect& e : values) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(RegValue(kUninstallKey, e.name, type, data)) << U8(e.name);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(data.size(), e.value.size() * 2) << U8(e.name);  // no terminator counted
        EXPECT_EQ(RegText(kUninstallKey, e.name), e.value);
    }
    EXPECT_EQ(RegText(kUninstallKey, u"Stale"), u"<missing>");  // replaced, not merged
    EXPECT_TRUE(Logged(u"IDS_UNINSTALL_REG : SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VARNOKE_MKT-G450"));
    EXPECT_TRUE(Logged(u"INF FILE NAME : C:\\Windows\\INF\\oem12.inf"));
}

TEST_F(CleanupTest, InfFileSkippedWhenEmpty) {
    CDriverInstaller engine(boxes, clock);
    engine.m_strInfFile.clear();
    engine.RegisterUninstallInfo();
    EXPECT_EQ(RegText(kUninstallKey, u"InfFile"), u"<missing>");
    EXPECT_EQ(RegText(kUninstallKey, u"DisplayVersion"), u"1.1.2.0");
    for (const auto& m : LogMessages()) EXPECT_EQ(m.rfind(u"INF FILE NAME", 0), std::u16string::npos);
}

TEST_F(CleanupTest, ScanForHardwareChangesReenumerates) {
    CDriverInstaller engine(boxes, clock);
    EXPECT_TRUE(engine.ScanForHardwareChanges());
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(RegValue(u"SYSTEM\\MktStandIn\\PnP", u"Reenumerations", type, data));
    EXPECT_EQ(data[0], 1);
    EXPECT_TRUE(Logged(u"ScanForHardwareChanges : END"));
}
