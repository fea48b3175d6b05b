#include "installer/uninstaller/Uninstaller.h"

#include <string>
#include <vector>

#include "installer/app/SettingsFile.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/StringTable.h"
#include "platform/Files.h"
#include "platform/MachineRoot.h"
#include "platform/Printers.h"
#include "platform/Registry.h"
#include "platform/ServiceManager.h"
#include "platform/SetupApi.h"
#include "platform/Spooler.h"
#include "platform/SystemPrograms.h"

namespace installer {

namespace {

std::u16string Lower(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return out;
}

std::u16string ReadRegisteredInf(const std::u16string& keyName) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS)
        return {};
    char16_t value[261] = {};
    DWORD size = sizeof value - sizeof(char16_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), u"InfFile", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS)
        return {};
    return std::u16string(value, size / sizeof(char16_t)).c_str();
}

void RemoveQueuesAndDriver(const std::u16string& driverName) {
    std::vector<plat::PrinterInfo2> printers;
    plat::EnumLocalPrinters(printers);
    for (const auto& p : printers) {
        if (p.driverName != driverName) continue;
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        PrinterHandle printer;
        if (OpenPrinterW(p.printerName.c_str(), printer.put(), &defaults))
            DeletePrinter(printer.get());
    }
    std::u16string name = driverName;
    DeletePrinterDriverExW(nullptr, nullptr, name.data(), DPD_DELETE_ALL_FILES, 0);
    plat::DeleteProcessor({}, LoadInstallerString(IDS_PRINT_PROCESSOR));
    plat::DeleteMonitor(LoadInstallerString(IDS_LANGUAGE_MONITOR));
}

}  // namespace

int RunUninstaller(std::u16string_view mode, IMessageBoxes& boxes) {
    const std::u16string m = Lower(mode);
    const bool ask = m == u"/u";
    if (!ask && m != u"/su") return UNINSTALL_BAD_ARGUMENTS;

    const std::u16string printer = LoadInstallerString(IDS_PRINTER_NAME);
    const std::u16string displayName = LoadInstallerString(IDS_MFG_NAME) + u" " +
                                       LoadInstallerString(IDS_MODEL_NAME) + u" Windows Driver";
    if (ask && boxes.Show(u"Do you want to remove the " + displayName + u"?",
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
        return UNINSTALL_DECLINED;

    if (!plat::IsSpoolerRunning()) plat::RunMachineProgram(u"net start spooler");
    RemoveQueuesAndDriver(printer);

    const std::u16string uninstallKey = LoadInstallerString(IDS_UNINSTALL_REG);
    const std::u16string inf = ReadRegisteredInf(uninstallKey);
    if (!inf.empty()) SetupUninstallOEMInfW(inf.c_str(), 0, nullptr);

    DeleteDirectoryTree(plat::GetWindowsDirectoryString() + u"\\" +
                        LoadInstallerString(IDS_MODEL_NAME));
    const std::u16string settingsCopy =
        plat::GetSystemDirectoryString() + u"\\" + kSettingsFileName;
    DeleteFileW(settingsCopy.c_str());
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, uninstallKey.c_str());

    if (ask) boxes.Show(u"The " + displayName + u" has been removed.", MB_OK | MB_ICONINFORMATION);
    return UNINSTALL_DONE;
}

}  // namespace installer
