// Decisions on font family names (UTF-8).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/Win32Types.h"

// Position of the first occurrence of `pattern` in `text`, comparing after conversion to
// upper case (C locale); none when either is empty or there is no occurrence.
std::optional<std::size_t> FindSubstringNoCase(std::string_view text, std::string_view pattern);

// The record type of a device font: 3 for exactly "FontControl" or "Control", 4 for exactly
// "FontControlA", 1 for a resident character font, 2 for anything else (barcode candidates).
DWORD GetDeviceFontType(const char* familyName);
