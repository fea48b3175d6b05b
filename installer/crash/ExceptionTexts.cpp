#include "installer/crash/ExceptionTexts.h"

#include "platform/Exceptions.h"

const char* GetExceptionDescription(DWORD exceptionCode) {
    struct Row {
        DWORD code;
        const char* text;
    };
    static constexpr Row kRows[] = {
        {EXCEPTION_CONTROL_C, "a Control-C"},
        {EXCEPTION_CONTROL_BREAK, "a Control-Break"},
        {EXCEPTION_DATATYPE_MISALIGNMENT, "a Datatype Misalignment"},
        {EXCEPTION_BREAKPOINT, "a Breakpoint"},
        {EXCEPTION_ACCESS_VIOLATION, "an Access Violation"},
        {EXCEPTION_IN_PAGE_ERROR, "an In Page Error"},
        {EXCEPTION_NO_MEMORY, "a No Memory"},
        {EXCEPTION_ILLEGAL_INSTRUCTION, "an Illegal Instruction"},
        {EXCEPTION_NONCONTINUABLE_EXCEPTION, "a Noncontinuable Exception"},
        {EXCEPTION_INVALID_DISPOSITION, "an Invalid Disposition"},
        {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "a Array Bounds Exceeded"},
        {EXCEPTION_FLT_DENORMAL_OPERAND, "a Float Denormal Operand"},
        {EXCEPTION_FLT_DIVIDE_BY_ZERO, "a Float Divide by Zero"},
        {EXCEPTION_FLT_INEXACT_RESULT, "a Float Inexact Result"},
        {EXCEPTION_FLT_INVALID_OPERATION, "a Float Invalid Operation"},
        {EXCEPTION_FLT_OVERFLOW, "a Float Overflow"},
        {EXCEPTION_FLT_STACK_CHECK, "a Float Stack Check"},
        {EXCEPTION_FLT_UNDERFLOW, "a Float Underflow"},
        {EXCEPTION_INT_DIVIDE_BY_ZERO, "an Integer Divide by Zero"},
        {EXCEPTION_INT_OVERFLOW, "an Integer Overflow"},
        {EXCEPTION_PRIV_INSTRUCTION, "a Privileged Instruction"},
        {EXCEPTION_STACK_OVERFLOW, "a Stack Overflow"},
        {EXCEPTION_DLL_INIT_FAILED, "a DLL Initialization Failed"},
        {EXCEPTION_MSVC_CPP, "a Microsoft C++ Exception"},
    };
    for (const Row& row : kRows) {
        if (row.code == exceptionCode) return row.text;
    }
    return "an Unknown exception type";
}

const char* GetOperatingSystemName(OsPlatform platform, DWORD major, DWORD minor, DWORD build) {
    const char* name = "unknown Windows version";
    switch (platform) {
    case OsPlatform::Windows9x:
        if (major != 4) break;
        if (minor < 10) {
            if (build == 950) name = "Windows 95";
            else if (build >= 951 && build <= 1080) name = "Windows 95 SP1";
            else if (build > 1080) name = "Windows 95 OSR2";
        } else if (minor == 10) {
            if (build == 1998) name = "Windows 98";
            else if (build >= 1999 && build <= 2182) name = "Windows 98 SP1";
            else if (build >= 2183) name = "Windows 98 SE";
        } else if (minor == 90) {
            name = "Windows ME";
        }
        break;
    case OsPlatform::WindowsNT:
        if (major == 3 && minor == 51) name = "Windows NT 3.51";
        else if (major == 4 && minor == 0) name = "Windows NT 4";
        else if (major == 5 && minor == 0) name = "Windows 2000";
        else if (major == 5 && minor == 1) name = "Windows XP";
        else if (major == 5 && minor == 2) name = "Windows 2003 Server";
        break;
    case OsPlatform::WindowsCE:
        name = "Windows CE";
        break;
    case OsPlatform::Other:
        break;
    }
    return name;
}
