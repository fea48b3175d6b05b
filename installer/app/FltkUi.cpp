#include "installer/app/FltkUi.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Progress.H>
#include <FL/fl_ask.H>

#include <chrono>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "installer/app/FltkPortDialogWindow.h"
#include "installer/app/StandInSession.h"
#include "platform/MachineRoot.h"

namespace installer {

namespace {

constexpr int kFontSize = 12;

// The progress window: Escape and Enter do nothing, and it has no close box action
// (the run closes it).
class ProgressDialogWindow final : public Fl_Double_Window {
public:
    ProgressDialogWindow() : Fl_Double_Window(520, 250) {}
    int handle(int event) override {
        if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
            const int key = Fl::event_key();
            if (key == FL_Escape || key == FL_Enter || key == FL_KP_Enter) return 1;
        }
        return Fl_Double_Window::handle(event);
    }
};

}  // namespace

struct FltkUi::Impl final : public IProgressWindow, public IMessageBoxes {
    Impl();

    // IProgressWindow
    void Post(std::function<void()> fn) override;
    void SetTimer(UINT id, DWORD milliseconds) override;
    void Show(bool visible) override;
    void SetHeaderTexts(const std::u16string& printerName, const std::u16string& version) override;
    void SetMessageControl(const std::u16string& text) override;
    void SetProgressPosition(int position) override;
    void SetBusyCursor(bool busy) override;
    int RunModal(std::function<void(UINT)> onTimer, std::function<void()> onInit) override;
    void EndDialog(int result) override;
    void Activate() override;
    int RunPortDialog(CPort_Dlg& dialog) override;

    // IMessageBoxes
    int Show(std::u16string_view text, UINT type) override;

    bool OnUiThread() const { return std::this_thread::get_id() == m_uiThread; }
    void Drain();
    template <class T>
    T OnUi(std::function<T()> fn);

    std::thread::id m_uiThread = std::this_thread::get_id();
    std::mutex m_lock;
    std::deque<std::function<void()>> m_queue;
    struct Timer {
        std::chrono::steady_clock::time_point due;
        UINT id;
    };
    std::vector<Timer> m_timers;
    bool m_ended = false;
    int m_result = 0;

    // The window first: it goes last.
    std::unique_ptr<ProgressDialogWindow> m_window;
    std::unique_ptr<Fl_Box> m_outerFrame, m_printerName, m_version, m_innerFrame, m_label, m_message;
    std::unique_ptr<Fl_Progress> m_progress;
    std::unique_ptr<FltkPortDialogWindow> m_portDialog;
};

FltkUi::Impl::Impl() {
    Fl::lock();  // lets the worker wake the UI thread
    Fl::scheme("gtk+");
    fl_message_title_default("MKTG450_Installer");
    m_window = std::make_unique<ProgressDialogWindow>();
    m_window->copy_label("Installation Progress");
    m_window->position(40, 40);
    m_window->callback([](Fl_Widget*, void*) {});
    m_window->begin();
    m_outerFrame = std::make_unique<Fl_Box>(FL_ENGRAVED_FRAME, 10, 10, 500, 230, nullptr);
    m_printerName = std::make_unique<Fl_Box>(FL_NO_BOX, 24, 18, 472, 28, nullptr);
    m_printerName->copy_label("Windows Driver");
    m_printerName->labelfont(FL_HELVETICA_BOLD);
    m_printerName->labelsize(16);
    m_printerName->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    m_version = std::make_unique<Fl_Box>(FL_NO_BOX, 24, 46, 472, 22, nullptr);
    m_version->copy_label("Driver Version");
    m_version->labelsize(kFontSize);
    m_version->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    m_innerFrame = std::make_unique<Fl_Box>(FL_ENGRAVED_FRAME, 20, 76, 480, 154, nullptr);
    m_label = std::make_unique<Fl_Box>(FL_NO_BOX, 32, 86, 120, 22, nullptr);
    m_label->copy_label("Progress : ");
    m_label->labelsize(kFontSize);
    m_label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    m_message = std::make_unique<Fl_Box>(FL_NO_BOX, 32, 110, 456, 64, nullptr);
    m_message->copy_label("Messages");
    m_message->labelsize(kFontSize);
    m_message->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    m_progress = std::make_unique<Fl_Progress>(32, 188, 456, 22);
    m_progress->minimum(0);
    m_progress->maximum(100);
    m_progress->selection_color(fl_rgb_color(6, 176, 37));
    m_window->end();
}

void FltkUi::Impl::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(fn));
    }
    Fl::awake();
}

void FltkUi::Impl::SetTimer(UINT id, DWORD milliseconds) {
    {
        std::lock_guard lock(m_lock);
        m_timers.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), id});
    }
    Fl::awake();
}

void FltkUi::Impl::Show(bool visible) {
    Post([this, visible] {
        if (visible) m_window->show();
        else m_window->hide();
    });
}

void FltkUi::Impl::SetHeaderTexts(const std::u16string& printerName, const std::u16string& version) {
    m_printerName->copy_label(plat::ToUtf8(printerName).c_str());
    m_version->copy_label(plat::ToUtf8(version).c_str());
    m_window->redraw();
}

void FltkUi::Impl::SetMessageControl(const std::u16string& text) {
    std::string utf8 = plat::ToUtf8(text);
    // The step messages end their lines with CR LF; a label wants plain line feeds.
    std::erase(utf8, '\r');
    // '@' starts a symbol in an FLTK label.
    std::string escaped;
    for (char c : utf8) {
        if (c == '@') escaped += '@';
        escaped += c;
    }
    m_message->copy_label(escaped.c_str());
    m_window->redraw();
}

void FltkUi::Impl::SetProgressPosition(int position) {
    m_progress->value(static_cast<float>(position));
}

void FltkUi::Impl::SetBusyCursor(bool busy) {
    m_window->cursor(busy ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
}

void FltkUi::Impl::Drain() {
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_lock);
            if (m_queue.empty()) return;
            fn = std::move(m_queue.front());
            m_queue.pop_front();
        }
        fn();
    }
}

int FltkUi::Impl::RunModal(std::function<void(UINT)> onTimer, std::function<void()> onInit) {
    onInit();
    while (!m_ended) {
        Fl::wait(0.05);
        Drain();
        if (TakeActivationRequest()) Activate();
        std::vector<UINT> due;
        {
            std::lock_guard lock(m_lock);
            const auto now = std::chrono::steady_clock::now();
            for (auto it = m_timers.begin(); it != m_timers.end();) {
                if (it->due <= now) {
                    due.push_back(it->id);
                    it = m_timers.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (UINT id : due)
            if (!m_ended) onTimer(id);
    }
    m_window->hide();
    Fl::flush();
    return m_result;
}

void FltkUi::Impl::EndDialog(int result) {
    m_ended = true;
    m_result = result;
}

void FltkUi::Impl::Activate() {
    if (m_portDialog && m_portDialog->window().shown()) m_portDialog->window().show();
    else if (m_window->shown()) m_window->show();
}

template <class T>
T FltkUi::Impl::OnUi(std::function<T()> fn) {
    if (OnUiThread()) return fn();
    std::promise<T> done;
    auto result = done.get_future();
    Post([&] { done.set_value(fn()); });
    return result.get();
}

int FltkUi::Impl::RunPortDialog(CPort_Dlg& dialog) {
    std::promise<int> ended;
    auto result = ended.get_future();
    Post([&] {
        dialog.OnInitDialog();
        m_portDialog = std::make_unique<FltkPortDialogWindow>(dialog, [&](int r) {
            ended.set_value(r);
            // The window goes once its callback has returned.
            Post([this] { m_portDialog.reset(); });
        });
        // Below the progress window, so that both can be seen.
        m_portDialog->window().position(m_window->x(), m_window->y() + m_window->h() + 40);
        m_portDialog->Show();
    });
    return result.get();
}

int FltkUi::Impl::Show(std::u16string_view text, UINT type) {
    std::string utf8 = plat::ToUtf8(text);
    std::erase(utf8, '\r');
    return OnUi<int>([utf8, type]() {
        if ((type & 0xF) == MB_YESNO) {
            // Button 0 answers Escape and the close box: "No".
            return fl_choice("%s", "No", "Yes", nullptr, utf8.c_str()) == 1 ? IDYES : IDNO;
        }
        if (type & MB_ICONERROR) fl_alert("%s", utf8.c_str());
        else fl_message("%s", utf8.c_str());
        return IDOK;
    });
}

FltkUi::FltkUi() : m_impl(std::make_unique<Impl>()) {}
FltkUi::~FltkUi() = default;
IProgressWindow& FltkUi::window() { return *m_impl; }
IMessageBoxes& FltkUi::boxes() { return *m_impl; }

}  // namespace installer
