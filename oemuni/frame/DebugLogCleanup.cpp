#include "oemuni/frame/DebugLogCleanup.h"

#include <string>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/ProductPaths.h"
#include "platform/Files.h"
#include "platform/LocalTime.h"

namespace {

constexpr DWORD kMaxFolderBytes = 300u * 1024u * 1024u;  // 314,572,800

// The diagnostic files: logs, page bitmaps and raw dumps (case-sensitive, as they are written).
bool IsDiagnosticFile(std::u16string_view name) {
    return name.find(u".BIN") != std::u16string_view::npos ||
           name.find(u".BMP") != std::u16string_view::npos ||
           name.find(u".LOG") != std::u16string_view::npos;
}

void DeleteInFolder(const std::u16string& folder, const std::u16string& name) {
    const std::u16string path = folder + u"\\" + name;
    DeleteFileW(path.c_str());
}

}  // namespace

void DebugDeleteAllFiles() {
    const std::u16string folder = GetDebugLogFolder();
    if (folder.empty()) return;
    for (const plat::FindEntry& entry : plat::FindFiles(folder, u"*")) {
        if (!entry.isDirectory && IsDiagnosticFile(entry.name)) DeleteInFolder(folder, entry.name);
    }
}

void DebugDeleteFilesbySize() {
    DebugLogA("DebugDeleteFilesbySize : START");
    const std::u16string folder = GetDebugLogFolder();
    if (!folder.empty()) {
        DWORD dwTotal = 0;  // low 32 bits of each size, summed in 32 bits
        for (const plat::FindEntry& entry : plat::FindFiles(folder, u"*")) {
            dwTotal += static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
        }
        if (dwTotal > kMaxFolderBytes) DebugDeleteAllFiles();
    }
    DebugLogA("DebugDeleteFilesbySize : END");
}

void DebugDeleteFilesbyDate() {
    DebugLogA("DebugDeleteFilesbyDate : START");
    const std::u16string folder = GetDebugLogFolder();
    if (!folder.empty()) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        for (const plat::FindEntry& entry : plat::FindFiles(folder, u"*")) {
            if (entry.isDirectory || !IsDiagnosticFile(entry.name)) continue;
            const SYSTEMTIME& written = entry.lastWriteTime;  // UTC calendar date
            const int dayDistance = static_cast<int>(written.wDay) - static_cast<int>(now.wDay);
            if (written.wYear != now.wYear || written.wMonth != now.wMonth || dayDistance > 3 ||
                dayDistance < -3) {
                DeleteInFolder(folder, entry.name);
            }
        }
    }
    DebugLogA("DebugDeleteFilesbyDate : END");
}

void DebugLogCleanup() {
    const std::u16string temp = GetDebugTempFolder();
    const std::u16string folder = GetDebugLogFolder();
    if (temp.empty() || folder.empty()) return;
    CreateDirectoryW(temp.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    DebugDeleteFilesbySize();
    DebugDeleteFilesbyDate();
}
