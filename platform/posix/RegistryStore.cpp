#include "platform/posix/RegistryStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;

namespace plat::detail {

std::string RegTypeExtension(DWORD type) {
    switch (type) {
        case REG_NONE: return "none";
        case REG_SZ: return "sz";
        case REG_EXPAND_SZ: return "expand_sz";
        case REG_BINARY: return "binary";
        case REG_DWORD: return "dword";
        case REG_MULTI_SZ: return "multi_sz";
        case REG_QWORD: return "qword";
        default: return "type" + std::to_string(type);
    }
}

std::optional<DWORD> RegTypeFromExtension(std::string_view ext) {
    if (ext == "none") return REG_NONE;
    if (ext == "sz") return REG_SZ;
    if (ext == "expand_sz") return REG_EXPAND_SZ;
    if (ext == "binary") return REG_BINARY;
    if (ext == "dword") return REG_DWORD;
    if (ext == "multi_sz") return REG_MULTI_SZ;
    if (ext == "qword") return REG_QWORD;
    if (ext.size() > 4 && ext.starts_with("type")) {
        DWORD v = 0;
        for (char c : ext.substr(4)) {
            if (c < '0' || c > '9') return std::nullopt;
            v = v * 10 + static_cast<DWORD>(c - '0');
        }
        return v;
    }
    return std::nullopt;
}

std::vector<RegSubkey> ListSubkeys(const fs::path& keyDir) {
    std::vector<RegSubkey> out;
    std::error_code ec;
    for (fs::directory_iterator it(keyDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sec;
        if (!it->is_directory(sec)) continue;
        auto name = TryUnescapeRegName(it->path().filename().string());
        if (!name) continue;
        out.push_back({it->path(), std::move(*name)});
    }
    std::sort(out.begin(), out.end(),
              [](const RegSubkey& a, const RegSubkey& b) { return CompareNoCase(a.name, b.name) < 0; });
    return out;
}

namespace {
std::optional<RegValueFile> ParseValueFile(const fs::path& p) {
    const std::string file = p.filename().string();
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    auto type = RegTypeFromExtension(std::string_view(file).substr(dot + 1));
    if (!type) return std::nullopt;
    auto name = TryUnescapeRegName(std::string_view(file).substr(0, dot));
    if (!name) return std::nullopt;
    return RegValueFile{p, std::move(*name), *type};
}
}  // namespace

std::vector<RegValueFile> ListValues(const fs::path& keyDir) {
    std::vector<RegValueFile> out;
    std::error_code ec;
    for (fs::directory_iterator it(keyDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sec;
        if (!it->is_regular_file(sec)) continue;
        if (auto v = ParseValueFile(it->path())) out.push_back(std::move(*v));
    }
    std::sort(out.begin(), out.end(), [](const RegValueFile& a, const RegValueFile& b) {
        return CompareNoCase(a.name, b.name) < 0;
    });
    return out;
}

std::optional<RegValueFile> FindValue(const fs::path& keyDir, std::u16string_view name) {
    std::error_code ec;
    for (fs::directory_iterator it(keyDir, ec), end; !ec && it != end; it.increment(ec)) {
        auto v = ParseValueFile(it->path());
        if (!v || !EqualsNoCase(v->name, name)) continue;
        std::error_code sec;
        if (!it->is_regular_file(sec)) continue;
        return v;
    }
    return std::nullopt;
}

LONG WalkKeyPath(const fs::path& keyDir, std::u16string_view subPath, bool create, fs::path& out,
                 bool* created) {
    if (created) *created = false;
    fs::path cur = keyDir;
    struct stat st{};
    if (::stat(cur.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (!create) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        std::error_code ec;
        fs::create_directories(cur, ec);
        if (ec) return static_cast<LONG>(ErrnoToWin32(ec.value()));
    }
    size_t i = 0;
    while (i < subPath.size()) {
        size_t j = subPath.find(u'\\', i);
        if (j == std::u16string_view::npos) j = subPath.size();
        const std::u16string_view part = subPath.substr(i, j - i);
        i = j + 1;
        if (part.empty()) continue;
        const std::string esc = EscapeRegName(part);
        fs::path next = cur / esc;
        if (::stat(next.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            cur = std::move(next);
            continue;
        }
        bool found = false;
        for (auto& sub : ListSubkeys(cur)) {
            if (EqualsNoCase(sub.name, part)) {
                cur = sub.path;
                found = true;
                break;
            }
        }
        if (found) continue;
        if (!create) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        if (::mkdir(next.c_str(), 0755) != 0 && errno != EEXIST)
            return static_cast<LONG>(ErrnoToWin32(errno));
        if (created) *created = true;
        cur = std::move(next);
    }
    out = std::move(cur);
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG ReadRegValue(const fs::path& keyDir, std::u16string_view name, DWORD& type,
                  std::vector<BYTE>& data) {
    auto v = FindValue(keyDir, name);
    if (!v) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    std::string bytes;
    if (int err = ReadHostFile(v->path, bytes))
        return static_cast<LONG>(err == ENOENT ? ERROR_FILE_NOT_FOUND : ErrnoToWin32(err));
    type = v->type;
    data.assign(bytes.begin(), bytes.end());
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG WriteRegValue(const fs::path& keyDir, std::u16string_view name, DWORD type,
                   std::span<const BYTE> data) {
    auto existing = FindValue(keyDir, name);
    // An existing value keeps the case of its name.
    const std::string base = existing ? EscapeRegName(existing->name) : EscapeRegName(name);
    const fs::path target = keyDir / (base + "." + RegTypeExtension(type));
    if (int err = AtomicWriteFile(target, data)) return static_cast<LONG>(ErrnoToWin32(err, true));
    if (existing && existing->path != target) ::unlink(existing->path.c_str());
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG DeleteRegValue(const fs::path& keyDir, std::u16string_view name) {
    auto v = FindValue(keyDir, name);
    if (!v) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    if (::unlink(v->path.c_str()) != 0) return static_cast<LONG>(ErrnoToWin32(errno));
    return static_cast<LONG>(ERROR_SUCCESS);
}

fs::path HiveFolder(const char* hive) { return GetMachineRoot() / "registry" / hive; }

}  // namespace plat::detail
