// The machine root: one directory standing for one Windows machine.
//   <root>/C/...            drive C: (other drive letters likewise, always upper case)
//   <root>/registry/HKLM/.. the registry (see Registry.h)
// Windows paths are mapped into it case-insensitively.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Win32Types.h"

namespace plat {

// Sets the machine root for the whole process (tests, the print host's --machine).
// An empty path forgets it (MKT_MACHINE is used again).
void SetMachineRoot(const std::filesystem::path& root);

// The machine root: the one set by SetMachineRoot, else the environment variable
// MKT_MACHINE. Throws std::runtime_error with a clear message when neither is set.
std::filesystem::path GetMachineRoot();

// True when a machine root is known (set or in MKT_MACHINE).
bool HasMachineRoot();

// Maps a Windows path into the machine root: "C:\Windows\X" (or "c:/windows/x")
// -> <root>/C/Windows/X. Every component that exists is matched case-insensitively
// (so C:\temp and C:\Temp are one folder); components that do not exist keep the
// case given. "." and ".." are resolved lexically and never leave the drive.
// A path starting with "\" means the root of drive C:. A relative path is resolved
// against the Windows current directory (SetCurrentDirectoryW) when one was set,
// otherwise against the process's real working directory (no machine root).
// Returns an empty path for what cannot be mapped (UNC paths, empty input, no
// machine root known: then the reason is printed once to stderr).
std::filesystem::path MapWindowsPath(std::u16string_view winPath);

// Sets the Windows directory reported by GetWindowsDirectoryW (default u"C:\\Windows").
void SetWindowsDirectory(std::u16string_view winDir);

// The Windows directory as a string, e.g. u"C:\\Windows".
std::u16string GetWindowsDirectoryString();

// The system directory: Windows directory + u"\\System32".
std::u16string GetSystemDirectoryString();

// Converts between UTF-16 and the UTF-8 used for names on the host file system.
std::string ToUtf8(std::u16string_view s);
std::u16string FromUtf8(std::string_view s);

}  // namespace plat

// Copies the Windows directory into lpBuffer. Returns its length without the
// terminator, or, when uSize is too small, the size needed including the terminator.
UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize);

// Same for the system directory (<Windows directory>\System32).
UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);

// Windows current directory for relative paths (a Windows path). Returns FALSE
// with ERROR_PATH_NOT_FOUND when the folder does not exist in the machine root.
BOOL SetCurrentDirectoryW(LPCWSTR lpPathName);

// Copies the Windows current directory; same length rules as GetWindowsDirectoryW.
// Returns 0 when none was set.
DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
