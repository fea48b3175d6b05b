#include "installer/ops/PlatformChecks.h"

#include "installer/app/InstallerLog.h"
#include "platform/SystemInfo.h"

namespace installer {

int MapOSVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType,
                 int serverR2Metric) {
    const bool workstation = productType == VER_NT_WORKSTATION;
    int code = 2011;
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (major == 4 && minor == 0) code = 2000;
        else if (major == 4 && minor == 10) code = 2001;
        else if (major == 4 && minor == 90) code = 2002;
    } else if (platformId == VER_PLATFORM_WIN32_NT) {
        if (major <= 4) {
            code = 2003;
        } else if (major == 5) {
            if (minor == 0) code = 2004;
            else if (minor == 1) code = 2005;
            else if (minor == 2) code = serverR2Metric != 0 ? 2007 : 2006;
        } else if (major == 6) {
            if (minor == 0) code = workstation ? 2008 : 2009;
            else if (minor == 1) code = workstation ? 2011 : 2010;
            else if (minor == 2) code = workstation ? 2012 : 2014;
            else if (minor == 3) code = workstation ? 2013 : 2015;
        } else if (major == 10) {
            code = workstation ? 2016 : 2017;
        }
    }
    return code;
}

int CheckOS() {
    WriteLog(u"\r\n");
    WriteLog(u"CheckOS : START");
    OSVERSIONINFOEXW osvi{};
    osvi.dwOSVersionInfoSize = sizeof osvi;
    if (!GetVersionExW(&osvi)) {
        osvi = OSVERSIONINFOEXW{};
        osvi.dwOSVersionInfoSize = sizeof osvi;
        GetVersionExW(&osvi);
    }
    WriteLog(u"CheckOS : OSVERSIONINFO");
    WriteLog(u"CheckOS : osvi.dwPlatformId = %d", osvi.dwPlatformId);
    WriteLog(u"CheckOS : osvi.dwMajorVersion = %d", osvi.dwMajorVersion);
    WriteLog(u"CheckOS : osvi.dwMinorVersion = %d", osvi.dwMinorVersion);
    WriteLog(u"CheckOS : osvi.wProductType = %d", osvi.wProductType);
    WriteLog(u"CheckOS : osvi.dwBuildNumber = %d", osvi.dwBuildNumber);
    const int r2 = (osvi.dwPlatformId == VER_PLATFORM_WIN32_NT && osvi.dwMajorVersion == 5 &&
                    osvi.dwMinorVersion == 2)
                       ? GetSystemMetrics(SM_SERVERR2)
                       : 0;
    const int nOSVersion = MapOSVersion(osvi.dwPlatformId, osvi.dwMajorVersion,
                                        osvi.dwMinorVersion, osvi.wProductType, r2);
    WriteLog(u"CheckOS : nOSVersion = %d", nOSVersion);
    WriteLog(u"CheckOS : END");
    return nOSVersion;
}

BOOL IsWow64() {
    BOOL wow64 = FALSE;
    if (LPFN_ISWOW64PROCESS isWow64Process = LookupIsWow64Process()) {
        if (!isWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
    }
    WriteLog(wow64 ? u"The process is running under WOW64."
                   : u"The process is not running under WOW64.");
    return wow64;
}

BOOL RestartComputer() {
    if (!plat::EnableShutdownPrivilege(u"SeShutdownPrivilege")) return FALSE;
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

}  // namespace installer
