// Spooler-shaped printer services over the registry of the machine root.
// A printer queue is the key
//   HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\<queue>
// with the values "Name", "Printer Driver", "Port", "Print Processor", "Datatype",
// "Share Name", "Description", "Location", "Parameters", "Attributes", "Priority",
// "Default Priority", "StartTime", "UntilTime", "Status". Printer data of key K lives
// in the subkey K of the queue's key (for example "PrinterDriverData\Properties").
// When the spooler probe says the spooler is not running, every call here fails
// with RPC_S_SERVER_UNAVAILABLE (1722).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Win32Types.h"

constexpr DWORD PRINTER_ACCESS_ADMINISTER = 0x00000004;
constexpr DWORD PRINTER_ACCESS_USE = 0x00000008;
constexpr DWORD PRINTER_ALL_ACCESS = 0x000F000C;
constexpr DWORD SERVER_ACCESS_ADMINISTER = 0x00000001;
constexpr DWORD SERVER_ACCESS_ENUMERATE = 0x00000002;
constexpr DWORD SERVER_ALL_ACCESS = 0x000F0003;
constexpr DWORD PRINTER_READ = 0x00020008;  // STANDARD_RIGHTS_READ | PRINTER_ACCESS_USE

struct PRINTER_DEFAULTSW {
    LPWSTR pDatatype;
    void* pDevMode;
    DWORD DesiredAccess;
};

struct PRINTER_INFO_2W {
    LPWSTR pServerName;
    LPWSTR pPrinterName;
    LPWSTR pShareName;
    LPWSTR pPortName;
    LPWSTR pDriverName;
    LPWSTR pComment;
    LPWSTR pLocation;
    void* pDevMode;  // always null here
    LPWSTR pSepFile;
    LPWSTR pPrintProcessor;
    LPWSTR pDatatype;
    LPWSTR pParameters;
    void* pSecurityDescriptor;  // always null here
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
};

// Opens a printer queue by name (case-insensitive). Access: pDefault->DesiredAccess,
// PRINTER_ACCESS_USE when pDefault is null or asks for 0. An unknown queue fails
// with ERROR_INVALID_PRINTER_NAME. A null or empty name opens the local print
// server; a name starting with "," (",XcvMonitor <monitor>", ",XcvPort <port>")
// opens a monitor channel handle whose name plat::GetPrinterHandleName gives.
BOOL OpenPrinterW(LPCWSTR pPrinterName, HANDLE* phPrinter, const PRINTER_DEFAULTSW* pDefault);

// Closes a printer handle (ERROR_INVALID_HANDLE for an unknown one).
BOOL ClosePrinter(HANDLE hPrinter);

// Reads printer data value pValueName of key pKeyName. Returns ERROR_SUCCESS,
// ERROR_MORE_DATA when nSize is too small, ERROR_FILE_NOT_FOUND when the key or
// value is missing, ERROR_INVALID_HANDLE, RPC_S_SERVER_UNAVAILABLE.
// *pcbNeeded is always set to the value's size when the value exists.
DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD* pType,
                        BYTE* pData, DWORD nSize, DWORD* pcbNeeded);

// Same for key "PrinterDriverData" (the key of the non-Ex call).
DWORD GetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD* pType, BYTE* pData,
                      DWORD nSize, DWORD* pcbNeeded);

// Writes printer data (creating the key). Needs PRINTER_ACCESS_ADMINISTER on the
// handle: a handle opened with PRINTER_ACCESS_USE only gets ERROR_ACCESS_DENIED.
// An empty or null key name is ERROR_INVALID_PARAMETER.
DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                        const BYTE* pData, DWORD cbData);

// Same for key "PrinterDriverData".
DWORD SetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD Type, const BYTE* pData,
                      DWORD cbData);

// Deletes a printer data value (ERROR_FILE_NOT_FOUND when missing; needs
// administer access).
DWORD DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName);

// Printer information, level 2 only (ERROR_INVALID_LEVEL otherwise). Windows packs
// the structure followed by its strings into pPrinter; when cbBuf is too small
// (or pPrinter null) it fails with ERROR_INSUFFICIENT_BUFFER and *pcbNeeded set.
BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, BYTE* pPrinter, DWORD cbBuf, DWORD* pcbNeeded);

// Folder of the print processors: "C:\Windows\System32\spool\prtprocs\x64" (from the
// Windows directory). cbBuf and *pcbNeeded in bytes, terminator included;
// ERROR_INSUFFICIENT_BUFFER when too small. pName and pEnvironment may be null.
BOOL GetPrintProcessorDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                 BYTE* pPrintProcessorInfo, DWORD cbBuf, DWORD* pcbNeeded);

// RAII owner of a printer HANDLE (ClosePrinter on destruction).
class PrinterHandle {
public:
    PrinterHandle() = default;
    explicit PrinterHandle(HANDLE h) : m_h(h) {}
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    PrinterHandle(PrinterHandle&& o) noexcept : m_h(o.release()) {}
    PrinterHandle& operator=(PrinterHandle&& o) noexcept;
    ~PrinterHandle() { reset(); }

    HANDLE get() const { return m_h; }
    HANDLE* put() { reset(); return &m_h; }  // for OpenPrinterW(name, h.put(), ...)
    explicit operator bool() const { return m_h != nullptr; }
    HANDLE release() { HANDLE h = m_h; m_h = nullptr; return h; }
    void reset(HANDLE h = nullptr);

private:
    HANDLE m_h = nullptr;
};

namespace plat {

// The registry path of the printer queues.
inline constexpr std::u16string_view kPrintersKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

// The spooler state seam: when the probe returns false, every spooler call fails
// with RPC_S_SERVER_UNAVAILABLE. No probe (the default) means "running".
void SetSpoolerRunningProbe(std::function<bool()> probe);

// True when the spooler counts as running (asks the probe).
bool IsSpoolerRunning();

// Level-2 printer information with owned strings.
struct PrinterInfo2 {
    std::u16string serverName, printerName, shareName, portName, driverName, comment,
        location, sepFile, printProcessor, datatype, parameters;
    DWORD attributes = 0, priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0,
          status = 0, cJobs = 0, averagePPM = 0;
};

// Level-2 information of an open printer; nullopt with the last error set on failure.
std::optional<PrinterInfo2> GetPrinterInfo2(HANDLE hPrinter);

// Creates (or updates) a printer queue entry: values Name, Printer Driver, Port,
// Print Processor ("winprint"), Datatype ("RAW"), Attributes, Priority. For tests,
// the print host and the installer's stand-in of the printer setup utility.
LONG EnsurePrinterQueue(std::u16string_view name, std::u16string_view driver,
                        std::u16string_view port);

// The name a printer handle was opened with (",XcvMonitor ..." included); empty
// for an unknown handle. Lets monitor channels be served by other platform parts.
std::u16string GetPrinterHandleName(HANDLE hPrinter);

// The access granted to a printer handle (0 for an unknown handle).
DWORD GetPrinterHandleAccess(HANDLE hPrinter);

}  // namespace plat
