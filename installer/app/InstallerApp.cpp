#include "installer/app/InstallerApp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "installer/app/FltkUi.h"
#include "installer/app/HeadlessWindow.h"
#include "installer/app/InstallMode.h"
#include "installer/app/InstallerDialog.h"
#include "installer/app/StandInSession.h"
#include "installer/crash/ExceptionAttacher.h"
#include "platform/MachineRoot.h"

namespace installer {

BOOL CZUDEDO_InstallerApp::InitInstance(const std::vector<std::u16string>& args,
                                        IProgressWindow& window, IMessageBoxes& boxes,
                                        IClock& clock, const std::function<void()>& workerHook) {
    if (IncrementInstanceCounter() > 1) {
        ActivateRunningInstance();
        return FALSE;
    }
    CZUDEDO_InstallerDlg dlg(args, window, boxes, clock);
    dlg.m_onWorkerStart = workerHook;
    dlg.DoModal();
    if (dlg.m_bWorkerDetached) {
        // The worker did not end within the close limit and still uses the dialog:
        // end the process here rather than destroy the dialog under it. Every log
        // line is already on disk.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return FALSE;
}

namespace {

constexpr const char* kUsage =
    "usage: MKTG450_Installer [mode [port [ip-address [tcp-port]]]]\n"
    "  run from the driver package folder inside the machine root ($MKT_MACHINE)\n"
    "  mode      /si silent (no window), /di default (progress window only),\n"
    "            /su uninstall silently, anything else interactive;\n"
    "            no argument at all: PORTDLG of MKTG450_Config.VKR decides\n"
    "  port      COM1..COM18, USB, WLAN or ETHERNET (else PORT of the settings file)\n"
    "  ip-address, tcp-port  for WLAN/ETHERNET (else IP_ADDRESS, PORT_NUMBER)\n";

// Whether this command line will want windows: the interactive and default modes.
bool NeedsWindows(const std::vector<std::u16string>& args) {
    // The log is not open yet, so choosing here writes nothing.
    const InstallMode mode = ChooseMode(args);
    return mode == InstallMode::Interactive || mode == InstallMode::Default;
}

}  // namespace

int InstallerMain(int argc, char** argv, const std::function<void()>& workerHook) {
    std::vector<std::u16string> args;
    for (int i = 0; i < argc; ++i) args.push_back(plat::FromUtf8(argv[i]));
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!plat::HasMachineRoot()) {
        std::fputs("MKTG450_Installer: no machine root: set MKT_MACHINE to the stand-in machine's folder\n",
                   stderr);
        return 2;
    }
    std::string reason;
    if (!EnterPackageFolder(reason)) {
        std::fprintf(stderr, "MKTG450_Installer: %s\n", reason.c_str());
        return 2;
    }
    const bool display = HasDisplay();
    if (!display && NeedsWindows(args)) {
        std::fputs("MKTG450_Installer: the interactive and default modes need a display (DISPLAY is not set); "
                   "use /si for a silent installation\n",
                   stderr);
        return 2;
    }
    SystemClock clock;
    return RunGuarded([&]() {
        CZUDEDO_InstallerApp app;
        if (display) {
            FltkUi ui;
            app.InitInstance(args, ui.window(), ui.boxes(), clock, workerHook);
        } else {
            HeadlessWindow window;
            ConsoleBoxes boxes;
            app.InitInstance(args, window, boxes, clock, workerHook);
        }
        return 0;
    });
}

}  // namespace installer
