// The stand-in machine's own programs, as the installer meets them.
#include "InstallerFixture.h"
#include "platform/PrintUi.h"
#include "platform/ServiceManager.h"
#include "platform/SetupApi.h"
#include "platform/Spooler.h"
#include "platform/SystemPrograms.h"

class StandInServicesTest : public InstallerMachine {};

TEST_F(StandInServicesTest, PrintUiFailsAsTheUtilityWould) {
    struct Case {
        std::u16string_view args;
        DWORD rc;
    };
    const Case cases[] = {
        {u" /if /b \"Q\" /f .\\MKTG450.inf /r \"COM1:\" /m \"VARNOKE MKT-G999\"", ERROR_UNKNOWN_PRINTER_DRIVER},
        {u" /if /b \"Q\" /f .\\Missing.inf /r \"COM1:\" /m \"VARNOKE MKT-G450\"", ERROR_FILE_NOT_FOUND},
        {u" /if /b \"Q\" /f .\\MKTG450.inf /r \"COM9:\" /m \"VARNOKE MKT-G450\"", ERROR_UNKNOWN_PORT},
        {u" /if /b \"Q\" /f .\\MKTG450.inf /m \"VARNOKE MKT-G450\"", ERROR_INVALID_PARAMETER},
        {u" /ia /if /m \"VARNOKE MKT-G450\" /f .\\MKTG450.inf", ERROR_INVALID_PARAMETER},
        {u" /if /b \"Q\" /f .\\MKTG450.inf /r \"COM1:\" /m \"VARNOKE MKT-G450\"", ERROR_SUCCESS},
        {u" /if /b \"Q\" /f .\\MKTG450.inf /r \"COM2:\" /m \"VARNOKE MKT-G450\" /u", ERROR_PRINTER_ALREADY_EXISTS},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::RunPrintUiEntry(c.args), c.rc) << U8(c.args);
    // Only the good line created a queue; the model line was found in the 64-bit section.
    std::vector<plat::PrinterInfo2> printers;
    ASSERT_TRUE(plat::EnumLocalPrinters(printers));
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].portName, u"COM1:");
}

TEST_F(StandInServicesTest, PrintUiReadsTheSourceFolderOfTheMachineKind) {
    plat::MachineDescription x86;
    x86.is64Bit = false;
    plat::SetMachineDescription(x86);
    WriteHost(package / "Driver32" / "MKUNI450.dll", "32-bit plug-in");
    EXPECT_EQ(plat::RunMachineProgram(
                  u"cmd /c RUNDLL32 printui.dll,PrintUIEntry /ia /m \"VARNOKE MKT-G450\" /f .\\MKTG450.inf"),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "System32" / "spool" / "drivers" / "W32X86" / "3" / "MKUNI450.dll"),
              "32-bit plug-in");
    // A driver file missing from the package: a new driver installation fails...
    fs::remove(package / "Driver32" / "MKT450.GPD");
    EXPECT_EQ(plat::RunPrintUiEntry(u"/if /b \"Q\" /f .\\MKTG450.inf /r \"COM1:\" /m \"VARNOKE MKT-G450\""),
              ERROR_FILE_NOT_FOUND);
    // ...while /u uses the driver already installed.
    EXPECT_EQ(plat::RunPrintUiEntry(u"/if /b \"Q\" /f .\\MKTG450.inf /r \"COM1:\" /m \"VARNOKE MKT-G450\" /u"),
              ERROR_SUCCESS);
    std::vector<plat::DriverInfo> drivers;
    ASSERT_TRUE(plat::EnumDrivers({}, drivers));
    EXPECT_EQ(drivers.size(), 1u);
}

TEST_F(StandInServicesTest, NetCommandsMoveTheSpooler) {
    EXPECT_EQ(plat::NetCommand(u"stop", u"spooler"), 0u);
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_STOPPED);
    std::vector<plat::PortInfo2> ports;
    EXPECT_FALSE(plat::EnumPortsLevel2(ports));
    EXPECT_EQ(WinExec("net start spooler", 0), 33u);
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
    EXPECT_EQ(plat::NetCommand(u"start", u"spooler"), 2u);  // already started
    EXPECT_TRUE(plat::EnumPortsLevel2(ports));
}

TEST_F(StandInServicesTest, OemInfNumbersAndRemoval) {
    WriteHost(root / "C" / "Windows" / "INF" / "oem0.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    char16_t dest[260] = {};
    ASSERT_TRUE(SetupCopyOEMInfW(u".\\MKTG450.inf", nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, dest, 260,
                                 nullptr, nullptr));
    EXPECT_EQ(std::u16string(dest), u"C:\\Windows\\INF\\oem1.inf");
    EXPECT_FALSE(SetupCopyOEMInfW(u".\\Missing.inf", nullptr, SPOST_PATH, 0, dest, 260, nullptr, nullptr));
    EXPECT_TRUE(SetupUninstallOEMInfW(u"oem1.inf", 0, nullptr));
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "INF" / "oem1.inf"));
    EXPECT_FALSE(SetupUninstallOEMInfW(u"MKTG450.inf", 0, nullptr));
}
