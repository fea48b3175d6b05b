// Version, WOW64, module name, error texts and shutdown of the stand-in machine.
// The machine's description is kept in its registry where Windows keeps it:
//   HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion   CurrentMajorVersionNumber,
//        CurrentMinorVersionNumber, CurrentBuildNumber, and for this platform
//        MktPlatformId (1 = 9x family, 2 = NT family) and MktServerR2 (the R2 metric)
//   HKLM\SYSTEM\CurrentControlSet\Control\ProductOptions  ProductType
//        ("WinNT" = workstation, "ServerNT" = server, "LanManNT" = domain controller)
//   HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment
//        PROCESSOR_ARCHITECTURE ("AMD64" = 64-bit Windows, "x86" = 32-bit)
// The installer is a 32-bit program: on a 64-bit machine it runs under WOW64.
#pragma once

#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/Win32Types.h"

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
constexpr BYTE VER_NT_WORKSTATION = 1;
constexpr BYTE VER_NT_DOMAIN_CONTROLLER = 2;
constexpr BYTE VER_NT_SERVER = 3;
constexpr int SM_SERVERR2 = 89;

struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};

// Fills the version record; dwOSVersionInfoSize must be sizeof(OSVERSIONINFOEXW)
// (ERROR_INSUFFICIENT_BUFFER otherwise).
BOOL GetVersionExW(OSVERSIONINFOEXW* lpVersionInformation);

// SM_SERVERR2: nonzero on the R2 release of Windows Server 2003. Other metrics: 0.
int GetSystemMetrics(int nIndex);

// The current process (a pseudo handle).
HANDLE GetCurrentProcess();

// Functions looked up by name because older systems lack them ("IsWow64Process" in
// kernel32 from NT 5.1, "RegDeleteKeyExW" in Advapi32 from NT 5.2 on 64-bit
// systems and NT 6.0). The lookups answer null where the machine's version lacks them.
using LPFN_ISWOW64PROCESS = BOOL (*)(HANDLE hProcess, BOOL* Wow64Process);
using LPFN_REGDELETEKEYEXW = LONG (*)(HKEY hKey, LPCWSTR lpSubKey, REGSAM samDesired,
                                      DWORD Reserved);
LPFN_ISWOW64PROCESS LookupIsWow64Process();
LPFN_REGDELETEKEYEXW LookupRegDeleteKeyExW();

// Full Windows path of the running program (hModule must be null): the path set with
// plat::SetModuleFileName. Length rules of GetWindowsDirectoryW; 0 when none was set.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// Shutdown: the privilege must be enabled in this process first
// (plat::EnableShutdownPrivilege, the stand-in of the token adjustment) or
// ExitWindowsEx fails with ERROR_PRIVILEGE_NOT_HELD. A granted request is recorded
// under HKLM\SYSTEM\MktStandIn\Shutdown (values "Flags", "Reason", "Count").
constexpr UINT EWX_REBOOT = 0x2;
constexpr UINT EWX_FORCE = 0x4;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason);

namespace plat {

// Description of the stand-in machine's Windows.
struct MachineDescription {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 10;
    DWORD minor = 0;
    DWORD build = 19045;
    BYTE productType = VER_NT_WORKSTATION;
    DWORD serverR2 = 0;
    bool is64Bit = true;
};

MachineDescription GetMachineDescription();
void SetMachineDescription(const MachineDescription& d);

// Sets the Windows path of the running program (what GetModuleFileNameW reports).
void SetModuleFileName(std::u16string_view winPath);

// Stand-in of opening the process token, looking up "SeShutdownPrivilege" and
// enabling it. Returns FALSE with a system error when the name is not a privilege.
BOOL EnableShutdownPrivilege(std::u16string_view privilegeName);

// The system's message text for an error number (English, United States), with the
// line end the system puts after it; a generic text for numbers it does not know.
std::u16string SystemErrorMessage(DWORD code);

}  // namespace plat
