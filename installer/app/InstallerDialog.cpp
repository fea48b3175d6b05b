#include "installer/app/InstallerDialog.h"

#include <chrono>

#include "installer/app/InstallerLog.h"
#include "installer/app/PortDialog.h"
#include "installer/ops/PlatformChecks.h"
#include "installer/ops/SpoolerControl.h"
#include "installer/ops/StringTable.h"
#include "platform/Shell.h"

namespace installer {

std::u16string DriverVersionText() {
    return u"Driver Version : V" + LoadInstallerString(IDS_MAJOR_VERSION) + u"." +
           LoadInstallerString(IDS_MINOR_VERSION) + u"." + LoadInstallerString(IDS_BUILD_VERSION) +
           u"." + LoadInstallerString(IDS_EXTRA_VERSION);
}

void CZUDEDO_InstallerDlg::Sink::SetMessageText(std::u16string_view text) {
    std::lock_guard lock(m_dlg.m_messageLock);
    m_dlg.m_strMessage = text;
}

void CZUDEDO_InstallerDlg::Sink::StepProgress() {
    m_dlg.m_window.Post([d = &m_dlg] {
        d->m_nProgress = std::min(100, d->m_nProgress + 10);
        d->m_window.SetProgressPosition(d->m_nProgress);
    });
}

void CZUDEDO_InstallerDlg::Sink::SetProgressPosition(int pos) {
    m_dlg.m_window.Post([d = &m_dlg, pos] {
        d->m_nProgress = std::clamp(pos, 0, 100);
        d->m_window.SetProgressPosition(d->m_nProgress);
    });
}

void CZUDEDO_InstallerDlg::Sink::PostRefresh() {
    m_dlg.m_window.Post([d = &m_dlg] { d->OnRefresh(); });
}

CZUDEDO_InstallerDlg::CZUDEDO_InstallerDlg(std::vector<std::u16string> args,
                                           IProgressWindow& window, IMessageBoxes& boxes,
                                           IClock& clock)
    : m_installer(boxes, clock), m_args(std::move(args)), m_window(window), m_boxes(boxes),
      m_clock(clock) {}

CZUDEDO_InstallerDlg::~CZUDEDO_InstallerDlg() {
    // A worker left running past the close limit is abandoned with the process.
    if (m_pThread.joinable()) m_pThread.detach();
}

std::u16string CZUDEDO_InstallerDlg::Message() const {
    std::lock_guard lock(m_messageLock);
    return m_strMessage;
}

int CZUDEDO_InstallerDlg::DoModal() {
    return m_window.RunModal([this](UINT id) { OnTimer(id); }, [this] { OnInitDialog(); });
}

BOOL CZUDEDO_InstallerDlg::OnInitDialog() {
    OpenInstallerLog();
    StartSpooler(CheckOS(), m_clock);
    m_nProgress = 0;
    m_window.SetProgressPosition(0);
    m_installer.Connect(&m_sink);
    m_window.SetHeaderTexts(LoadInstallerString(IDS_PRINTER_NAME), DriverVersionText());
    m_bBusy = TRUE;
    m_window.SetBusyCursor(true);
    m_pThread = std::thread(&CZUDEDO_InstallerDlg::InstallThreadProc, this);
    return TRUE;
}

void CZUDEDO_InstallerDlg::OnRefresh() { m_window.SetMessageControl(Message()); }

void CZUDEDO_InstallerDlg::OnTimer(UINT nIDEvent) {
    if (nIDEvent != TIMER_CLOSE_CANCEL && nIDEvent != TIMER_CLOSE_OK) return;
    if (m_pThread.joinable()) {
        std::unique_lock lock(m_doneLock);
        const bool done = m_doneCv.wait_for(lock, std::chrono::milliseconds(WORKER_JOIN_LIMIT),
                                            [this] { return m_bWorkerDone; });
        lock.unlock();
        if (done) {
            m_pThread.join();
        } else {
            // A thread cannot be killed safely here; it is let go and ends with the
            // process, which exits as soon as the window is closed.
            m_pThread.detach();
            m_bWorkerDetached = true;
        }
    }
    m_bShowWindow = FALSE;
    m_bBusy = FALSE;
    m_window.SetBusyCursor(false);
    m_window.EndDialog(nIDEvent == TIMER_CLOSE_OK ? IDOK : IDCANCEL);
}

void CZUDEDO_InstallerDlg::InstallThreadProc(CZUDEDO_InstallerDlg* dlg) {
    WriteLog(u"RUN THREAD, InstallPrinter");
    dlg->Installprinter();
    {
        std::lock_guard lock(dlg->m_doneLock);
        dlg->m_bWorkerDone = true;
    }
    dlg->m_doneCv.notify_all();
}

void CZUDEDO_InstallerDlg::EndRun(UINT timerId) { m_window.SetTimer(timerId, CLOSE_TIMER_DELAY); }

void CZUDEDO_InstallerDlg::ShowProgressWindow(bool visible) {
    m_bShowWindow = visible ? TRUE : FALSE;
    m_window.Show(visible);
}

void CZUDEDO_InstallerDlg::Installprinter() {
    WriteLog(u"Installprinter : START");
    if (m_onWorkerStart) m_onWorkerStart();

    if (CheckOS() < OS_CODE_OLDEST_ACCEPTED) {
        WriteLog(u"Installprinter : THE DRIVER CAN NOT BE INSTALLED ON THIS OS.");
        m_boxes.Show(u"THE DRIVER CAN NOT BE INSTALLED ON THIS OS.", MB_OK | MB_ICONINFORMATION);
        EndRun(TIMER_CLOSE_OK);
        return;
    }
    if (!m_installer.CheckDriverVersion()) {
        EndRun(TIMER_CLOSE_OK);
        return;
    }

    m_mode = ChooseMode(m_args);
    if (m_mode == InstallMode::Uninstall) {
        const std::u16string file = u".\\" + LoadInstallerString(IDS_UNINSTALLER);
        const std::u16string parameters = ToLowerAscii(m_args[1]);
        ShellExecuteW(nullptr, u"open", file.c_str(), parameters.c_str(), u".\\", SW_HIDE);
        EndRun(TIMER_CLOSE_OK);
        return;
    }

    BOOL bInteractive = FALSE;
    CPort_Dlg portDlg(m_args, m_boxes);
    if (m_mode == InstallMode::Interactive) {
        ShowProgressWindow(true);
        bInteractive = TRUE;
        if (m_window.RunPortDialog(portDlg) != IDOK) {
            WriteLog(u"Installprinter : The driver installation canceled.");
            m_boxes.Show(u"The driver installation canceled.", MB_OK | MB_ICONINFORMATION);
            EndRun(TIMER_CLOSE_OK);
            return;
        }
    } else {
        ShowProgressWindow(m_mode == InstallMode::Default);
        // The hidden use: only the initialisation runs, parsing the command line and
        // the settings file.
        portDlg.OnInitDialog();
    }
    const int nPortType = portDlg.m_nPort_Type;
    m_nPortType = nPortType;
    m_installer.m_nPortNumber = portDlg.m_nPortNumber;
    m_installer.m_strIPAddress = portDlg.m_strIPAddress;

    WriteLog(u"Installprinter : nPortType = %d", nPortType);
    if (nPortType == PORT_TYPE_NETWORK) {
        m_installer.AddEthernetPort(m_installer.m_nPortNumber, m_installer.m_strIPAddress);
        WriteLog(u"Installprinter : nPortNumber = %d", m_installer.m_nPortNumber);
        WriteLog(u"Installprinter : strIPAddress = %s", m_installer.m_strIPAddress);
    }
    const int result = m_installer.InstallUsingCmdPrompt(nPortType, bInteractive);
    EndRun(result != 0 ? TIMER_CLOSE_OK : TIMER_CLOSE_CANCEL);
}

}  // namespace installer
