// The registry, kept as files in the machine root:
//   <root>/registry/HKLM/<key>/<subkey>/...   a key is a folder
//   <key folder>/<value name>.<type>          a value is a file holding exactly the
//                                             bytes Windows stores
// TYPE is one of sz, expand_sz, multi_sz, binary, dword, qword, none. Key and value
// names are matched case-insensitively and created with the case first given.
// Characters a file name cannot hold portably (\ / : * ? " < > | %, control
// characters, and the names "." and "..") are written as %XX escapes.
// Writes go to a temporary file renamed into place.
#pragma once

#include <string>
#include <string_view>

#include "platform/Win32Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens or creates hKey\lpSubKey (all missing levels). *lpdwDisposition, when given,
// tells REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. Reserved, lpClass and
// lpSecurityAttributes are ignored; KEY_WOW64_* flags are accepted and ignored
// (there is one 64-bit view).
LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                     DWORD dwOptions, REGSAM samDesired, void* lpSecurityAttributes,
                     PHKEY phkResult, DWORD* lpdwDisposition);

// Opens an existing key (ERROR_FILE_NOT_FOUND when missing). A null or empty
// lpSubKey opens a new handle to hKey itself.
LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult);

// Closes a key handle (predefined keys are accepted and ignored).
LONG RegCloseKey(HKEY hKey);

// Reads a value. lpData null: only *lpcbData (size) and *lpType are set.
// Buffer too small: ERROR_MORE_DATA with *lpcbData = size needed. Missing value:
// ERROR_FILE_NOT_FOUND. lpValueName null or empty = the key's default value.
LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData);

// Writes a value with exactly the given bytes (replacing a value of any type with
// the same name). Needs KEY_SET_VALUE access on hKey (ERROR_ACCESS_DENIED).
LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData);

// Deletes a value (ERROR_FILE_NOT_FOUND when missing).
LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has subkeys,
// ERROR_FILE_NOT_FOUND when missing).
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

// Same, with a view selection (ignored: one 64-bit view).
LONG RegDeleteKeyExW(HKEY hKey, LPCWSTR lpSubKey, REGSAM samDesired, DWORD Reserved);

// Deletes a key with all its subkeys and values; a null lpSubKey deletes the
// subkeys and values of hKey itself but keeps hKey.
LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

// Deletes hKey\pszSubKey with everything below it (shell flavour of RegDeleteTreeW).
LONG SHDeleteKeyW(HKEY hKey, LPCWSTR pszSubKey);

// Subkey number dwIndex (sorted case-insensitively). *lpcchName in: buffer size in
// characters, out: length without terminator. ERROR_NO_MORE_ITEMS past the end,
// ERROR_MORE_DATA when the name does not fit. lpClass, lpcchClass, lpftLastWriteTime
// may be null (class is always empty).
LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName,
                   DWORD* lpReserved, LPWSTR lpClass, DWORD* lpcchClass,
                   FILETIME* lpftLastWriteTime);

// Value number dwIndex (sorted case-insensitively): name, type and data as
// RegQueryValueExW gives them.
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, DWORD* lpcchValueName,
                   DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);

// Number of subkeys and values and the longest names/data (any pointer may be null).
LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, DWORD* lpcchClass, DWORD* lpReserved,
                      DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                      DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                      DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);

// RAII owner of an HKEY (RegCloseKey on destruction).
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY h) : m_h(h) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& o) noexcept : m_h(o.release()) {}
    RegKey& operator=(RegKey&& o) noexcept;
    ~RegKey() { reset(); }

    HKEY get() const { return m_h; }
    HKEY* put() { reset(); return &m_h; }  // for RegOpenKeyExW(..., key.put())
    explicit operator bool() const { return m_h != nullptr; }
    HKEY release() { HKEY h = m_h; m_h = nullptr; return h; }
    void reset(HKEY h = nullptr);

private:
    HKEY m_h = nullptr;
};

namespace plat {

// The host folder of an open key (for diagnostics and tests); empty for a bad handle.
std::string RegKeyFolder(HKEY hKey);

// Convenience for tests and seeding: writes a REG_SZ (terminated UTF-16LE) or
// REG_DWORD value under HKLM\keyPath, creating the key.
LONG RegWriteString(HKEY root, std::u16string_view keyPath, std::u16string_view name,
                    std::u16string_view value);
LONG RegWriteDword(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD value);

// Escaping of key and value names into host file names and back.
std::string EscapeRegName(std::u16string_view name);
std::u16string UnescapeRegName(std::string_view fileName);

}  // namespace plat
