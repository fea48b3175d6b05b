// A program that faults on purpose inside the crash guard: crash_probe FOLDER divide|null|abort
#include <cstdlib>
#include <cstring>
#include <string>

#include "installer/crash/ExceptionAttacher.h"

namespace {

volatile int g_zero = 0;

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero() { return 100 / g_zero; }

__attribute__((noinline, no_sanitize("undefined", "address"))) void WriteToNull() {
    // The pointer itself is volatile: an optimiser that could see it is null would replace the
    // store by a trap instruction, and the fault would no longer be a write to address 0.
    volatile int* volatile p = nullptr;
    *p = 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 64;
    SetCrashFolderForTests(argv[1]);
    const std::string what = argv[2];
    return RunGuarded([&]() {
        if (what == "divide") return DivideByZero();
        if (what == "null") WriteToNull();
        if (what == "abort") std::abort();
        return 0;
    });
}
