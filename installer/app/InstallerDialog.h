// The progress dialog (template 102) and the installation run on its worker thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "installer/app/InstallMode.h"
#include "installer/app/ProgressWindow.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/UserInterface.h"

namespace installer {

constexpr UINT TIMER_CLOSE_CANCEL = 201;  // the run failed
constexpr UINT TIMER_CLOSE_OK = 202;      // the run ended normally
constexpr DWORD CLOSE_TIMER_DELAY = 100;
constexpr DWORD WORKER_JOIN_LIMIT = 3000;

// "Driver Version : V" and strings 301 to 304 joined with ".".
std::u16string DriverVersionText();

class CZUDEDO_InstallerDlg {
public:
    CZUDEDO_InstallerDlg(std::vector<std::u16string> args, IProgressWindow& window,
                         IMessageBoxes& boxes, IClock& clock);
    ~CZUDEDO_InstallerDlg();
    CZUDEDO_InstallerDlg(const CZUDEDO_InstallerDlg&) = delete;
    CZUDEDO_InstallerDlg& operator=(const CZUDEDO_InstallerDlg&) = delete;

    // Runs the dialog modally; returns IDOK (timer 202) or IDCANCEL (timer 201).
    int DoModal();

    BOOL OnInitDialog();
    void OnTimer(UINT nIDEvent);
    void OnRefresh();  // WM_USER+1

    // The run on the worker thread.
    void Installprinter();

    // A hook run on the worker at the start of the run (fault probes of test builds).
    std::function<void()> m_onWorkerStart;

    // State (read by the window and by tests).
    std::atomic<BOOL> m_bBusy{FALSE};
    std::atomic<BOOL> m_bShowWindow{FALSE};
    std::atomic<bool> m_bWorkerDetached{false};
    CDriverInstaller m_installer;
    InstallMode m_mode = InstallMode::Interactive;
    int m_nPortType = -1;

    std::u16string Message() const;

private:
    class Sink final : public IStepMessageSink {
    public:
        explicit Sink(CZUDEDO_InstallerDlg& dlg) : m_dlg(dlg) {}
        void SetMessageText(std::u16string_view text) override;
        void StepProgress() override;
        void SetProgressPosition(int pos) override;
        void PostRefresh() override;
    private:
        CZUDEDO_InstallerDlg& m_dlg;
    };

    static void InstallThreadProc(CZUDEDO_InstallerDlg* dlg);
    void EndRun(UINT timerId);
    void ShowProgressWindow(bool visible);

    std::vector<std::u16string> m_args;
    IProgressWindow& m_window;
    IMessageBoxes& m_boxes;
    IClock& m_clock;
    Sink m_sink{*this};

    // m_strMessage is written by the worker and read on the UI thread.
    mutable std::mutex m_messageLock;
    std::u16string m_strMessage;
    int m_nProgress = 0;

    std::thread m_pThread;
    std::mutex m_doneLock;
    std::condition_variable m_doneCv;
    bool m_bWorkerDone = false;
};

}  // namespace installer
