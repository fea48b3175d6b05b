// Structured exceptions of the stand-in platform. On this platform a hardware fault or an
// abort arrives as a signal; the handler turns it into the Windows exception record and
// register context, calls the process's unhandled-exception filter once, and then lets the
// system's default handling end the process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Win32Types.h"

constexpr DWORD EXCEPTION_CONTROL_C = 0x40010005u;
constexpr DWORD EXCEPTION_CONTROL_BREAK = 0x40010008u;
constexpr DWORD EXCEPTION_FATAL_APP_EXIT = 0x40000015u;
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002u;
constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003u;
constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005u;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006u;
constexpr DWORD EXCEPTION_NO_MEMORY = 0xC0000017u;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001Du;
constexpr DWORD EXCEPTION_NONCONTINUABLE_EXCEPTION = 0xC0000025u;
constexpr DWORD EXCEPTION_INVALID_DISPOSITION = 0xC0000026u;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008Cu;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008Du;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008Eu;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008Fu;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090u;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091u;
constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092u;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093u;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094u;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095u;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096u;
constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FDu;
constexpr DWORD EXCEPTION_DLL_INIT_FAILED = 0xC0000142u;
constexpr DWORD EXCEPTION_MSVC_CPP = 0xE06D7363u;

constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;

struct EXCEPTION_RECORD {
    DWORD ExceptionCode;
    DWORD ExceptionFlags;
    EXCEPTION_RECORD* ExceptionRecord;
    void* ExceptionAddress;
    DWORD NumberParameters;
    // Access violation: [0] = 1 for a write, 0 for a read; [1] = the address.
    ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

// The register set of the processor this platform runs on (x86-64).
struct CONTEXT {
    ULONGLONG Rax, Rbx, Rcx, Rdx, Rsi, Rdi, Rbp, Rsp, Rip;
    ULONGLONG R8, R9, R10, R11, R12, R13, R14, R15;
    DWORD EFlags;
    WORD SegCs;
    WORD SegSs;
};

struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* ExceptionRecord;
    CONTEXT* ContextRecord;
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS*);

// Installs the process's filter for faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP),
// handled on an alternate stack so that a stack overflow still reaches it. Returns the old one.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

namespace plat {

// Memory regions, in the shape of VirtualQuery.
constexpr DWORD MEM_COMMIT = 0x1000;
constexpr DWORD MEM_FREE = 0x10000;

struct MemoryRegion {
    ULONG_PTR BaseAddress = 0;
    ULONG_PTR AllocationBase = 0;  // for a mapped file: the start of its first mapping
    SIZE_T RegionSize = 0;
    DWORD State = MEM_FREE;
    bool readable = false;
    std::string path;              // the mapped file, empty for anonymous memory
};

// A picture of the process's address space taken once, so that a crash report can query
// thousands of addresses without reading the system's map each time.
class MemoryMap {
public:
    static MemoryMap Capture();
    // The region that contains `address` (or the free gap up to the next mapping). FALSE
    // when the address lies beyond the user address space.
    BOOL Query(ULONG_PTR address, MemoryRegion* region) const;
    // Copies memory when every byte of it is readable; FALSE (nothing copied) otherwise.
    BOOL Read(ULONG_PTR address, void* out, SIZE_T count) const;
    // The end (highest address) of the mapping that contains `stackPointer`, or 0.
    ULONG_PTR StackBaseOf(ULONG_PTR stackPointer) const;

    struct Mapping {
        ULONG_PTR start = 0, end = 0, offset = 0;
        bool readable = false;
        std::string path;
    };

private:
    std::vector<Mapping> m_mappings;  // ascending, non-overlapping
};

// The region that contains `address`, from a fresh picture of the address space.
BOOL VirtualQuery(ULONG_PTR address, MemoryRegion* region);
// The highest user address + 1.
ULONG_PTR UserAddressSpaceEnd();

// Copies memory when every byte of it is readable; FALSE (nothing copied) otherwise.
BOOL ReadMemory(ULONG_PTR address, void* out, SIZE_T count);

// The end (highest address) of the stack that contains `stackPointer`, or 0.
ULONG_PTR StackBaseOf(ULONG_PTR stackPointer);

struct SystemSummary {
    DWORD processors = 0;
    DWORD processorType = 0;       // 8664 for x86-64, as the Windows system information gives
    DWORD memoryLoad = 0;          // percent
    ULONGLONG totalPhys = 0, availPhys = 0;
    ULONGLONG totalPageFile = 0, availPageFile = 0;
    ULONGLONG totalVirtual = 0, availVirtual = 0;
};
SystemSummary QuerySystemSummary();

// Full path of the running program (UTF-8), empty when unknown.
std::string ProgramPath();
// Name of the user running the program, empty when unknown.
std::string UserName();
// Name and version numbers of the running operating system.
struct OsVersion {
    std::string name;
    DWORD major = 0, minor = 0, build = 0;
};
OsVersion QueryOsVersion();

// Identity of a loaded image: size of its mapped image and a checksum-like identifier (the
// first 32 bits of its build id; 0 without one).
struct ImageHeaders {
    ULONGLONG imageSize = 0;
    DWORD checksum = 0;
};
// FALSE when `base` does not start a valid executable image.
BOOL ReadImageHeaders(const MemoryMap& map, ULONG_PTR base, ImageHeaders* headers);

// A file written straight through to disk (the crash files), addressed by a host path.
class CrashFile {
public:
    explicit CrashFile(const std::string& hostPath);
    ~CrashFile();
    CrashFile(const CrashFile&) = delete;
    CrashFile& operator=(const CrashFile&) = delete;
    bool ok() const { return m_fd >= 0; }
    bool write(const void* bytes, SIZE_T count);

private:
    int m_fd = -1;
};

struct FileFacts {
    ULONGLONG size = 0;
    SYSTEMTIME lastWriteLocal{};
    DWORD lastWriteSeconds = 0;  // seconds since 1970, low 32 bits
};
BOOL QueryFileFacts(const std::string& hostPath, FileFacts* facts);

// Text for a debugger (standard error on this platform).
void OutputDebugStringA(const char* text);

// Thread id of the calling thread.
DWORD CurrentThreadId();

// The call stack of the current thread as text lines (best effort).
std::vector<std::string> CurrentBacktrace();

// The memory map of the process as text lines.
std::vector<std::string> MemoryMapLines();

}  // namespace plat
