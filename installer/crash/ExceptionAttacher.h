// The crash guard around the installer's whole run. When a fault escapes, the filter writes a
// readable report "ERRORLOG.TXT" and a dump "CRASH.DMP" next to the program, once, and then
// lets the system's default handling end the process.
#pragma once

#include <functional>
#include <string>

#include "installer/crash/ReportBuffer.h"
#include "platform/Exceptions.h"

// The guard's filter: writes both files the first time it runs; always continue-search.
LONG CrashFilter(EXCEPTION_POINTERS* pExceptionInfo);

// Writes one module entry of the report when `base` starts a valid image; nonzero when written.
int WriteModuleEntry(ReportBuffer& out, const plat::MemoryMap& map, ULONG_PTR base, int moduleNumber);

// Writes the dump of the current process and thread (see the README for its content).
void SaveMiniDump(plat::CrashFile& file, const plat::MemoryMap& map, EXCEPTION_POINTERS* pExceptionInfo);

// Runs `body` inside the guard and returns its result.
int RunGuarded(const std::function<int()>& body);

// The folder the crash files go to: the running program's folder unless set (tests).
void SetCrashFolderForTests(const std::string& hostFolder);
