// The entry of the installed driver in the system's list of installed programs.
#include <string>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/StringTable.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace installer {

namespace {

// A string value stored with exactly two bytes per character, no terminator counted.
void SetText(HKEY key, const char16_t* name, std::u16string_view text) {
    std::u16string bytes(text);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                   static_cast<DWORD>(text.size() * sizeof(char16_t)));
}

}  // namespace

void CDriverInstaller::RegisterUninstallInfo() {
    WriteLog(u"\r\n");
    WriteLog(u"RegisterUninstallInfo BEGIN");
    const std::u16string keyName = LoadInstallerString(IDS_UNINSTALL_REG);
    WriteLog(u"IDS_UNINSTALL_REG : %s", keyName);
    const REGSAM rights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

    // An earlier registration is replaced, not merged.
    if (m_bWow64) {
        RegKey old;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, rights | KEY_WOW64_64KEY,
                          old.put()) == ERROR_SUCCESS) {
            LPFN_REGDELETEKEYEXW regDeleteKeyEx = LookupRegDeleteKeyExW();
            const LONG rc =
                regDeleteKeyEx
                    ? regDeleteKeyEx(HKEY_LOCAL_MACHINE, keyName.c_str(), KEY_WOW64_64KEY, 0)
                    : 127;  // ERROR_PROC_NOT_FOUND
            if (rc != ERROR_SUCCESS) WriteLog(u"MyRegDeleteKeyEx failed : %s, (%d)", keyName, rc);
        }
    } else {
        RegKey old;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, rights, old.put()) ==
            ERROR_SUCCESS) {
            const LONG rc = SHDeleteKeyW(HKEY_LOCAL_MACHINE, keyName.c_str());
            if (rc != ERROR_SUCCESS) WriteLog(u"SHDeleteKey failed : %s , (%d)", keyName, rc);
        }
    }

    RegKey key;
    const LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE,
                                    m_bWow64 ? (KEY_WRITE | KEY_WOW64_64KEY) : KEY_ALL_ACCESS,
                                    nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        WriteLog(m_bWow64 ? u"RegCreateKeyEx failed : %s, (%d)" : u"RegCreateKeyEx failed : %s , (%d)",
                 keyName, rc);
        WriteLog(u"RegisterUninstallInfo END");
        return;
    }

    std::u16string version = LoadInstallerString(IDS_MAJOR_VERSION) + u"." +
                             LoadInstallerString(IDS_MINOR_VERSION) + u"." +
                             LoadInstallerString(IDS_BUILD_VERSION) + u"." +
                             LoadInstallerString(IDS_EXTRA_VERSION);
    if (version.size() > 519) version.resize(519);
    const std::u16string model = LoadInstallerString(IDS_MODEL_NAME);
    const std::u16string displayName =
        LoadInstallerString(IDS_MFG_NAME) + u" " + model + u" Windows Driver";
    const std::u16string productFolder = plat::GetWindowsDirectoryString() + u"\\" + model;
    const std::u16string icon = productFolder + u"\\" + LoadInstallerString(IDS_UNINSTALL_ICON);
    const std::u16string publisher = LoadInstallerString(IDS_PUBLISHER);
    const std::u16string uninstall = productFolder + u"\\" + LoadInstallerString(IDS_UNINSTALLER);

    WriteLog(u"DisplayVersion : %s", version);
    SetText(key.get(), u"DisplayVersion", version);
    WriteLog(u"DisplayName : %s", displayName);
    SetText(key.get(), u"DisplayName", displayName);
    WriteLog(u"DisplayIcon : %s", icon);
    SetText(key.get(), u"DisplayIcon", icon);
    WriteLog(u"Publisher : %s", publisher);
    SetText(key.get(), u"Publisher", publisher);
    WriteLog(u"UninstallString : %s", uninstall);
    SetText(key.get(), u"UninstallString", uninstall);
    if (!m_strInfFile.empty()) {
        std::u16string inf = m_strInfFile;
        if (inf.size() > 259) inf.resize(259);
        WriteLog(u"INF FILE NAME : %s", inf);
        SetText(key.get(), u"InfFile", inf);
    }
    key.reset();
    WriteLog(u"RegisterUninstallInfo END");
}

}  // namespace installer
