// Folder and whole-file operations: create/remove folders, delete, copy, move,
// attributes, listings, last-write times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;
using plat::detail::ErrnoToWin32;
using plat::detail::MissingError;
using plat::detail::View;

namespace {

fs::path Map(LPCWSTR p) { return plat::MapWindowsPath(View(p)); }

bool StatPath(const fs::path& p, struct stat& st) { return ::stat(p.c_str(), &st) == 0; }

// Copies src over dst (temporary file + rename), keeping mode and modification time.
int CopyHostFile(const fs::path& src, const fs::path& dst) {
    std::string data;
    if (int err = plat::detail::ReadHostFile(src, data)) return err;
    struct stat st{};
    StatPath(src, st);
    if (int err = plat::detail::AtomicWriteFile(
            dst, std::span(reinterpret_cast<const BYTE*>(data.data()), data.size()), st.st_mode & 07777))
        return err;
    // The copy takes the source's permissions (launcher scripts stay executable).
    ::chmod(dst.c_str(), st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, dst.c_str(), times, 0);
    return 0;
}

}  // namespace

BOOL CreateDirectoryW(LPCWSTR lpPathName, void* /*lpSecurityAttributes*/) {
    const auto p = Map(lpPathName);
    if (p.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (::mkdir(p.c_str(), 0755) != 0) {
        const int err = errno;
        SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToWin32(err, true));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
    const auto p = Map(lpPathName);
    struct stat st{};
    if (p.empty() || !StatPath(p, st)) {
        SetLastError(p.empty() ? ERROR_PATH_NOT_FOUND : MissingError(p));
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (::rmdir(p.c_str()) != 0) {
        const int err = errno;
        SetLastError(err == ENOTEMPTY || err == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrnoToWin32(err));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
    const auto p = Map(lpFileName);
    struct stat st{};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0) {
        SetLastError(p.empty() ? ERROR_PATH_NOT_FOUND : MissingError(p));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(p.c_str()) != 0) {
        SetLastError(ErrnoToWin32(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    const auto src = Map(lpExistingFileName);
    const auto dst = Map(lpNewFileName);
    struct stat st{};
    if (src.empty() || !StatPath(src, st)) {
        SetLastError(src.empty() ? ERROR_PATH_NOT_FOUND : MissingError(src));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || dst.empty()) {
        SetLastError(dst.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct stat dstSt{};
    if (StatPath(dst, dstSt)) {
        if (bFailIfExists) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dstSt.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (dstSt.st_dev == st.st_dev && dstSt.st_ino == st.st_ino) {
            SetLastError(ERROR_SHARING_VIOLATION);  // copying a file onto itself
            return FALSE;
        }
    } else {
        struct stat parent{};
        if (!StatPath(dst.parent_path(), parent) || !S_ISDIR(parent.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
    }
    if (int err = CopyHostFile(src, dst)) {
        SetLastError(ErrnoToWin32(err, true));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    const auto src = Map(lpExistingFileName);
    const auto dst = Map(lpNewFileName);
    struct stat st{};
    if (src.empty() || ::lstat(src.c_str(), &st) != 0) {
        SetLastError(src.empty() ? ERROR_PATH_NOT_FOUND : MissingError(src));
        return FALSE;
    }
    if (dst.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat dstSt{};
    if (::lstat(dst.c_str(), &dstSt) == 0) {
        const bool same = dstSt.st_dev == st.st_dev && dstSt.st_ino == st.st_ino;  // a case-only rename
        if (!same && (!(dwFlags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(dstSt.st_mode))) {
            SetLastError(S_ISDIR(dstSt.st_mode) ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
            return FALSE;
        }
    }
    if (::rename(src.c_str(), dst.c_str()) == 0) return TRUE;
    const int err = errno;
    if (err == EXDEV && (dwFlags & MOVEFILE_COPY_ALLOWED) && !S_ISDIR(st.st_mode)) {
        if (int cerr = CopyHostFile(src, dst)) {
            SetLastError(ErrnoToWin32(cerr, true));
            return FALSE;
        }
        ::unlink(src.c_str());
        return TRUE;
    }
    SetLastError(ErrnoToWin32(err, true));
    return FALSE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    const auto p = Map(lpFileName);
    struct stat st{};
    if (p.empty() || !StatPath(p, st)) {
        SetLastError(p.empty() ? ERROR_PATH_NOT_FOUND : MissingError(p));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return (st.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

BOOL PathFileExistsW(LPCWSTR pszPath) {
    const auto p = Map(pszPath);
    struct stat st{};
    if (p.empty() || !StatPath(p, st)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

namespace plat {

bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern) {
    if (pattern == u"*" || pattern == u"*.*") return true;
    // Iterative glob with backtracking over the last '*'.
    size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' ||
                                   detail::FoldCase(pattern[p]) == detail::FoldCase(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    // "name.*" also matches "name" (no extension), as Windows does.
    if (p + 2 == pattern.size() && pattern[p] == u'.' && pattern[p + 1] == u'*') return true;
    return p == pattern.size();
}

std::vector<FindEntry> FindFiles(std::u16string_view dirWinPath, std::u16string_view pattern) {
    std::vector<FindEntry> out;
    const auto dir = MapWindowsPath(dirWinPath);
    struct stat st{};
    if (dir.empty() || !StatPath(dir, st) || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return out;
    }
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::u16string name = FromUtf8(it->path().filename().string());
        if (!MatchesWildcard(name, pattern)) continue;
        struct stat est{};
        if (!StatPath(it->path(), est)) continue;  // vanished meanwhile
        FindEntry e;
        e.name = std::move(name);
        e.isDirectory = S_ISDIR(est.st_mode);
        e.size = e.isDirectory ? 0 : static_cast<std::uint64_t>(est.st_size);
        e.lastWriteTime = detail::ToSystemTimeUtc(est.st_mtim.tv_sec, est.st_mtim.tv_nsec);
        out.push_back(std::move(e));
    }
    std::sort(out.begin(), out.end(), [](const FindEntry& a, const FindEntry& b) {
        return detail::CompareNoCase(a.name, b.name) < 0;
    });
    SetLastError(out.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
    return out;
}

BOOL SetFileLastWriteTime(std::u16string_view winPath, const SYSTEMTIME& utc) {
    const auto p = MapWindowsPath(winPath);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(detail::FromSystemTimeUtc(utc));
    times[1].tv_nsec = static_cast<long>(utc.wMilliseconds) * 1000000L;
    if (p.empty() || ::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) {
        SetLastError(p.empty() ? ERROR_PATH_NOT_FOUND : MissingError(p));
        return FALSE;
    }
    return TRUE;
}

std::optional<std::vector<BYTE>> ReadWholeFile(std::u16string_view winPath) {
    const auto p = MapWindowsPath(winPath);
    std::string data;
    if (p.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    if (int err = detail::ReadHostFile(p, data)) {
        SetLastError(err == ENOENT ? MissingError(p) : ErrnoToWin32(err));
        return std::nullopt;
    }
    return std::vector<BYTE>(data.begin(), data.end());
}

BOOL WriteWholeFile(std::u16string_view winPath, std::span<const BYTE> data) {
    const auto p = MapWindowsPath(winPath);
    if (p.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (int err = detail::AtomicWriteFile(p, data)) {
        SetLastError(ErrnoToWin32(err, true));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace plat
