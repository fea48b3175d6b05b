// Windows-shaped file and folder services over paths mapped into the machine root.
// Every call sets the thread's last error the Windows way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"
#include "platform/Win32Types.h"

// CreateFileW access, sharing and disposition values.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD GENERIC_ALL = 0x10000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

// Opens or creates a file. dwShareMode 0 ("no sharing") is enforced with an
// exclusive advisory lock, other share modes with a shared one (best effort:
// the lock only excludes other users of this platform). Returns
// INVALID_HANDLE_VALUE on failure (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_FILE_EXISTS, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION ...). On success
// with CREATE_ALWAYS/OPEN_ALWAYS over an existing file the last error is
// ERROR_ALREADY_EXISTS, otherwise 0. lpSecurityAttributes and hTemplateFile are ignored.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

// Reads up to nNumberOfBytesToRead bytes; *lpNumberOfBytesRead = 0 at end of file
// (still TRUE). lpOverlapped must be null.
BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
              DWORD* lpNumberOfBytesRead, void* lpOverlapped);

// Writes all bytes at the current position (a short write is reported as failure).
BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, void* lpOverlapped);

// Moves the file position (FILE_BEGIN/FILE_CURRENT/FILE_END). Returns the low 32 bits
// of the new position (high part in *lpDistanceToMoveHigh when given), or
// INVALID_SET_FILE_POINTER with the last error set on failure.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                     DWORD dwMoveMethod);

// File size: low 32 bits returned, high part in *lpFileSizeHigh; INVALID_FILE_SIZE on failure.
DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh);

// Flushes the file to disk.
BOOL FlushFileBuffers(HANDLE hFile);

// Cuts or extends the file at the current position.
BOOL SetEndOfFile(HANDLE hFile);

// Creates one folder level. An existing folder (or file) gives FALSE with
// ERROR_ALREADY_EXISTS; a missing parent ERROR_PATH_NOT_FOUND.
BOOL CreateDirectoryW(LPCWSTR lpPathName, void* lpSecurityAttributes);

// Removes an empty folder (ERROR_DIR_NOT_EMPTY otherwise).
BOOL RemoveDirectoryW(LPCWSTR lpPathName);

// Deletes a file (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED for a folder).
BOOL DeleteFileW(LPCWSTR lpFileName);

// Copies a file. With bFailIfExists an existing target fails with ERROR_FILE_EXISTS.
// The target is written to a temporary file and renamed into place.
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);

// Moves/renames a file or folder; MOVEFILE_REPLACE_EXISTING replaces an existing file.
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL (READONLY when not writable),
// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND/ERROR_PATH_NOT_FOUND when missing.
DWORD GetFileAttributesW(LPCWSTR lpFileName);

// TRUE when the file or folder exists.
BOOL PathFileExistsW(LPCWSTR pszPath);

// RAII owner of a HANDLE from CreateFileW (closed on destruction).
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE h) : m_h(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& o) noexcept : m_h(o.release()) {}
    FileHandle& operator=(FileHandle&& o) noexcept;
    ~FileHandle() { reset(); }

    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release();
    void reset(HANDLE h = INVALID_HANDLE_VALUE);

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

namespace plat {

// The three ways the system opens files, with no sharing.
FileHandle OpenForRead(std::u16string_view winPath);      // GENERIC_READ, OPEN_EXISTING
FileHandle CreateAlways(std::u16string_view winPath);     // GENERIC_READ|WRITE, CREATE_ALWAYS
FileHandle OpenAlwaysAppend(std::u16string_view winPath);  // GENERIC_READ|WRITE, OPEN_ALWAYS, at end

// One entry of a folder listing.
struct FindEntry {
    std::u16string name;
    bool isDirectory = false;
    std::uint64_t size = 0;
    SYSTEMTIME lastWriteTime{};  // UTC
};

// Lists the entries of a folder whose names match a Windows wildcard pattern
// ('*', '?', case-insensitive; "*.*" and "*" match every name), sorted by name.
// "." and ".." are not listed. Last error: ERROR_PATH_NOT_FOUND when the folder
// does not exist, ERROR_FILE_NOT_FOUND when nothing matched, else ERROR_SUCCESS.
std::vector<FindEntry> FindFiles(std::u16string_view dirWinPath, std::u16string_view pattern);

// Windows wildcard match as FindFiles uses it.
bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern);

// Sets a file's last-write time (UTC). For tests that need old files.
BOOL SetFileLastWriteTime(std::u16string_view winPath, const SYSTEMTIME& utc);

// Reads a whole file; nullopt with the last error set when it cannot be read.
std::optional<std::vector<BYTE>> ReadWholeFile(std::u16string_view winPath);

// Replaces a whole file safely (temporary file + rename). FALSE with the last error set.
BOOL WriteWholeFile(std::u16string_view winPath, std::span<const BYTE> data);

}  // namespace plat
