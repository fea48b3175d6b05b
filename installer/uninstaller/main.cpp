// MKTG450_Uninstaller /u | /su
// Removes the MKT-G450 driver from the machine (the machine root named by
// MKT_MACHINE on this platform). /u asks first, /su is silent.
#include <exception>
#include <iostream>

#include "installer/uninstaller/ConsoleMessageBoxes.h"
#include "installer/uninstaller/Uninstaller.h"
#include "platform/MachineRoot.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: MKTG450_Uninstaller /u | /su\n";
        return installer::UNINSTALL_BAD_ARGUMENTS;
    }
    try {
        installer::ConsoleMessageBoxes boxes;
        const int rc = installer::RunUninstaller(plat::FromUtf8(argv[1]), boxes);
        if (rc == installer::UNINSTALL_BAD_ARGUMENTS)
            std::cerr << "usage: MKTG450_Uninstaller /u | /su\n";
        return rc;
    } catch (const std::exception& e) {
        std::cerr << "MKTG450_Uninstaller: " << e.what() << '\n';
        return 3;
    }
}
