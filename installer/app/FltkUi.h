// The installer's windows on a display, drawn with FLTK: the progress window
// (template 102), the port dialog (template 130) and the message boxes. The UI
// thread is the thread that builds FltkUi; the worker's requests reach it through
// a queue woken with Fl::awake.
#pragma once

#include <memory>

#include "installer/app/ProgressWindow.h"
#include "installer/ops/UserInterface.h"

namespace installer {

class FltkUi {
public:
    FltkUi();
    ~FltkUi();
    FltkUi(const FltkUi&) = delete;
    FltkUi& operator=(const FltkUi&) = delete;

    IProgressWindow& window();
    IMessageBoxes& boxes();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace installer
