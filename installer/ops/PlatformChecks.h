// The machine the installer runs on: its Windows version code, WOW64, restart.
#pragma once

#include "platform/Win32Types.h"

namespace installer {

// Version code thresholds used across the installer.
constexpr int OS_CODE_OLDEST_ACCEPTED = 2004;  // below: installation refused
constexpr int OS_CODE_SERVICE_MANAGER = 2005;  // below: spooler through "net" only
constexpr int OS_CODE_VISTA = 2008;            // below: old USB and driver-folder handling

// The version code for a version record (the table of the platform checks).
int MapOSVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType,
                 int serverR2Metric);

// Queries the version and returns its code, logging the record (every call).
int CheckOS();

// Nonzero when this 32-bit program runs on 64-bit Windows.
BOOL IsWow64();

// Enables the shutdown privilege and asks for a forced reboot; nonzero when asked.
BOOL RestartComputer();

}  // namespace installer
