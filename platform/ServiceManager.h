// The service control manager of the stand-in machine. A service is the key
//   HKLM\SYSTEM\CurrentControlSet\Services\<name>
// with "DisplayName" and "DependOnService" (multi-string) as Windows keeps them, and
// its run state in values of this platform:
//   MktState          1 stopped, 2 start pending, 3 stop pending, 4 running
//                     (missing: running)
//   MktCheckPoint, MktWaitHint   as the status query reports them
//   MktPendingLeft    status queries left before a pending state completes
// and its behaviour, for tests:
//   MktStartQueries   queries a start stays pending (default 1)
//   MktStopQueries    queries a stop stays pending (default 1)
//   MktNeverStops     nonzero: a stop stays pending for ever, the check point frozen
//   MktStartError     nonzero: StartServiceW fails with this error
// Every status query of a pending service is one step of its state machine: the
// check point grows by one until the pending state completes.
// The "Spooler" service decides whether the spooler answers (Printers.h probe).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Win32Types.h"

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;

constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
constexpr DWORD SERVICE_ENUMERATE_DEPENDENTS = 0x0008;
constexpr DWORD SERVICE_START = 0x0010;
constexpr DWORD SERVICE_STOP = 0x0020;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;

constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_ACTIVE = 1;
constexpr DWORD SERVICE_INACTIVE = 2;
constexpr DWORD SERVICE_STATE_ALL = 3;
constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x10;
constexpr DWORD SERVICE_ACCEPT_STOP = 0x1;
constexpr int SC_STATUS_PROCESS_INFO = 0;

constexpr DWORD ERROR_DEPENDENT_SERVICES_RUNNING = 1051;
constexpr DWORD ERROR_INVALID_SERVICE_CONTROL = 1052;
constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr DWORD ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;

struct SERVICE_STATUS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
};

struct SERVICE_STATUS_PROCESS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
    DWORD dwProcessId;
    DWORD dwServiceFlags;
};
static_assert(sizeof(SERVICE_STATUS_PROCESS) == 36);

struct ENUM_SERVICE_STATUSW {
    LPWSTR lpServiceName;
    LPWSTR lpDisplayName;
    SERVICE_STATUS ServiceStatus;
};

// Opens the local service manager (lpMachineName must be null or empty).
SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess);

// Opens a service by name (case-insensitive); ERROR_SERVICE_DOES_NOT_EXIST.
SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess);

BOOL CloseServiceHandle(SC_HANDLE hSCObject);

// SC_STATUS_PROCESS_INFO only; cbBufSize must be at least 36 (ERROR_INSUFFICIENT_BUFFER
// with *pcbBytesNeeded = 36). Needs SERVICE_QUERY_STATUS (ERROR_ACCESS_DENIED).
BOOL QueryServiceStatusEx(SC_HANDLE hService, int InfoLevel, BYTE* lpBuffer, DWORD cbBufSize,
                          DWORD* pcbBytesNeeded);

// Starts a stopped service (ERROR_SERVICE_ALREADY_RUNNING otherwise).
BOOL StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR* lpServiceArgVectors);

// SERVICE_CONTROL_STOP only. A stopped service gives ERROR_SERVICE_NOT_ACTIVE; a
// service with active dependents ERROR_DEPENDENT_SERVICES_RUNNING; a pending one
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL. lpServiceStatus receives the new status.
BOOL ControlService(SC_HANDLE hService, DWORD dwControl, SERVICE_STATUS* lpServiceStatus);

// Services whose "DependOnService" names this one, in the state asked for
// (SERVICE_ACTIVE: not stopped). Windows packing: the records, then their strings.
// A buffer too small gives ERROR_MORE_DATA with *pcbBytesNeeded set.
BOOL EnumDependentServicesW(SC_HANDLE hService, DWORD dwServiceState,
                            ENUM_SERVICE_STATUSW* lpServices, DWORD cbBufSize,
                            DWORD* pcbBytesNeeded, DWORD* lpServicesReturned);

namespace plat {

// Test and set-up description of one service.
struct ServiceDefinition {
    std::u16string name;
    std::u16string displayName;
    std::vector<std::u16string> dependOn;
    DWORD state = SERVICE_RUNNING;
    DWORD waitHint = 2000;
    DWORD startQueries = 1;
    DWORD stopQueries = 1;
    bool neverStops = false;
    DWORD startError = 0;
};

// Creates or replaces a service.
void DefineService(const ServiceDefinition& def);

// Current state of a service (0 when it does not exist). Reading it is not a query:
// it does not move the state machine.
DWORD GetServiceState(std::u16string_view name);

// Makes the Printers.h spooler probe follow the "Spooler" service (done by every
// service-manager and stand-in spooler entry point; idempotent).
void ConnectSpoolerToServiceManager();

// Stand-in of "net start <service>" / "net stop <service>": waits (as query steps)
// until the service has reached the state; returns the program's exit code
// (0 success, 2 failure, as the real command).
DWORD NetCommand(std::u16string_view verb, std::u16string_view serviceName);

}  // namespace plat
