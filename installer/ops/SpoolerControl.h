// Starting, stopping and restarting the print spooler service, through the service
// manager or, on old systems and as the fallback, through "net start/stop spooler".
#pragma once

#include "installer/ops/UserInterface.h"
#include "platform/ServiceManager.h"

namespace installer {

// Poll interval while a service is pending: a tenth of its wait hint, at least
// 1000 ms and at most 10000 ms.
DWORD PollInterval(DWORD waitHint);

// Nonzero when the spooler runs at the end (also when it already ran).
BOOL StartSpoolerService(IClock& clock);

// Nonzero when the spooler is stopped at the end.
BOOL StopSpoolerService(IClock& clock);

// Stops the running services that depend on the spooler (30000 ms in all).
BOOL StopSpoolerDependents(SC_HANDLE hService, SC_HANDLE hSCManager, IClock& clock);

// Stop, then start, by the route the version code allows.
void RestartSpooler(int nOSVersion, IClock& clock);

// The start sequence: below 2005, or when the service manager cannot start it,
// "net start spooler" (hidden) and a 2000 ms pause.
void StartSpooler(int nOSVersion, IClock& clock);

// Runs "net start spooler" / "net stop spooler" hidden, without waiting.
void RunNetCommand(const char* commandLine);

}  // namespace installer
