#include "installer/app/FltkPortDialogWindow.h"

#include <FL/Fl.H>

#include <string>

#include "platform/MachineRoot.h"

namespace installer {

namespace {

constexpr int kFontSize = 12;

std::unique_ptr<Fl_Box> GroupBox(int x, int y, int w, int h, const char* label) {
    auto box = std::make_unique<Fl_Box>(FL_ENGRAVED_FRAME, x, y, w, h, nullptr);
    box->copy_label(label);
    box->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
    box->labelsize(kFontSize);
    return box;
}

std::unique_ptr<Fl_Box> Static(int x, int y, int w, int h, const char* label, Fl_Align align) {
    auto box = std::make_unique<Fl_Box>(FL_NO_BOX, x, y, w, h, nullptr);
    box->copy_label(label);
    box->align(align | FL_ALIGN_INSIDE);
    box->labelsize(kFontSize);
    return box;
}

}  // namespace

FltkPortDialogWindow::FltkPortDialogWindow(CPort_Dlg& dlg, std::function<void(int)> onEnd)
    : m_dlg(dlg), m_onEnd(std::move(onEnd)) {
    m_window = std::make_unique<Fl_Double_Window>(420, 300);
    m_window->copy_label("Port Type");
    m_window->callback(OnClose, this);
    m_window->begin();
    m_statics.push_back(GroupBox(10, 8, 400, 124, "Serial Port"));
    m_statics.push_back(GroupBox(10, 140, 110, 110, "USB Port"));
    m_statics.push_back(GroupBox(130, 140, 280, 110, "Wireless LAN"));
    for (int i = 0; i < RADIO_COUNT; ++i) {
        int x = 0, y = 0, w = 60;
        if (i <= 17) {
            x = 22 + (i / 3) * 64;
            y = 30 + (i % 3) * 32;
        } else if (i == 18) {
            x = 22;
            y = 166;
        } else {
            x = 142;
            y = 160;
            w = 120;
        }
        m_radios[i] = std::make_unique<Fl_Round_Button>(x, y, w, 24);
        m_radios[i]->copy_label(plat::ToUtf8(RadioCaption(i)).c_str());
        m_radios[i]->type(FL_RADIO_BUTTON);
        m_radios[i]->labelsize(kFontSize);
        m_radioRefs[i] = {this, i};
        m_radios[i]->callback(OnRadio, &m_radioRefs[i]);
    }
    m_statics.push_back(Static(142, 190, 88, 24, "IP Address : ", FL_ALIGN_RIGHT));
    m_ipGroup = std::make_unique<Fl_Group>(232, 190, 168, 24);
    m_ipGroup->box(FL_DOWN_BOX);
    m_ipGroup->color(FL_BACKGROUND2_COLOR);
    for (int f = 0; f < 4; ++f) {
        m_ipFields[f] = std::make_unique<Fl_Int_Input>(234 + f * 41, 192, 34, 20);
        m_ipFields[f]->box(FL_FLAT_BOX);
        m_ipFields[f]->maximum_size(3);
        m_ipFields[f]->textsize(kFontSize);
        if (f < 3) {
            m_ipDots.push_back(std::make_unique<Fl_Box>(FL_NO_BOX, 268 + f * 41, 192, 7, 20, nullptr));
            m_ipDots.back()->copy_label(".");
        }
    }
    m_ipGroup->end();
    m_statics.push_back(Static(142, 220, 88, 24, "Port Number : ", FL_ALIGN_RIGHT));
    m_portNumber = std::make_unique<Fl_Input>(232, 220, 80, 24);
    m_portNumber->textsize(kFontSize);
    m_next = std::make_unique<Fl_Return_Button>(322, 262, 88, 28);
    m_next->copy_label("Next");
    m_next->labelsize(kFontSize);
    m_next->callback(OnNext, this);
    m_window->end();
    m_window->set_modal();
}

void FltkPortDialogWindow::PushControls() {
    const PortDialogControls& c = m_dlg.m_controls;
    for (int i = 0; i < RADIO_COUNT; ++i) m_radios[i]->value(i == c.nCheckedRadio ? 1 : 0);
    for (int f = 0; f < 4; ++f) m_ipFields[f]->value(std::to_string(c.ipFields[f]).c_str());
    m_portNumber->value(plat::ToUtf8(c.strPortNumber).c_str());
    if (c.bNetworkEnabled) {
        m_ipGroup->activate();
        m_portNumber->activate();
    } else {
        m_ipGroup->deactivate();
        m_portNumber->deactivate();
    }
    m_window->redraw();
}

void FltkPortDialogWindow::PullControls() {
    PortDialogControls& c = m_dlg.m_controls;
    c.nCheckedRadio = -1;
    for (int i = 0; i < RADIO_COUNT; ++i)
        if (m_radios[i]->value()) c.nCheckedRadio = i;
    for (int f = 0; f < 4; ++f) {
        // A field of the address control holds 0..255; a blank field reads 0.
        const int v = std::atoi(m_ipFields[f]->value());
        c.ipFields[f] = v < 0 ? 0 : (v > 255 ? 255 : v);
    }
    c.strPortNumber = plat::FromUtf8(m_portNumber->value());
}

void FltkPortDialogWindow::Show() {
    PushControls();
    m_window->show();
}

void FltkPortDialogWindow::End(int result) {
    if (m_ended) return;
    m_ended = true;
    m_window->hide();
    m_onEnd(result);
}

void FltkPortDialogWindow::OnRadio(Fl_Widget*, void* data) {
    auto* ref = static_cast<RadioRef*>(data);
    ref->self->PullControls();
    ref->self->m_dlg.m_controls.nCheckedRadio = ref->index;
    ref->self->m_dlg.OnBnClickedRadio();
    ref->self->PushControls();
}

void FltkPortDialogWindow::OnNext(Fl_Widget*, void* data) {
    auto* self = static_cast<FltkPortDialogWindow*>(data);
    self->PullControls();
    if (self->m_dlg.OnBnClickedNext()) self->End(IDOK);
    else self->PushControls();
}

void FltkPortDialogWindow::OnClose(Fl_Widget*, void* data) {
    static_cast<FltkPortDialogWindow*>(data)->End(IDCANCEL);
}

}  // namespace installer
