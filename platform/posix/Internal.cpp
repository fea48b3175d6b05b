#include "platform/posix/Internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>

namespace plat::detail {

char16_t FoldCase(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool evenUpper = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if (evenUpper && (c & 1)) return static_cast<char16_t>(c - 1);
        if (oddUpper && !(c & 1)) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

DWORD ErrnoToWin32(int err, bool forPath) {
    switch (err) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return forPath ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EBADF: return ERROR_INVALID_HANDLE;
        case EIO: return ERROR_WRITE_FAULT;
        default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD MissingError(const std::filesystem::path& p) {
    struct stat st{};
    const auto parent = p.parent_path();
    if (!parent.empty() && (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

int AtomicWriteFile(const std::filesystem::path& target, std::span<const BYTE> data, mode_t mode) {
    static std::atomic<unsigned> s_counter{0};
    // '%t' never appears in an escaped registry name, so listings can skip these.
    const std::string tmpName = "%tmp." + std::to_string(::getpid()) + "." +
                                std::to_string(s_counter.fetch_add(1)) + "~";
    const auto tmp = target.parent_path() / tmpName;
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            return err;
        }
        done += static_cast<size_t>(n);
    }
    ::fchmod(fd, mode);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return err;
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return err;
    }
    return 0;
}

int ReadHostFile(const std::filesystem::path& p, std::string& out) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    out.clear();
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return 0;
}

SYSTEMTIME ToSystemTimeUtc(std::int64_t seconds, long nanoseconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(tm.tm_year + 1900);
    st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st.wDay = static_cast<WORD>(tm.tm_mday);
    st.wHour = static_cast<WORD>(tm.tm_hour);
    st.wMinute = static_cast<WORD>(tm.tm_min);
    st.wSecond = static_cast<WORD>(tm.tm_sec);
    st.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
    return st;
}

std::int64_t FromSystemTimeUtc(const SYSTEMTIME& st) {
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    return static_cast<std::int64_t>(::timegm(&tm));
}

HandleTable<KernelObject>& KernelHandles() {
    static HandleTable<KernelObject> table(0x1000);
    return table;
}

}  // namespace plat::detail
