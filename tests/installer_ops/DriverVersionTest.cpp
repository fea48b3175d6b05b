#include <chrono>
#include <thread>

#include "InstallerFixture.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/DriverVersion.h"
#include "platform/Printers.h"
#include "platform/ServiceManager.h"
#include "platform/Spooler.h"

using namespace installer;

class DriverVersionTest : public InstallerMachine {
protected:
    static void InstallDriver(std::u16string_view name) {
        plat::DriverInfo d;
        d.name = name;
        d.environment = plat::CurrentEnvironment();
        d.driverPath = u"MKT450.dll";
        ASSERT_TRUE(plat::AddDriver(d));
    }
    static void AddQueue(std::u16string_view queue, std::u16string_view driver) {
        ASSERT_EQ(plat::EnsurePrinterQueue(queue, driver, u"COM1:"), ERROR_SUCCESS);
    }
    // Writes the version values a settings component of the package keeps.
    static void SetVersion(std::u16string_view queue, std::vector<std::pair<const char16_t*, DWORD>> values) {
        PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
        PrinterHandle h;
        const std::u16string q(queue);
        ASSERT_TRUE(OpenPrinterW(q.c_str(), h.put(), &all));
        for (auto [name, v] : values) {
            const BYTE data[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
            ASSERT_EQ(SetPrinterDataExW(h.get(), u"PrinterDriverData\\Properties", name, REG_DWORD,
                                        data, 4),
                      ERROR_SUCCESS);
        }
    }
    int Check() {
        return CDriverVersion(clock).CheckDriverVersion(u"VARNOKE MKT-G450",
                                                        u"VKR PRINT PROCESSOR MKT-G450", 1, 1, 2, 0);
    }
};

TEST_F(DriverVersionTest, VersionCodes) {
    InstallDriver(u"VARNOKE MKT-G450");
    AddQueue(u"Receipt", u"VARNOKE MKT-G450");
    struct Case {
        DWORD major, minor, build, extra;
        int code;
    };
    const Case cases[] = {{1, 1, 2, 0, EQUAL_DRIVER}, {1, 1, 1, 9, OLDER_DRIVER},
                          {1, 2, 0, 0, NEWER_DRIVER}, {0, 9, 9, 9, OLDER_DRIVER},
                          {1, 1, 2, 1, NEWER_DRIVER}};
    for (const Case& c : cases) {
        SetVersion(u"Receipt", {{u"MajorVersion", c.major}, {u"MinorVersion", c.minor},
                                {u"BuildVersion", c.build}, {u"ExtraVersion", c.extra}});
        EXPECT_EQ(Check(), c.code) << c.major << "." << c.minor << "." << c.build << "." << c.extra;
    }
    EXPECT_TRUE(Logged(u"CDriverVersion::CheckDriverVersion: BuildVersion = 1"));
}

TEST_F(DriverVersionTest, UnreadableExtraVersionCountsAsADifferentDriver) {
    InstallDriver(u"VARNOKE MKT-G450");
    AddQueue(u"Receipt", u"VARNOKE MKT-G450");
    SetVersion(u"Receipt", {{u"MajorVersion", 1}, {u"MinorVersion", 1}, {u"BuildVersion", 2}});
    EXPECT_EQ(Check(), OLDER_DRIVER);
}

TEST_F(DriverVersionTest, TracesWithoutAQueue) {
    EXPECT_EQ(Check(), NO_DRIVER);
    ASSERT_TRUE(plat::AddProcessor({}, u"VKR PRINT PROCESSOR MKT-G450", u"MKPRO450.dll"));
    EXPECT_EQ(Check(), OLDER_DRIVER);  // print processor only
    plat::DeleteProcessor({}, u"VKR PRINT PROCESSOR MKT-G450");
    EXPECT_EQ(Check(), NO_DRIVER);
    InstallDriver(u"VARNOKE MKT-G450");
    EXPECT_EQ(Check(), OLDER_DRIVER);  // driver without queue
}

TEST_F(DriverVersionTest, DriverNameDifferingInCaseIsNotRecognised) {
    InstallDriver(u"Varnoke MKT-G450");
    AddQueue(u"Receipt", u"Varnoke MKT-G450");
    SetVersion(u"Receipt", {{u"MajorVersion", 9}, {u"MinorVersion", 9}, {u"BuildVersion", 9},
                            {u"ExtraVersion", 9}});
    EXPECT_EQ(Check(), NO_DRIVER);
}

TEST_F(DriverVersionTest, StoppedSpoolerIsStartedOnce) {
    plat::ServiceDefinition stopped;
    stopped.name = u"Spooler";
    stopped.state = SERVICE_STOPPED;
    plat::DefineService(stopped);
    EXPECT_EQ(Check(), NO_DRIVER);
    EXPECT_EQ(plat::GetServiceState(u"Spooler"), SERVICE_RUNNING);
    EXPECT_TRUE(Logged(u"Service started successfully.\r\n"));
}

TEST_F(DriverVersionTest, DifferentVersionRefusesAndStartsTheUninstaller) {
    // The package's uninstaller replaced by a script that notes how it was started.
    const fs::path marker = root / "uninstaller-args.txt";
    WriteHost(package / "MKTG450_Uninstaller.exe",
              "#!/bin/sh\necho \"$@\" > '" + marker.string() + ".tmp' && mv '" + marker.string() +
                  ".tmp' '" + marker.string() + "'\n");
    fs::permissions(package / "MKTG450_Uninstaller.exe", fs::perms::owner_all);
    InstallDriver(u"VARNOKE MKT-G450");

    CDriverInstaller engine(boxes, clock);
    EXPECT_FALSE(engine.CheckDriverVersion());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              u"There is a different version driver in this system.\r\n\r\nThe installed driver have to be removed.");
    EXPECT_EQ(boxes.shown[0].type, MB_ICONINFORMATION);
    EXPECT_TRUE(Logged(u"CheckDriverVersion : OLDER_DRIVER"));
    for (int i = 0; i < 200 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadHost(marker), "/u\n");
}

TEST_F(DriverVersionTest, NoDriverGoesOn) {
    CDriverInstaller engine(boxes, clock);
    EXPECT_TRUE(engine.CheckDriverVersion());
    EXPECT_TRUE(Logged(u"CheckDriverVersion : IDS_BUILD_VERSION = 2"));
    EXPECT_TRUE(Logged(u"CheckDriverVersion : NO_DRIVER"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DriverVersionTest, PortNamesAreComparedExactly) {
    EXPECT_FALSE(PrinterPortExist(u"COM3"));
    EXPECT_TRUE(Logged(u"PrinterPortExist : pPortInfo2->pPortName = COM3:"));
    EXPECT_TRUE(PrinterPortExist(u"COM3:"));
    EXPECT_TRUE(Logged(u"PrinterPortExist : COM3: PORT EXISTS."));
    EXPECT_FALSE(PrinterPortExist(u"com3:"));
}

TEST_F(DriverVersionTest, PrinterDrvExistShowsItsStepAndIsCaseSensitive) {
    RecordingSink sink;
    CDriverInstaller engine(boxes, clock);
    engine.Connect(&sink);
    InstallDriver(u"VARNOKE MKT-G450");
    EXPECT_TRUE(engine.PrinterDrvExist(u"VARNOKE MKT-G450"));
    EXPECT_FALSE(engine.PrinterDrvExist(u"varnoke mkt-g450"));
    EXPECT_TRUE(Logged(u"VARNOKE MKT-G450 PRINTER DRIVER EXISTS."));
    EXPECT_TRUE(Logged(u"varnoke mkt-g450 PRINTER DRIVER DOES NOT EXIST."));
    EXPECT_EQ(sink.messages, (std::vector<std::u16string>{u"Checking existing drivers...\r\n",
                                                          u"Checking existing drivers...\r\n"}));
    EXPECT_EQ(sink.position, 20);
    EXPECT_EQ(clock.sleeps, (std::vector<DWORD>{250, 250}));
}
