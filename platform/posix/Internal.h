// Shared helpers of the POSIX implementation (not part of the platform interface).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Win32Types.h"

namespace plat::detail {

// Simple upper-case folding for case-insensitive names (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic, full-width Latin).
char16_t FoldCase(char16_t c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// <0, 0, >0 comparing folded names.
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// A null pointer reads as an empty string.
inline std::u16string_view View(LPCWSTR p) { return p ? std::u16string_view(p) : std::u16string_view(); }

// The Windows error for an errno value. forPath: ENOENT means a missing folder.
DWORD ErrnoToWin32(int err, bool forPath = false);

// ENOENT for a path: ERROR_PATH_NOT_FOUND when its parent folder is missing,
// ERROR_FILE_NOT_FOUND otherwise.
DWORD MissingError(const std::filesystem::path& p);

// Replaces a whole file: writes a temporary file next to it and renames it into
// place. mode is used for a new file. Returns 0 or an errno value.
int AtomicWriteFile(const std::filesystem::path& target, std::span<const BYTE> data,
                    mode_t mode = 0644);

// Reads a whole host file. Returns 0 or an errno value.
int ReadHostFile(const std::filesystem::path& p, std::string& out);

// UTC SYSTEMTIME <-> seconds + nanoseconds since 1970.
SYSTEMTIME ToSystemTimeUtc(std::int64_t seconds, long nanoseconds);
std::int64_t FromSystemTimeUtc(const SYSTEMTIME& st);

// Kernel objects behind HANDLEs (files, processes, threads).
struct KernelObject {
    virtual ~KernelObject() = default;
};

// A table of objects behind opaque handle values (multiples of 4, never 0 or -1).
template <class T>
class HandleTable {
public:
    void* Add(std::shared_ptr<T> obj) {
        std::lock_guard lock(m_mutex);
        m_next += 4;
        m_objects.emplace(m_next, std::move(obj));
        return reinterpret_cast<void*>(m_next);
    }
    std::shared_ptr<T> Get(const void* h) const {
        std::lock_guard lock(m_mutex);
        auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(h));
        return it == m_objects.end() ? nullptr : it->second;
    }
    std::shared_ptr<T> Remove(const void* h) {
        std::lock_guard lock(m_mutex);
        auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(h));
        if (it == m_objects.end()) return nullptr;
        auto obj = std::move(it->second);
        m_objects.erase(it);
        return obj;
    }
    explicit HandleTable(std::uintptr_t base) : m_next(base) {}

private:
    mutable std::mutex m_mutex;
    std::uintptr_t m_next;
    std::unordered_map<std::uintptr_t, std::shared_ptr<T>> m_objects;
};

HandleTable<KernelObject>& KernelHandles();

}  // namespace plat::detail
