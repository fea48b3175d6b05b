// CreateFileW and the operations on file handles.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/posix/Internal.h"

namespace {

using plat::detail::KernelHandles;
using plat::detail::KernelObject;

struct FileObject : KernelObject {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    ~FileObject() override {
        if (fd >= 0) ::close(fd);
    }
};

std::shared_ptr<FileObject> GetFile(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
    return std::dynamic_pointer_cast<FileObject>(KernelHandles().Get(h));
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    const auto path = plat::MapWindowsPath(plat::detail::View(lpFileName));
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const bool wantRead = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL)) != 0;
    const bool wantWrite = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    int flags = O_CLOEXEC;
    flags |= wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    bool truncate = false;
    switch (dwCreationDisposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT; truncate = true; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING:
            if (!wantWrite) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return INVALID_HANDLE_VALUE;
            }
            truncate = true;
            break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    struct stat st{};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (existed && dwCreationDisposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT) SetLastError(plat::detail::MissingError(path));
        else if (err == EEXIST) SetLastError(ERROR_FILE_EXISTS);
        else SetLastError(plat::detail::ErrnoToWin32(err));
        return INVALID_HANDLE_VALUE;
    }
    auto obj = std::make_shared<FileObject>();
    obj->fd = fd;
    obj->canRead = wantRead;
    obj->canWrite = wantWrite;
    // Sharing, best effort: "no sharing" takes the file exclusively, any sharing
    // mode takes it shared, so only the no-sharing opens exclude each other.
    if (::flock(fd, (dwShareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        SetLastError(errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : plat::detail::ErrnoToWin32(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        SetLastError(plat::detail::ErrnoToWin32(errno));
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = KernelHandles().Add(std::move(obj));
    const bool reportsExisting =
        existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

BOOL CloseHandle(HANDLE hObject) {
    if (hObject == nullptr || hObject == INVALID_HANDLE_VALUE || !KernelHandles().Remove(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              void* lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!f->canRead) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    auto* p = static_cast<unsigned char*>(lpBuffer);
    while (done < nNumberOfBytesToRead) {
        const ssize_t n = ::read(f->fd, p + done, nNumberOfBytesToRead - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastError(ERROR_READ_FAULT);
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, void* lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    const auto* p = static_cast<const unsigned char*>(lpBuffer);
    while (done < nNumberOfBytesToWrite) {
        const ssize_t n = ::write(f->fd, p + done, nNumberOfBytesToWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr)
        distance = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*lpDistanceToMoveHigh)) << 32) |
            static_cast<std::uint32_t>(lDistanceToMove));
    int whence = SEEK_SET;
    std::int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        whence = SEEK_CUR;
        base = ::lseek(f->fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        whence = SEEK_END;
        struct stat st{};
        ::fstat(f->fd, &st);
        base = st.st_size;
    } else if (dwMoveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base + distance < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t pos = ::lseek(f->fd, static_cast<off_t>(distance), whence);
    if (pos < 0) {
        SetLastError(plat::detail::ErrnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh != nullptr)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    struct stat st{};
    if (::fstat(f->fd, &st) != 0) {
        SetLastError(plat::detail::ErrnoToWin32(errno));
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE hFile) {
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (::fsync(f->fd) != 0) {
        SetLastError(plat::detail::ErrnoToWin32(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL SetEndOfFile(HANDLE hFile) {
    auto f = GetFile(hFile);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(f->fd, pos) != 0) {
        SetLastError(plat::detail::ErrnoToWin32(errno));
        return FALSE;
    }
    return TRUE;
}

FileHandle& FileHandle::operator=(FileHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
}

HANDLE FileHandle::release() {
    HANDLE h = m_h;
    m_h = INVALID_HANDLE_VALUE;
    return h;
}

void FileHandle::reset(HANDLE h) {
    if (valid()) {
        const DWORD saved = GetLastError();  // closing must not hide the caller's error
        CloseHandle(m_h);
        SetLastError(saved);
    }
    m_h = h;
}

namespace plat {

FileHandle OpenForRead(std::u16string_view winPath) {
    const std::u16string p(winPath);
    return FileHandle(CreateFileW(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateAlways(std::u16string_view winPath) {
    const std::u16string p(winPath);
    return FileHandle(CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenAlwaysAppend(std::u16string_view winPath) {
    const std::u16string p(winPath);
    FileHandle h(CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) {
        const DWORD saved = GetLastError();
        SetFilePointer(h.get(), 0, nullptr, FILE_END);
        SetLastError(saved);
    }
    return h;
}

}  // namespace plat
