#include "installer/crash/ExceptionAttacher.h"

#include <csignal>
#include <cstdio>
#include <ctime>

#include "installer/crash/CrashReport.h"
#include "platform/LocalTime.h"

namespace {

bool g_firstTime = true;  // the filter writes at most once per process
std::string g_folderOverride;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

CrashFacts GatherFacts(const plat::MemoryMap& map, EXCEPTION_POINTERS* info, const std::string& programPath) {
    CrashFacts facts;
    facts.programPath = programPath;
    facts.programName = WithoutExtension(FileNameOf(programPath));
    facts.userName = plat::UserName();
    facts.record = *info->ExceptionRecord;
    facts.context = *info->ContextRecord;
    plat::MemoryRegion region;
    if (map.Query(reinterpret_cast<ULONG_PTR>(facts.record.ExceptionAddress), &region) &&
        region.State == plat::MEM_COMMIT && !region.path.empty() && region.path[0] == '/') {
        facts.faultModuleName = FileNameOf(region.path);
    }
    GetLocalTime(&facts.localTime);
    const plat::OsVersion os = plat::QueryOsVersion();
    facts.osPlatform = OsPlatform::Other;
    facts.osNameOverride = os.name;
    facts.osMajor = os.major;
    facts.osMinor = os.minor;
    facts.osBuild = os.build;
    facts.system = plat::QuerySystemSummary();
    facts.stackBase = map.StackBaseOf(static_cast<ULONG_PTR>(facts.context.Rsp));
    facts.readMemory = [&map](ULONG_PTR address, void* out, size_t count) {
        return map.Read(address, out, count) != FALSE;
    };
    return facts;
}

void WriteModules(ReportBuffer& out, const plat::MemoryMap& map) {
    ULONG_PTR lastBase = 0;
    int moduleNumber = 1;
    ULONG_PTR address = 0;
    const ULONG_PTR end = plat::UserAddressSpaceEnd();
    while (address < end) {
        plat::MemoryRegion region;
        if (map.Query(address, &region) && region.RegionSize != 0) {
            if (region.State == plat::MEM_COMMIT && region.AllocationBase > lastBase) {
                lastBase = region.AllocationBase;
                if (WriteModuleEntry(out, map, lastBase, moduleNumber)) ++moduleNumber;
            }
            address = region.BaseAddress + region.RegionSize;
        } else {
            address += 64 * 1024;
        }
    }
}

}  // namespace

int WriteModuleEntry(ReportBuffer& out, const plat::MemoryMap& map, ULONG_PTR base, int moduleNumber) {
    plat::MemoryRegion region;
    if (!map.Query(base, &region) || region.path.empty() || region.path[0] != '/') return 0;
    plat::ImageHeaders headers;
    if (!plat::ReadImageHeaders(map, base, &headers)) return 0;
    plat::FileFacts file;
    const bool haveFile = plat::QueryFileFacts(region.path, &file) != FALSE;
    out.Printf("Module %d\r\n", moduleNumber);
    out.Printf("%s\r\n", region.path.c_str());
    out.Printf("Image Base: 0x%08llx  Image Size: 0x%08llx\r\n", static_cast<unsigned long long>(base),
               static_cast<unsigned long long>(headers.imageSize));
    out.Printf("Checksum:   0x%08x  Time Stamp: 0x%08x\r\n", headers.checksum, haveFile ? file.lastWriteSeconds : 0u);
    out.Printf("File Size:  %-10d  File Time:  %s\r\n", haveFile ? static_cast<int>(file.size) : 0,
               haveFile ? FormatReportTime(file.lastWriteLocal).c_str() : "");
    // Images of this platform carry no version resource: the fields stay empty.
    out.Add("Version Information:\r\n");
    out.Printf("   Company:    %s\r\n", "");
    out.Printf("   Product:    %s\r\n", "");
    out.Printf("   FileDesc:   %s\r\n", "");
    out.Printf("   FileVer:    %d.%d.%d.%d\r\n", 0, 0, 0, 0);
    out.Printf("   ProdVer:    %d.%d.%d.%d\r\n", 0, 0, 0, 0);
    out.Add("\r\n");
    return 1;
}

void SaveMiniDump(plat::CrashFile& file, const plat::MemoryMap& map, EXCEPTION_POINTERS* info) {
    if (info == nullptr) {
        plat::OutputDebugStringA("raising exception\r\n");
        std::raise(SIGTRAP);
        return;
    }
    // Collected first and written in one piece: the file is written through to the disk.
    std::string text;
    auto put = [&text](const std::string& piece) { text += piece; };
    char line[256];
    put("MKT-G450 crash dump, version 1\n");
    std::snprintf(line, sizeof(line), "thread %u\n", plat::CurrentThreadId());
    put(line);
    const EXCEPTION_RECORD& r = *info->ExceptionRecord;
    std::snprintf(line, sizeof(line), "exception code 0x%08x address 0x%016llx parameters %u\n", r.ExceptionCode,
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(r.ExceptionAddress)),
                  r.NumberParameters);
    put(line);
    for (DWORD i = 0; i < r.NumberParameters && i < EXCEPTION_MAXIMUM_PARAMETERS; ++i) {
        std::snprintf(line, sizeof(line), "parameter %u 0x%016llx\n", i,
                      static_cast<unsigned long long>(r.ExceptionInformation[i]));
        put(line);
    }
    const CONTEXT& c = *info->ContextRecord;
    const struct {
        const char* name;
        ULONGLONG value;
    } regs[] = {{"rax", c.Rax}, {"rbx", c.Rbx}, {"rcx", c.Rcx}, {"rdx", c.Rdx}, {"rsi", c.Rsi},
                {"rdi", c.Rdi}, {"rbp", c.Rbp}, {"rsp", c.Rsp}, {"rip", c.Rip}, {"r8", c.R8},
                {"r9", c.R9},   {"r10", c.R10}, {"r11", c.R11}, {"r12", c.R12}, {"r13", c.R13},
                {"r14", c.R14}, {"r15", c.R15}, {"eflags", c.EFlags}, {"cs", c.SegCs}, {"ss", c.SegSs}};
    for (const auto& reg : regs) {
        std::snprintf(line, sizeof(line), "register %s 0x%016llx\n", reg.name, static_cast<unsigned long long>(reg.value));
        put(line);
    }
    put("backtrace\n");
    for (const std::string& frame : plat::CurrentBacktrace()) put("  " + frame + "\n");
    put("memory map\n");
    for (const std::string& mapping : plat::MemoryMapLines()) put("  " + mapping + "\n");
    // Raw stack memory from the stack pointer up to 64 KiB, 16 bytes a line.
    put("stack memory\n");
    const auto sp = static_cast<ULONG_PTR>(c.Rsp);
    ULONG_PTR top = map.StackBaseOf(sp);
    if (top > sp + 65536) top = sp + 65536;
    for (ULONG_PTR a = sp; a < top; a += 16) {
        unsigned char bytes[16];
        if (!map.Read(a, bytes, 16)) break;
        int n = std::snprintf(line, sizeof(line), "  %016llx:", static_cast<unsigned long long>(a));
        for (unsigned char b : bytes) n += std::snprintf(line + n, sizeof(line) - static_cast<size_t>(n), " %02x", b);
        std::snprintf(line + n, sizeof(line) - static_cast<size_t>(n), "\n");
        put(line);
    }
    put("end\n");
    file.write(text.data(), text.size());
}

LONG CrashFilter(EXCEPTION_POINTERS* info) {
    if (!g_firstTime) return EXCEPTION_CONTINUE_SEARCH;
    g_firstTime = false;

    const std::string programPath = plat::ProgramPath();
    const std::string folder = g_folderOverride.empty() ? FolderOf(programPath) : g_folderOverride;
    const plat::MemoryMap map = plat::MemoryMap::Capture();
    plat::CrashFile report(folder + "/ERRORLOG.TXT");
    if (!report.ok()) {
        plat::OutputDebugStringA("Error creating exception report\r\n");
        return EXCEPTION_CONTINUE_SEARCH;
    }
    {
        const unsigned char bom[2] = {0xFF, 0xFE};
        report.write(bom, sizeof(bom));
        ReportBuffer out([&report](const void* bytes, size_t count) { report.write(bytes, count); });
        const CrashFacts facts = GatherFacts(map, info, programPath);
        WriteReportHeader(out, facts);
        WriteSystemDetails(out, facts);
        WriteAccessViolation(out, facts);
        WriteRegisters(out, facts);
        WriteCodeBytes(out, facts);
        WriteStackDump(out, facts);
        WriteModules(out, map);
        WriteReportTrailer(out);
        out.Flush();
    }
    plat::CrashFile dump(folder + "/CRASH.DMP");
    if (dump.ok()) {
        plat::OutputDebugStringA("writing minidump\r\n");
        SaveMiniDump(dump, map, info);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

int RunGuarded(const std::function<int()>& body) {
    SetUnhandledExceptionFilter(CrashFilter);
    return body();
}

void SetCrashFolderForTests(const std::string& hostFolder) { g_folderOverride = hostFolder; }
