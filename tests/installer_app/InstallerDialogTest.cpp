// Whole runs of the progress dialog and its worker on the display-less window: the
// modes, the close timers and the join of the worker, the log lines of the run.
#include <gtest/gtest.h>

#include "installer/app/HeadlessWindow.h"
#include "installer/app/InstallerDialog.h"
#include "installer/app/PortDialog.h"
#include "platform/SystemInfo.h"
#include "tests/installer_ops/InstallerFixture.h"

using installer::CZUDEDO_InstallerDlg;
using installer::HeadlessWindow;

namespace {
const std::u16string kPrinters = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\VARNOKE MKT-G450";
}

class InstallerDialogTest : public InstallerMachine {
protected:
    int Run(std::vector<std::u16string> args) {
        args.insert(args.begin(), u"MKTG450_Installer");
        CZUDEDO_InstallerDlg dlg(args, window, boxes, clock);
        const int result = dlg.DoModal();
        busyAfter = dlg.m_bBusy;
        detached = dlg.m_bWorkerDetached;
        portType = dlg.m_nPortType;
        return result;
    }
    bool BoxShown(std::u16string_view text) const {
        for (const auto& b : boxes.shown)
            if (b.text == text) return true;
        return false;
    }
    HeadlessWindow window;
    BOOL busyAfter = TRUE;
    bool detached = true;
    int portType = -1;
};

TEST_F(InstallerDialogTest, SilentNetworkRunInstallsWithoutShowingTheWindow) {
    EXPECT_EQ(Run({u"/si", u"ethernet", u"192.168.0.50", u"9100"}), installer::IDOK);
    // Closed by timer 202 after the worker ended (joined, not abandoned).
    EXPECT_EQ(window.timersFired, std::vector<UINT>{installer::TIMER_CLOSE_OK});
    EXPECT_FALSE(detached);
    EXPECT_FALSE(busyAfter);
    EXPECT_FALSE(window.everVisible);
    EXPECT_EQ(portType, 19);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(RegText(kPrinters, u"Port"), u"IP_192.168.0.50");
    EXPECT_TRUE(KeyExists(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.50"));
    // The window's texts and the progress display.
    EXPECT_EQ(window.printerNameText, u"VARNOKE MKT-G450");
    EXPECT_EQ(window.versionText, u"Driver Version : V1.1.2.0");
    EXPECT_EQ(window.progress, 100);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.back(), u"Completed.");
    // The run's own lines, in order.
    const std::vector<std::u16string> order = {
        u"RUN THREAD, InstallPrinter",       u"Installprinter : START",
        u"Installprinter : silent installation", u"CPort_Dlg::OnInitDialog : START",
        u"Installprinter : nPortType = 19",  u"Installprinter : nPortNumber = 9100",
        u"Installprinter : strIPAddress = 192.168.0.50"};
    size_t at = 0;
    for (const auto& line : order) {
        at = IndexOf(line, at);
        ASSERT_NE(at, std::string::npos) << U8(line);
    }
}

TEST_F(InstallerDialogTest, InteractiveRunTakesWhatTheUserChose) {
    window.portDialogScript = [](installer::CPort_Dlg& dlg) {
        dlg.m_controls.nCheckedRadio = 19;
        dlg.OnBnClickedRadio();
        dlg.m_controls.ipFields = {10, 0, 0, 7};
        dlg.m_controls.strPortNumber = u"9101";
        return dlg.OnBnClickedNext() ? installer::IDOK : installer::IDCANCEL;
    };
    boxes.answers = {installer::IDNO};  // no restart
    EXPECT_EQ(Run({u"/install", u"COM2"}), installer::IDOK);
    EXPECT_TRUE(window.everVisible);
    EXPECT_EQ(RegText(kPrinters, u"Port"), u"IP_10.0.0.7");
    EXPECT_EQ(RegText(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_10.0.0.7",
                      u"HostName"),
              u"10.0.0.7");
    // The interactive flag: the restart question appears.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].type, installer::MB_YESNO | installer::MB_ICONQUESTION);
}

TEST_F(InstallerDialogTest, CancelledPortDialogChangesNothing) {
    EXPECT_EQ(Run({u"/x"}), installer::IDOK);
    EXPECT_TRUE(Logged(u"Installprinter : The driver installation canceled."));
    EXPECT_TRUE(BoxShown(u"The driver installation canceled."));
    EXPECT_FALSE(KeyExists(kPrinters));
    EXPECT_FALSE(Logged(u"Installprinter : nPortType = 0"));
}

TEST_F(InstallerDialogTest, DefaultModeShowsTheWindowButNotThePortDialog) {
    bool portDialogShown = false;
    window.portDialogScript = [&](installer::CPort_Dlg&) {
        portDialogShown = true;
        return installer::IDCANCEL;
    };
    EXPECT_EQ(Run({u"/DI", u"com3"}), installer::IDOK);
    EXPECT_FALSE(portDialogShown);
    EXPECT_TRUE(window.everVisible);
    EXPECT_EQ(portType, 2);
    EXPECT_EQ(RegText(kPrinters, u"Port"), u"COM3:");
    // Not interactive: no restart question.
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(InstallerDialogTest, OldSystemIsRefusedInEveryMode) {
    plat::MachineDescription old;
    old.major = 4;  // Windows NT 4.0
    old.minor = 0;
    old.is64Bit = false;
    plat::SetMachineDescription(old);
    EXPECT_EQ(Run({u"/si", u"ethernet", u"1.2.3.4"}), installer::IDOK);
    EXPECT_EQ(window.timersFired, std::vector<UINT>{installer::TIMER_CLOSE_OK});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"THE DRIVER CAN NOT BE INSTALLED ON THIS OS.");
    EXPECT_EQ(boxes.shown[0].type, installer::MB_OK | installer::MB_ICONINFORMATION);
    EXPECT_TRUE(Logged(u"Installprinter : THE DRIVER CAN NOT BE INSTALLED ON THIS OS."));
    EXPECT_FALSE(Logged(u"Installprinter : silent installation"));
    EXPECT_FALSE(KeyExists(kPrinters));
    EXPECT_FALSE(window.everVisible);
}

TEST_F(InstallerDialogTest, OtherTimersDoNotCloseTheDialog) {
    CZUDEDO_InstallerDlg dlg({u"MKTG450_Installer", u"/si", u"usb"}, window, boxes, clock);
    window.SetTimer(7, 0);  // fires first and must be ignored
    EXPECT_EQ(dlg.DoModal(), installer::IDOK);
    EXPECT_EQ(window.timersFired, (std::vector<UINT>{7, installer::TIMER_CLOSE_OK}));
}
