#include "platform/MachineRoot.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/LastError.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;

namespace {

struct MachineState {
    std::mutex mutex;
    std::optional<fs::path> root;
    std::u16string windowsDir = u"C:\\Windows";
    std::optional<std::u16string> currentDir;
};

MachineState& State() {
    static MachineState s;
    return s;
}

bool Exists(const fs::path& p) {
    struct stat st{};
    return ::lstat(p.c_str(), &st) == 0;
}

bool IsDir(const fs::path& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::u16string Folded(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) c = plat::detail::FoldCase(c);
    return out;
}

// Listings of folders by folded name, reused while the folder's modification time
// is unchanged. A listing taken less than 50 ms after the folder last changed is
// not trusted (the time stamp may not move for a change in the same tick).
struct DirListing {
    struct timespec mtime{};
    bool trusted = false;
    std::unordered_map<std::u16string, std::string> byFolded;
};

struct DirCache {
    std::mutex mutex;
    std::unordered_map<std::string, DirListing> dirs;
};

DirCache& Cache() {
    static DirCache c;
    return c;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Finds the entry of folder `dir` whose name equals `name` ignoring case.
std::optional<std::string> FindNoCase(const fs::path& dir, std::u16string_view name) {
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0) return std::nullopt;
    const std::u16string key = Folded(name);
    auto& cache = Cache();
    {
        std::lock_guard lock(cache.mutex);
        auto it = cache.dirs.find(dir.native());
        if (it != cache.dirs.end() && it->second.trusted && SameTime(it->second.mtime, st.st_mtim)) {
            auto hit = it->second.byFolded.find(key);
            if (hit == it->second.byFolded.end()) return std::nullopt;
            return hit->second;
        }
    }
    DirListing listing;
    listing.mtime = st.st_mtim;
    std::optional<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        std::u16string folded = Folded(plat::FromUtf8(entry));
        if (!found && folded == key) found = entry;
        listing.byFolded.emplace(std::move(folded), std::move(entry));
    }
    if (ec) return found;
    struct timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long ageMs = (static_cast<long long>(now.tv_sec) - st.st_mtim.tv_sec) * 1000 +
                            (now.tv_nsec - st.st_mtim.tv_nsec) / 1000000;
    listing.trusted = ageMs > 50;
    std::lock_guard lock(cache.mutex);
    if (cache.dirs.size() > 512) cache.dirs.clear();
    cache.dirs[dir.native()] = std::move(listing);
    return found;
}

std::vector<std::u16string> SplitComponents(std::u16string_view rest) {
    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = rest.find(u'\\', i);
        if (j == std::u16string_view::npos) j = rest.size();
        std::u16string_view part = rest.substr(i, j - i);
        if (part.empty() || part == u".") {
        } else if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.emplace_back(part);
        }
        i = j + 1;
    }
    return parts;
}

UINT CopyOut(const std::u16string& s, LPWSTR buf, UINT size) {
    const UINT needed = static_cast<UINT>(s.size()) + 1;
    if (buf == nullptr || size < needed) return needed;
    std::memcpy(buf, s.data(), s.size() * sizeof(char16_t));
    buf[s.size()] = 0;
    return needed - 1;
}

}  // namespace

namespace plat {

void SetMachineRoot(const fs::path& root) {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    if (root.empty()) s.root.reset();  // back to MKT_MACHINE
    else s.root = root;
    s.currentDir.reset();
}

bool HasMachineRoot() {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    if (s.root) return true;
    const char* env = std::getenv("MKT_MACHINE");
    return env != nullptr && *env != 0;
}

fs::path GetMachineRoot() {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    if (s.root) return *s.root;
    const char* env = std::getenv("MKT_MACHINE");
    if (env != nullptr && *env != 0) return fs::path(env);
    throw std::runtime_error(
        "no machine root: set the environment variable MKT_MACHINE to the folder that "
        "stands for the Windows machine (or pass --machine DIR)");
}

fs::path MapWindowsPath(std::u16string_view winPath) {
    if (winPath.empty()) return {};
    std::u16string p(winPath);
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    // Long-path prefix "\\?\C:\..." is the same path.
    if (p.starts_with(u"\\\\?\\")) p.erase(0, 4);
    if (p.starts_with(u"\\\\")) return {};  // UNC: no network on this machine

    char16_t drive = u'C';
    std::u16string_view rest;
    if (p.size() >= 2 && p[1] == u':' &&
        ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'))) {
        drive = detail::FoldCase(p[0]);
        rest = std::u16string_view(p).substr(2);
    } else if (p[0] == u'\\') {
        std::optional<std::u16string> cur;
        {
            auto& s = State();
            std::lock_guard lock(s.mutex);
            cur = s.currentDir;
        }
        if (cur && cur->size() >= 2 && (*cur)[1] == u':') drive = detail::FoldCase((*cur)[0]);
        rest = p;
    } else {
        std::optional<std::u16string> cur;
        {
            auto& s = State();
            std::lock_guard lock(s.mutex);
            cur = s.currentDir;
        }
        if (cur) return MapWindowsPath(*cur + u"\\" + p);
        fs::path real = fs::current_path();
        for (const auto& part : SplitComponents(p)) real /= ToUtf8(part);
        return real;
    }

    fs::path out;
    try {
        out = GetMachineRoot();
    } catch (const std::runtime_error& e) {
        static std::once_flag s_told;
        std::call_once(s_told, [&] { std::fprintf(stderr, "mkt platform: %s\n", e.what()); });
        return {};
    }
    bool existing = IsDir(out);
    std::vector<std::u16string> parts = SplitComponents(rest);
    parts.insert(parts.begin(), std::u16string(1, drive));
    for (const auto& part : parts) {
        const std::string given = ToUtf8(part);
        if (existing) {
            fs::path candidate = out / given;
            if (Exists(candidate)) {
                out = std::move(candidate);
                continue;
            }
            if (auto found = FindNoCase(out, part)) {
                out /= *found;
                continue;
            }
            existing = false;
        }
        out /= given;
    }
    return out;
}

void SetWindowsDirectory(std::u16string_view winDir) {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    s.windowsDir.assign(winDir);
    while (s.windowsDir.size() > 3 && (s.windowsDir.back() == u'\\' || s.windowsDir.back() == u'/'))
        s.windowsDir.pop_back();
}

std::u16string GetWindowsDirectoryString() {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    return s.windowsDir;
}

std::u16string GetSystemDirectoryString() { return GetWindowsDirectoryString() + u"\\System32"; }

}  // namespace plat

UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    SetLastError(ERROR_SUCCESS);
    return CopyOut(plat::GetWindowsDirectoryString(), lpBuffer, uSize);
}

UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    SetLastError(ERROR_SUCCESS);
    return CopyOut(plat::GetSystemDirectoryString(), lpBuffer, uSize);
}

BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
    std::u16string path(plat::detail::View(lpPathName));
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (auto& c : path)
        if (c == u'/') c = u'\\';
    const bool absolute = (path.size() >= 2 && path[1] == u':') || path[0] == u'\\';
    if (!absolute) {
        std::optional<std::u16string> cur;
        {
            auto& s = State();
            std::lock_guard lock(s.mutex);
            cur = s.currentDir;
        }
        if (!cur) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        path = *cur + u"\\" + path;
    }
    if (!IsDir(plat::MapWindowsPath(path))) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    auto& s = State();
    std::lock_guard lock(s.mutex);
    s.currentDir = std::move(path);
    return TRUE;
}

DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
    std::optional<std::u16string> cur;
    {
        auto& s = State();
        std::lock_guard lock(s.mutex);
        cur = s.currentDir;
    }
    if (!cur) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return CopyOut(*cur, lpBuffer, nBufferLength);
}
