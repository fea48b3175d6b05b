// Profile (INI) files with the Windows rules.
#include "platform/Profile.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;
using plat::detail::EqualsNoCase;
using plat::detail::View;

namespace {

enum class Encoding { Ansi, Utf16, Utf8 };

struct ProfileFile {
    Encoding encoding = Encoding::Ansi;
    std::vector<std::u16string> lines;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == 0x0B || c == 0x0C; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

fs::path ProfilePath(std::u16string_view file) {
    if (file.find(u'\\') == std::u16string_view::npos && file.find(u'/') == std::u16string_view::npos)
        return plat::MapWindowsPath(plat::GetWindowsDirectoryString() + u"\\" + std::u16string(file));
    return plat::MapWindowsPath(file);
}

std::u16string DecodeAnsi(const char* s, size_t n) {
    if (n == 0) return {};
    std::u16string out(n, u'\0');
    const int got = MultiByteToWideChar(1252, 0, s, static_cast<int>(n), out.data(), static_cast<int>(n));
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::string EncodeAnsi(std::u16string_view s) {
    if (s.empty()) return {};
    std::string out(s.size() * 2, '\0');
    const int got = WideCharToMultiByte(1252, 0, s.data(), static_cast<int>(s.size()), out.data(),
                                        static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::optional<ProfileFile> Load(const fs::path& p) {
    std::string raw;
    if (p.empty() || plat::detail::ReadHostFile(p, raw) != 0) return std::nullopt;
    ProfileFile f;
    std::u16string text;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE) {
        f.encoding = Encoding::Utf16;
        for (size_t i = 2; i + 1 < raw.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                                 (static_cast<unsigned char>(raw[i + 1]) << 8)));
    } else if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        f.encoding = Encoding::Utf8;
        text = plat::FromUtf8(std::string_view(raw).substr(3));
    } else {
        text = DecodeAnsi(raw.data(), raw.size());
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        f.lines.push_back(std::move(line));
        start = end + 1;
    }
    return f;
}

bool IsSectionLine(std::u16string_view line, std::u16string_view* name) {
    line = Trim(line);
    if (line.empty() || line.front() != u'[') return false;
    line.remove_prefix(1);
    const size_t close = line.find(u']');
    if (name) *name = Trim(line.substr(0, close == std::u16string_view::npos ? line.size() : close));
    return true;
}

// Splits "key = value"; a line without '=' is a key with an empty value.
void SplitEntry(std::u16string_view line, std::u16string_view& key, std::u16string_view& value) {
    const size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) {
        key = Trim(line);
        value = {};
    } else {
        key = Trim(line.substr(0, eq));
        value = Trim(line.substr(eq + 1));
    }
}

// Index of the section's header line, or -1.
long FindSection(const ProfileFile& f, std::u16string_view section) {
    for (size_t i = 0; i < f.lines.size(); ++i) {
        std::u16string_view name;
        if (IsSectionLine(f.lines[i], &name) && EqualsNoCase(name, section)) return static_cast<long>(i);
    }
    return -1;
}

// [begin, end) of the lines after a section header up to the next header.
size_t SectionEnd(const ProfileFile& f, long header) {
    size_t i = static_cast<size_t>(header) + 1;
    while (i < f.lines.size() && !IsSectionLine(f.lines[i], nullptr)) ++i;
    return i;
}

long FindKey(const ProfileFile& f, long header, std::u16string_view key) {
    const size_t end = SectionEnd(f, header);
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        if (Trim(f.lines[i]).empty()) continue;
        std::u16string_view k, v;
        SplitEntry(f.lines[i], k, v);
        if (EqualsNoCase(k, key)) return static_cast<long>(i);
    }
    return -1;
}

// Copies a single string, cut to nSize - 1 characters.
DWORD CopyString(std::u16string_view s, LPWSTR buf, DWORD nSize) {
    const size_t n = s.size() < nSize - 1 ? s.size() : nSize - 1;
    if (n) std::memcpy(buf, s.data(), n * sizeof(char16_t));
    buf[n] = 0;
    return static_cast<DWORD>(n);
}

// Copies a list of terminated strings plus a final zero; a list that does not fit
// is cut and ends in two zeros, and the result is nSize - 2.
DWORD CopyList(const std::vector<std::u16string>& items, LPWSTR buf, DWORD nSize) {
    std::u16string all;
    for (auto& s : items) {
        all += s;
        all.push_back(0);
    }
    if (all.size() + 1 <= nSize) {
        if (!all.empty()) std::memcpy(buf, all.data(), all.size() * sizeof(char16_t));
        buf[all.size()] = 0;
        if (all.empty() && nSize > 1) buf[1] = 0;
        return static_cast<DWORD>(all.size());
    }
    if (nSize < 2) {
        buf[0] = 0;
        return 0;
    }
    if (nSize > 2) std::memcpy(buf, all.data(), (nSize - 2) * sizeof(char16_t));
    buf[nSize - 2] = 0;
    buf[nSize - 1] = 0;
    return nSize - 2;
}

DWORD CopyDefault(LPCWSTR lpDefault, LPWSTR buf, DWORD nSize) {
    std::u16string_view def = View(lpDefault);
    while (!def.empty() && def.back() == u' ') def.remove_suffix(1);
    return CopyString(def, buf, nSize);
}

std::u16string Unquote(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::u16string(v);
}

BOOL Save(const fs::path& p, const ProfileFile& f) {
    std::u16string text;
    for (auto& line : f.lines) {
        text += line;
        text += u"\r\n";
    }
    std::string bytes;
    switch (f.encoding) {
        case Encoding::Utf16:
            bytes = "\xFF\xFE";
            for (char16_t c : text) {
                bytes.push_back(static_cast<char>(c & 0xFF));
                bytes.push_back(static_cast<char>(c >> 8));
            }
            break;
        case Encoding::Utf8: bytes = "\xEF\xBB\xBF" + plat::ToUtf8(text); break;
        case Encoding::Ansi: bytes = EncodeAnsi(text); break;
    }
    if (int err = plat::detail::AtomicWriteFile(
            p, std::span(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()))) {
        SetLastError(plat::detail::ErrnoToWin32(err, true));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                               LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    const auto file = Load(ProfilePath(View(lpFileName)));
    if (!file) {
        if (lpAppName == nullptr || lpKeyName == nullptr) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return CopyList({}, lpReturnedString, nSize);
        }
        const DWORD n = CopyDefault(lpDefault, lpReturnedString, nSize);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return n;
    }
    if (lpAppName == nullptr) {
        std::vector<std::u16string> names;
        for (auto& line : file->lines) {
            std::u16string_view name;
            if (IsSectionLine(line, &name)) names.emplace_back(name);
        }
        SetLastError(ERROR_SUCCESS);
        return CopyList(names, lpReturnedString, nSize);
    }
    const long header = FindSection(*file, View(lpAppName));
    if (lpKeyName == nullptr) {
        std::vector<std::u16string> keys;
        if (header >= 0) {
            const size_t end = SectionEnd(*file, header);
            for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
                if (Trim(file->lines[i]).empty()) continue;
                std::u16string_view k, v;
                SplitEntry(file->lines[i], k, v);
                keys.emplace_back(k);
            }
        }
        SetLastError(header >= 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        return CopyList(keys, lpReturnedString, nSize);
    }
    const long line = header >= 0 ? FindKey(*file, header, View(lpKeyName)) : -1;
    if (line < 0) {
        const DWORD n = CopyDefault(lpDefault, lpReturnedString, nSize);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return n;
    }
    std::u16string_view k, v;
    SplitEntry(file->lines[static_cast<size_t>(line)], k, v);
    SetLastError(ERROR_SUCCESS);
    return CopyString(Unquote(v), lpReturnedString, nSize);
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    auto widen = [](LPCSTR s) -> std::optional<std::u16string> {
        if (s == nullptr) return std::nullopt;
        return DecodeAnsi(s, std::strlen(s));
    };
    const auto app = widen(lpAppName), key = widen(lpKeyName), def = widen(lpDefault), file = widen(lpFileName);
    std::u16string buf(nSize, u'\0');
    const DWORD n = GetPrivateProfileStringW(app ? app->c_str() : nullptr, key ? key->c_str() : nullptr,
                                             def ? def->c_str() : nullptr, buf.data(), nSize,
                                             file ? file->c_str() : u"");
    const DWORD saved = GetLastError();
    // Lists carry their zeros; one character is one byte in code page 1252.
    const size_t span = (lpAppName == nullptr || lpKeyName == nullptr) ? (n + 2 <= nSize ? n + 2 : nSize) : n + 1;
    const std::string bytes = EncodeAnsi(std::u16string_view(buf.data(), span));
    std::memcpy(lpReturnedString, bytes.data(), bytes.size() < nSize ? bytes.size() : nSize);
    SetLastError(saved);
    return n;
}

UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) {
    char16_t buf[256];
    const char16_t marker[] = {0xFFFF, 0};  // a default no file holds
    GetPrivateProfileStringW(lpAppName, lpKeyName, marker, buf, 256, lpFileName);
    if (buf[0] == 0xFFFF && buf[1] == 0) return static_cast<UINT>(nDefault);
    std::u16string_view s = Trim(buf);
    bool negative = false;
    if (!s.empty() && (s[0] == u'-' || s[0] == u'+')) {
        negative = s[0] == u'-';
        s.remove_prefix(1);
    }
    std::uint32_t v = 0;
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        for (size_t i = 2; i < s.size(); ++i) {
            const char16_t c = s[i];
            int d = -1;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
            if (d < 0) break;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
    } else {
        for (char16_t c : s) {
            if (c < u'0' || c > u'9') break;
            v = v * 10 + static_cast<std::uint32_t>(c - u'0');
        }
    }
    return negative ? static_cast<UINT>(0u - v) : v;
}

DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                LPCWSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    const auto file = Load(ProfilePath(View(lpFileName)));
    std::vector<std::u16string> entries;
    if (file) {
        const long header = FindSection(*file, View(lpAppName));
        if (header >= 0) {
            const size_t end = SectionEnd(*file, header);
            for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
                const auto line = Trim(file->lines[i]);
                if (!line.empty()) entries.emplace_back(line);
            }
        }
    }
    SetLastError(file ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    return CopyList(entries, lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                LPCWSTR lpFileName) {
    if (lpAppName == nullptr) {
        // All null: flush the (non-existent) cache.
        if (lpKeyName == nullptr && lpString == nullptr) return TRUE;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fs::path path = ProfilePath(View(lpFileName));
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    ProfileFile f = Load(path).value_or(ProfileFile{});
    const long header = FindSection(f, View(lpAppName));
    if (lpKeyName == nullptr) {  // delete the section
        if (header < 0) return TRUE;
        const size_t end = SectionEnd(f, header);
        f.lines.erase(f.lines.begin() + header, f.lines.begin() + static_cast<long>(end));
        return Save(path, f);
    }
    const long line = header >= 0 ? FindKey(f, header, View(lpKeyName)) : -1;
    if (lpString == nullptr) {  // delete the key
        if (line < 0) return TRUE;
        f.lines.erase(f.lines.begin() + line);
        return Save(path, f);
    }
    if (line >= 0) {
        std::u16string_view k, v;
        SplitEntry(f.lines[static_cast<size_t>(line)], k, v);
        f.lines[static_cast<size_t>(line)] = std::u16string(k) + u"=" + std::u16string(View(lpString));
        return Save(path, f);
    }
    const std::u16string entry = std::u16string(View(lpKeyName)) + u"=" + std::u16string(View(lpString));
    if (header < 0) {
        f.lines.push_back(u"[" + std::u16string(View(lpAppName)) + u"]");
        f.lines.push_back(entry);
        return Save(path, f);
    }
    // After the section's last non-blank line.
    size_t at = SectionEnd(f, header);
    while (at > static_cast<size_t>(header) + 1 && Trim(f.lines[at - 1]).empty()) --at;
    f.lines.insert(f.lines.begin() + static_cast<long>(at), entry);
    return Save(path, f);
}
