// What the installer operations need from the user interface and from time: message
// boxes, the progress display of the step messages, pauses and a millisecond clock.
// The program supplies the real ones; tests answer the boxes and run the pauses on
// a fake clock.
#pragma once

#include <string_view>

#include "platform/Win32Types.h"

namespace installer {

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message boxes with the program's name as caption.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows text with the MB_ buttons and icon of type; returns the button (IDOK ...).
    virtual int Show(std::u16string_view text, UINT type) = 0;
};

// Pauses and elapsed time.
class IClock {
public:
    virtual ~IClock() = default;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual DWORD GetTickCount() = 0;
};

// The progress display: the message text the dialog shows, its progress bar, and
// the refresh message (WM_USER+1) that makes the dialog show the new text. Called on
// the worker thread; the implementation hands the changes to the UI thread safely.
class IStepMessageSink {
public:
    virtual ~IStepMessageSink() = default;
    virtual void SetMessageText(std::u16string_view text) = 0;
    virtual void StepProgress() = 0;             // one step of the bar
    virtual void SetProgressPosition(int pos) = 0;
    virtual void PostRefresh() = 0;              // WM_USER+1 to the main window
};

// The real clock: pauses the calling thread, time from the platform's tick count.
class SystemClock final : public IClock {
public:
    void Sleep(DWORD milliseconds) override;
    DWORD GetTickCount() override;
};

}  // namespace installer
