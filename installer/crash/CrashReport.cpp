#include "installer/crash/CrashReport.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr ULONG_PTR kStackDumpLimit = 12288;

unsigned long long U64(ULONGLONG v) { return static_cast<unsigned long long>(v); }

// Rounds a byte count up to whole mebibytes.
int MBytes(ULONGLONG bytes) { return static_cast<int>((bytes + (1ull << 20) - 1) >> 20); }

}  // namespace

std::string FormatReportTime(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof(text), "%d/%d/%d %02d:%02d:%02d", t.wMonth, t.wDay, t.wYear, t.wHour,
                  t.wMinute, t.wSecond & ~1);
    return text;
}

void WriteReportHeader(ReportBuffer& out, const CrashFacts& f) {
    const std::string module = f.faultModuleName.empty() ? "Unknown" : f.faultModuleName;
    out.Printf("%s caused %s (0x%08x) \r\nin module %s at %04x:%08llx.\r\n\r\n", f.programName.c_str(),
               GetExceptionDescription(f.record.ExceptionCode), f.record.ExceptionCode, module.c_str(),
               f.context.SegCs, U64(reinterpret_cast<ULONG_PTR>(f.record.ExceptionAddress)));
    out.Printf("Exception handler called in %s.\r\n", "ExceptionAttacher - AfxWinMain");
}

void WriteSystemDetails(ReportBuffer& out, const CrashFacts& f) {
    out.Printf("Error occurred at %s.\r\n", FormatReportTime(f.localTime).c_str());
    out.Printf("%s, run by %s.\r\n", f.programPath.empty() ? "Unknown" : f.programPath.c_str(),
               f.userName.empty() ? "Unknown" : f.userName.c_str());
    const std::string osName = !f.osNameOverride.empty()
                                   ? f.osNameOverride
                                   : GetOperatingSystemName(f.osPlatform, f.osMajor, f.osMinor, f.osBuild);
    char version[48];
    std::snprintf(version, sizeof(version), "%u.%u.%u", f.osMajor, f.osMinor, f.osBuild & 0xFFFFu);
    out.Printf("Operating system:  %s (%s).\r\n", osName.c_str(), version);
    out.Printf("%d processor(s), type %d.\r\n", static_cast<int>(f.system.processors),
               static_cast<int>(f.system.processorType));
    out.Printf("%d%% memory in use.\r\n", static_cast<int>(f.system.memoryLoad));
    out.Printf("%d MBytes physical memory.\r\n", MBytes(f.system.totalPhys));
    out.Printf("%d MBytes physical memory free.\r\n", MBytes(f.system.availPhys));
    out.Printf("%d MBytes paging file.\r\n", MBytes(f.system.totalPageFile));
    out.Printf("%d MBytes paging file free.\r\n", MBytes(f.system.availPageFile));
    out.Printf("%d MBytes user address space.\r\n", MBytes(f.system.totalVirtual));
    out.Printf("%d MBytes user address space free.\r\n", MBytes(f.system.availVirtual));
}

void WriteAccessViolation(ReportBuffer& out, const CrashFacts& f) {
    if (f.record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || f.record.NumberParameters <= 1) return;
    out.Printf("%s location %08llx caused an access violation.\r\n",
               f.record.ExceptionInformation[0] != 0 ? "Write to" : "Read from",
               U64(f.record.ExceptionInformation[1]));
}

void WriteRegisters(ReportBuffer& out, const CrashFacts& f) {
    const CONTEXT& c = f.context;
    out.Add("\r\n");
    out.Add("Context:\r\n");
    out.Printf("RDI:    0x%08llx  RSI: 0x%08llx  RAX:   0x%08llx\r\n", U64(c.Rdi), U64(c.Rsi), U64(c.Rax));
    out.Printf("RBX:    0x%08llx  RCX: 0x%08llx  RDX:   0x%08llx\r\n", U64(c.Rbx), U64(c.Rcx), U64(c.Rdx));
    out.Printf("RIP:    0x%08llx  RBP: 0x%08llx  SegCs: 0x%08x\r\n", U64(c.Rip), U64(c.Rbp), c.SegCs);
    out.Printf("EFlags: 0x%08x  RSP: 0x%08llx  SegSs: 0x%08x\r\n", c.EFlags, U64(c.Rsp), c.SegSs);
    out.Printf("R8:     0x%08llx  R9:  0x%08llx  R10:   0x%08llx\r\n", U64(c.R8), U64(c.R9), U64(c.R10));
    out.Printf("R11:    0x%08llx  R12: 0x%08llx  R13:   0x%08llx\r\n", U64(c.R11), U64(c.R12), U64(c.R13));
    out.Printf("R14:    0x%08llx  R15: 0x%08llx\r\n", U64(c.R14), U64(c.R15));
}

void WriteCodeBytes(ReportBuffer& out, const CrashFacts& f) {
    out.Add("\r\nBytes at CS:RIP:\r\n");
    const auto ip = static_cast<ULONG_PTR>(f.context.Rip);
    for (ULONG_PTR i = 0; i < 16; ++i) {
        unsigned char byte = 0;
        if (f.readMemory && f.readMemory(ip + i, &byte, 1)) {
            out.Printf("%02x ", byte);
        } else {
            out.Add("?? ");
        }
    }
}

void WriteStackDump(ReportBuffer& out, const CrashFacts& f) {
    out.Add("\r\n\r\nStack:\r\n");
    const auto sp = static_cast<ULONG_PTR>(f.context.Rsp);
    const ULONG_PTR top = std::min<ULONG_PTR>(f.stackBase, sp + kStackDumpLimit);
    ULONG_PTR address = sp;
    while (address < top) {
        std::string line;
        char piece[32];
        std::snprintf(piece, sizeof(piece), "0x%08llx: ", U64(address));
        line += piece;
        std::string chars;
        int words = 0;
        for (; words < 4 && address < top; ++words, address += 4) {
            unsigned char bytes[4];
            if (!f.readMemory || !f.readMemory(address, bytes, 4)) {
                out.Add(line);
                out.Add("Exception encountered during stack dump.\r\n");
                return;
            }
            const DWORD word = DWORD(bytes[0]) | (DWORD(bytes[1]) << 8) | (DWORD(bytes[2]) << 16) |
                               (DWORD(bytes[3]) << 24);
            std::snprintf(piece, sizeof(piece), "%08x ", word);
            line += piece;
            for (unsigned char b : bytes) chars.push_back(b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.');
        }
        for (; words < 4; ++words) line += "         ";
        line += chars;
        line += "\r\n";
        out.Add(line);
    }
    out.Add("\r\n");
}

void WriteReportTrailer(ReportBuffer& out) { out.Printf("\r\n===== [end of %s] =====\r\n", "ERRORLOG.TXT"); }
