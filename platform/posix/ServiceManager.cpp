#include "platform/ServiceManager.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/Printers.h"
#include "platform/StandInMachine.h"
#include "platform/posix/Internal.h"
#include "platform/posix/RegHelpers.h"

namespace {

constexpr std::u16string_view kServicesKey = u"SYSTEM\\CurrentControlSet\\Services";

struct ScObject {
    bool isManager = false;
    std::u16string name;  // service key name as stored
    DWORD access = 0;
};

struct ScTable {
    std::mutex mutex;
    std::uintptr_t next = 0x5C000000;
    std::unordered_map<std::uintptr_t, ScObject> objects;
};

ScTable& Table() {
    static ScTable t;
    return t;
}

SC_HANDLE AddObject(ScObject obj) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    t.next += 4;
    t.objects.emplace(t.next, std::move(obj));
    return reinterpret_cast<SC_HANDLE>(t.next);
}

bool GetObject(SC_HANDLE h, ScObject& out) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == t.objects.end()) return false;
    out = it->second;
    return true;
}

std::u16string ServiceKey(std::u16string_view name) { return plat::reg::Join(kServicesKey, name); }

// The stored name of a service (case-insensitive lookup), empty when unknown.
std::u16string FindService(std::u16string_view name) {
    for (const auto& s : plat::reg::SubKeys(kServicesKey))
        if (plat::detail::EqualsNoCase(s, name)) return s;
    return {};
}

// One service's state machine; all access under one lock so that two threads
// querying the same service step it one at a time.
std::mutex& StateMutex() {
    static std::mutex m;
    return m;
}

struct Status {
    DWORD state, checkPoint, waitHint, pendingLeft;
};

Status Load(const std::u16string& key) {
    Status s;
    s.state = plat::reg::ReadDword(key, u"MktState", SERVICE_RUNNING);
    s.checkPoint = plat::reg::ReadDword(key, u"MktCheckPoint", 0);
    s.waitHint = plat::reg::ReadDword(key, u"MktWaitHint", 2000);
    s.pendingLeft = plat::reg::ReadDword(key, u"MktPendingLeft", 0);
    return s;
}

void Save(const std::u16string& key, const Status& s) {
    plat::reg::WriteDword(key, u"MktState", s.state);
    plat::reg::WriteDword(key, u"MktCheckPoint", s.checkPoint);
    plat::reg::WriteDword(key, u"MktWaitHint", s.waitHint);
    plat::reg::WriteDword(key, u"MktPendingLeft", s.pendingLeft);
}

// One query step: a pending service moves on by one check point.
Status Step(const std::u16string& key) {
    Status s = Load(key);
    const bool pending = s.state == SERVICE_START_PENDING || s.state == SERVICE_STOP_PENDING;
    if (!pending) return s;
    if (s.state == SERVICE_STOP_PENDING && plat::reg::ReadDword(key, u"MktNeverStops", 0) != 0)
        return s;  // hangs: the check point does not move
    if (s.pendingLeft > 1) {
        --s.pendingLeft;
        ++s.checkPoint;
    } else {
        s.state = s.state == SERVICE_START_PENDING ? SERVICE_RUNNING : SERVICE_STOPPED;
        s.pendingLeft = 0;
        s.checkPoint = 0;
    }
    Save(key, s);
    return s;
}

bool IsActive(DWORD state) { return state != SERVICE_STOPPED; }

// Services that name `name` in their DependOnService list.
std::vector<std::u16string> Dependents(std::u16string_view name) {
    std::vector<std::u16string> out;
    for (const auto& s : plat::reg::SubKeys(kServicesKey)) {
        for (const auto& d : plat::reg::ReadMultiString(ServiceKey(s), u"DependOnService")) {
            if (plat::detail::EqualsNoCase(d, name)) {
                out.push_back(s);
                break;
            }
        }
    }
    return out;
}

void FillStatus(const Status& s, SERVICE_STATUS& st) {
    st.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    st.dwCurrentState = s.state;
    st.dwControlsAccepted = s.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    st.dwWin32ExitCode = 0;
    st.dwServiceSpecificExitCode = 0;
    st.dwCheckPoint = s.checkPoint;
    st.dwWaitHint = s.waitHint;
}

bool StartLocked(const std::u16string& key, DWORD& error) {
    Status s = Load(key);
    if (s.state != SERVICE_STOPPED) {
        error = ERROR_SERVICE_ALREADY_RUNNING;
        return false;
    }
    if (DWORD e = plat::reg::ReadDword(key, u"MktStartError", 0); e != 0) {
        error = e;
        return false;
    }
    const DWORD queries = plat::reg::ReadDword(key, u"MktStartQueries", 1);
    if (queries == 0) {
        s.state = SERVICE_RUNNING;
        s.checkPoint = 0;
        s.pendingLeft = 0;
    } else {
        s.state = SERVICE_START_PENDING;
        s.checkPoint = 0;
        s.pendingLeft = queries;
    }
    Save(key, s);
    return true;
}

bool StopLocked(const std::u16string& name, const std::u16string& key, Status& out,
                DWORD& error) {
    Status s = Load(key);
    if (s.state == SERVICE_STOPPED) {
        error = ERROR_SERVICE_NOT_ACTIVE;
        out = s;
        return false;
    }
    if (s.state != SERVICE_RUNNING) {
        error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
        out = s;
        return false;
    }
    for (const auto& d : Dependents(name)) {
        if (IsActive(Load(ServiceKey(d)).state)) {
            error = ERROR_DEPENDENT_SERVICES_RUNNING;
            out = s;
            return false;
        }
    }
    const DWORD queries = plat::reg::ReadDword(key, u"MktStopQueries", 1);
    const bool hangs = plat::reg::ReadDword(key, u"MktNeverStops", 0) != 0;
    if (queries == 0 && !hangs) {
        s.state = SERVICE_STOPPED;
        s.checkPoint = 0;
        s.pendingLeft = 0;
    } else {
        s.state = SERVICE_STOP_PENDING;
        s.checkPoint = 0;
        s.pendingLeft = queries == 0 ? 1 : queries;
    }
    Save(key, s);
    out = s;
    return true;
}

}  // namespace

namespace plat {

void ConnectSpoolerToServiceManager() {
    static std::once_flag once;
    std::call_once(once, [] {
        SetSpoolerRunningProbe([] {
            if (!HasMachineRoot()) return true;
            const std::u16string key = ServiceKey(u"Spooler");
            return reg::ReadDword(key, u"MktState", SERVICE_RUNNING) == SERVICE_RUNNING;
        });
    });
}

void DefineService(const ServiceDefinition& def) {
    EnsureStandInMachine();
    // A defined spooler state must hold for the printer calls from now on.
    ConnectSpoolerToServiceManager();
    std::lock_guard lock(StateMutex());
    std::u16string stored = FindService(def.name);
    if (stored.empty()) stored = def.name;
    const std::u16string key = ServiceKey(stored);
    reg::DeleteTree(key);
    reg::CreateKey(key);
    reg::WriteString(key, u"DisplayName", def.displayName.empty() ? def.name : def.displayName);
    reg::WriteDword(key, u"Start", 2);
    reg::WriteDword(key, u"Type", SERVICE_WIN32_OWN_PROCESS);
    if (!def.dependOn.empty()) reg::WriteMultiString(key, u"DependOnService", def.dependOn);
    reg::WriteDword(key, u"MktStartQueries", def.startQueries);
    reg::WriteDword(key, u"MktStopQueries", def.stopQueries);
    reg::WriteDword(key, u"MktNeverStops", def.neverStops ? 1 : 0);
    reg::WriteDword(key, u"MktStartError", def.startError);
    Status s{def.state, 0, def.waitHint, 0};
    if (def.state == SERVICE_START_PENDING) s.pendingLeft = def.startQueries ? def.startQueries : 1;
    if (def.state == SERVICE_STOP_PENDING) s.pendingLeft = def.stopQueries ? def.stopQueries : 1;
    Save(key, s);
}

DWORD GetServiceState(std::u16string_view name) {
    EnsureStandInMachine();
    std::lock_guard lock(StateMutex());
    const std::u16string stored = FindService(name);
    if (stored.empty()) return 0;
    return Load(ServiceKey(stored)).state;
}

DWORD NetCommand(std::u16string_view verb, std::u16string_view serviceName) {
    EnsureStandInMachine();
    ConnectSpoolerToServiceManager();
    std::lock_guard lock(StateMutex());
    const std::u16string stored = FindService(serviceName);
    if (stored.empty()) return 2;
    const std::u16string key = ServiceKey(stored);
    const bool start = detail::EqualsNoCase(verb, u"start");
    const bool stop = detail::EqualsNoCase(verb, u"stop");
    if (!start && !stop) return 1;
    DWORD error = 0;
    if (start) {
        if (!StartLocked(key, error)) return 2;
    } else {
        Status s{};
        if (!StopLocked(stored, key, s, error)) return 2;
    }
    // "net" waits for the pending state to complete; a service that hangs is given
    // up after a bounded number of steps, as the real command gives up after a while.
    const DWORD target = start ? SERVICE_RUNNING : SERVICE_STOPPED;
    for (int i = 0; i < 1000; ++i) {
        const Status s = Step(key);
        if (s.state == target) return 0;
        if (s.state != SERVICE_START_PENDING && s.state != SERVICE_STOP_PENDING) return 2;
    }
    return 2;
}

}  // namespace plat

SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR, DWORD dwDesiredAccess) {
    if (lpMachineName && *lpMachineName) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return nullptr;
    }
    plat::EnsureStandInMachine();
    plat::ConnectSpoolerToServiceManager();
    SetLastError(ERROR_SUCCESS);
    return AddObject(ScObject{true, {}, dwDesiredAccess});
}

SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
    ScObject mgr;
    if (!GetObject(hSCManager, mgr) || !mgr.isManager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::u16string stored = FindService(plat::detail::View(lpServiceName));
    if (stored.empty()) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return AddObject(ScObject{false, stored, dwDesiredAccess});
}

BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    if (t.objects.erase(reinterpret_cast<std::uintptr_t>(hSCObject)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace {

bool GetService(SC_HANDLE h, DWORD needAccess, ScObject& svc) {
    if (!GetObject(h, svc) || svc.isManager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if ((svc.access & needAccess) != needAccess) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace

BOOL QueryServiceStatusEx(SC_HANDLE hService, int InfoLevel, BYTE* lpBuffer, DWORD cbBufSize,
                          DWORD* pcbBytesNeeded) {
    ScObject svc;
    if (!GetService(hService, SERVICE_QUERY_STATUS, svc)) return FALSE;
    if (InfoLevel != SC_STATUS_PROCESS_INFO) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pcbBytesNeeded) *pcbBytesNeeded = sizeof(SERVICE_STATUS_PROCESS);
    if (!lpBuffer || cbBufSize < sizeof(SERVICE_STATUS_PROCESS)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Status s;
    {
        std::lock_guard lock(StateMutex());
        s = Step(ServiceKey(svc.name));
    }
    SERVICE_STATUS st{};
    FillStatus(s, st);
    SERVICE_STATUS_PROCESS p{};
    p.dwServiceType = st.dwServiceType;
    p.dwCurrentState = st.dwCurrentState;
    p.dwControlsAccepted = st.dwControlsAccepted;
    p.dwCheckPoint = st.dwCheckPoint;
    p.dwWaitHint = st.dwWaitHint;
    p.dwProcessId = s.state == SERVICE_STOPPED ? 0 : 1000 + static_cast<DWORD>(svc.name.size());
    std::memcpy(lpBuffer, &p, sizeof p);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL StartServiceW(SC_HANDLE hService, DWORD, LPCWSTR*) {
    ScObject svc;
    if (!GetService(hService, SERVICE_START, svc)) return FALSE;
    DWORD error = 0;
    std::lock_guard lock(StateMutex());
    if (!StartLocked(ServiceKey(svc.name), error)) {
        SetLastError(error);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL ControlService(SC_HANDLE hService, DWORD dwControl, SERVICE_STATUS* lpServiceStatus) {
    ScObject svc;
    if (!GetService(hService, SERVICE_STOP, svc)) return FALSE;
    if (dwControl != SERVICE_CONTROL_STOP) {
        SetLastError(ERROR_INVALID_SERVICE_CONTROL);
        return FALSE;
    }
    DWORD error = 0;
    Status s{};
    bool ok;
    {
        std::lock_guard lock(StateMutex());
        ok = StopLocked(svc.name, ServiceKey(svc.name), s, error);
    }
    if (lpServiceStatus) FillStatus(s, *lpServiceStatus);
    if (!ok) {
        SetLastError(error);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL EnumDependentServicesW(SC_HANDLE hService, DWORD dwServiceState,
                            ENUM_SERVICE_STATUSW* lpServices, DWORD cbBufSize,
                            DWORD* pcbBytesNeeded, DWORD* lpServicesReturned) {
    ScObject svc;
    if (!GetService(hService, SERVICE_ENUMERATE_DEPENDENTS, svc)) return FALSE;
    struct Entry {
        std::u16string name, display;
        Status status;
    };
    std::vector<Entry> list;
    {
        std::lock_guard lock(StateMutex());
        for (const auto& d : Dependents(svc.name)) {
            const std::u16string key = ServiceKey(d);
            const Status s = Load(key);
            const bool active = IsActive(s.state);
            if ((active && (dwServiceState & SERVICE_ACTIVE)) ||
                (!active && (dwServiceState & SERVICE_INACTIVE)))
                list.push_back({d, plat::reg::ReadString(key, u"DisplayName").value_or(d), s});
        }
    }
    DWORD needed = static_cast<DWORD>(list.size() * sizeof(ENUM_SERVICE_STATUSW));
    for (const auto& e : list)
        needed += static_cast<DWORD>((e.name.size() + 1 + e.display.size() + 1) * sizeof(char16_t));
    if (pcbBytesNeeded) *pcbBytesNeeded = needed;
    if (lpServicesReturned) *lpServicesReturned = 0;
    if (needed > cbBufSize || (!lpServices && needed > 0)) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    if (list.empty()) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    auto* base = reinterpret_cast<BYTE*>(lpServices);
    auto* strings = reinterpret_cast<char16_t*>(base + list.size() * sizeof(ENUM_SERVICE_STATUSW));
    for (size_t i = 0; i < list.size(); ++i) {
        ENUM_SERVICE_STATUSW& rec = lpServices[i];
        rec.lpServiceName = strings;
        std::memcpy(strings, list[i].name.c_str(), (list[i].name.size() + 1) * sizeof(char16_t));
        strings += list[i].name.size() + 1;
        rec.lpDisplayName = strings;
        std::memcpy(strings, list[i].display.c_str(),
                    (list[i].display.size() + 1) * sizeof(char16_t));
        strings += list[i].display.size() + 1;
        FillStatus(list[i].status, rec.ServiceStatus);
    }
    if (lpServicesReturned) *lpServicesReturned = static_cast<DWORD>(list.size());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
