#include "oemuni/frame/ProductPaths.h"

#include "platform/MachineRoot.h"

namespace {

constexpr UINT kMaxPath = 260;

std::u16string WindowsDirectory() {
    char16_t szWinDir[kMaxPath] = {};
    const UINT n = GetWindowsDirectoryW(szWinDir, kMaxPath);
    if (n == 0 || n >= kMaxPath) return {};
    return std::u16string(szWinDir, n);
}

}  // namespace

std::u16string GetProductFolder() {
    std::u16string dir = WindowsDirectory();
    if (dir.empty()) return {};
    return dir + u"\\MKT-G450";
}

std::u16string GetSettingsFilePath() {
    const std::u16string folder = GetProductFolder();
    if (folder.empty()) return {};
    return folder + u"\\MKTG450_Config.VKR";
}

std::u16string GetDebugTempFolder() {
    const std::u16string dir = WindowsDirectory();
    if (dir.size() < 2) return {};
    return dir.substr(0, 2) + u"\\temp";
}

std::u16string GetDebugLogFolder() {
    const std::u16string temp = GetDebugTempFolder();
    if (temp.empty()) return {};
    return temp + u"\\MKT-G450";
}
