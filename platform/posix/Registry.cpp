// The registry calls over the file store of RegistryStore.
#include "platform/Registry.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/posix/Internal.h"
#include "platform/posix/RegistryStore.h"

namespace fs = std::filesystem;
using namespace plat::detail;

namespace {

struct KeyObject {
    fs::path dir;
    REGSAM access = 0;
};

HandleTable<KeyObject>& Keys() {
    static HandleTable<KeyObject> table(0x20000);
    return table;
}

const char* PredefinedHive(HKEY h) {
    switch (reinterpret_cast<std::uintptr_t>(h)) {
        case 0x80000000u: return "HKCR";
        case 0x80000001u: return "HKCU";
        case 0x80000002u: return "HKLM";
        case 0x80000003u: return "HKU";
        default: return nullptr;
    }
}

// The folder and access of a key handle; nullopt for an unknown handle.
std::optional<KeyObject> Resolve(HKEY h) {
    if (const char* hive = PredefinedHive(h)) {
        try {
            return KeyObject{HiveFolder(hive), KEY_ALL_ACCESS};
        } catch (const std::exception&) {
            return std::nullopt;  // no machine root
        }
    }
    if (auto k = Keys().Get(h)) return *k;
    return std::nullopt;
}

bool FolderExists(const fs::path& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Resolves a handle for an operation: ERROR_INVALID_HANDLE, ERROR_KEY_DELETED
// (the key's folder is gone) or ERROR_ACCESS_DENIED when `need` is not granted.
LONG Use(HKEY h, REGSAM need, KeyObject& out, bool mustExist = true) {
    auto k = Resolve(h);
    if (!k) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (need != 0 && (k->access & need) != need) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (mustExist && !FolderExists(k->dir)) {
        return static_cast<LONG>(PredefinedHive(h) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED);
    }
    out = std::move(*k);
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG CopyName(const std::u16string& name, LPWSTR buf, DWORD* cch) {
    if (cch == nullptr || buf == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (name.size() + 1 > *cch) return static_cast<LONG>(ERROR_MORE_DATA);
    std::memcpy(buf, name.data(), name.size() * sizeof(char16_t));
    buf[name.size()] = 0;
    *cch = static_cast<DWORD>(name.size());
    return static_cast<LONG>(ERROR_SUCCESS);
}

// Windows sizes the answer like this: no buffer = size only; too small = MORE_DATA.
LONG CopyData(const std::vector<BYTE>& data, BYTE* out, DWORD* cb) {
    if (out != nullptr && cb == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (cb == nullptr) return static_cast<LONG>(ERROR_SUCCESS);
    const DWORD size = static_cast<DWORD>(data.size());
    if (out == nullptr) {
        *cb = size;
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    if (*cb < size) {
        *cb = size;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (size) std::memcpy(out, data.data(), size);
    *cb = size;
    return static_cast<LONG>(ERROR_SUCCESS);
}

bool HasSubkeyPath(std::u16string_view sub) {
    for (char16_t c : sub)
        if (c != u'\\') return true;
    return false;
}

}  // namespace

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/,
                     DWORD /*dwOptions*/, REGSAM samDesired, void* /*lpSecurityAttributes*/,
                     PHKEY phkResult, DWORD* lpdwDisposition) {
    if (phkResult == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    KeyObject parent;
    if (LONG rc = Use(hKey, 0, parent, false)) return rc;
    const std::u16string_view sub = View(lpSubKey);
    fs::path dir;
    // Opening what exists needs no right on the parent; creating needs KEY_CREATE_SUB_KEY.
    bool created = false;
    LONG rc = WalkKeyPath(parent.dir, sub, false, dir);
    if (rc == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
        if (!PredefinedHive(hKey) && !(parent.access & KEY_CREATE_SUB_KEY))
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        rc = WalkKeyPath(parent.dir, sub, true, dir, &created);
        created = true;
    }
    if (rc != 0) return rc;
    samDesired &= ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    *phkResult = static_cast<HKEY>(Keys().Add(std::make_shared<KeyObject>(KeyObject{dir, samDesired})));
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                   PHKEY phkResult) {
    if (phkResult == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    KeyObject parent;
    if (LONG rc = Use(hKey, 0, parent)) return rc;
    fs::path dir = parent.dir;
    if (HasSubkeyPath(View(lpSubKey))) {
        if (LONG rc = WalkKeyPath(parent.dir, View(lpSubKey), false, dir)) return rc;
    }
    samDesired &= ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    *phkResult = static_cast<HKEY>(Keys().Add(std::make_shared<KeyObject>(KeyObject{dir, samDesired})));
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegCloseKey(HKEY hKey) {
    if (PredefinedHive(hKey)) return static_cast<LONG>(ERROR_SUCCESS);
    return Keys().Remove(hKey) ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* /*lpReserved*/, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_QUERY_VALUE, key)) return rc;
    if (lpData != nullptr && lpcbData == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    DWORD type = 0;
    std::vector<BYTE> data;
    if (LONG rc = ReadRegValue(key.dir, View(lpValueName), type, data)) return rc;
    if (lpType) *lpType = type;
    return CopyData(data, lpData, lpcbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_SET_VALUE, key)) return rc;
    if (lpData == nullptr && cbData != 0) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    return WriteRegValue(key.dir, View(lpValueName), dwType,
                         std::span<const BYTE>(lpData, lpData ? cbData : 0));
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_SET_VALUE, key)) return rc;
    return DeleteRegValue(key.dir, View(lpValueName));
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    KeyObject parent;
    if (LONG rc = Use(hKey, 0, parent)) return rc;
    if (lpSubKey == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    fs::path dir;
    if (LONG rc = WalkKeyPath(parent.dir, View(lpSubKey), false, dir)) return rc;
    if (dir == parent.dir && PredefinedHive(hKey)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (!ListSubkeys(dir).empty()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ec ? static_cast<LONG>(ErrnoToWin32(ec.value())) : static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegDeleteKeyExW(HKEY hKey, LPCWSTR lpSubKey, REGSAM /*samDesired*/, DWORD /*Reserved*/) {
    return RegDeleteKeyW(hKey, lpSubKey);
}

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    KeyObject parent;
    if (LONG rc = Use(hKey, 0, parent)) return rc;
    std::error_code ec;
    if (lpSubKey == nullptr || !HasSubkeyPath(View(lpSubKey))) {
        // Empty the key itself, keep it.
        for (auto& e : fs::directory_iterator(parent.dir, ec)) fs::remove_all(e.path(), ec);
        return ec ? static_cast<LONG>(ErrnoToWin32(ec.value())) : static_cast<LONG>(ERROR_SUCCESS);
    }
    fs::path dir;
    if (LONG rc = WalkKeyPath(parent.dir, View(lpSubKey), false, dir)) return rc;
    fs::remove_all(dir, ec);
    return ec ? static_cast<LONG>(ErrnoToWin32(ec.value())) : static_cast<LONG>(ERROR_SUCCESS);
}

LONG SHDeleteKeyW(HKEY hKey, LPCWSTR pszSubKey) {
    if (pszSubKey == nullptr || !HasSubkeyPath(View(pszSubKey)))
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    return RegDeleteTreeW(hKey, pszSubKey);
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName, DWORD* /*lpReserved*/,
                   LPWSTR lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_ENUMERATE_SUB_KEYS, key)) return rc;
    const auto subs = ListSubkeys(key.dir);
    if (dwIndex >= subs.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    if (LONG rc = CopyName(subs[dwIndex].name, lpName, lpcchName)) return rc;
    if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) {
        struct stat st{};
        ::stat(subs[dwIndex].path.c_str(), &st);
        const std::uint64_t ft = (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                                 static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
        lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(ft);
        lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(ft >> 32);
    }
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, DWORD* lpcchValueName,
                   DWORD* /*lpReserved*/, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_QUERY_VALUE, key)) return rc;
    const auto values = ListValues(key.dir);
    if (dwIndex >= values.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    if (LONG rc = CopyName(values[dwIndex].name, lpValueName, lpcchValueName)) return rc;
    if (lpType) *lpType = values[dwIndex].type;
    if (lpcbData == nullptr && lpData == nullptr) return static_cast<LONG>(ERROR_SUCCESS);
    std::string bytes;
    if (int err = ReadHostFile(values[dwIndex].path, bytes)) return static_cast<LONG>(ErrnoToWin32(err));
    return CopyData(std::vector<BYTE>(bytes.begin(), bytes.end()), lpData, lpcbData);
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, DWORD* lpcchClass, DWORD* /*lpReserved*/,
                      DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                      DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                      DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    KeyObject key;
    if (LONG rc = Use(hKey, KEY_QUERY_VALUE, key)) return rc;
    const auto subs = ListSubkeys(key.dir);
    const auto values = ListValues(key.dir);
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (auto& s : subs) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(s.name.size()));
    for (auto& v : values) {
        maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
        std::error_code ec;
        const auto size = fs::file_size(v.path, ec);
        if (!ec) maxData = std::max<DWORD>(maxData, static_cast<DWORD>(size));
    }
    if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subs.size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSub;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(values.size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return static_cast<LONG>(ERROR_SUCCESS);
}

RegKey& RegKey::operator=(RegKey&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
}

void RegKey::reset(HKEY h) {
    if (m_h != nullptr) RegCloseKey(m_h);
    m_h = h;
}

namespace plat {

std::string RegKeyFolder(HKEY hKey) {
    auto k = Resolve(hKey);
    return k ? k->dir.string() : std::string();
}

LONG RegWriteString(HKEY root, std::u16string_view keyPath, std::u16string_view name,
                    std::u16string_view value) {
    RegKey key;
    const std::u16string path(keyPath), valueName(name);
    if (LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr))
        return rc;
    std::vector<BYTE> bytes((value.size() + 1) * 2, 0);
    for (size_t i = 0; i < value.size(); ++i) {
        bytes[2 * i] = static_cast<BYTE>(value[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(value[i] >> 8);
    }
    return RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

LONG RegWriteDword(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD value) {
    RegKey key;
    const std::u16string path(keyPath), valueName(name);
    if (LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr))
        return rc;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD, bytes, 4);
}

}  // namespace plat
