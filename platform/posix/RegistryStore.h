// The file store behind the registry calls: keys as folders, values as NAME.TYPE files.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Win32Types.h"

namespace plat::detail {

std::optional<std::u16string> TryUnescapeRegName(std::string_view fileName);

// File extension of a value type ("sz", "dword", ...; "type<N>" for other numbers).
std::string RegTypeExtension(DWORD type);
std::optional<DWORD> RegTypeFromExtension(std::string_view ext);

struct RegValueFile {
    std::filesystem::path path;
    std::u16string name;
    DWORD type = 0;
};

struct RegSubkey {
    std::filesystem::path path;
    std::u16string name;
};

// Subkeys and values of a key folder, sorted case-insensitively by name.
std::vector<RegSubkey> ListSubkeys(const std::filesystem::path& keyDir);
std::vector<RegValueFile> ListValues(const std::filesystem::path& keyDir);

// The value of that name (case-insensitive), if any.
std::optional<RegValueFile> FindValue(const std::filesystem::path& keyDir, std::u16string_view name);

// Walks keyDir\subPath (components split at '\'). With create, missing levels are
// made with the case given; *created tells whether the last level was new.
// Returns ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or another system error.
LONG WalkKeyPath(const std::filesystem::path& keyDir, std::u16string_view subPath, bool create,
                 std::filesystem::path& out, bool* created = nullptr);

// Reads a value's type and bytes. ERROR_FILE_NOT_FOUND when missing.
LONG ReadRegValue(const std::filesystem::path& keyDir, std::u16string_view name, DWORD& type,
                  std::vector<BYTE>& data);

// Writes a value (temporary file + rename), replacing one of any type with that name.
LONG WriteRegValue(const std::filesystem::path& keyDir, std::u16string_view name, DWORD type,
                   std::span<const BYTE> data);

// Deletes a value. ERROR_FILE_NOT_FOUND when missing.
LONG DeleteRegValue(const std::filesystem::path& keyDir, std::u16string_view name);

// The folder of a hive: <root>/registry/HKLM etc.
std::filesystem::path HiveFolder(const char* hive);

}  // namespace plat::detail
