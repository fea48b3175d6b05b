#include <chrono>
#include <thread>

#include "installer/ops/UserInterface.h"
#include "platform/LocalTime.h"

namespace installer {

void SystemClock::Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD SystemClock::GetTickCount() { return ::GetTickCount(); }

}  // namespace installer
