#include "platform/SystemInfo.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/StandInMachine.h"
#include "platform/posix/RegHelpers.h"

namespace {

constexpr std::u16string_view kVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::u16string_view kProductKey = u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::u16string_view kEnvironmentKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::u16string_view kShutdownKey = u"SYSTEM\\MktStandIn\\Shutdown";

std::mutex& ModuleMutex() {
    static std::mutex m;
    return m;
}
std::u16string& ModuleName() {
    static std::u16string s;
    return s;
}
std::atomic<bool> g_shutdownPrivilege{false};

BOOL IsWow64ProcessImpl(HANDLE, BOOL* Wow64Process) {
    if (!Wow64Process) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *Wow64Process = plat::GetMachineDescription().is64Bit ? TRUE : FALSE;
    return TRUE;
}

LONG RegDeleteKeyExImpl(HKEY hKey, LPCWSTR lpSubKey, REGSAM samDesired, DWORD Reserved) {
    return RegDeleteKeyExW(hKey, lpSubKey, samDesired, Reserved);
}

bool AtLeast(const plat::MachineDescription& d, DWORD major, DWORD minor) {
    return d.platformId == VER_PLATFORM_WIN32_NT &&
           (d.major > major || (d.major == major && d.minor >= minor));
}

}  // namespace

namespace plat {

MachineDescription GetMachineDescription() {
    EnsureStandInMachine();
    MachineDescription d;
    d.platformId = reg::ReadDword(kVersionKey, u"MktPlatformId", VER_PLATFORM_WIN32_NT);
    d.major = reg::ReadDword(kVersionKey, u"CurrentMajorVersionNumber", 10);
    d.minor = reg::ReadDword(kVersionKey, u"CurrentMinorVersionNumber", 0);
    const auto build = reg::ReadString(kVersionKey, u"CurrentBuildNumber");
    d.build = 0;
    for (char16_t c : build.value_or(u"0")) {
        if (c < u'0' || c > u'9') break;
        d.build = d.build * 10 + static_cast<DWORD>(c - u'0');
    }
    const auto type = reg::ReadString(kProductKey, u"ProductType").value_or(u"WinNT");
    d.productType = type == u"WinNT"      ? VER_NT_WORKSTATION
                    : type == u"LanManNT" ? VER_NT_DOMAIN_CONTROLLER
                                          : VER_NT_SERVER;
    d.serverR2 = reg::ReadDword(kVersionKey, u"MktServerR2", 0);
    d.is64Bit = reg::ReadString(kEnvironmentKey, u"PROCESSOR_ARCHITECTURE").value_or(u"AMD64") ==
                u"AMD64";
    return d;
}

void SetMachineDescription(const MachineDescription& d) {
    EnsureStandInMachine();
    reg::WriteDword(kVersionKey, u"MktPlatformId", d.platformId);
    reg::WriteDword(kVersionKey, u"CurrentMajorVersionNumber", d.major);
    reg::WriteDword(kVersionKey, u"CurrentMinorVersionNumber", d.minor);
    std::u16string build;
    for (char c : std::to_string(d.build)) build.push_back(static_cast<char16_t>(c));
    reg::WriteString(kVersionKey, u"CurrentBuildNumber", build);
    reg::WriteString(kProductKey, u"ProductType",
                     d.productType == VER_NT_WORKSTATION         ? u"WinNT"
                     : d.productType == VER_NT_DOMAIN_CONTROLLER ? u"LanManNT"
                                                                 : u"ServerNT");
    reg::WriteDword(kVersionKey, u"MktServerR2", d.serverR2);
    reg::WriteString(kEnvironmentKey, u"PROCESSOR_ARCHITECTURE", d.is64Bit ? u"AMD64" : u"x86");
}

void SetModuleFileName(std::u16string_view winPath) {
    std::lock_guard lock(ModuleMutex());
    ModuleName() = winPath;
}

BOOL EnableShutdownPrivilege(std::u16string_view privilegeName) {
    if (privilegeName != u"SeShutdownPrivilege") {
        SetLastError(1313);  // ERROR_NO_SUCH_PRIVILEGE
        return FALSE;
    }
    g_shutdownPrivilege = true;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

std::u16string SystemErrorMessage(DWORD code) {
    switch (code) {
        case 0: return u"The operation completed successfully.\r\n";
        case 2: return u"The system cannot find the file specified.\r\n";
        case 3: return u"The system cannot find the path specified.\r\n";
        case 5: return u"Access is denied.\r\n";
        case 13: return u"The data is invalid.\r\n";
        case 80: return u"The file exists.\r\n";
        case 87: return u"The parameter is incorrect.\r\n";
        case 183: return u"Cannot create a file when that file already exists.\r\n";
        case 1722: return u"The RPC server is unavailable.\r\n";
        case 1796: return u"The specified port is unknown.\r\n";
        case 1797: return u"The printer driver is unknown.\r\n";
        case 1801: return u"The printer name is invalid.\r\n";
        case 0xE0000100: return u"The INF file is invalid.\r\n";
        case 0xE0000101: return u"The required section was not found in the INF.\r\n";
        case 0xE0000102: return u"The required line was not found in the INF.\r\n";
        default: return u"The operation could not be completed.\r\n";
    }
}

}  // namespace plat

BOOL GetVersionExW(OSVERSIONINFOEXW* v) {
    if (!v || v->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const plat::MachineDescription d = plat::GetMachineDescription();
    const DWORD size = v->dwOSVersionInfoSize;
    std::memset(v, 0, sizeof *v);
    v->dwOSVersionInfoSize = size;
    v->dwMajorVersion = d.major;
    v->dwMinorVersion = d.minor;
    v->dwBuildNumber = d.build;
    v->dwPlatformId = d.platformId;
    v->wProductType = d.productType;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

int GetSystemMetrics(int nIndex) {
    if (nIndex == SM_SERVERR2) return static_cast<int>(plat::GetMachineDescription().serverR2);
    return 0;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

LPFN_ISWOW64PROCESS LookupIsWow64Process() {
    return AtLeast(plat::GetMachineDescription(), 5, 1) ? &IsWow64ProcessImpl : nullptr;
}

LPFN_REGDELETEKEYEXW LookupRegDeleteKeyExW() {
    const plat::MachineDescription d = plat::GetMachineDescription();
    const bool present = AtLeast(d, 6, 0) || (d.is64Bit && AtLeast(d, 5, 2));
    return present ? &RegDeleteKeyExImpl : nullptr;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (hModule != nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::u16string name;
    {
        std::lock_guard lock(ModuleMutex());
        name = ModuleName();
    }
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Windows cuts the name to the buffer and reports ERROR_INSUFFICIENT_BUFFER.
    const size_t n = std::min<size_t>(name.size(), nSize - 1);
    std::memcpy(lpFilename, name.data(), n * sizeof(char16_t));
    lpFilename[n] = 0;
    SetLastError(n < name.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
    return static_cast<DWORD>(n < name.size() ? nSize : n);
}

BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) {
    if (!g_shutdownPrivilege) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    plat::EnsureStandInMachine();
    plat::reg::WriteDword(kShutdownKey, u"Flags", uFlags);
    plat::reg::WriteDword(kShutdownKey, u"Reason", dwReason);
    plat::reg::WriteDword(kShutdownKey, u"Count",
                          plat::reg::ReadDword(kShutdownKey, u"Count", 0) + 1);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
