#include "installer/app/SettingsFile.h"

#include <string>

#include "installer/app/InstallerLog.h"
#include "platform/LastError.h"
#include "platform/Profile.h"
#include "platform/SystemInfo.h"

namespace installer {

namespace {

constexpr size_t kPathCapacity = 256;

std::u16string Cut(std::u16string s) {
    if (s.size() > kPathCapacity - 1) s.resize(kPathCapacity - 1);
    return s;
}

DWORD ReadKey(LPCWSTR key, LPWSTR out, DWORD size, const std::u16string& path) {
    if (out && size) out[0] = 0;
    return GetPrivateProfileStringW(kSettingsSection, key, u"", out, size, path.c_str());
}

}  // namespace

LPWSTR GetDriverInfoFromFile(LPCWSTR lpKeyName, LPWSTR lpReturnedString, DWORD dwSize) {
    WriteLog(u"\r\n");
    WriteLog(u"GetDriverInfoFromFile : START");
    WriteLog(u"lpKeyName : %s", lpKeyName);
    WriteLog(u"dwSize for lpReturnedString : %d", dwSize);

    std::u16string path = Cut(std::u16string(u".\\") + kSettingsFileName);
    WriteLog(u"GetDriverInfoFromFile : Config file path = %s", path);
    DWORD read = ReadKey(lpKeyName, lpReturnedString, dwSize, path);

    if (read == 0) {
        char16_t module[260] = {};
        GetModuleFileNameW(nullptr, module, 260);
        std::u16string folder(module);
        const size_t slash = folder.find_last_of(u'\\');
        folder.resize(slash == std::u16string::npos ? 0 : slash);
        path = Cut(folder + u"\\" + kSettingsFileName);
        WriteLog(u"GetDriverInfoFromFile : Config file path = %s", path);
        read = ReadKey(lpKeyName, lpReturnedString, dwSize, path);
        if (read == 0) {
            WriteLog(u"GetDriverInfoFromFile : GetPrivateProfileString  failed. (%d)",
                     GetLastError());
            WriteLog(u"GetDriverInfoFromFile : END");
            return nullptr;
        }
    }
    WriteLog(u"GetDriverInfoFromFile : lpReturnedString = %s", lpReturnedString);
    WriteLog(u"GetDriverInfoFromFile : GetDriverInfoFromFile END");
    return lpReturnedString;
}

}  // namespace installer
