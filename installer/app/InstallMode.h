// The mode of one installation run: chosen from the first command-line argument, or,
// without arguments, from the key "PORTDLG" of the package settings file.
#pragma once

#include <string_view>
#include <vector>
#include <string>

namespace installer {

enum class InstallMode { Interactive, Default, Silent, Uninstall };

// Argument 1 lower-cased and compared on its first three characters ("/si", "/su",
// "/di"); anything else is interactive. Logs the mode's line.
InstallMode ModeFromArgument(std::u16string_view argument1);

// Without arguments: the settings file decides ("TRUE" first, then "FALSE", both
// case-sensitive substring tests); a missing key means interactive. Logs as it goes.
InstallMode ModeFromSettingsFile();

// The mode for a whole command line (args[0] is the program).
InstallMode ChooseMode(const std::vector<std::u16string>& args);

// Lower case of ASCII letters (the command-line texts are compared this way).
std::u16string ToLowerAscii(std::u16string_view text);
std::u16string ToUpperAscii(std::u16string_view text);

}  // namespace installer
