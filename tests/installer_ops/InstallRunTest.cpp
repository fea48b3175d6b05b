#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "InstallerFixture.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/uninstaller/Uninstaller.h"
#include "platform/Printers.h"
#include "platform/ServiceManager.h"
#include "platform/Shell.h"
#include "platform/Spooler.h"
#include "platform/SystemInfo.h"

using namespace installer;

TEST(PrinterSetupCommand, ThreePortKindsWithAndWithoutUseExisting) {
    struct Case {
        int type;
        std::u16string_view port;
        bool exists;
        std::u16string_view command;
    };
    const Case cases[] = {
        {18, u"", false,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /ia /m \"VARNOKE MKT-G450\" /f .\\MKTG450.inf"},
        {18, u"", true,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /ia /m \"VARNOKE MKT-G450\" /f .\\MKTG450.inf /u"},
        {19, u"IP_192.168.0.50", false,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
         u"/r \"IP_192.168.0.50\" /m \"VARNOKE MKT-G450\""},
        {19, u"IP_192.168.0.50", true,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
         u"/r \"IP_192.168.0.50\" /m \"VARNOKE MKT-G450\" /u"},
        {2, u"COM3", false,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
         u"/r \"COM3:\" /m \"VARNOKE MKT-G450\""},
        {2, u"COM3", true,
         u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
         u"/r \"COM3:\" /m \"VARNOKE MKT-G450\" /u"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildPrinterSetupCommand(c.type, u"VARNOKE MKT-G450", u".\\MKTG450.inf", c.port,
                                           c.exists),
                  c.command)
            << c.type << " " << c.exists;
    EXPECT_EQ(PortNameForType(0, u""), u"COM1");
    EXPECT_EQ(PortNameForType(17, u""), u"COM18");
    EXPECT_EQ(PortNameForType(18, u"1.2.3.4"), u"");
    EXPECT_EQ(PortNameForType(19, u"10.0.0.5"), u"IP_10.0.0.5");
}

class InstallRunTest : public InstallerMachine {
protected:
    static constexpr std::u16string_view kUninstallKey =
        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VARNOKE_MKT-G450";
    static constexpr std::u16string_view kQueueKey =
        u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\VARNOKE MKT-G450";
    static constexpr std::u16string_view kDriverKey =
        u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\VARNOKE MKT-G450";

    std::u16string CommandLineLogged() const {
        for (const auto& m : LogMessages())
            if (m.rfind(u"COMMAND LINE : ", 0) == 0) return m.substr(15);
        return {};
    }
};

TEST_F(InstallRunTest, NetworkInstallOnAFreshMachineThenASecondRun) {
    RecordingSink sink;
    {
        CDriverInstaller engine(boxes, clock);
        engine.Connect(&sink);
        ASSERT_TRUE(engine.CheckDriverVersion());
        engine.AddEthernetPort(9100, u"192.168.0.50");
        EXPECT_EQ(engine.InstallUsingCmdPrompt(PORT_TYPE_NETWORK, FALSE), 1);
        EXPECT_EQ(engine.m_strInfFile, u"C:\\Windows\\INF\\oem0.inf");
    }
    // The queue, on the new port, with the driver named as the printer.
    EXPECT_EQ(RegText(kQueueKey, u"Port"), u"IP_192.168.0.50");
    EXPECT_EQ(RegText(kQueueKey, u"Printer Driver"), u"VARNOKE MKT-G450");
    EXPECT_EQ(RegText(kQueueKey, u"Print Processor"), u"VKR PRINT PROCESSOR MKT-G450");
    EXPECT_EQ(RegText(kDriverKey, u"Driver"), u"MKT450.dll");
    EXPECT_EQ(RegText(kDriverKey, u"Monitor"), u"VKR Language Monitor MKT-G450");
    EXPECT_TRUE(fs::exists(root / "C" / "Windows" / "System32" / "spool" / "drivers" / "x64" / "3" / "MKUNI450.dll"));
    EXPECT_TRUE(KeyExists(
        u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.50"));
    // Product and preview folders, the settings copy, the uninstall registration.
    const fs::path product = root / "C" / "Windows" / "MKT-G450";
    EXPECT_TRUE(fs::exists(product / "MKTG450_Config.VKR"));
    EXPECT_TRUE(fs::exists(product / "MKTG450_Uninstaller.exe"));
    EXPECT_TRUE(fs::exists(product / "PreviewBin" / "Code128.bin"));
    EXPECT_TRUE(fs::exists(root / "C" / "Windows" / "System32" / "MKTG450_Config.VKR"));
    EXPECT_EQ(RegText(kUninstallKey, u"InfFile"), u"C:\\Windows\\INF\\oem0.inf");
    EXPECT_EQ(RegText(kUninstallKey, u"UninstallString"),
              u"C:\\Windows\\MKT-G450\\MKTG450_Uninstaller.exe");
    EXPECT_EQ(CommandLineLogged(),
              u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
              u"/r \"IP_192.168.0.50\" /m \"VARNOKE MKT-G450\"\r\n");
    EXPECT_TRUE(Logged(u"InstallUsingCmdPrompt : strPort = IP_192.168.0.50"));
    EXPECT_EQ(sink.messages,
              (std::vector<std::u16string>{u"Checking existing drivers...\r\n",
                                           u"Preparing for installation...\r\n",
                                           u"Installing printer...\r\n",
                                           u"Creates a new process \r\n",
                                           u"The new process is running...\r\n",
                                           u"Waiting until the process has finished processing ...\r\n",
                                           u"The driver has been successfully installed.",
                                           u"Completed."}));
    EXPECT_EQ(sink.position, 100);
    EXPECT_TRUE(boxes.shown.empty());  // not interactive
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
    EXPECT_EQ(clock.sleeps.front(), 250u);
    EXPECT_EQ(clock.sleeps.back(), 1000u);

    // Second run on the same machine: the same version is installed, so the check
    // lets the run go on, and the run only asks the utility to use what is there.
    fs::remove(product / "icon.ico");
    plat::RegWriteString(HKEY_LOCAL_MACHINE, kUninstallKey, u"Marker", u"kept");
    installer::OpenInstallerLog();
    RecordingSink second;
    clock.sleeps.clear();
    {
        CDriverInstaller engine(boxes, clock);
        engine.Connect(&second);
        ASSERT_TRUE(engine.CheckDriverVersion());
        EXPECT_TRUE(Logged(u"CheckDriverVersion : EQUAL_DRIVER"));
        engine.AddEthernetPort(9100, u"192.168.0.50");
        EXPECT_EQ(engine.InstallUsingCmdPrompt(PORT_TYPE_NETWORK, TRUE), 1);
    }
    EXPECT_TRUE(Logged(u"VARNOKE MKT-G450 PRINTER DRIVER EXISTS."));
    EXPECT_EQ(CommandLineLogged(),
              u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /if /b \"VARNOKE MKT-G450\" /f .\\MKTG450.inf "
              u"/r \"IP_192.168.0.50\" /m \"VARNOKE MKT-G450\" /u\r\n");
    EXPECT_FALSE(fs::exists(product / "icon.ico"));          // utility files not copied again
    EXPECT_EQ(RegText(kUninstallKey, u"Marker"), u"kept");   // registration not rewritten
    EXPECT_FALSE(Logged(u"RegisterUninstallInfo BEGIN"));
    EXPECT_FALSE(Logged(u"DeleteVidPid BEGIN"));
    EXPECT_FALSE(Logged(u"CopyINFFile BEGIN"));              // the INF is in the store
    EXPECT_TRUE(Logged(u"OEM FILE NAME : oem0.inf"));
    EXPECT_TRUE(Logged(u"Cannot start the service because it is already running\r\n"));
    EXPECT_TRUE(boxes.shown.empty());                        // no restart question
    EXPECT_EQ(second.messages.back(), u"Completed.");
    EXPECT_EQ(second.messages[second.messages.size() - 2],
              u"Waiting until the process has finished processing ...\r\n");
    EXPECT_EQ(RegText(kQueueKey, u"Port"), u"IP_192.168.0.50");  // one queue, unchanged
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "INF" / "oem1.inf"));
}

TEST_F(InstallRunTest, InteractiveNetworkInstallAsksForTheRestart) {
    boxes.answers = {IDYES};
    CDriverInstaller engine(boxes, clock);
    engine.AddEthernetPort(9100, u"10.0.0.5");
    engine.InstallUsingCmdPrompt(PORT_TYPE_NETWORK, TRUE);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              u"Restarting your computer can take effect.\nPlease restart your computer."
              u"\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.");
    EXPECT_EQ(boxes.shown[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(Logged(u"InstallUsingWin32APIs END"));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(RegValue(u"SYSTEM\\MktStandIn\\Shutdown", u"Count", type, data));
}

TEST_F(InstallRunTest, SerialPortRestartsTheSpoolerAndUsesTheColonName) {
    CDriverInstaller engine(boxes, clock);
    engine.InstallUsingCmdPrompt(2, FALSE);
    EXPECT_TRUE(Logged(u"InstallUsingCmdPrompt : strPort = COM3"));
    EXPECT_TRUE(Logged(u"PrinterPortExist : END"));             // "COM3" never matches "COM3:"
    EXPECT_FALSE(Logged(u"PrinterPortExist : COM3 PORT EXISTS."));
    EXPECT_EQ(RegText(kQueueKey, u"Port"), u"COM3:");
    EXPECT_GE(CountLogged(u"Service stopped successfully\r\n"), 2u);  // port check + new driver
}

TEST_F(InstallRunTest, SerialPortWithTheDriverInstalled) {
    {
        CDriverInstaller engine(boxes, clock);
        engine.InstallUsingCmdPrompt(0, FALSE);
    }
    fs::remove_all(root / "C" / "Windows" / "MKT-G450");
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, std::u16string(kUninstallKey).c_str());
    installer::OpenInstallerLog();
    CDriverInstaller engine(boxes, clock);
    engine.InstallUsingCmdPrompt(0, TRUE);
    const std::u16string cmd = CommandLineLogged();
    EXPECT_EQ(cmd.substr(cmd.size() - 5), u" /u\r\n");
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "MKT-G450"));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(InstallRunTest, UsbWithTheDriverInstalledRunsNoSetup) {
    {
        CDriverInstaller engine(boxes, clock);
        engine.InstallUsingCmdPrompt(PORT_TYPE_USB, TRUE);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, u"Please turn-off the printer and then turn-on again.");
        EXPECT_TRUE(Logged(u"ScanForHardwareChanges : END"));
        EXPECT_TRUE(KeyExists(kDriverKey));
        EXPECT_FALSE(KeyExists(kQueueKey));  // the USB queue comes with plug and play
    }
    fs::remove_all(root / "C" / "Windows" / "MKT-G450");
    installer::OpenInstallerLog();
    boxes.shown.clear();
    RecordingSink sink;
    CDriverInstaller engine(boxes, clock);
    engine.Connect(&sink);
    engine.InstallUsingCmdPrompt(PORT_TYPE_USB, TRUE);
    EXPECT_EQ(CommandLineLogged(),
              u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /ia /m \"VARNOKE MKT-G450\" /f .\\MKTG450.inf /u\r\n");
    EXPECT_FALSE(Logged(u"INFFileExist BEGIN"));                // no setup process ran
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "MKT-G450"));
    EXPECT_FALSE(Logged(u"RegisterUninstallInfo BEGIN"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(Logged(u"Cannot start the service because it is already running\r\n"));
    EXPECT_EQ(sink.messages.back(), u"Completed.");
    EXPECT_EQ(std::count(sink.messages.begin(), sink.messages.end(), u"The new process is running...\r\n"), 0);
}

TEST_F(InstallRunTest, OldWow64SystemCopiesDriver64OverDriver32) {
    plat::MachineDescription xp64;
    xp64.major = 5;
    xp64.minor = 2;
    xp64.productType = VER_NT_WORKSTATION;
    plat::SetMachineDescription(xp64);
    CDriverInstaller engine(boxes, clock);
    ASSERT_EQ(engine.m_nOSVersion, 2006);
    ASSERT_TRUE(engine.m_bWow64);
    EXPECT_NE(ReadHost(package / "Driver32" / "MKUNI450.dll"), ReadHost(package / "Driver64" / "MKUNI450.dll"));
    engine.AddEthernetPort(9100, u"192.168.0.9");
    engine.InstallUsingCmdPrompt(PORT_TYPE_NETWORK, FALSE);
    EXPECT_EQ(ReadHost(package / "Driver32" / "MKUNI450.dll"), ReadHost(package / "Driver64" / "MKUNI450.dll"));
    EXPECT_TRUE(Logged(u"FILE SRC : .\\Driver64\\MKUNI450.dll"));
    EXPECT_TRUE(Logged(u"Delete_USB_Info BEGIN"));
}

TEST_F(InstallRunTest, UninstallerRemovesWhatTheRunInstalled) {
    {
        CDriverInstaller engine(boxes, clock);
        engine.AddEthernetPort(9100, u"192.168.0.50");
        engine.InstallUsingCmdPrompt(PORT_TYPE_NETWORK, FALSE);
    }
    boxes.answers = {IDNO};
    EXPECT_EQ(RunUninstaller(u"/u", boxes), UNINSTALL_DECLINED);
    EXPECT_TRUE(KeyExists(kQueueKey));
    EXPECT_EQ(RunUninstaller(u"/SU", boxes), UNINSTALL_DONE);
    EXPECT_FALSE(KeyExists(kQueueKey));
    EXPECT_FALSE(KeyExists(kDriverKey));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "MKT-G450"));
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "INF" / "oem0.inf"));
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "System32" / "MKTG450_Config.VKR"));
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "System32" / "spool" / "drivers" / "x64" / "3" / "MKUNI450.dll"));
    // Nothing of the driver is left: a new installation may go on.
    CDriverInstaller engine(boxes, clock);
    EXPECT_TRUE(engine.CheckDriverVersion());
    EXPECT_TRUE(Logged(u"CheckDriverVersion : NO_DRIVER"));
}

TEST_F(InstallRunTest, InstalledUninstallerLauncherRunsTheProgram) {
    {
        CDriverInstaller engine(boxes, clock);
        engine.InstallUsingCmdPrompt(1, FALSE);
    }
    ASSERT_TRUE(KeyExists(kUninstallKey));
    ::setenv("MKT_BIN_DIR", MKT_UNINSTALLER_DIR, 1);
    // Started the way the installer's silent uninstall mode starts it.
    const HINSTANCE h = ShellExecuteW(nullptr, nullptr, u"MKTG450_Uninstaller.exe", u"/su",
                                      u"C:\\Windows\\MKT-G450", SW_HIDE);
    ::unsetenv("MKT_BIN_DIR");
    ASSERT_GT(reinterpret_cast<INT_PTR>(h), 32);
    for (int i = 0; i < 500 && KeyExists(kUninstallKey); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(kQueueKey));
}
