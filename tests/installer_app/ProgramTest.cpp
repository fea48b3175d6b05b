// The program MKTG450_Installer itself, run as a process on a fresh machine root:
// the silent run without a display, the refusal of window modes without one, the
// uninstall mode, the second instance and the crash reports of its worker.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "installer/app/StandInSession.h"
#include "tests/installer_app/ProgramRunner.h"
#include "tests/installer_ops/InstallerFixture.h"

namespace {
const std::u16string kPrinter = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\VARNOKE MKT-G450";
}

class ProgramTest : public InstallerMachine {
protected:
    ProgramRun Installer(const std::string& args, const std::string& env = "") {
        return RunProgram(package, "env -u DISPLAY MKT_MACHINE='" + root.string() + "' " + env + " '" +
                                       MKT_INSTALLER_PROGRAM + "' " + args,
                          root);
    }
    std::vector<std::u16string> ProgramLog() {
        return LogMessages();
    }
};

TEST_F(ProgramTest, SilentRunInstallsTheNetworkQueueWithoutADisplay) {
    // A root without the set-up of a fresh machine: the program does it.
    const ProgramRun run = Installer("/si ethernet 192.168.0.50 9100");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(RegText(kPrinter, u"Port"), u"IP_192.168.0.50");
    EXPECT_EQ(RegText(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.50",
                      u"HostName"),
              u"192.168.0.50");
    EXPECT_TRUE(fs::exists(Host(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR")));
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnInitDialog : __targv[2] = ethernet"));
    EXPECT_TRUE(Logged(u"Installprinter : strIPAddress = 192.168.0.50"));
}

TEST_F(ProgramTest, WindowModesWithoutADisplayFailWithOneLine) {
    for (const char* args : {"/di", "/install", ""}) {
        SCOPED_TRACE(args);
        // The package's settings file says PORTDLG=FALSE; make "no arguments" interactive.
        WriteHost(package / "MKTG450_Config.VKR", "[MKTG450]\r\nPORTDLG=TRUE\r\n");
        const ProgramRun run = Installer(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        EXPECT_NE(run.err.find("need a display"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(KeyExists(kPrinter));
}

TEST_F(ProgramTest, HelpAndWrongFolder) {
    const ProgramRun help = Installer("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: MKTG450_Installer [mode [port [ip-address [tcp-port]]]]", 0), 0u);

    const ProgramRun outside =
        RunProgram(fs::temp_directory_path(),
                   "env -u DISPLAY MKT_MACHINE='" + root.string() + "' '" + MKT_INSTALLER_PROGRAM + "' /si",
                   root);
    EXPECT_EQ(outside.status, 2);
    EXPECT_NE(outside.err.find("package folder inside the machine root"), std::string::npos) << outside.err;

    const ProgramRun noRoot = RunProgram(package, "env -u DISPLAY -u MKT_MACHINE '" +
                                                      std::string(MKT_INSTALLER_PROGRAM) + "' /si",
                                         root);
    EXPECT_EQ(noRoot.status, 2);
    EXPECT_NE(noRoot.err.find("MKT_MACHINE"), std::string::npos);
}

TEST_F(ProgramTest, UninstallModeStartsTheUninstallerAfterTheChecks) {
    ASSERT_EQ(Installer("/si ethernet 192.168.0.50 9100").status, 0);
    ASSERT_TRUE(KeyExists(kPrinter));
    const ProgramRun run = Installer("/SU", std::string("MKT_BIN_DIR='") + MKT_UNINSTALLER_DIR + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = ProgramLog();
    const auto at = [&](std::u16string_view m) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == m) return i;
        return std::string::npos;
    };
    const size_t gate = at(u"Installprinter : START");
    const size_t mode = at(u"Installprinter : silent uninstallation");
    ASSERT_NE(gate, std::string::npos);
    ASSERT_NE(mode, std::string::npos);
    EXPECT_LT(gate, mode);
    // The version check ran in between (it logs the installed driver).
    bool checked = false;
    for (size_t i = gate + 1; i < mode; ++i) checked = checked || lines[i].find(u"CheckDriverVersion") != std::u16string::npos;
    EXPECT_TRUE(checked);
    EXPECT_EQ(at(u"CPort_Dlg::OnInitDialog : START"), std::string::npos);
    // The uninstaller runs detached; it removes the queue.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (KeyExists(kPrinter) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(KeyExists(kPrinter));
}

TEST_F(ProgramTest, SecondInstanceOnlyActivatesTheFirst) {
    // This test process is the running instance.
    ASSERT_EQ(installer::IncrementInstanceCounter(), 1);
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun run = Installer("/si ethernet 192.168.0.50 9100");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_FALSE(KeyExists(kPrinter));
    EXPECT_FALSE(Logged(u"Installprinter : START"));
    bool activated = false;
    for (int i = 0; i < 50 && !activated; ++i) {
        activated = installer::TakeActivationRequest();
        if (!activated) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(activated);
    installer::LeaveInstancesForTests();
    // Once no instance runs, the counter starts again.
    EXPECT_EQ(installer::IncrementInstanceCounter(), 1);
    installer::LeaveInstancesForTests();
}

TEST_F(ProgramTest, FaultsOnTheWorkerWriteTheCrashReport) {
    struct Case {
        const char* what;
        const char* text;
    } cases[] = {
        {"divide", "installer_fault_probe caused an Integer Divide by Zero (0xc0000094)"},
        {"null", "Write to location 00000000 caused an access violation."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = root / (std::string("crash-") + c.what);
        fs::create_directories(folder);
        const ProgramRun run =
            RunProgram(package,
                       // Under AddressSanitizer the guard must get the signals, and its raw read
                       // of the worker's stack must not be taken for a stack overflow.
                       "env -u DISPLAY ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:handle_abort=0:replace_intrin=0 "
                       "MKT_MACHINE='" +
                           root.string() + "' '" + MKT_FAULT_PROBE + "' '" +
                           folder.string() + "' " + c.what + " /si usb",
                       root);
        EXPECT_NE(run.status, 0);
        const std::string report = Utf16FileAsUtf8(folder / "ERRORLOG.TXT");
        EXPECT_NE(report.find(c.text), std::string::npos) << report.substr(0, 400);
        EXPECT_TRUE(fs::exists(folder / "CRASH.DMP"));
        EXPECT_GT(fs::file_size(folder / "CRASH.DMP"), 0u);
        // The fault came from the worker, after the run had started.
        EXPECT_TRUE(Logged(u"Installprinter : START"));
        EXPECT_FALSE(KeyExists(kPrinter));
    }
}
