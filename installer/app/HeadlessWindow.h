// The progress window without a display: the UI thread is a plain event loop (posted
// work and one-shot timers) and nothing is drawn. The silent mode runs on it when no
// display is there; tests run every mode on it, with a script standing for the user
// of the port dialog.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "installer/app/ProgressWindow.h"
#include "installer/ops/UserInterface.h"

namespace installer {

class HeadlessWindow final : public IProgressWindow {
public:
    // The user of the port dialog: called on the worker thread after the dialog's
    // initialisation; returns IDOK or IDCANCEL. Without a script: IDCANCEL.
    std::function<int(class CPort_Dlg&)> portDialogScript;

    void Post(std::function<void()> fn) override;
    void SetTimer(UINT id, DWORD milliseconds) override;
    void Show(bool visible) override;
    void SetHeaderTexts(const std::u16string& printerName, const std::u16string& version) override;
    void SetMessageControl(const std::u16string& text) override;
    void SetProgressPosition(int position) override;
    void SetBusyCursor(bool) override {}
    int RunModal(std::function<void(UINT)> onTimer, std::function<void()> onInit) override;
    void EndDialog(int result) override;
    void Activate() override;
    int RunPortDialog(CPort_Dlg& dialog) override;

    // What happened (for tests).
    std::vector<bool> showCalls;
    bool everVisible = false;
    std::u16string printerNameText, versionText, messageText;
    std::vector<std::u16string> messages;
    int progress = 0;
    int activations = 0;
    std::vector<UINT> timersFired;

private:
    struct Timer {
        std::chrono::steady_clock::time_point due;
        UINT id;
    };
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    std::vector<Timer> m_timers;
    bool m_ended = false;
    int m_result = 0;
};

// Message boxes without a display: the text goes to the error stream with the
// program's name; MB_OK answers IDOK, MB_YESNO answers IDNO.
class ConsoleBoxes final : public IMessageBoxes {
public:
    int Show(std::u16string_view text, UINT type) override;
};

}  // namespace installer
