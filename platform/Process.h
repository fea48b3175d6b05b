// Process start with the Windows shape. The program's Windows path is mapped into
// the machine root; on this platform the program found there is a host executable
// (for example a shell script). It runs with MKT_MACHINE set to the machine root.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"
#include "platform/Win32Types.h"

constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;
constexpr DWORD STARTF_USESHOWWINDOW = 0x1;

struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Starts a program. The program is lpApplicationName, or else the first token of
// lpCommandLine; the remaining tokens are split with the Windows command-line rules
// and become its arguments. A program given without a folder is looked for in the
// current directory, the system directory and the Windows directory of the machine
// root, also with ".exe" added. lpCurrentDirectory (a Windows path) becomes the
// working directory (default: the Windows current directory, else the real one).
// Fails with ERROR_FILE_NOT_FOUND when the program is not found. The process and
// thread handles must be closed with CloseHandle (platform/Handles.h).
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                    void* lpProcessAttributes, void* lpThreadAttributes, BOOL bInheritHandles,
                    DWORD dwCreationFlags, void* lpEnvironment, LPCWSTR lpCurrentDirectory,
                    STARTUPINFOW* lpStartupInfo, PROCESS_INFORMATION* lpProcessInformation);

// Waits for a process handle: WAIT_OBJECT_0 when it ended, WAIT_TIMEOUT, WAIT_FAILED.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Exit code of a process (STILL_ACTIVE while it runs; 128 + signal when killed).
BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode);

namespace plat {

// Splits a command line with the Windows rules (quotes, backslashes before quotes).
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

}  // namespace plat
