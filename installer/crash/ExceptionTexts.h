// The texts a crash report gives for an exception code and for an operating-system version.
#pragma once

#include "platform/Win32Types.h"

// "an Integer Divide by Zero" and the like; "an Unknown exception type" for other codes.
const char* GetExceptionDescription(DWORD exceptionCode);

enum class OsPlatform { Windows9x, WindowsNT, WindowsCE, Other };

// The operating-system name of the report; "unknown Windows version" when no row matches.
const char* GetOperatingSystemName(OsPlatform platform, DWORD major, DWORD minor, DWORD build);
