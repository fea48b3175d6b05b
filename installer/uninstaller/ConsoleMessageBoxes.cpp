#include "installer/uninstaller/ConsoleMessageBoxes.h"

#include <iostream>
#include <string>

#include "platform/MachineRoot.h"

namespace installer {

int ConsoleMessageBoxes::Show(std::u16string_view text, UINT type) {
    std::cout << "MKTG450_Uninstaller: " << plat::ToUtf8(text) << '\n';
    if ((type & 0xF) != MB_YESNO) return IDOK;
    for (;;) {
        std::cout << "[y/n] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return IDNO;
        if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return IDYES;
        if (!answer.empty() && (answer[0] == 'n' || answer[0] == 'N')) return IDNO;
    }
}

}  // namespace installer
