#include "platform/posix/RegHelpers.h"

namespace plat::reg {

namespace {

RegKey Open(std::u16string_view path, REGSAM access) {
    RegKey key;
    const std::u16string p(path);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

RegKey Create(std::u16string_view path) {
    RegKey key;
    const std::u16string p(path);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

std::optional<std::vector<BYTE>> ReadRaw(std::u16string_view path, std::u16string_view name,
                                         DWORD* type) {
    RegKey key = Open(path, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const std::u16string n(name);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), n.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.get(), n.c_str(), nullptr, type, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

std::u16string FromUtf16Le(const std::vector<BYTE>& data) {
    std::u16string s;
    s.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        s.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return s;
}

void AppendUtf16Le(std::vector<BYTE>& out, std::u16string_view s) {
    for (char16_t c : s) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

LONG WriteRaw(std::u16string_view path, std::u16string_view name, DWORD type,
              const std::vector<BYTE>& data) {
    RegKey key = Create(path);
    if (!key) return ERROR_ACCESS_DENIED;
    const std::u16string n(name);
    return RegSetValueExW(key.get(), n.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

}  // namespace

std::u16string Join(std::u16string_view a, std::u16string_view b) {
    std::u16string s(a);
    if (!s.empty() && s.back() != u'\\') s.push_back(u'\\');
    s.append(b);
    return s;
}

bool KeyExists(std::u16string_view path) { return static_cast<bool>(Open(path, KEY_READ)); }

bool CreateKey(std::u16string_view path) { return static_cast<bool>(Create(path)); }

LONG DeleteTree(std::u16string_view path) {
    const std::u16string p(path);
    return SHDeleteKeyW(HKEY_LOCAL_MACHINE, p.c_str());
}

std::optional<DWORD> ReadDword(std::u16string_view path, std::u16string_view name) {
    DWORD type = 0;
    auto data = ReadRaw(path, name, &type);
    if (!data || data->size() < 4) return std::nullopt;
    const auto& d = *data;
    return static_cast<DWORD>(d[0] | (d[1] << 8) | (d[2] << 16) |
                              (static_cast<DWORD>(d[3]) << 24));
}

DWORD ReadDword(std::u16string_view path, std::u16string_view name, DWORD fallback) {
    return ReadDword(path, name).value_or(fallback);
}

std::optional<std::u16string> ReadString(std::u16string_view path, std::u16string_view name) {
    DWORD type = 0;
    auto data = ReadRaw(path, name, &type);
    if (!data) return std::nullopt;
    std::u16string s = FromUtf16Le(*data);
    const auto end = s.find(u'\0');
    if (end != std::u16string::npos) s.resize(end);
    return s;
}

std::vector<std::u16string> ReadMultiString(std::u16string_view path, std::u16string_view name) {
    std::vector<std::u16string> out;
    DWORD type = 0;
    auto data = ReadRaw(path, name, &type);
    if (!data) return out;
    const std::u16string s = FromUtf16Le(*data);
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find(u'\0', start);
        if (end == std::u16string::npos) end = s.size();
        if (end == start) break;
        out.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

LONG WriteDword(std::u16string_view path, std::u16string_view name, DWORD value) {
    const std::vector<BYTE> data{static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                 static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return WriteRaw(path, name, REG_DWORD, data);
}

LONG WriteString(std::u16string_view path, std::u16string_view name, std::u16string_view value) {
    std::vector<BYTE> data;
    AppendUtf16Le(data, value);
    data.push_back(0);
    data.push_back(0);
    return WriteRaw(path, name, REG_SZ, data);
}

LONG WriteMultiString(std::u16string_view path, std::u16string_view name,
                      const std::vector<std::u16string>& values) {
    std::vector<BYTE> data;
    for (const auto& v : values) {
        AppendUtf16Le(data, v);
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(0);
    return WriteRaw(path, name, REG_MULTI_SZ, data);
}

LONG DeleteValue(std::u16string_view path, std::u16string_view name) {
    RegKey key = Open(path, KEY_ALL_ACCESS);
    if (!key) return ERROR_FILE_NOT_FOUND;
    const std::u16string n(name);
    return RegDeleteValueW(key.get(), n.c_str());
}

std::vector<std::u16string> SubKeys(std::u16string_view path) {
    std::vector<std::u16string> out;
    RegKey key = Open(path, KEY_READ);
    if (!key) return out;
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD len = 512;
        if (RegEnumKeyExW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        out.emplace_back(name, len);
    }
    return out;
}

std::vector<std::u16string> ValueNames(std::u16string_view path) {
    std::vector<std::u16string> out;
    RegKey key = Open(path, KEY_READ);
    if (!key) return out;
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD len = 512;
        if (RegEnumValueW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        out.emplace_back(name, len);
    }
    return out;
}

}  // namespace plat::reg
