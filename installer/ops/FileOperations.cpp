// The engine's file operations: the driver-store registration of the package INF,
// the copy routines, folders open to everyone, and deleting folder trees.
#include "installer/app/InstallerLog.h"
#include "installer/app/SettingsFile.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/StringTable.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/SetupApi.h"
#include "platform/SystemInfo.h"

namespace installer {

namespace {

constexpr size_t kPathCapacity = 256;
constexpr DWORD kInfNameCapacity = 260;

std::u16string Cut(std::u16string s, size_t capacity = kPathCapacity) {
    if (s.size() > capacity - 1) s.resize(capacity - 1);
    return s;
}

std::u16string WithSlash(std::u16string_view path) {
    std::u16string s(path);
    if (s.empty() || s.back() != u'\\') s.push_back(u'\\');
    return s;
}

// The folder part for a listing: a trailing "\" is not part of the folder's name.
std::u16string ListingFolder(std::u16string_view path) {
    std::u16string s(path);
    while (s.size() > 1 && s.back() == u'\\') s.pop_back();
    return s;
}

// A folder's security request: everyone (world authority, world id 0) gets generic
// all access, inherited by sub-folders and files. The platform keeps no access lists;
// the request travels with the creation call.
struct EveryoneFullControl {
    DWORD nLength = 12;
    void* lpSecurityDescriptor = nullptr;
    BOOL bInheritHandle = TRUE;
};

}  // namespace

void DeleteDirectoryTree(std::u16string_view path) {
    // This platform has no read-only attribute to clear: files are deleted directly.
    const std::u16string folder = ListingFolder(path);
    for (const auto& entry : plat::FindFiles(folder, u"*.*")) {
        const std::u16string child = WithSlash(folder) + entry.name;
        if (entry.isDirectory) {
            DeleteDirectoryTree(child);
        } else {
            DeleteFileW(child.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

BOOL CDriverInstaller::CreateDirectoryWithSA(std::u16string_view path) {
    WriteLog(u"\r\n");
    WriteLog(u"CreateDirectoryWithSA BEGIN");
    const std::u16string folder(path);
    EveryoneFullControl sa;
    BOOL created = CreateDirectoryW(folder.c_str(), &sa);
    if (!created && GetLastError() == ERROR_ALREADY_EXISTS) {
        DeleteDirectoryTree(folder);
        created = CreateDirectoryW(folder.c_str(), &sa);
    }
    if (!created) {
        created = CreateDirectoryW(folder.c_str(), &sa);
        if (!created) created = CreateDirectoryW(folder.c_str(), nullptr);
    }
    WriteLog(u"CreateDirectoryWithSA END");
    return created;
}

BOOL CDriverInstaller::CopyINFFile() {
    WriteLog(u"\r\n");
    WriteLog(u"CopyINFFile BEGIN");
    const std::u16string source = Cut(u".\\" + m_strInfFile);
    WriteLog(u"INF FILE SRC PATH : %s", source);

    char16_t dest[kInfNameCapacity] = {};
    BOOL result = SetupCopyOEMInfW(source.c_str(), nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, dest,
                                   kInfNameCapacity, nullptr, nullptr);
    if (result) {
        m_strInfFile = dest;
    } else {
        const DWORD error = GetLastError();
        WriteLog(u"SetupCopyOEMInf failed-1. (%d)", error);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            dest[0] = 0;
            result = SetupCopyOEMInfW(source.c_str(), nullptr, SPOST_PATH, SP_COPY_REPLACEONLY,
                                      dest, kInfNameCapacity, nullptr, nullptr);
            if (result) {
                m_strInfFile = dest;
            } else {
                WriteLog(u"SetupCopyOEMInf failed-2. (%d)", GetLastError());
                dest[0] = 0;
            }
        } else {
            dest[0] = 0;
            WriteLog(u"SetupCopyOEMInf Error,  ERR CODE: %d\r\n", error);
            const std::u16string text =
                FormatLogText(u"AddPrinterDriver Error,  ERR CODE: %d\r\n", {error}) +
                plat::SystemErrorMessage(error);
            m_boxes.Show(text, MB_OK | MB_ICONERROR);
            WriteLog(u"%s", text);
        }
    }
    WriteLog(u"INF FILE NAME : %s", dest);
    WriteLog(u"CopyINFFile END");
    return result;
}

void CDriverInstaller::CopyFilesToDest(std::u16string_view source,
                                       std::u16string_view destination) {
    WriteLog(u"\r\n");
    WriteLog(u"CopyFilesToDest BEGIN");
    const std::u16string src = WithSlash(source);
    const std::u16string dst = WithSlash(destination);
    for (const auto& entry : plat::FindFiles(ListingFolder(src), u"*.*")) {
        const std::u16string from = src + entry.name;
        const std::u16string to = dst + entry.name;
        WriteLog(u"FILE SRC : %s", from);
        WriteLog(u"FILE DES : %s", to);
        if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
            WriteLog(u"COPY FILE ERROR : %d", GetLastError());
    }
    WriteLog(u"CopyFilesToDest END");
}

void CDriverInstaller::CopyAllFilesToTargetDirectory(std::u16string_view source,
                                                     std::u16string_view target) {
    WriteLog(u"\r\n");
    WriteLog(u"CopyAllFilesToTargetDirectory BEGIN");
    int copied = 0;
    for (const auto& entry : plat::FindFiles(ListingFolder(source), u"*.*")) {
        if (entry.isDirectory) continue;
        const std::u16string from = std::u16string(source) + u"\\" + entry.name;
        const std::u16string to = std::u16string(target) + u"\\" + entry.name;
        if (CopyFileW(from.c_str(), to.c_str(), FALSE)) {
            WriteLog(u"CopyAllFilesToTargetDirectory : [%d] %s", copied, to);
            ++copied;
        } else {
            WriteLog(u"CopyFile (%s->%s) Error (%d)", from, to, GetLastError());
        }
    }
    WriteLog(u"CopyAllFilesToTargetDirectory END");
}

void CDriverInstaller::CopyFilesOfUtilities() {
    WriteLog(u"\r\n");
    WriteLog(u"CopyFilesOfUtilities BEGIN");
    const std::u16string product =
        Cut(plat::GetWindowsDirectoryString() + u"\\" + LoadInstallerString(IDS_MODEL_NAME));
    WriteLog(u"DIR PATH TO CREATE : %s", product);
    CreateDirectoryWithSA(product);
    const std::u16string preview = Cut(product + u"\\PreviewBin");
    WriteLog(u"DIR PATH TO CREATE : %s", preview);
    CreateDirectoryWithSA(preview);

    WriteLog(u"FILE SRC : %s", u".\\");
    WriteLog(u"FILE DST : %s", product);
    CopyAllFilesToTargetDirectory(u".\\", product);

    WriteLog(u"FILE SRC : %s", u".\\PreviewBin");
    WriteLog(u"FILE DST : %s", preview);
    CopyAllFilesToTargetDirectory(u".\\PreviewBin", preview);

    const std::u16string settingsSource = Cut(std::u16string(u".\\") + kSettingsFileName);
    const std::u16string settingsTarget =
        Cut(plat::GetSystemDirectoryString() + u"\\" + kSettingsFileName);
    WriteLog(u"FILE SRC : %s", settingsSource);
    WriteLog(u"FILE DST : %s", settingsTarget);
    if (!CopyFileW(settingsSource.c_str(), settingsTarget.c_str(), FALSE))
        WriteLog(u"CopyFile (%s->%s) Error (%d)", settingsSource, settingsTarget, GetLastError());
    WriteLog(u"CopyFilesOfUtilities END");
}

}  // namespace installer
