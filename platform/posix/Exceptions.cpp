// Signals as structured exceptions, and the process facts a crash report needs.
#include "platform/Exceptions.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <fstream>
#include <sstream>

namespace {

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
constexpr std::array<int, 6> kSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
constexpr size_t kAltStackSize = 256 * 1024;
alignas(16) unsigned char g_altStack[kAltStackSize];

DWORD ExceptionCodeFor(int sig, const siginfo_t* info) {
    switch (sig) {
    case SIGSEGV:
        return EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS:
        return info->si_code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
    case SIGFPE:
        switch (info->si_code) {
        case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND: return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES: return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTINV: return EXCEPTION_FLT_INVALID_OPERATION;
        case FPE_FLTSUB: return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default: return EXCEPTION_FLT_INVALID_OPERATION;
        }
    case SIGILL:
        return (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG) ? EXCEPTION_PRIV_INSTRUCTION
                                                                            : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGTRAP:
        return EXCEPTION_BREAKPOINT;
    case SIGABRT:
    default:
        // abort() ends a program the way a fatal application exit does.
        return EXCEPTION_FATAL_APP_EXIT;
    }
}

void FillContext(const ucontext_t* uc, CONTEXT* ctx) {
    const greg_t* g = uc->uc_mcontext.gregs;
    ctx->Rax = static_cast<ULONGLONG>(g[REG_RAX]);
    ctx->Rbx = static_cast<ULONGLONG>(g[REG_RBX]);
    ctx->Rcx = static_cast<ULONGLONG>(g[REG_RCX]);
    ctx->Rdx = static_cast<ULONGLONG>(g[REG_RDX]);
    ctx->Rsi = static_cast<ULONGLONG>(g[REG_RSI]);
    ctx->Rdi = static_cast<ULONGLONG>(g[REG_RDI]);
    ctx->Rbp = static_cast<ULONGLONG>(g[REG_RBP]);
    ctx->Rsp = static_cast<ULONGLONG>(g[REG_RSP]);
    ctx->Rip = static_cast<ULONGLONG>(g[REG_RIP]);
    ctx->R8 = static_cast<ULONGLONG>(g[REG_R8]);
    ctx->R9 = static_cast<ULONGLONG>(g[REG_R9]);
    ctx->R10 = static_cast<ULONGLONG>(g[REG_R10]);
    ctx->R11 = static_cast<ULONGLONG>(g[REG_R11]);
    ctx->R12 = static_cast<ULONGLONG>(g[REG_R12]);
    ctx->R13 = static_cast<ULONGLONG>(g[REG_R13]);
    ctx->R14 = static_cast<ULONGLONG>(g[REG_R14]);
    ctx->R15 = static_cast<ULONGLONG>(g[REG_R15]);
    ctx->EFlags = static_cast<DWORD>(g[REG_EFL]);
    const auto csgsfs = static_cast<ULONGLONG>(g[REG_CSGSFS]);
    ctx->SegCs = static_cast<WORD>(csgsfs & 0xFFFF);
    ctx->SegSs = 0x2B;  // the user data segment of x86-64 Linux; not in the signal frame
}

void RestoreDefaults() {
    for (int sig : kSignals) {
        std::signal(sig, SIG_DFL);
    }
}

void OnFault(int sig, siginfo_t* info, void* ucontext) {
    // Whatever happens next (a second fault included) goes to the default handling.
    RestoreDefaults();
    LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
    if (filter != nullptr) {
        EXCEPTION_RECORD record{};
        CONTEXT context{};
        FillContext(static_cast<const ucontext_t*>(ucontext), &context);
        record.ExceptionCode = ExceptionCodeFor(sig, info);
        record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
        if (sig == SIGSEGV) {
            // Bit 1 of the page-fault error code says whether the access was a write.
            const auto* uc = static_cast<const ucontext_t*>(ucontext);
            const bool write = (uc->uc_mcontext.gregs[REG_ERR] & 0x2) != 0;
            record.NumberParameters = 2;
            record.ExceptionInformation[0] = write ? 1 : 0;
            record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(info->si_addr);
            // A fault just below the stack pointer's region is a stack overflow.
            const auto addr = reinterpret_cast<ULONG_PTR>(info->si_addr);
            if (addr + 65536 > context.Rsp && addr <= context.Rsp + 65536 &&
                plat::StackBaseOf(context.Rsp) == 0) {
                record.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
            }
        }
        EXCEPTION_POINTERS pointers{&record, &context};
        filter(&pointers);
    }
    // Returning re-runs the faulting instruction (or lets abort go on) under the default action.
    if (sig == SIGABRT || sig == SIGTRAP || info->si_code <= 0) {
        raise(sig);
    }
}

using MapLine = plat::MemoryMap::Mapping;

// Copies raw process memory (stacks included) byte by byte, outside the address sanitizer's
// checks: a crash report reads memory the program never allocated as an object.
__attribute__((no_sanitize("address", "undefined"))) void CopyRawMemory(void* out, ULONG_PTR address, SIZE_T count) {
    auto* d = static_cast<volatile unsigned char*>(out);
    const auto* s = reinterpret_cast<const volatile unsigned char*>(address);
    for (SIZE_T i = 0; i < count; ++i) d[i] = s[i];
}

std::vector<MapLine> ReadMaps() {
    std::vector<MapLine> lines;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        MapLine m;
        char perms[8] = {};
        unsigned long long start = 0, end = 0, offset = 0;
        int pathPos = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx %7s %llx %*s %*s %n", &start, &end, perms, &offset, &pathPos) < 4) {
            continue;
        }
        m.start = start;
        m.end = end;
        m.offset = offset;
        m.readable = perms[0] == 'r';
        if (pathPos > 0 && static_cast<size_t>(pathPos) < line.size()) {
            m.path = line.substr(static_cast<size_t>(pathPos));
        }
        lines.push_back(std::move(m));
    }
    return lines;
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    LPTOP_LEVEL_EXCEPTION_FILTER old = g_filter.exchange(filter);
    stack_t ss{};
    ss.ss_sp = g_altStack;
    ss.ss_size = sizeof(g_altStack);
    sigaltstack(&ss, nullptr);
    struct sigaction sa{};
    sa.sa_sigaction = OnFault;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals) {
        sigaction(sig, &sa, nullptr);
    }
    return old;
}

namespace plat {

ULONG_PTR UserAddressSpaceEnd() { return static_cast<ULONG_PTR>(0x800000000000ull); }

MemoryMap MemoryMap::Capture() {
    MemoryMap map;
    map.m_mappings = ReadMaps();
    return map;
}

BOOL MemoryMap::Query(ULONG_PTR address, MemoryRegion* region) const {
    if (region == nullptr || address >= UserAddressSpaceEnd()) return FALSE;
    const std::vector<Mapping>& maps = m_mappings;
    for (size_t i = 0; i < maps.size(); ++i) {
        const Mapping& m = maps[i];
        if (address < m.start) {
            *region = MemoryRegion{};
            region->BaseAddress = address;
            region->RegionSize = m.start - address;
            region->State = MEM_FREE;
            return TRUE;
        }
        if (address < m.end) {
            *region = MemoryRegion{};
            region->BaseAddress = m.start;
            region->RegionSize = m.end - m.start;
            region->State = MEM_COMMIT;
            region->readable = m.readable;
            region->path = m.path;
            region->AllocationBase = m.start;
            if (!m.path.empty() && m.path[0] == '/') {
                // An image's allocation base is the start of the mapping of its first page.
                for (size_t j = i + 1; j-- > 0;) {
                    if (maps[j].path != m.path) break;
                    if (maps[j].offset == 0) {
                        region->AllocationBase = maps[j].start;
                        break;
                    }
                }
            }
            return TRUE;
        }
    }
    *region = MemoryRegion{};
    region->BaseAddress = address;
    region->RegionSize = UserAddressSpaceEnd() - address;
    region->State = MEM_FREE;
    return TRUE;
}

BOOL MemoryMap::Read(ULONG_PTR address, void* out, SIZE_T count) const {
    if (count == 0) return TRUE;
    ULONG_PTR cursor = address;
    const ULONG_PTR end = address + count;
    if (end < address) return FALSE;
    for (const Mapping& m : m_mappings) {
        if (cursor >= end) break;
        if (m.end <= cursor) continue;
        if (m.start > cursor || !m.readable) return FALSE;
        cursor = m.end;
    }
    if (cursor < end) return FALSE;
    CopyRawMemory(out, address, count);
    return TRUE;
}

ULONG_PTR MemoryMap::StackBaseOf(ULONG_PTR stackPointer) const {
    for (const Mapping& m : m_mappings) {
        if (stackPointer >= m.start && stackPointer < m.end) return m.end;
    }
    return 0;
}

BOOL VirtualQuery(ULONG_PTR address, MemoryRegion* region) { return MemoryMap::Capture().Query(address, region); }

BOOL ReadMemory(ULONG_PTR address, void* out, SIZE_T count) { return MemoryMap::Capture().Read(address, out, count); }

ULONG_PTR StackBaseOf(ULONG_PTR stackPointer) { return MemoryMap::Capture().StackBaseOf(stackPointer); }

SystemSummary QuerySystemSummary() {
    SystemSummary s;
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    s.processors = n > 0 ? static_cast<DWORD>(n) : 1;
    s.processorType = 8664;
    struct sysinfo si{};
    if (sysinfo(&si) == 0) {
        const ULONGLONG unit = si.mem_unit ? si.mem_unit : 1;
        s.totalPhys = si.totalram * unit;
        s.availPhys = (si.freeram + si.bufferram) * unit;
        s.totalPageFile = (si.totalram + si.totalswap) * unit;
        s.availPageFile = (si.freeram + si.bufferram + si.freeswap) * unit;
        if (s.totalPhys > 0) {
            s.memoryLoad = static_cast<DWORD>(100 - (s.availPhys * 100) / s.totalPhys);
        }
    }
    s.totalVirtual = UserAddressSpaceEnd() - 0x10000;
    ULONGLONG used = 0;
    for (const MapLine& m : ReadMaps()) used += m.end - m.start;
    s.availVirtual = s.totalVirtual > used ? s.totalVirtual - used : 0;
    return s;
}

std::string ProgramPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string UserName() {
    struct passwd pw{};
    struct passwd* result = nullptr;
    char buf[1024];
    if (getpwuid_r(geteuid(), &pw, buf, sizeof(buf), &result) == 0 && result != nullptr) {
        return result->pw_name;
    }
    return {};
}

OsVersion QueryOsVersion() {
    OsVersion v;
    struct utsname u{};
    if (uname(&u) == 0) {
        v.name = u.sysname;
        unsigned a = 0, b = 0, c = 0;
        std::sscanf(u.release, "%u.%u.%u", &a, &b, &c);
        v.major = a;
        v.minor = b;
        v.build = c;
    }
    return v;
}

BOOL ReadImageHeaders(const MemoryMap& map, ULONG_PTR base, ImageHeaders* headers) {
    Elf64_Ehdr eh{};
    if (!map.Read(base, &eh, sizeof(eh))) return FALSE;
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64) return FALSE;
    ImageHeaders h;
    std::vector<Elf64_Phdr> phdrs;
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
        Elf64_Phdr ph{};
        if (!map.Read(base + eh.e_phoff + static_cast<ULONG_PTR>(i) * eh.e_phentsize, &ph, sizeof(ph))) break;
        phdrs.push_back(ph);
    }
    ULONGLONG lowest = ~0ull, highest = 0;
    for (const Elf64_Phdr& ph : phdrs) {
        if (ph.p_type != PT_LOAD) continue;
        if (ph.p_vaddr < lowest) lowest = ph.p_vaddr;
        if (ph.p_vaddr + ph.p_memsz > highest) highest = ph.p_vaddr + ph.p_memsz;
    }
    if (lowest == ~0ull) lowest = 0;
    // Position-independent images are linked at 0 and loaded at `base`.
    const ULONG_PTR loadBias = eh.e_type == ET_DYN ? base - (lowest & ~0xFFFull) : 0;
    for (const Elf64_Phdr& ph : phdrs) {
        if (ph.p_type != PT_NOTE) continue;
        // The GNU build id: its first four bytes identify the image.
        ULONG_PTR p = loadBias + ph.p_vaddr;
        const ULONG_PTR end = p + ph.p_memsz;
        while (p + sizeof(Elf64_Nhdr) <= end) {
            Elf64_Nhdr nh{};
            if (!map.Read(p, &nh, sizeof(nh))) break;
            const ULONG_PTR desc = p + sizeof(nh) + ((nh.n_namesz + 3u) & ~3u);
            if (nh.n_type == NT_GNU_BUILD_ID && nh.n_descsz >= 4) {
                BYTE id[4];
                if (map.Read(desc, id, 4)) {
                    h.checksum = (DWORD(id[0]) << 24) | (DWORD(id[1]) << 16) | (DWORD(id[2]) << 8) | id[3];
                }
                break;
            }
            p = desc + ((nh.n_descsz + 3u) & ~3u);
        }
    }
    if (highest > lowest) h.imageSize = highest - (lowest & ~0xFFFull);
    *headers = h;
    return TRUE;
}

CrashFile::CrashFile(const std::string& hostPath) {
    m_fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_SYNC | O_CLOEXEC, 0644);
}

CrashFile::~CrashFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CrashFile::write(const void* bytes, SIZE_T count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t n = ::write(m_fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<SIZE_T>(n);
    }
    return true;
}

BOOL QueryFileFacts(const std::string& hostPath, FileFacts* facts) {
    struct stat st{};
    if (::stat(hostPath.c_str(), &st) != 0) return FALSE;
    facts->size = static_cast<ULONGLONG>(st.st_size);
    facts->lastWriteSeconds = static_cast<DWORD>(st.st_mtime);
    struct tm tmLocal{};
    localtime_r(&st.st_mtime, &tmLocal);
    facts->lastWriteLocal.wYear = static_cast<WORD>(tmLocal.tm_year + 1900);
    facts->lastWriteLocal.wMonth = static_cast<WORD>(tmLocal.tm_mon + 1);
    facts->lastWriteLocal.wDay = static_cast<WORD>(tmLocal.tm_mday);
    facts->lastWriteLocal.wDayOfWeek = static_cast<WORD>(tmLocal.tm_wday);
    facts->lastWriteLocal.wHour = static_cast<WORD>(tmLocal.tm_hour);
    facts->lastWriteLocal.wMinute = static_cast<WORD>(tmLocal.tm_min);
    facts->lastWriteLocal.wSecond = static_cast<WORD>(tmLocal.tm_sec);
    return TRUE;
}

void OutputDebugStringA(const char* text) {
    if (text != nullptr) {
        ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
        (void)ignored;
    }
}

DWORD CurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

std::vector<std::string> CurrentBacktrace() {
    void* frames[64];
    int n = backtrace(frames, 64);
    std::vector<std::string> out;
    char** symbols = backtrace_symbols(frames, n);
    for (int i = 0; i < n; ++i) {
        out.emplace_back(symbols != nullptr ? symbols[i] : "?");
    }
    std::free(symbols);
    return out;
}

std::vector<std::string> MemoryMapLines() {
    std::vector<std::string> out;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) out.push_back(line);
    return out;
}

}  // namespace plat
