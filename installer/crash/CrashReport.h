// The sections of "ERRORLOG.TXT", each written from plain facts so that the text can be
// checked without crashing anything.
#pragma once

#include <functional>
#include <string>

#include "installer/crash/ExceptionTexts.h"
#include "installer/crash/ReportBuffer.h"
#include "platform/Exceptions.h"

struct CrashFacts {
    std::string programName;      // file name without folder and extension
    std::string programPath;      // full path, empty when unknown
    std::string userName;         // empty when unknown
    std::string faultModuleName;  // file name of the module holding the faulting instruction; empty = unknown
    EXCEPTION_RECORD record{};
    CONTEXT context{};
    SYSTEMTIME localTime{};
    OsPlatform osPlatform = OsPlatform::Other;
    std::string osNameOverride;   // this platform's own name when it is not a Windows
    DWORD osMajor = 0, osMinor = 0, osBuild = 0;
    plat::SystemSummary system{};
    ULONG_PTR stackBase = 0;
    // Reads memory of the crashed process; false when the bytes cannot be read.
    std::function<bool(ULONG_PTR address, void* out, size_t count)> readMemory;
};

// "%d/%d/%d %02d:%02d:%02d" with the seconds in steps of two.
std::string FormatReportTime(const SYSTEMTIME& t);

void WriteReportHeader(ReportBuffer& out, const CrashFacts& facts);          // sections 1 and 2
void WriteSystemDetails(ReportBuffer& out, const CrashFacts& facts);         // section 3
void WriteAccessViolation(ReportBuffer& out, const CrashFacts& facts);       // section 4
void WriteRegisters(ReportBuffer& out, const CrashFacts& facts);             // section 5
void WriteCodeBytes(ReportBuffer& out, const CrashFacts& facts);             // section 6
void WriteStackDump(ReportBuffer& out, const CrashFacts& facts);             // section 7
void WriteReportTrailer(ReportBuffer& out);                                  // section 9
