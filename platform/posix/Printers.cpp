// Printer handles and printer data over the registry.
#include "platform/Printers.h"

#include <cstring>
#include <mutex>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/posix/Internal.h"
#include "platform/posix/RegistryStore.h"

namespace fs = std::filesystem;
using namespace plat::detail;

namespace {

enum class PrinterKind { Server, Queue, Channel };

struct PrinterObject {
    PrinterKind kind = PrinterKind::Queue;
    std::u16string name;  // as opened
    fs::path keyDir;      // the queue's key folder (queues only)
    DWORD access = 0;
};

HandleTable<PrinterObject>& Printers() {
    static HandleTable<PrinterObject> table(0x40000);
    return table;
}

struct SpoolerProbe {
    std::mutex mutex;
    std::function<bool()> probe;
};

SpoolerProbe& Probe() {
    static SpoolerProbe p;
    return p;
}

// The queue's key folder (case-insensitive name match).
std::optional<fs::path> FindQueue(std::u16string_view name) {
    fs::path printers;
    if (!plat::HasMachineRoot()) return std::nullopt;
    if (WalkKeyPath(HiveFolder("HKLM"), plat::kPrintersKey, false, printers) != 0) return std::nullopt;
    for (auto& sub : ListSubkeys(printers))
        if (EqualsNoCase(sub.name, name)) return sub.path;
    return std::nullopt;
}

std::u16string ReadString(const fs::path& dir, std::u16string_view name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (ReadRegValue(dir, name, type, data) != 0) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::u16string s;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

DWORD ReadDword(const fs::path& dir, std::u16string_view name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (ReadRegValue(dir, name, type, data) != 0 || type != REG_DWORD || data.size() < 4) return 0;
    return static_cast<DWORD>(data[0]) | (static_cast<DWORD>(data[1]) << 8) |
           (static_cast<DWORD>(data[2]) << 16) | (static_cast<DWORD>(data[3]) << 24);
}

// Resolves a queue handle for a data call; returns 0 or the error to answer.
DWORD UseQueue(HANDLE h, std::shared_ptr<PrinterObject>& out) {
    if (!plat::IsSpoolerRunning()) return RPC_S_SERVER_UNAVAILABLE;
    out = Printers().Get(h);
    if (!out) return ERROR_INVALID_HANDLE;
    if (out->kind != PrinterKind::Queue) return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

std::vector<BYTE> Utf16Bytes(std::u16string_view s) {
    std::vector<BYTE> b((s.size() + 1) * 2, 0);
    for (size_t i = 0; i < s.size(); ++i) {
        b[2 * i] = static_cast<BYTE>(s[i] & 0xFF);
        b[2 * i + 1] = static_cast<BYTE>(s[i] >> 8);
    }
    return b;
}

std::vector<BYTE> DwordBytes(DWORD v) {
    return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
            static_cast<BYTE>(v >> 24)};
}

}  // namespace

namespace plat {

void SetSpoolerRunningProbe(std::function<bool()> probe) {
    auto& p = Probe();
    std::lock_guard lock(p.mutex);
    p.probe = std::move(probe);
}

bool IsSpoolerRunning() {
    std::function<bool()> probe;
    {
        auto& p = Probe();
        std::lock_guard lock(p.mutex);
        probe = p.probe;
    }
    return !probe || probe();
}

std::optional<PrinterInfo2> GetPrinterInfo2(HANDLE hPrinter) {
    std::shared_ptr<PrinterObject> p;
    if (DWORD err = UseQueue(hPrinter, p)) {
        SetLastError(err);
        return std::nullopt;
    }
    const fs::path& d = p->keyDir;
    PrinterInfo2 info;
    info.printerName = ReadString(d, u"Name");
    if (info.printerName.empty()) info.printerName = p->name;
    info.shareName = ReadString(d, u"Share Name");
    info.portName = ReadString(d, u"Port");
    info.driverName = ReadString(d, u"Printer Driver");
    info.comment = ReadString(d, u"Description");
    info.location = ReadString(d, u"Location");
    info.sepFile = ReadString(d, u"Separator File");
    info.printProcessor = ReadString(d, u"Print Processor");
    info.datatype = ReadString(d, u"Datatype");
    info.parameters = ReadString(d, u"Parameters");
    info.attributes = ReadDword(d, u"Attributes");
    info.priority = ReadDword(d, u"Priority");
    info.defaultPriority = ReadDword(d, u"Default Priority");
    info.startTime = ReadDword(d, u"StartTime");
    info.untilTime = ReadDword(d, u"UntilTime");
    info.status = ReadDword(d, u"Status");
    return info;
}

LONG EnsurePrinterQueue(std::u16string_view name, std::u16string_view driver, std::u16string_view port) {
    fs::path dir;
    const std::u16string keyPath = std::u16string(kPrintersKey) + u"\\" + std::u16string(name);
    if (LONG rc = WalkKeyPath(HiveFolder("HKLM"), keyPath, true, dir)) return rc;
    auto put = [&](std::u16string_view value, DWORD type, const std::vector<BYTE>& bytes) {
        return WriteRegValue(dir, value, type, bytes);
    };
    auto putIfMissing = [&](std::u16string_view value, DWORD type, const std::vector<BYTE>& bytes) {
        return FindValue(dir, value) ? 0 : put(value, type, bytes);
    };
    LONG rc = put(u"Name", REG_SZ, Utf16Bytes(name));
    if (!rc) rc = put(u"Printer Driver", REG_SZ, Utf16Bytes(driver));
    if (!rc) rc = put(u"Port", REG_SZ, Utf16Bytes(port));
    if (!rc) rc = putIfMissing(u"Print Processor", REG_SZ, Utf16Bytes(u"winprint"));
    if (!rc) rc = putIfMissing(u"Datatype", REG_SZ, Utf16Bytes(u"RAW"));
    if (!rc) rc = putIfMissing(u"Share Name", REG_SZ, Utf16Bytes(u""));
    if (!rc) rc = putIfMissing(u"Description", REG_SZ, Utf16Bytes(u""));
    if (!rc) rc = putIfMissing(u"Location", REG_SZ, Utf16Bytes(u""));
    if (!rc) rc = putIfMissing(u"Parameters", REG_SZ, Utf16Bytes(u""));
    if (!rc) rc = putIfMissing(u"Separator File", REG_SZ, Utf16Bytes(u""));
    if (!rc) rc = putIfMissing(u"Attributes", REG_DWORD, DwordBytes(0x40));  // local printer
    if (!rc) rc = putIfMissing(u"Priority", REG_DWORD, DwordBytes(1));
    if (!rc) rc = putIfMissing(u"Default Priority", REG_DWORD, DwordBytes(0));
    if (!rc) rc = putIfMissing(u"StartTime", REG_DWORD, DwordBytes(0));
    if (!rc) rc = putIfMissing(u"UntilTime", REG_DWORD, DwordBytes(0));
    if (!rc) rc = putIfMissing(u"Status", REG_DWORD, DwordBytes(0));
    return rc;
}

std::u16string GetPrinterHandleName(HANDLE hPrinter) {
    auto p = Printers().Get(hPrinter);
    return p ? p->name : std::u16string();
}

DWORD GetPrinterHandleAccess(HANDLE hPrinter) {
    auto p = Printers().Get(hPrinter);
    return p ? p->access : 0;
}

}  // namespace plat

BOOL OpenPrinterW(LPCWSTR pPrinterName, HANDLE* phPrinter, const PRINTER_DEFAULTSW* pDefault) {
    if (phPrinter == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phPrinter = nullptr;
    if (!plat::IsSpoolerRunning()) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return FALSE;
    }
    auto obj = std::make_shared<PrinterObject>();
    obj->name.assign(View(pPrinterName));
    obj->access = (pDefault && pDefault->DesiredAccess) ? pDefault->DesiredAccess : PRINTER_ACCESS_USE;
    if (obj->name.empty()) {
        obj->kind = PrinterKind::Server;
    } else if (obj->name[0] == u',') {
        obj->kind = PrinterKind::Channel;
    } else {
        auto dir = FindQueue(obj->name);
        if (!dir) {
            SetLastError(ERROR_INVALID_PRINTER_NAME);
            return FALSE;
        }
        obj->keyDir = *dir;
    }
    *phPrinter = Printers().Add(std::move(obj));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
    if (!Printers().Remove(hPrinter)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD* pType,
                        BYTE* pData, DWORD nSize, DWORD* pcbNeeded) {
    std::shared_ptr<PrinterObject> p;
    if (DWORD err = UseQueue(hPrinter, p)) return err;
    if (pcbNeeded == nullptr || View(pKeyName).empty() || (pData == nullptr && nSize != 0))
        return ERROR_INVALID_PARAMETER;
    *pcbNeeded = 0;
    fs::path dir;
    if (WalkKeyPath(p->keyDir, View(pKeyName), false, dir) != 0) return ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (LONG rc = ReadRegValue(dir, View(pValueName), type, data)) return static_cast<DWORD>(rc);
    *pcbNeeded = static_cast<DWORD>(data.size());
    if (pType) *pType = type;
    if (nSize < data.size()) return ERROR_MORE_DATA;
    if (!data.empty()) std::memcpy(pData, data.data(), data.size());
    return ERROR_SUCCESS;
}

DWORD GetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD* pType, BYTE* pData, DWORD nSize,
                      DWORD* pcbNeeded) {
    return GetPrinterDataExW(hPrinter, u"PrinterDriverData", pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                        const BYTE* pData, DWORD cbData) {
    std::shared_ptr<PrinterObject> p;
    if (DWORD err = UseQueue(hPrinter, p)) return err;
    if (View(pKeyName).empty() || (pData == nullptr && cbData != 0)) return ERROR_INVALID_PARAMETER;
    if (!(p->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    fs::path dir;
    if (LONG rc = WalkKeyPath(p->keyDir, View(pKeyName), true, dir)) return static_cast<DWORD>(rc);
    return static_cast<DWORD>(
        WriteRegValue(dir, View(pValueName), Type, std::span<const BYTE>(pData, pData ? cbData : 0)));
}

DWORD SetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD Type, const BYTE* pData, DWORD cbData) {
    return SetPrinterDataExW(hPrinter, u"PrinterDriverData", pValueName, Type, pData, cbData);
}

DWORD DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName) {
    std::shared_ptr<PrinterObject> p;
    if (DWORD err = UseQueue(hPrinter, p)) return err;
    if (View(pKeyName).empty()) return ERROR_INVALID_PARAMETER;
    if (!(p->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    fs::path dir;
    if (WalkKeyPath(p->keyDir, View(pKeyName), false, dir) != 0) return ERROR_FILE_NOT_FOUND;
    return static_cast<DWORD>(DeleteRegValue(dir, View(pValueName)));
}

BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, BYTE* pPrinter, DWORD cbBuf, DWORD* pcbNeeded) {
    if (pcbNeeded == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcbNeeded = 0;
    if (Level != 2) {
        SetLastError(plat::IsSpoolerRunning() ? ERROR_INVALID_LEVEL : RPC_S_SERVER_UNAVAILABLE);
        return FALSE;
    }
    auto info = plat::GetPrinterInfo2(hPrinter);
    if (!info) return FALSE;
    const std::u16string* strings[] = {&info->printerName, &info->shareName, &info->portName,
                                       &info->driverName,  &info->comment,   &info->location,
                                       &info->sepFile,     &info->printProcessor, &info->datatype,
                                       &info->parameters};
    DWORD needed = sizeof(PRINTER_INFO_2W);
    for (auto* s : strings) needed += static_cast<DWORD>((s->size() + 1) * sizeof(char16_t));
    *pcbNeeded = needed;
    if (pPrinter == nullptr || cbBuf < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    PRINTER_INFO_2W out{};
    BYTE* cursor = pPrinter + sizeof(PRINTER_INFO_2W);
    LPWSTR placed[10];
    for (size_t i = 0; i < 10; ++i) {
        const size_t bytes = (strings[i]->size() + 1) * sizeof(char16_t);
        std::memcpy(cursor, strings[i]->c_str(), bytes);
        placed[i] = reinterpret_cast<LPWSTR>(cursor);
        cursor += bytes;
    }
    out.pServerName = nullptr;  // a local printer has no server name
    out.pPrinterName = placed[0];
    out.pShareName = placed[1];
    out.pPortName = placed[2];
    out.pDriverName = placed[3];
    out.pComment = placed[4];
    out.pLocation = placed[5];
    out.pSepFile = placed[6];
    out.pPrintProcessor = placed[7];
    out.pDatatype = placed[8];
    out.pParameters = placed[9];
    out.Attributes = info->attributes;
    out.Priority = info->priority;
    out.DefaultPriority = info->defaultPriority;
    out.StartTime = info->startTime;
    out.UntilTime = info->untilTime;
    out.Status = info->status;
    out.cJobs = info->cJobs;
    out.AveragePPM = info->averagePPM;
    std::memcpy(pPrinter, &out, sizeof out);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL GetPrintProcessorDirectoryW(LPWSTR /*pName*/, LPWSTR pEnvironment, DWORD Level,
                                 BYTE* pPrintProcessorInfo, DWORD cbBuf, DWORD* pcbNeeded) {
    if (pcbNeeded == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!plat::IsSpoolerRunning()) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const std::u16string env(View(pEnvironment));
    const bool x86 = env.find(u"x86") != std::u16string::npos;
    const std::u16string dir =
        plat::GetSystemDirectoryString() + u"\\spool\\prtprocs\\" + (x86 ? u"W32X86" : u"x64");
    const DWORD needed = static_cast<DWORD>((dir.size() + 1) * sizeof(char16_t));
    *pcbNeeded = needed;
    if (pPrintProcessorInfo == nullptr || cbBuf < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pPrintProcessorInfo, dir.c_str(), needed);
    return TRUE;
}

PrinterHandle& PrinterHandle::operator=(PrinterHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
}

void PrinterHandle::reset(HANDLE h) {
    if (m_h != nullptr) {
        const DWORD saved = GetLastError();
        ClosePrinter(m_h);
        SetLastError(saved);
    }
    m_h = h;
}
