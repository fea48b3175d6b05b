// The application: the single-instance rule and the modal progress dialog, and the
// program's entry with its command line, the choice of toolkit and the crash guard.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "installer/app/ProgressWindow.h"
#include "installer/ops/UserInterface.h"

namespace installer {

class CZUDEDO_InstallerApp {
public:
    // Returns FALSE always: the program ends when it returns.
    BOOL InitInstance(const std::vector<std::u16string>& args, IProgressWindow& window,
                      IMessageBoxes& boxes, IClock& clock,
                      const std::function<void()>& workerHook = {});
};

// The program: `MKTG450_Installer [mode [port [ip-address [tcp-port]]]]`; --help.
// workerHook runs on the worker thread at the start of the run (test builds only).
int InstallerMain(int argc, char** argv, const std::function<void()>& workerHook = {});

}  // namespace installer
