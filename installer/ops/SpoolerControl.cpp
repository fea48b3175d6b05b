#include "installer/ops/SpoolerControl.h"

#include <vector>

#include "installer/app/InstallerLog.h"
#include "installer/ops/PlatformChecks.h"
#include "platform/LastError.h"
#include "platform/Shell.h"
#include "platform/SystemPrograms.h"

namespace installer {

namespace {

constexpr DWORD kStopLimit = 30000;
constexpr char16_t kSpooler[] = u"Spooler";

// Owner of a service-manager or service handle.
class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE h = nullptr) : m_h(h) {}
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    ~ServiceHandle() {
        if (m_h) CloseServiceHandle(m_h);
    }
    SC_HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    SC_HANDLE m_h;
};

bool Query(SC_HANDLE service, SERVICE_STATUS_PROCESS& status) {
    DWORD needed = 0;
    return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof status, &needed) != FALSE;
}

}  // namespace

DWORD PollInterval(DWORD waitHint) {
    DWORD wait = waitHint / 10;
    if (wait < 1000) wait = 1000;
    else if (wait > 10000) wait = 10000;
    return wait;
}

void RunNetCommand(const char* commandLine) { WinExec(commandLine, SW_HIDE); }

BOOL StartSpoolerService(IClock& clock) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        WriteLog(u"OpenSCManager failed (%d)\n", GetLastError());
        return FALSE;
    }
    ServiceHandle service(OpenServiceW(manager.get(), kSpooler, SERVICE_ALL_ACCESS));
    if (!service) {
        WriteLog(u"OpenService failed (%d)\r\n", GetLastError());
        return FALSE;
    }
    SERVICE_STATUS_PROCESS status{};
    if (!Query(service.get(), status)) {
        WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
        return FALSE;
    }
    if (status.dwCurrentState != SERVICE_STOPPED && status.dwCurrentState != SERVICE_STOP_PENDING) {
        WriteLog(u"Cannot start the service because it is already running\r\n");
        return TRUE;
    }

    DWORD startTick = clock.GetTickCount();
    DWORD oldCheckPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        clock.Sleep(PollInterval(status.dwWaitHint));
        if (!Query(service.get(), status)) {
            WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
            return FALSE;
        }
        if (status.dwCheckPoint > oldCheckPoint) {
            startTick = clock.GetTickCount();
            oldCheckPoint = status.dwCheckPoint;
        } else if (clock.GetTickCount() - startTick > status.dwWaitHint) {
            WriteLog(u"Timeout waiting for service to stop\r\n");
            return FALSE;
        }
    }

    if (!StartServiceW(service.get(), 0, nullptr)) {
        WriteLog(u"StartService failed (%d) \r\n", GetLastError());
        return FALSE;
    }
    WriteLog(u"Service start pending... \r\n");
    if (!Query(service.get(), status)) {
        WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
        return FALSE;
    }
    startTick = clock.GetTickCount();
    oldCheckPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_START_PENDING) {
        clock.Sleep(PollInterval(status.dwWaitHint));
        if (!Query(service.get(), status)) {
            WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
            break;
        }
        if (status.dwCheckPoint > oldCheckPoint) {
            startTick = clock.GetTickCount();
            oldCheckPoint = status.dwCheckPoint;
        } else if (clock.GetTickCount() - startTick > status.dwWaitHint) {
            break;  // no progress within the wait hint
        }
    }

    if (status.dwCurrentState == SERVICE_RUNNING) {
        WriteLog(u"Service started successfully.\r\n");
        return TRUE;
    }
    WriteLog(u"Service not started. \r\n");
    WriteLog(u"  Current State: %d\r\n", status.dwCurrentState);
    WriteLog(u"  Exit Code: %d\r\n", status.dwWin32ExitCode);
    WriteLog(u"  Check Point: %d\r\n", status.dwCheckPoint);
    WriteLog(u"  Wait Hint: %d\r\n", status.dwWaitHint);
    return FALSE;
}

BOOL StopSpoolerDependents(SC_HANDLE hService, SC_HANDLE hSCManager, IClock& clock) {
    const DWORD startTick = clock.GetTickCount();
    DWORD needed = 0, count = 0;
    if (EnumDependentServicesW(hService, SERVICE_ACTIVE, nullptr, 0, &needed, &count))
        return TRUE;  // an empty buffer was enough: there are none
    if (GetLastError() != ERROR_MORE_DATA) return FALSE;

    std::vector<BYTE> buffer(needed, 0);
    auto* list = reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data());
    if (!EnumDependentServicesW(hService, SERVICE_ACTIVE, list, needed, &needed, &count))
        return FALSE;
    for (DWORD i = 0; i < count; ++i) {
        ServiceHandle dependent(
            OpenServiceW(hSCManager, list[i].lpServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
        if (!dependent) return FALSE;
        SERVICE_STATUS_PROCESS status{};
        if (!ControlService(dependent.get(), SERVICE_CONTROL_STOP,
                            reinterpret_cast<SERVICE_STATUS*>(&status)))
            return FALSE;
        while (status.dwCurrentState != SERVICE_STOPPED) {
            clock.Sleep(status.dwWaitHint);
            if (!Query(dependent.get(), status)) return FALSE;
            if (status.dwCurrentState == SERVICE_STOPPED) break;
            if (clock.GetTickCount() - startTick > kStopLimit) return FALSE;
        }
    }
    return TRUE;
}

BOOL StopSpoolerService(IClock& clock) {
    const DWORD startTick = clock.GetTickCount();
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        WriteLog(u"OpenSCManager failed (%d)\r\n", GetLastError());
        return FALSE;
    }
    ServiceHandle service(OpenServiceW(manager.get(), kSpooler,
                                       SERVICE_STOP | SERVICE_QUERY_STATUS |
                                           SERVICE_ENUMERATE_DEPENDENTS));
    if (!service) {
        WriteLog(u"OpenService failed (%d)\r\n", GetLastError());
        return FALSE;
    }
    SERVICE_STATUS_PROCESS status{};
    auto finish = [&] { return status.dwCurrentState == SERVICE_STOPPED ? TRUE : FALSE; };

    if (!Query(service.get(), status)) {
        WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
        return finish();
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        WriteLog(u"Service is already stopped.\r\n");
        return finish();
    }
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        WriteLog(u"Service stop pending...\r\n");
        clock.Sleep(PollInterval(status.dwWaitHint));
        if (!Query(service.get(), status)) {
            WriteLog(u"QueryServiceStatusEx failed (%d)", GetLastError());
            return finish();
        }
        if (status.dwCurrentState == SERVICE_STOPPED) {
            WriteLog(u"Service stopped successfully.\r\n");
            return finish();
        }
        if (clock.GetTickCount() - startTick > kStopLimit) {
            WriteLog(u"Service stop timed out.\r\n");
            return finish();
        }
    }

    StopSpoolerDependents(service.get(), manager.get(), clock);

    if (!ControlService(service.get(), SERVICE_CONTROL_STOP,
                        reinterpret_cast<SERVICE_STATUS*>(&status))) {
        WriteLog(u"ControlService failed (%d)\r\n", GetLastError());
        return finish();
    }
    while (status.dwCurrentState != SERVICE_STOPPED) {
        clock.Sleep(status.dwWaitHint);
        if (!Query(service.get(), status)) {
            WriteLog(u"QueryServiceStatusEx failed (%d)\r\n", GetLastError());
            return finish();
        }
        if (status.dwCurrentState == SERVICE_STOPPED) break;
        if (clock.GetTickCount() - startTick > kStopLimit) {
            WriteLog(u"Wait timed out\r\n");
            return finish();
        }
    }
    WriteLog(u"Service stopped successfully\r\n");
    return finish();
}

void RestartSpooler(int nOSVersion, IClock& clock) {
    if (nOSVersion < OS_CODE_SERVICE_MANAGER || !StopSpoolerService(clock)) {
        RunNetCommand("net stop spooler");
        clock.Sleep(2000);
    }
    if (nOSVersion >= OS_CODE_SERVICE_MANAGER && StartSpoolerService(clock)) return;
    RunNetCommand("net start spooler");
    clock.Sleep(2000);
}

void StartSpooler(int nOSVersion, IClock& clock) {
    if (nOSVersion < OS_CODE_SERVICE_MANAGER || !StartSpoolerService(clock)) {
        RunNetCommand("net start spooler");
        clock.Sleep(2000);
    }
}

}  // namespace installer
