// The installer side of the stand-in spooler: enumeration of printers, drivers,
// print processors and ports, driver/processor/monitor registration, printer
// creation and deletion, and the monitors' configuration channel (XcvData) with the
// "Standard TCP/IP Port" monitor's "AddPort". State sits in the registry where
// Windows keeps it (see Printers.h for the queues):
//   ...\Control\Print\Environments\<env>\Drivers\Version-3\<driver>
//   ...\Control\Print\Environments\<env>\Print Processors\<name>
//   ...\Control\Print\Monitors\<monitor>                    ("Driver")
//   ...\Control\Print\Monitors\Standard TCP/IP Port\Ports\<port>
//   HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports  (local ports as values)
// The current environment is the machine's own: "Windows x64" on a 64-bit machine,
// "Windows NT x86" on a 32-bit one. While the "Spooler" service is not running every
// call fails with RPC_S_SERVER_UNAVAILABLE.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Printers.h"
#include "platform/Win32Types.h"

constexpr DWORD ERROR_UNKNOWN_PORT = 1796;
constexpr DWORD ERROR_PRINTER_ALREADY_EXISTS = 1802;
constexpr DWORD ERROR_UNKNOWN_PRINTPROCESSOR = 1798;
constexpr DWORD ERROR_PRINTER_DRIVER_IN_USE = 3001;

constexpr DWORD DPD_DELETE_UNUSED_FILES = 0x1;
constexpr DWORD DPD_DELETE_SPECIFIC_VERSION = 0x2;
constexpr DWORD DPD_DELETE_ALL_FILES = 0x4;

constexpr DWORD PORT_TYPE_WRITE = 0x1;
constexpr DWORD PORT_TYPE_READ = 0x2;
constexpr DWORD PORT_TYPE_REDIRECTED = 0x4;
constexpr DWORD PORT_TYPE_NET_ATTACHED = 0x8;

// Folder of the printer drivers of an environment (pEnvironment null: the current
// one), e.g. "C:\Windows\System32\spool\drivers\x64". Byte counts as in
// GetPrintProcessorDirectoryW.
BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                BYTE* pDriverDirectory, DWORD cbBuf, DWORD* pcbNeeded);

// Deletes a queue opened with OpenPrinterW (needs administer or all access).
BOOL DeletePrinter(HANDLE hPrinter);

// Deletes a driver of an environment (null: current). A driver still used by a queue
// fails with ERROR_PRINTER_DRIVER_IN_USE; an unknown one ERROR_UNKNOWN_PRINTER_DRIVER.
// DPD_DELETE_ALL_FILES also deletes the driver's files from the driver folder.
BOOL DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                            DWORD dwDeleteFlag, DWORD dwVersionFlag);

// The configuration channel of a monitor handle (",XcvMonitor <monitor>"). The
// "Standard TCP/IP Port" monitor knows "AddPort" (input: a PORT_DATA_1 record of
// 964 bytes) and "DeletePort" (input: the port name, UTF-16, terminated). The call's
// own result tells whether the command was delivered; *pdwStatus tells the
// monitor's answer (ERROR_SUCCESS, ERROR_ALREADY_EXISTS, ERROR_INVALID_DATA ...).
BOOL XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, const BYTE* pInputData, DWORD cbInputData,
              BYTE* pOutputData, DWORD cbOutputData, DWORD* pcbOutputNeeded, DWORD* pdwStatus);

namespace plat {

inline constexpr std::u16string_view kPrintKey = u"SYSTEM\\CurrentControlSet\\Control\\Print";
inline constexpr std::u16string_view kLocalPortsKey =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
inline constexpr std::u16string_view kTcpMonitorName = u"Standard TCP/IP Port";
inline constexpr std::u16string_view kLocalMonitorName = u"Local Port";
inline constexpr DWORD kPortData1Size = 964;

// The current environment name ("Windows x64" or "Windows NT x86").
std::u16string CurrentEnvironment();

// Level-3/4 driver information (the fields this system uses), owned strings.
struct DriverInfo {
    std::u16string name;
    std::u16string environment;
    std::u16string driverPath;      // file names inside the driver folder\3
    std::u16string dataFile;
    std::u16string configFile;
    std::u16string helpFile;
    std::vector<std::u16string> dependentFiles;
    std::u16string monitorName;
    std::u16string defaultDataType;
    std::u16string printProcessor;
    DWORD version = 3;
};

struct PortInfo2 {
    std::u16string portName;
    std::u16string monitorName;
    std::u16string description;
    DWORD portType = 0;
};

// Local printers (level 2). FALSE with the last error set (1722 when stopped).
BOOL EnumLocalPrinters(std::vector<PrinterInfo2>& out);
// Installed drivers of an environment (empty: current).
BOOL EnumDrivers(std::u16string_view environment, std::vector<DriverInfo>& out);
// Print processors of an environment (empty: current), level 1 names.
BOOL EnumProcessors(std::u16string_view environment, std::vector<std::u16string>& out);
// Ports, level 2: local ports first, then the TCP/IP ports, each in name order.
BOOL EnumPortsLevel2(std::vector<PortInfo2>& out);

// Registers a driver (files must already be in the driver folder\3).
BOOL AddDriver(const DriverInfo& info);
// Registers a print processor (its file must already be in the processor folder).
BOOL AddProcessor(std::u16string_view environment, std::u16string_view name,
                  std::u16string_view fileName);
// Registers a language or port monitor.
BOOL AddMonitor(std::u16string_view name, std::u16string_view dllName);
// Creates a queue: the driver and the port must be known (ERROR_UNKNOWN_PRINTER_DRIVER,
// ERROR_UNKNOWN_PORT), the name new (ERROR_PRINTER_ALREADY_EXISTS).
BOOL AddPrinterQueue(std::u16string_view name, std::u16string_view driver,
                     std::u16string_view port);
// Removes a print processor (ERROR_UNKNOWN_PRINTPROCESSOR when unknown; a processor
// still named by an installed driver gives ERROR_PRINTER_DRIVER_IN_USE).
BOOL DeleteProcessor(std::u16string_view environment, std::u16string_view name);
// Removes a monitor registration (ERROR_FILE_NOT_FOUND when unknown).
BOOL DeleteMonitor(std::u16string_view name);
// Adds a local port (a value of the Ports key), e.g. u"COM5:".
BOOL AddLocalPort(std::u16string_view name);

// The fields of a PORT_DATA_1 record as the TCP/IP monitor reads them.
struct PortData1 {
    std::u16string portName;
    DWORD version = 0;
    DWORD protocol = 0;
    DWORD size = 0;
    std::u16string hostAddress;
    std::u16string snmpCommunity;
    DWORD doubleSpool = 0;
    std::u16string queue;
    std::u16string ipAddress;
    DWORD portNumber = 0;
    DWORD snmpEnabled = 0;
    DWORD snmpDevIndex = 0;
};
// Reads a record (little-endian, zero-terminated UTF-16 fields); FALSE when it is
// shorter than 964 bytes.
bool ParsePortData1(std::span<const BYTE> record, PortData1& out);

}  // namespace plat
