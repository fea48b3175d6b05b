#include "host/print/MachineSetup.h"

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

#include "host/print/JobError.h"
#include "host/print/Utf.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace mkt::host {
namespace {

constexpr char16_t kPropertiesKey[] = u"PrinterDriverData\\Properties";
constexpr char16_t kTextKeyKey[] = u"TextKeyFunction";
constexpr char16_t kDriverName[] = u"VARNOKE MKT-G450";
constexpr char16_t kPortName[] = u"USB001";
constexpr int kMaxTextKeys = 100;

fs::path FirstExisting(std::initializer_list<fs::path> candidates) {
    std::error_code ec;
    for (const fs::path& p : candidates) {
        if (!p.empty() && fs::is_directory(p, ec)) return fs::weakly_canonical(p, ec);
    }
    return {};
}

std::vector<BYTE> Utf16LeBytes(std::u16string_view text, bool terminate) {
    std::vector<BYTE> out;
    out.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
    if (terminate) {
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

void CopyFileInto(const fs::path& from, const fs::path& to, int& count) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) ++count;
    if (ec) throw JobError(to.string(), "cannot seed the machine root (" + ec.message() + ")");
}

std::string Hex8(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(v));
    return buf;
}

}  // namespace

TemporaryDirectory::TemporaryDirectory(const std::string& prefix) {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw JobError(pattern, "cannot create a temporary folder");
    m_path = buf.data();
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

fs::path FindPackageDir(const fs::path& programDir) {
#ifdef MKT_SOURCE_PACKAGE_DIR
    const fs::path source = MKT_SOURCE_PACKAGE_DIR;
#else
    const fs::path source;
#endif
    return FirstExisting({source, programDir / "package", programDir / ".." / "package",
                          programDir / ".." / ".." / "package"});
}

fs::path FindExamplesDir(const fs::path& programDir) {
#ifdef MKT_SOURCE_EXAMPLES_DIR
    const fs::path source = MKT_SOURCE_EXAMPLES_DIR;
#else
    const fs::path source;
#endif
    return FirstExisting({source, programDir / "examples", programDir / ".." / "examples",
                          programDir / ".." / ".." / "examples"});
}

void UseMachineRoot(const fs::path& root) {
    std::error_code ec;
    fs::create_directories(root / "C" / "Windows", ec);
    const fs::path absolute = fs::absolute(root, ec);
    plat::SetMachineRoot(absolute);
    // Programs started for the job (the preview launcher) find the root the same way.
    ::setenv("MKT_MACHINE", absolute.c_str(), 1);
}

int SeedMachineRoot(const fs::path& packageDir, bool force) {
    const fs::path product = plat::MapWindowsPath(u"C:\\Windows\\MKT-G450");
    std::error_code ec;
    if (product.empty()) throw JobError("C:\\Windows\\MKT-G450", "cannot be mapped into the machine root");
    if (!force && fs::is_directory(product, ec)) return 0;
    fs::create_directories(product, ec);
    int count = 0;
    if (packageDir.empty()) return count;
    for (const auto& entry : fs::directory_iterator(packageDir, ec)) {
        if (entry.is_regular_file()) CopyFileInto(entry.path(), product / entry.path().filename(), count);
    }
    const fs::path previewBin = packageDir / "PreviewBin";
    if (fs::is_directory(previewBin, ec)) {
        for (const auto& entry : fs::directory_iterator(previewBin, ec)) {
            if (entry.is_regular_file()) {
                CopyFileInto(entry.path(), product / "PreviewBin" / entry.path().filename(), count);
            }
        }
    }
    for (const fs::path& ini : {packageDir / "MKTG450.INI", packageDir / "Driver64" / "MKTG450.INI"}) {
        if (fs::is_regular_file(ini, ec)) {
            const fs::path target = plat::MapWindowsPath(plat::GetWindowsDirectoryString() +
                                                         u"\\System32\\spool\\prtprocs\\x64\\MKTG450.INI");
            CopyFileInto(ini, target, count);
            break;
        }
    }
    return count;
}

void PlaceJobFiles(const JobDescription& job) {
    for (const MachineFile& f : job.files) {
        const fs::path target = plat::MapWindowsPath(f.windowsPath);
        const std::string name = Utf16ToUtf8(f.windowsPath);
        if (target.empty()) throw JobError(job.source.string(), "files: \"" + name + "\" is not a Windows path");
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.content.data()), static_cast<std::streamsize>(f.content.size()));
        if (!out) throw JobError(job.source.string(), "files: cannot write \"" + name + "\"");
    }
}

PrinterHandle PreparePrinter(const JobDescription& job) {
    const std::u16string name = Utf8ToUtf16(job.printer);
    const std::string where = job.source.string();
    if (LONG rc = plat::EnsurePrinterQueue(name, kDriverName, kPortName); rc != ERROR_SUCCESS) {
        throw JobError(where, "cannot create the printer queue \"" + job.printer + "\" (" + Hex8(static_cast<DWORD>(rc)) + ")");
    }
    PrinterHandle printer;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(name.c_str(), printer.put(), &defaults)) {
        throw JobError(where, "cannot open the printer \"" + job.printer + "\"");
    }
    auto set = [&](const char16_t* key, std::u16string_view value, DWORD type, const std::vector<BYTE>& bytes) {
        const DWORD rc = SetPrinterDataExW(printer.get(), key, std::u16string(value).c_str(), type, bytes.data(),
                                           static_cast<DWORD>(bytes.size()));
        if (rc != ERROR_SUCCESS) {
            throw JobError(where, "cannot write printer data \"" + Utf16ToUtf8(value) + "\" (" + Hex8(rc) + ")");
        }
    };
    set(u"DsSpooler", u"printerName", REG_SZ, Utf16LeBytes(name, true));
    for (const PrinterDataValue& v : job.printerData) {
        const std::u16string valueName = Utf8ToUtf16(v.name);
        if (v.bytes) {
            set(kPropertiesKey, valueName, REG_BINARY, *v.bytes);
        } else {
            DeletePrinterDataExW(printer.get(), kPropertiesKey, valueName.c_str());
        }
    }
    if (job.textKeys) {
        const auto& keys = *job.textKeys;
        const DWORD count = static_cast<DWORD>(keys.size());
        set(kTextKeyKey, u"NumTextKey", REG_DWORD,
            {static_cast<BYTE>(count), static_cast<BYTE>(count >> 8), static_cast<BYTE>(count >> 16),
             static_cast<BYTE>(count >> 24)});
        for (int i = 0; i < kMaxTextKeys; ++i) {
            char16_t valueName[16];
            const std::string n = (i < 10 ? "TextKey0" : "TextKey") + std::to_string(i);
            const std::u16string wide = Utf8ToUtf16(n);
            std::copy(wide.begin(), wide.end(), valueName);
            valueName[wide.size()] = 0;
            if (static_cast<std::size_t>(i) < keys.size()) {
                set(kTextKeyKey, valueName, REG_SZ, Utf16LeBytes(keys[static_cast<std::size_t>(i)], true));
            } else {
                DeletePrinterDataExW(printer.get(), kTextKeyKey, valueName);
            }
        }
    }
    return printer;
}

}  // namespace mkt::host
