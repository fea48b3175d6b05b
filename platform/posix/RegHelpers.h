// Small typed helpers over the registry for the stand-in services (not part of the
// platform interface). Every path is below HKEY_LOCAL_MACHINE.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace plat::reg {

bool KeyExists(std::u16string_view path);
bool CreateKey(std::u16string_view path);
LONG DeleteTree(std::u16string_view path);

std::optional<DWORD> ReadDword(std::u16string_view path, std::u16string_view name);
DWORD ReadDword(std::u16string_view path, std::u16string_view name, DWORD fallback);
std::optional<std::u16string> ReadString(std::u16string_view path, std::u16string_view name);
std::vector<std::u16string> ReadMultiString(std::u16string_view path, std::u16string_view name);

// Strings are stored with their terminator, as the system's own writers do.
LONG WriteDword(std::u16string_view path, std::u16string_view name, DWORD value);
LONG WriteString(std::u16string_view path, std::u16string_view name, std::u16string_view value);
LONG WriteMultiString(std::u16string_view path, std::u16string_view name,
                      const std::vector<std::u16string>& values);
LONG DeleteValue(std::u16string_view path, std::u16string_view name);

// Names of the subkeys / values of a key, in the registry's (sorted) order.
std::vector<std::u16string> SubKeys(std::u16string_view path);
std::vector<std::u16string> ValueNames(std::u16string_view path);

std::u16string Join(std::u16string_view a, std::u16string_view b);

}  // namespace plat::reg
