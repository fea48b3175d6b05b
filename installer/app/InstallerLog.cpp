#include "installer/app/InstallerLog.h"

#include <mutex>
#include <vector>

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/LocalTime.h"
#include "platform/MachineRoot.h"

namespace installer {

namespace {

constexpr size_t kPathCapacity = 128;    // characters, terminator included
constexpr size_t kMessageMax = 1022;     // characters of the formatted message
constexpr size_t kLineMax = 511;         // characters of the whole line

std::mutex& LogMutex() {
    static std::mutex m;
    return m;
}

std::u16string& LogPath() {
    static std::u16string path;
    return path;
}

// Security attributes the way the log folder asks for them: everyone may do
// everything, inherited by what is created inside. This platform keeps no access
// lists, so the request is passed along and the folder is simply created.
struct OpenFolderSecurity {
    DWORD nLength = 12;
    void* lpSecurityDescriptor = nullptr;
    BOOL bInheritHandle = TRUE;
};

bool EnsureFolder(const std::u16string& folder) {
    OpenFolderSecurity sa;
    if (CreateDirectoryW(folder.c_str(), &sa)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS && CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    // An existing folder belongs to other programs too: use it as it is.
    return (GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void AppendUtf16Le(std::vector<BYTE>& out, std::u16string_view s) {
    out.reserve(out.size() + s.size() * 2);
    for (char16_t c : s) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

}  // namespace

void OpenInstallerLog() {
    char16_t windows[260] = {};
    GetWindowsDirectoryW(windows, 260);
    std::u16string_view win(windows);
    const size_t slash = win.find(u'\\');
    const std::u16string drive(slash == std::u16string_view::npos ? win : win.substr(0, slash));
    const std::u16string folder = drive + u"\\Temp";

    std::lock_guard lock(LogMutex());
    LogPath().clear();
    if (!EnsureFolder(folder)) return;
    std::u16string path = folder + u"\\MKT-G450_Installer.txt";
    if (path.size() > kPathCapacity - 1) path.resize(kPathCapacity - 1);
    LogPath() = path;

    DeleteFileW(path.c_str());
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const BYTE bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.get(), bom, 2, &written, nullptr);
}

void CloseInstallerLog() {
    std::lock_guard lock(LogMutex());
    LogPath().clear();
}

std::u16string GetInstallerLogPath() {
    std::lock_guard lock(LogMutex());
    return LogPath();
}

void WriteLogV(std::u16string_view format, std::initializer_list<LogArg> args) {
    // Formatting needs no lock; the append does.
    std::u16string message = FormatLogText(format, args);
    if (message.size() > kMessageMax) message.resize(kMessageMax);

    const DWORD savedError = GetLastError();
    std::lock_guard lock(LogMutex());
    const std::u16string& path = LogPath();
    if (path.empty()) return;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        SetLastError(savedError);
        return;
    }
    SetFilePointer(file.get(), 0, nullptr, FILE_END);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::u16string line = FormatLogText(u"%02u:%02u:%02u: %s \r\n",
                                        {now.wHour, now.wMinute, now.wSecond, message});
    if (line.size() > kLineMax) line.resize(kLineMax);
    std::vector<BYTE> bytes;
    AppendUtf16Le(bytes, line);
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    // Logging a failure must not change the error the caller is about to report.
    SetLastError(savedError);
}

}  // namespace installer
