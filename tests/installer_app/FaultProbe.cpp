// The installer program with a fault on its worker thread, for the crash-report tests:
//   installer_fault_probe CRASH-FOLDER divide|null  [installer arguments...]
#include <cstring>
#include <string>
#include <vector>

#include "installer/app/InstallerApp.h"
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
    std::vector<char*> args = {argv[0]};
    for (int i = 3; i < argc; ++i) args.push_back(argv[i]);
    return installer::InstallerMain(static_cast<int>(args.size()), args.data(), [what]() {
        if (what == "divide") g_zero = DivideByZero();
        if (what == "null") WriteToNull();
    });
}
