// Clock services with an injectable local time (the print host's --time, tests).
// The local time zone is the host's (TZ), so tests may set TZ too.
#pragma once

#include <optional>

#include "platform/Win32Types.h"

// Current local time (or the override, when set).
void GetLocalTime(SYSTEMTIME* lpSystemTime);

// Current UTC time (with an override: the override taken as local time, in UTC).
void GetSystemTime(SYSTEMTIME* lpSystemTime);

// Milliseconds since an arbitrary start (monotonic), wrapping at 2^32.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

// FILETIME <-> SYSTEMTIME (both UTC). FALSE for values out of range.
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime);
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, SYSTEMTIME* lpSystemTime);

namespace plat {

// Freezes the local time at the given value (wDayOfWeek is recomputed), or, with
// nullopt, returns to the real clock. Process-wide.
void SetLocalTimeOverride(std::optional<SYSTEMTIME> localTime);

// Parses "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DDTHH:MM:SS[.mmm]" into a SYSTEMTIME.
std::optional<SYSTEMTIME> ParseTime(const char* text);

}  // namespace plat
