#include "oemuni/frame/DebugLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLogCleanup.h"
#include "oemuni/frame/DebugLogTesting.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/frame/WideText.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/LocalTime.h"

namespace {

// On when the library is loaded; only ever switched off.
std::atomic<LONG> g_bDebugLogEnabled{1};

// Paths, messages and whole lines are cut at this many characters.
constexpr size_t kMaxLogChars = 259;

// A log call must not disturb the caller's last error (callers log right after setting it).
class LastErrorKeeper {
public:
    LastErrorKeeper() : m_dwSaved(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(m_dwSaved); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD m_dwSaved;
};

// Folder + "\MKT-G450_" + date part + job part + suffix, cut at 259 characters.
std::u16string LogFilePath(const std::u16string& folder, const SYSTEMTIME& st, const char* suffix) {
    const DWORD dwJobId = GetCurrentJobId();
    char name[96];
    if (dwJobId != 0) {
        std::snprintf(name, sizeof name, "\\MKT-G450_%02u%02u_%05u%s", unsigned{st.wMonth},
                      unsigned{st.wDay}, unsigned{dwJobId}, suffix);
    } else {
        std::snprintf(name, sizeof name, "\\MKT-G450_%02u%02u_%02u%02u%s", unsigned{st.wMonth},
                      unsigned{st.wDay}, unsigned{st.wHour}, unsigned{st.wMinute}, suffix);
    }
    std::u16string path = folder + WidenAscii(name);
    if (path.size() > kMaxLogChars) path.resize(kMaxLogChars);
    return path;
}

// Opens (creating) the log file without sharing, positioned at its end. Returns the handle and
// the end position.
FileHandle OpenLogFile(const std::u16string& path, DWORD& dwEnd) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return file;
    dwEnd = SetFilePointer(file.get(), 0, nullptr, FILE_END);
    if (dwEnd == INVALID_SET_FILE_POINTER) file.reset();
    return file;
}

// "hh:mm:ss:mmm: ", the start of every line.
std::string TimeStamp(const SYSTEMTIME& st) {
    char szStamp[32];
    std::snprintf(szStamp, sizeof szStamp, "%02u:%02u:%02u:%03u: ", unsigned{st.wHour} % 100u,
                  unsigned{st.wMinute} % 100u, unsigned{st.wSecond} % 100u, unsigned{st.wMilliseconds} % 1000u);
    return szStamp;
}

// Reads the clock and prepares the folder; empty when the Windows drive is unknown.
std::u16string PrepareLogFolder(SYSTEMTIME& st) {
    GetLocalTime(&st);
    std::u16string folder = GetDebugLogFolder();
    if (folder.empty()) return folder;
    if (folder.size() > kMaxLogChars) folder.resize(kMaxLogChars);
    CreateDirectoryW(folder.c_str(), nullptr);  // one level; an existing folder is fine
    return folder;
}

}  // namespace

void DebugLogA(const char* format, ...) {
    if (g_bDebugLogEnabled.load(std::memory_order_relaxed) == 0) return;
    LastErrorKeeper keepLastError;

    char szMessage[kMaxLogChars + 1];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(szMessage, sizeof szMessage, format != nullptr ? format : "", ap);
    va_end(ap);

    SYSTEMTIME st{};
    const std::u16string folder = PrepareLogFolder(st);
    if (folder.empty()) return;
    DWORD dwEnd = 0;
    FileHandle file = OpenLogFile(LogFilePath(folder, st, "_OEMUNI.LOG"), dwEnd);
    if (!file) return;

    std::string line = TimeStamp(st);
    line += szMessage;
    line += " \r\n";
    if (line.size() > kMaxLogChars) line.resize(kMaxLogChars);
    DWORD dwWritten = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &dwWritten, nullptr);
}

void DebugLogW(const char16_t* format, ...) {
    if (g_bDebugLogEnabled.load(std::memory_order_relaxed) == 0) return;
    LastErrorKeeper keepLastError;

    va_list ap;
    va_start(ap, format);
    std::u16string message = FormatWideV(format, ap);
    va_end(ap);
    if (message.size() > kMaxLogChars) message.resize(kMaxLogChars);

    SYSTEMTIME st{};
    const std::u16string folder = PrepareLogFolder(st);
    if (folder.empty()) return;
    DWORD dwEnd = 0;
    FileHandle file = OpenLogFile(LogFilePath(folder, st, "_OEMUNI_W.LOG"), dwEnd);
    if (!file) return;

    std::u16string line = WidenAscii(TimeStamp(st)) + message + u" \r\n";
    if (line.size() > kMaxLogChars) line.resize(kMaxLogChars);

    std::vector<BYTE> bytes;
    bytes.reserve(2 + line.size() * 2);
    if (dwEnd == 0) {
        bytes.push_back(0xFF);  // byte-order mark, only at the start of a new file
        bytes.push_back(0xFE);
    }
    for (char16_t c : line) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    DWORD dwWritten = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &dwWritten, nullptr);
}

bool IsDebugLogEnabled() { return g_bDebugLogEnabled.load(std::memory_order_relaxed) != 0; }

void DisableDebugLog() {
    g_bDebugLogEnabled.store(0, std::memory_order_relaxed);
    DebugDeleteAllFiles();
}

void RestoreDebugLogForTesting() { g_bDebugLogEnabled.store(1, std::memory_order_relaxed); }
