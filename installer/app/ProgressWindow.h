// What the progress dialog's logic needs from its window (template 102) and from the
// toolkit: running work on the UI thread, one-shot timers, showing and hiding, the
// controls' texts, the modal loop, and the port dialog shown modally for the worker.
#pragma once

#include <functional>
#include <string>

#include "platform/Win32Types.h"

namespace installer {

class CPort_Dlg;

class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;
    // Runs fn on the UI thread (callable from any thread, does not wait).
    virtual void Post(std::function<void()> fn) = 0;
    // After `milliseconds`, calls the timer handler with `id` on the UI thread.
    virtual void SetTimer(UINT id, DWORD milliseconds) = 0;
    // Shows or hides the window (from any thread).
    virtual void Show(bool visible) = 0;
    // UI thread: the texts of controls 1003 and 1002, the message (1001), the bar (1000).
    virtual void SetHeaderTexts(const std::u16string& printerName, const std::u16string& version) = 0;
    virtual void SetMessageControl(const std::u16string& text) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // UI thread: the cursor shape while busy.
    virtual void SetBusyCursor(bool busy) = 0;
    // Runs the modal loop until EndDialog; returns its result.
    virtual int RunModal(std::function<void(UINT)> onTimer, std::function<void()> onInit) = 0;
    virtual void EndDialog(int result) = 0;
    // Brings the window (or the port dialog above it) to the front.
    virtual void Activate() = 0;
    // Shows the port dialog modally for the worker thread and waits for its end:
    // IDOK or IDCANCEL.
    virtual int RunPortDialog(CPort_Dlg& dialog) = 0;
};

}  // namespace installer
