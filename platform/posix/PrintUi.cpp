#include "platform/PrintUi.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "platform/ServiceManager.h"
#include "platform/Spooler.h"
#include "platform/StandInMachine.h"
#include "platform/SystemInfo.h"
#include "platform/posix/InfParser.h"
#include "platform/posix/Internal.h"

namespace {

using plat::detail::EqualsNoCase;
using plat::inf::InfFile;

struct Request {
    bool installDriver = false;  // /ia
    bool installQueue = false;   // /if
    bool useExisting = false;    // /u
    std::u16string queue, inf, port, model;
};

std::optional<Request> ParseSwitches(std::u16string_view arguments) {
    Request r;
    const auto tokens = plat::SplitCommandLine(arguments);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::u16string& t = tokens[i];
        auto next = [&](std::u16string& into) {
            if (i + 1 >= tokens.size()) return false;
            into = tokens[++i];
            return true;
        };
        if (EqualsNoCase(t, u"/ia")) r.installDriver = true;
        else if (EqualsNoCase(t, u"/if")) r.installQueue = true;
        else if (EqualsNoCase(t, u"/u")) r.useExisting = true;
        else if (EqualsNoCase(t, u"/q")) continue;
        else if (EqualsNoCase(t, u"/b")) { if (!next(r.queue)) return std::nullopt; }
        else if (EqualsNoCase(t, u"/f")) { if (!next(r.inf)) return std::nullopt; }
        else if (EqualsNoCase(t, u"/r")) { if (!next(r.port)) return std::nullopt; }
        else if (EqualsNoCase(t, u"/m")) { if (!next(r.model)) return std::nullopt; }
        else return std::nullopt;
    }
    if (r.installDriver == r.installQueue) return std::nullopt;
    if (r.inf.empty() || r.model.empty()) return std::nullopt;
    if (r.installQueue && (r.queue.empty() || r.port.empty())) return std::nullopt;
    return r;
}

std::u16string FolderOf(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? u"." : path.substr(0, slash);
}

// The install section named for the model, or empty.
std::u16string FindInstallSection(const InfFile& inf, std::u16string_view model, bool is64) {
    const plat::inf::Section* mfg = inf.Find(u"Manufacturer");
    if (!mfg) return {};
    for (const auto& line : mfg->lines) {
        if (line.fields.empty()) continue;
        const std::u16string& base = line.fields[0];
        std::vector<std::u16string> candidates;
        for (size_t i = 1; i < line.fields.size(); ++i) {
            const std::u16string& deco = line.fields[i];
            const bool amd64 = deco.size() >= 7 && EqualsNoCase(deco.substr(0, 7), u"NTamd64");
            const bool x86 = deco.size() >= 5 && EqualsNoCase(deco.substr(0, 5), u"NTx86");
            if ((is64 && amd64) || (!is64 && x86)) candidates.push_back(base + u"." + deco);
        }
        candidates.push_back(base);
        for (const auto& name : candidates) {
            const plat::inf::Section* models = inf.Find(name);
            if (!models) continue;
            for (const auto& m : models->lines)
                if (EqualsNoCase(m.key, model) && !m.fields.empty()) return m.fields[0];
            break;  // the decorated section, when present, replaces the plain one
        }
    }
    return {};
}

// Value of key in the install section, else in its DataSection.
std::u16string DriverValue(const InfFile& inf, const std::u16string& section,
                           std::u16string_view key) {
    std::u16string v = inf.Value(section, key);
    if (!v.empty()) return v;
    const std::u16string data = inf.Value(section, u"DataSection");
    return data.empty() ? u"" : inf.Value(data, key);
}

std::vector<std::u16string> FieldsOf(const InfFile& inf, const std::u16string& section,
                                     std::u16string_view key) {
    const plat::inf::Section* s = inf.Find(section);
    if (!s) return {};
    for (const auto& l : s->lines)
        if (EqualsNoCase(l.key, key)) return l.fields;
    return {};
}

std::vector<std::u16string> CopyFileList(const InfFile& inf, const std::u16string& section) {
    std::vector<std::u16string> files;
    for (const auto& entry : FieldsOf(inf, section, u"CopyFiles")) {
        if (entry.empty()) continue;
        if (entry.front() == u'@') {
            files.push_back(entry.substr(1));
            continue;
        }
        const plat::inf::Section* list = inf.Find(entry);
        if (!list) continue;
        for (const auto& l : list->lines) {
            const std::u16string name = l.key.empty() ? (l.fields.empty() ? u"" : l.fields[0])
                                                      : l.key;
            if (!name.empty()) files.push_back(name);
        }
    }
    return files;
}

std::u16string SourceFolder(const InfFile& inf, const std::u16string& infFolder, bool is64) {
    const plat::inf::Section* disks =
        inf.Find(is64 ? u"SourceDisksNames.amd64" : u"SourceDisksNames.x86");
    if (!disks) disks = inf.Find(u"SourceDisksNames");
    if (disks && !disks->lines.empty()) {
        const auto& f = disks->lines.front().fields;
        if (f.size() >= 4 && !f[3].empty()) {
            std::u16string sub = f[3];
            while (!sub.empty() && (sub.front() == u'\\' || sub.front() == u'/')) sub.erase(0, 1);
            return infFolder + u"\\" + sub;
        }
    }
    return infFolder;
}

std::u16string Directory(BOOL (*query)(LPWSTR, LPWSTR, DWORD, BYTE*, DWORD, DWORD*)) {
    char16_t buf[512] = {};
    DWORD needed = 0;
    if (!query(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buf), sizeof buf, &needed)) return {};
    return buf;
}

DWORD InstallDriver(const InfFile& inf, const std::u16string& section, const Request& r,
                    const std::u16string& infFolder, bool is64) {
    const std::u16string source = SourceFolder(inf, infFolder, is64);
    const std::u16string driverDir = Directory(&GetPrinterDriverDirectoryW);
    const std::u16string processorDir = Directory(&GetPrintProcessorDirectoryW);
    if (driverDir.empty()) return GetLastError();

    const std::vector<std::u16string> files = CopyFileList(inf, section);
    for (const auto& f : files)
        if (!PathFileExistsW((source + u"\\" + f).c_str())) return ERROR_FILE_NOT_FOUND;
    for (const auto& f : files)
        if (!CopyFileW((source + u"\\" + f).c_str(), (driverDir + u"\\3\\" + f).c_str(), FALSE))
            return GetLastError();

    plat::DriverInfo d;
    d.name = r.model;
    d.environment = plat::CurrentEnvironment();
    d.driverPath = DriverValue(inf, section, u"DriverFile");
    d.configFile = DriverValue(inf, section, u"ConfigFile");
    d.dataFile = DriverValue(inf, section, u"DataFile");
    d.helpFile = DriverValue(inf, section, u"HelpFile");
    d.defaultDataType = DriverValue(inf, section, u"DefaultDataType");
    if (d.defaultDataType.empty()) d.defaultDataType = u"RAW";
    for (const auto& f : files)
        if (!EqualsNoCase(f, d.driverPath) && !EqualsNoCase(f, d.configFile) &&
            !EqualsNoCase(f, d.dataFile) && !EqualsNoCase(f, d.helpFile))
            d.dependentFiles.push_back(f);

    const auto processor = FieldsOf(inf, section, u"PrintProcessor");
    if (processor.size() >= 2) {
        if (!processorDir.empty() &&
            !CopyFileW((source + u"\\" + processor[1]).c_str(),
                       (processorDir + u"\\" + processor[1]).c_str(), FALSE))
            return GetLastError();
        if (!plat::AddProcessor({}, processor[0], processor[1])) return GetLastError();
        d.printProcessor = processor[0];
    }
    const auto monitor = FieldsOf(inf, section, u"LanguageMonitor");
    if (monitor.size() >= 2) {
        if (!plat::AddMonitor(monitor[0], monitor[1])) return GetLastError();
        d.monitorName = monitor[0];
    }
    if (!plat::AddDriver(d)) return GetLastError();
    return ERROR_SUCCESS;
}

// The version part of "DriverVer=mm/dd/yyyy,a.b.c.d" as four numbers.
std::vector<DWORD> DriverVersion(const InfFile& inf) {
    const plat::inf::Section* version = inf.Find(u"Version");
    std::vector<DWORD> parts;
    if (!version) return parts;
    for (const auto& l : version->lines) {
        if (!EqualsNoCase(l.key, u"DriverVer") || l.fields.size() < 2) continue;
        DWORD v = 0;
        bool any = false;
        for (char16_t c : l.fields[1]) {
            if (c >= u'0' && c <= u'9') {
                v = v * 10 + static_cast<DWORD>(c - u'0');
                any = true;
            } else if (c == u'.') {
                parts.push_back(v);
                v = 0;
                any = false;
            }
        }
        if (any) parts.push_back(v);
    }
    parts.resize(4, 0);
    return parts;
}

void InitialiseQueue(const std::u16string& queue, const InfFile& inf) {
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    PrinterHandle printer;
    if (!OpenPrinterW(queue.c_str(), printer.put(), &all)) return;
    const std::vector<DWORD> version = DriverVersion(inf);
    const char16_t* names[4] = {u"MajorVersion", u"MinorVersion", u"BuildVersion",
                                u"ExtraVersion"};
    for (size_t i = 0; i < 4; ++i) {
        const DWORD v = version[i];
        const BYTE data[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8),
                              static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
        SetPrinterDataExW(printer.get(), u"PrinterDriverData\\Properties", names[i], 4 /*REG_DWORD*/,
                          data, 4);
    }
}

}  // namespace

namespace plat {

DWORD RunPrintUiEntry(std::u16string_view arguments) {
    EnsureStandInMachine();
    ConnectSpoolerToServiceManager();
    const auto request = ParseSwitches(arguments);
    if (!request) return ERROR_INVALID_PARAMETER;
    if (!IsSpoolerRunning()) return RPC_S_SERVER_UNAVAILABLE;

    const auto inf = inf::InfFile::Load(request->inf);
    if (!inf) return ERROR_FILE_NOT_FOUND;
    const bool is64 = GetMachineDescription().is64Bit;
    const std::u16string section = FindInstallSection(*inf, request->model, is64);
    if (section.empty() || !inf->Find(section)) return ERROR_UNKNOWN_PRINTER_DRIVER;

    bool installed = false;
    if (request->useExisting) {
        std::vector<DriverInfo> drivers;
        if (!EnumDrivers({}, drivers)) return GetLastError();
        for (const auto& d : drivers)
            if (EqualsNoCase(d.name, request->model)) installed = true;
    }
    if (!installed) {
        const DWORD rc = InstallDriver(*inf, section, *request, FolderOf(request->inf), is64);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (request->installQueue) {
        if (!AddPrinterQueue(request->queue, request->model, request->port)) return GetLastError();
        InitialiseQueue(request->queue, *inf);
    }
    return ERROR_SUCCESS;
}

}  // namespace plat
