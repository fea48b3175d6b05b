#include "installer/app/HeadlessWindow.h"

#include <cstdio>

#include "installer/app/PortDialog.h"
#include "installer/app/StandInSession.h"
#include "platform/MachineRoot.h"

namespace installer {

void HeadlessWindow::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(fn));
    }
    m_cv.notify_all();
}

void HeadlessWindow::SetTimer(UINT id, DWORD milliseconds) {
    {
        std::lock_guard lock(m_lock);
        m_timers.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), id});
    }
    m_cv.notify_all();
}

void HeadlessWindow::Show(bool visible) {
    std::lock_guard lock(m_lock);
    showCalls.push_back(visible);
    if (visible) everVisible = true;
}

void HeadlessWindow::SetHeaderTexts(const std::u16string& printerName, const std::u16string& version) {
    printerNameText = printerName;
    versionText = version;
}

void HeadlessWindow::SetMessageControl(const std::u16string& text) {
    messageText = text;
    messages.push_back(text);
}

void HeadlessWindow::SetProgressPosition(int position) { progress = position; }

void HeadlessWindow::EndDialog(int result) {
    m_ended = true;
    m_result = result;
}

void HeadlessWindow::Activate() { ++activations; }

int HeadlessWindow::RunModal(std::function<void(UINT)> onTimer, std::function<void()> onInit) {
    onInit();
    std::unique_lock lock(m_lock);
    while (!m_ended) {
        if (TakeActivationRequest()) {
            lock.unlock();
            Activate();
            lock.lock();
            continue;
        }
        if (!m_queue.empty()) {
            auto fn = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            fn();
            lock.lock();
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        auto next = now + std::chrono::milliseconds(200);  // also polls for activation
        for (size_t i = 0; i < m_timers.size(); ++i) {
            if (m_timers[i].due <= now) {
                const UINT id = m_timers[i].id;
                m_timers.erase(m_timers.begin() + static_cast<long>(i));
                timersFired.push_back(id);
                lock.unlock();
                onTimer(id);
                lock.lock();
                next = now;
                break;
            }
            if (m_timers[i].due < next) next = m_timers[i].due;
        }
        if (next > now) m_cv.wait_until(lock, next);
    }
    return m_result;
}

int HeadlessWindow::RunPortDialog(CPort_Dlg& dialog) {
    dialog.OnInitDialog();
    return portDialogScript ? portDialogScript(dialog) : IDCANCEL;
}

int ConsoleBoxes::Show(std::u16string_view text, UINT type) {
    std::fprintf(stderr, "MKTG450_Installer: %s\n", plat::ToUtf8(text).c_str());
    return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace installer
