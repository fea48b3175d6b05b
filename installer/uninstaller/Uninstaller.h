// Removal of the installed driver: every queue of the driver, the driver with its
// files, its print processor and language monitor, the registered INF, the product
// folder, the settings file copy in the system folder and the uninstall registration.
#pragma once

#include <string_view>

#include "installer/ops/UserInterface.h"

namespace installer {

constexpr int UNINSTALL_DONE = 0;
constexpr int UNINSTALL_DECLINED = 1;
constexpr int UNINSTALL_BAD_ARGUMENTS = 2;

// mode "/u": asks before removing and reports the end; "/su": silent. Letter case of
// the mode is ignored.
int RunUninstaller(std::u16string_view mode, IMessageBoxes& boxes);

}  // namespace installer
