// Code-page conversions of captured text and names.
#pragma once

#include <span>

#include "platform/Win32Types.h"

// Zeroes `out`, then converts the terminated UTF-16 `wide` into code page `codePage` (0 is
// the system ANSI code page). Returns the bytes written including the terminator, or 0 when
// they would not fit into `out` or the conversion fails.
DWORD ConvertWideToMultiByte(const char16_t* wide, std::span<BYTE> out, UINT codePage);

// Zeroes `out`, then converts the terminated UTF-8 `utf8` to UTF-16. Returns the UTF-16
// units written including the terminator, or 0 when more than out.size() units are needed
// (callers pass 256 units, a 512-byte buffer).
DWORD ConvertUtf8ToWide(const char* utf8, std::span<char16_t> out);
