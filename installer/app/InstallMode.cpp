#include "installer/app/InstallMode.h"

#include <array>

#include "installer/app/InstallerLog.h"
#include "installer/app/SettingsFile.h"

namespace installer {

std::u16string ToLowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::u16string ToUpperAscii(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

InstallMode ModeFromArgument(std::u16string_view argument1) {
    const std::u16string prefix = ToLowerAscii(argument1.substr(0, 3));
    if (prefix == u"/si") {
        WriteLog(u"Installprinter : silent installation");
        return InstallMode::Silent;
    }
    if (prefix == u"/su") {
        WriteLog(u"Installprinter : silent uninstallation");
        return InstallMode::Uninstall;
    }
    if (prefix == u"/di") {
        WriteLog(u"Installprinter : default installation");
        return InstallMode::Default;
    }
    return InstallMode::Interactive;
}

InstallMode ModeFromSettingsFile() {
    WriteLog(u"Installprinter : installation with the file");
    std::array<char16_t, 64> chPortSelection{};
    if (GetDriverInfoFromFile(u"PORTDLG", chPortSelection.data(),
                              static_cast<DWORD>(chPortSelection.size())) == nullptr) {
        WriteLog(u"Installprinter : GetDriverInfoFromFile failed.");
        return InstallMode::Interactive;
    }
    const std::u16string_view value(chPortSelection.data());
    WriteLog(u"Installprinter : chPortSelection = %s", value);
    if (value.find(u"TRUE") != std::u16string_view::npos) return InstallMode::Interactive;
    if (value.find(u"FALSE") != std::u16string_view::npos) return InstallMode::Silent;
    return InstallMode::Interactive;
}

InstallMode ChooseMode(const std::vector<std::u16string>& args) {
    if (args.size() < 2) return ModeFromSettingsFile();
    return ModeFromArgument(args[1]);
}

}  // namespace installer
