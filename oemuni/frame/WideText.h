// UTF-16 text helpers of the plug-in: lengths of terminated strings, conversion to and from
// the ANSI code page, and the printf-style formatting behind the wide log.
#pragma once

#include <cstdarg>
#include <span>
#include <string>
#include <string_view>

#include "platform/Win32Types.h"

// Length of a terminated UTF-16 string (0 for nullptr).
size_t WideLength(const char16_t* s);

// Length of a UTF-16 string stored in a fixed buffer: stops at the terminator or the end.
size_t WideLength(std::span<const char16_t> s);

// UTF-16 -> ANSI code page (system code page), and back. Unmappable characters become '?'.
std::string WideToAnsi(std::u16string_view s);
std::u16string AnsiToWide(std::string_view s);

// ASCII text widened code unit by code unit (for formats and fixed names).
std::u16string WidenAscii(std::string_view s);

// printf-style formatting with a UTF-16 format. "%s", "%ls", "%ws" take UTF-16 strings,
// "%hs" and "%S" 8-bit strings (ANSI code page), "%c"/"%hc" characters; numeric conversions
// follow printf. A null string argument prints "(null)".
std::u16string FormatWideV(const char16_t* format, va_list args);
std::u16string FormatWide(const char16_t* format, ...);
