// The plug-in's diagnostic log: a narrow and a wide log file per job (or per minute outside a
// job) in the log folder of the Windows drive. Logging is on when the library loads and is
// switched off for the rest of the process by a device whose settings byte 46 is 0.
#pragma once

#include "platform/Win32Types.h"

// printf-style narrow log line ("%s" takes 8-bit text).
void DebugLogA(const char* format, ...) __attribute__((format(printf, 1, 2)));
// printf-style wide log line; the format is UTF-16 and "%s"/"%ws" take UTF-16 strings,
// "%hs" 8-bit strings.
void DebugLogW(const char16_t* format, ...);

bool IsDebugLogEnabled();
// Switches logging off for the rest of the process and removes the diagnostic files.
void DisableDebugLog();
