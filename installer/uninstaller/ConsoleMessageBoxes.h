// Message boxes of the uninstaller program on a text console: the text is printed,
// a Yes/No question is answered with a line starting with y or n (end of input: No).
#pragma once

#include "installer/ops/UserInterface.h"

namespace installer {

class ConsoleMessageBoxes final : public IMessageBoxes {
public:
    int Show(std::u16string_view text, UINT type) override;
};

}  // namespace installer
