// The port dialog's window (template 130, "Port Type") drawn with FLTK: it shows the
// controls of a CPort_Dlg, copies what the user does back into them and calls the
// dialog's handlers. The close box and Escape end it with Cancel, Enter acts as Next.
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "installer/app/PortDialog.h"

namespace installer {

class FltkPortDialogWindow {
public:
    // onEnd receives IDOK or IDCANCEL once, on the UI thread.
    FltkPortDialogWindow(CPort_Dlg& dlg, std::function<void(int)> onEnd);
    FltkPortDialogWindow(const FltkPortDialogWindow&) = delete;
    FltkPortDialogWindow& operator=(const FltkPortDialogWindow&) = delete;

    void Show();
    Fl_Window& window() { return *m_window; }
    // The controls shown by the dialog's data exchange.
    void PushControls();

private:
    struct RadioRef {
        FltkPortDialogWindow* self;
        int index;
    };
    void PullControls();
    void End(int result);
    static void OnRadio(Fl_Widget*, void* data);
    static void OnNext(Fl_Widget*, void* data);
    static void OnClose(Fl_Widget*, void* data);

    CPort_Dlg& m_dlg;
    std::function<void(int)> m_onEnd;
    bool m_ended = false;

    // The window first: it goes last, after its children have left it.
    std::unique_ptr<Fl_Double_Window> m_window;
    std::vector<std::unique_ptr<Fl_Box>> m_statics;
    std::array<RadioRef, RADIO_COUNT> m_radioRefs{};
    std::array<std::unique_ptr<Fl_Round_Button>, RADIO_COUNT> m_radios;
    std::unique_ptr<Fl_Group> m_ipGroup;
    std::array<std::unique_ptr<Fl_Int_Input>, 4> m_ipFields;
    std::vector<std::unique_ptr<Fl_Box>> m_ipDots;
    std::unique_ptr<Fl_Input> m_portNumber;
    std::unique_ptr<Fl_Return_Button> m_next;
};

}  // namespace installer
