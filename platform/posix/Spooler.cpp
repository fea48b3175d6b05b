#include "platform/Spooler.h"

#include <cstring>

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/ServiceManager.h"
#include "platform/StandInMachine.h"
#include "platform/SystemInfo.h"
#include "platform/posix/Internal.h"
#include "platform/posix/RegHelpers.h"

namespace {

using plat::reg::Join;

// Every entry point: the machine is set up and the spooler must be running.
bool SpoolerAnswers() {
    plat::EnsureStandInMachine();
    plat::ConnectSpoolerToServiceManager();
    if (!plat::IsSpoolerRunning()) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return false;
    }
    return true;
}

std::u16string EnvironmentOrCurrent(std::u16string_view env) {
    return env.empty() ? plat::CurrentEnvironment() : std::u16string(env);
}

std::u16string DriversKey(std::u16string_view env) {
    return Join(Join(Join(plat::kPrintKey, u"Environments"), EnvironmentOrCurrent(env)),
                u"Drivers\\Version-3");
}

std::u16string ProcessorsKey(std::u16string_view env) {
    return Join(Join(Join(plat::kPrintKey, u"Environments"), EnvironmentOrCurrent(env)),
                u"Print Processors");
}

std::u16string MonitorsKey() { return Join(plat::kPrintKey, u"Monitors"); }

std::u16string TcpPortsKey() {
    return Join(Join(MonitorsKey(), plat::kTcpMonitorName), u"Ports");
}

std::u16string FindName(const std::vector<std::u16string>& names, std::u16string_view name) {
    for (const auto& n : names)
        if (plat::detail::EqualsNoCase(n, name)) return n;
    return {};
}

std::u16string DriverFolder(std::u16string_view env) {
    const std::u16string e = EnvironmentOrCurrent(env);
    return plat::GetSystemDirectoryString() + u"\\spool\\drivers\\" +
           (e == u"Windows NT x86" ? u"W32X86" : u"x64");
}

bool KnownPort(std::u16string_view name) {
    std::vector<plat::PortInfo2> ports;
    if (!plat::EnumPortsLevel2(ports)) return false;
    for (const auto& p : ports)
        if (plat::detail::EqualsNoCase(p.portName, name)) return true;
    return false;
}

std::u16string ReadField(std::span<const BYTE> rec, size_t offset, size_t chars) {
    std::u16string s;
    for (size_t i = 0; i < chars; ++i) {
        const char16_t c = static_cast<char16_t>(rec[offset + 2 * i] | (rec[offset + 2 * i + 1] << 8));
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

DWORD ReadDwordLe(std::span<const BYTE> rec, size_t offset) {
    return static_cast<DWORD>(rec[offset] | (rec[offset + 1] << 8) | (rec[offset + 2] << 16) |
                              (static_cast<DWORD>(rec[offset + 3]) << 24));
}

DWORD TcpAddPort(std::span<const BYTE> input) {
    plat::PortData1 d;
    if (!plat::ParsePortData1(input, d)) return ERROR_INVALID_PARAMETER;
    if (d.version != 1 || d.size != plat::kPortData1Size || d.portName.empty() ||
        d.hostAddress.empty() || (d.protocol != 1 && d.protocol != 2))
        return ERROR_INVALID_PARAMETER;
    if (KnownPort(d.portName)) return ERROR_ALREADY_EXISTS;
    const std::u16string key = Join(TcpPortsKey(), d.portName);
    plat::reg::CreateKey(key);
    plat::reg::WriteDword(key, u"Protocol", d.protocol);
    plat::reg::WriteDword(key, u"Version", d.version);
    plat::reg::WriteString(key, u"HostName", d.hostAddress);
    plat::reg::WriteString(key, u"IPAddress", d.ipAddress);
    plat::reg::WriteDword(key, u"Port Number", d.portNumber);
    plat::reg::WriteString(key, u"SNMP Community", d.snmpCommunity);
    plat::reg::WriteDword(key, u"SNMP Enabled", d.snmpEnabled);
    plat::reg::WriteDword(key, u"SNMP Index", d.snmpDevIndex);
    plat::reg::WriteDword(key, u"Double Spool", d.doubleSpool);
    plat::reg::WriteString(key, u"Queue", d.queue);
    return ERROR_SUCCESS;
}

DWORD TcpDeletePort(std::span<const BYTE> input) {
    std::u16string name;
    for (size_t i = 0; i + 1 < input.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(input[i] | (input[i + 1] << 8));
        if (c == 0) break;
        name.push_back(c);
    }
    const std::u16string stored = FindName(plat::reg::SubKeys(TcpPortsKey()), name);
    if (stored.empty()) return ERROR_UNKNOWN_PORT;
    for (const auto& q : plat::reg::SubKeys(plat::kPrintersKey)) {
        const auto port = plat::reg::ReadString(Join(plat::kPrintersKey, q), u"Port");
        if (port && plat::detail::EqualsNoCase(*port, stored)) return 2404;  // ERROR_DEVICE_IN_USE
    }
    plat::reg::DeleteTree(Join(TcpPortsKey(), stored));
    return ERROR_SUCCESS;
}

}  // namespace

namespace plat {

std::u16string CurrentEnvironment() {
    return GetMachineDescription().is64Bit ? u"Windows x64" : u"Windows NT x86";
}

bool ParsePortData1(std::span<const BYTE> rec, PortData1& d) {
    if (rec.size() < kPortData1Size) return false;
    d.portName = ReadField(rec, 0, 64);
    d.version = ReadDwordLe(rec, 128);
    d.protocol = ReadDwordLe(rec, 132);
    d.size = ReadDwordLe(rec, 136);
    d.hostAddress = ReadField(rec, 144, 49);
    d.snmpCommunity = ReadField(rec, 242, 33);
    d.doubleSpool = ReadDwordLe(rec, 308);
    d.queue = ReadField(rec, 312, 33);
    d.ipAddress = ReadField(rec, 378, 16);
    d.portNumber = ReadDwordLe(rec, 952);
    d.snmpEnabled = ReadDwordLe(rec, 956);
    d.snmpDevIndex = ReadDwordLe(rec, 960);
    return true;
}

BOOL EnumLocalPrinters(std::vector<PrinterInfo2>& out) {
    out.clear();
    if (!SpoolerAnswers()) return FALSE;
    for (const auto& q : reg::SubKeys(kPrintersKey)) {
        const std::u16string key = Join(kPrintersKey, q);
        PrinterInfo2 p;
        p.printerName = reg::ReadString(key, u"Name").value_or(q);
        p.driverName = reg::ReadString(key, u"Printer Driver").value_or(u"");
        p.portName = reg::ReadString(key, u"Port").value_or(u"");
        p.printProcessor = reg::ReadString(key, u"Print Processor").value_or(u"");
        p.datatype = reg::ReadString(key, u"Datatype").value_or(u"");
        p.attributes = reg::ReadDword(key, u"Attributes", 0);
        out.push_back(std::move(p));
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL EnumDrivers(std::u16string_view environment, std::vector<DriverInfo>& out) {
    out.clear();
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string env = EnvironmentOrCurrent(environment);
    const std::u16string base = DriversKey(env);
    for (const auto& name : reg::SubKeys(base)) {
        const std::u16string key = Join(base, name);
        DriverInfo d;
        d.name = name;
        d.environment = env;
        d.driverPath = reg::ReadString(key, u"Driver").value_or(u"");
        d.dataFile = reg::ReadString(key, u"Data File").value_or(u"");
        d.configFile = reg::ReadString(key, u"Configuration File").value_or(u"");
        d.helpFile = reg::ReadString(key, u"Help File").value_or(u"");
        d.dependentFiles = reg::ReadMultiString(key, u"Dependent Files");
        d.monitorName = reg::ReadString(key, u"Monitor").value_or(u"");
        d.defaultDataType = reg::ReadString(key, u"Datatype").value_or(u"");
        d.printProcessor = reg::ReadString(key, u"Print Processor").value_or(u"");
        d.version = reg::ReadDword(key, u"Version", 3);
        out.push_back(std::move(d));
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL EnumProcessors(std::u16string_view environment, std::vector<std::u16string>& out) {
    out.clear();
    if (!SpoolerAnswers()) return FALSE;
    out = reg::SubKeys(ProcessorsKey(environment));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL EnumPortsLevel2(std::vector<PortInfo2>& out) {
    out.clear();
    if (!SpoolerAnswers()) return FALSE;
    for (const auto& name : reg::ValueNames(kLocalPortsKey))
        out.push_back({name, std::u16string(kLocalMonitorName), u"Local Port",
                       PORT_TYPE_WRITE | PORT_TYPE_READ});
    for (const auto& name : reg::SubKeys(TcpPortsKey()))
        out.push_back({name, std::u16string(kTcpMonitorName), std::u16string(kTcpMonitorName),
                       PORT_TYPE_WRITE});
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AddDriver(const DriverInfo& info) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string base = DriversKey(info.environment);
    std::u16string stored = FindName(reg::SubKeys(base), info.name);
    if (stored.empty()) stored = info.name;
    const std::u16string key = Join(base, stored);
    reg::CreateKey(key);
    reg::WriteString(key, u"Driver", info.driverPath);
    reg::WriteString(key, u"Data File", info.dataFile);
    reg::WriteString(key, u"Configuration File", info.configFile);
    reg::WriteString(key, u"Help File", info.helpFile);
    reg::WriteMultiString(key, u"Dependent Files", info.dependentFiles);
    reg::WriteString(key, u"Monitor", info.monitorName);
    reg::WriteString(key, u"Datatype", info.defaultDataType);
    reg::WriteString(key, u"Print Processor", info.printProcessor);
    reg::WriteDword(key, u"Version", info.version);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AddProcessor(std::u16string_view environment, std::u16string_view name,
                  std::u16string_view fileName) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string key = Join(ProcessorsKey(environment), name);
    reg::CreateKey(key);
    reg::WriteString(key, u"Driver", fileName);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AddMonitor(std::u16string_view name, std::u16string_view dllName) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string key = Join(MonitorsKey(), name);
    reg::CreateKey(key);
    reg::WriteString(key, u"Driver", dllName);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AddPrinterQueue(std::u16string_view name, std::u16string_view driver,
                     std::u16string_view port) {
    if (!SpoolerAnswers()) return FALSE;
    std::vector<DriverInfo> drivers;
    EnumDrivers({}, drivers);
    const DriverInfo* drv = nullptr;
    for (const auto& d : drivers)
        if (detail::EqualsNoCase(d.name, driver)) drv = &d;
    if (!drv) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    if (!KnownPort(port)) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    if (!FindName(reg::SubKeys(kPrintersKey), name).empty()) {
        SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
        return FALSE;
    }
    if (EnsurePrinterQueue(name, drv->name, port) != ERROR_SUCCESS) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!drv->printProcessor.empty())
        reg::WriteString(Join(kPrintersKey, name), u"Print Processor", drv->printProcessor);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteProcessor(std::u16string_view environment, std::u16string_view name) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string base = ProcessorsKey(environment);
    const std::u16string stored = FindName(reg::SubKeys(base), name);
    if (stored.empty()) {
        SetLastError(ERROR_UNKNOWN_PRINTPROCESSOR);
        return FALSE;
    }
    std::vector<DriverInfo> drivers;
    EnumDrivers(environment, drivers);
    for (const auto& d : drivers) {
        if (detail::EqualsNoCase(d.printProcessor, stored)) {
            SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
        }
    }
    reg::DeleteTree(Join(base, stored));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteMonitor(std::u16string_view name) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string stored = FindName(reg::SubKeys(MonitorsKey()), name);
    if (stored.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    reg::DeleteTree(Join(MonitorsKey(), stored));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AddLocalPort(std::u16string_view name) {
    if (!SpoolerAnswers()) return FALSE;
    reg::WriteString(kLocalPortsKey, name, u"");
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace plat

BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                BYTE* pDriverDirectory, DWORD cbBuf, DWORD* pcbNeeded) {
    if (pName && *pName) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (!SpoolerAnswers()) return FALSE;
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const std::u16string folder = DriverFolder(plat::detail::View(pEnvironment));
    const DWORD needed = static_cast<DWORD>((folder.size() + 1) * sizeof(char16_t));
    if (pcbNeeded) *pcbNeeded = needed;
    if (!pDriverDirectory || cbBuf < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pDriverDirectory, folder.c_str(), needed);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeletePrinter(HANDLE hPrinter) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string name = plat::GetPrinterHandleName(hPrinter);
    if (name.empty() || name.front() == u',') {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((plat::GetPrinterHandleAccess(hPrinter) & PRINTER_ACCESS_ADMINISTER) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::u16string stored = FindName(plat::reg::SubKeys(plat::kPrintersKey), name);
    if (stored.empty()) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    plat::reg::DeleteTree(Join(plat::kPrintersKey, stored));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                            DWORD dwDeleteFlag, DWORD) {
    if (pName && *pName) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string env = EnvironmentOrCurrent(plat::detail::View(pEnvironment));
    const std::u16string base = DriversKey(env);
    const std::u16string stored =
        FindName(plat::reg::SubKeys(base), plat::detail::View(pDriverName));
    if (stored.empty()) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    for (const auto& q : plat::reg::SubKeys(plat::kPrintersKey)) {
        const auto drv = plat::reg::ReadString(Join(plat::kPrintersKey, q), u"Printer Driver");
        if (drv && plat::detail::EqualsNoCase(*drv, stored)) {
            SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
        }
    }
    const std::u16string key = Join(base, stored);
    if (dwDeleteFlag & (DPD_DELETE_ALL_FILES | DPD_DELETE_UNUSED_FILES)) {
        std::vector<std::u16string> files;
        for (const auto* v : {u"Driver", u"Data File", u"Configuration File", u"Help File"})
            if (auto f = plat::reg::ReadString(key, v); f && !f->empty()) files.push_back(*f);
        for (const auto& f : plat::reg::ReadMultiString(key, u"Dependent Files"))
            files.push_back(f);
        const std::u16string folder = DriverFolder(env) + u"\\3\\";
        for (const auto& f : files) DeleteFileW((folder + f).c_str());
    }
    plat::reg::DeleteTree(key);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, const BYTE* pInputData, DWORD cbInputData,
              BYTE* pOutputData, DWORD cbOutputData, DWORD* pcbOutputNeeded, DWORD* pdwStatus) {
    if (!SpoolerAnswers()) return FALSE;
    const std::u16string name = plat::GetPrinterHandleName(hXcv);
    constexpr std::u16string_view prefix = u",XcvMonitor ";
    if (name.size() < prefix.size() ||
        !plat::detail::EqualsNoCase(std::u16string_view(name).substr(0, prefix.size()), prefix)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::u16string_view monitor = std::u16string_view(name).substr(prefix.size());
    if (!plat::detail::EqualsNoCase(monitor, plat::kTcpMonitorName)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if ((plat::GetPrinterHandleAccess(hXcv) & SERVER_ACCESS_ADMINISTER) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::u16string_view command = plat::detail::View(pszDataName);
    const std::span<const BYTE> input(pInputData, pInputData ? cbInputData : 0);
    DWORD status;
    if (command == u"AddPort") {
        if (input.size() < plat::kPortData1Size) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        status = TcpAddPort(input);
    } else if (command == u"DeletePort") {
        status = TcpDeletePort(input);
    } else {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (pcbOutputNeeded) *pcbOutputNeeded = 0;
    if (pOutputData && cbOutputData) std::memset(pOutputData, 0, cbOutputData);
    if (pdwStatus) *pdwStatus = status;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
