// Starting programs that belong to the stand-in machine itself: "cmd /c ...",
// "RUNDLL32 printui.dll,PrintUIEntry ..." (PrintUi.h) and "net start|stop <service>"
// (ServiceManager.h) run in this process, synchronously; every other command line
// goes to CreateProcessW (Process.h) and runs as a real program.
#pragma once

#include <string>
#include <string_view>

#include "platform/Process.h"
#include "platform/Win32Types.h"

// Simple program start without waiting; returns a value above 31 on success, else
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND / ERROR_BAD_FORMAT as Windows does.
// lpCmdLine is in the ANSI code page.
UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow);

namespace plat {

// True when the command line is served by a machine program in this process.
bool IsMachineProgram(std::u16string_view commandLine);

// Runs a machine program; returns its exit code.
DWORD RunMachineProgram(std::u16string_view commandLine);

// A started program (RAII: its handles are closed on destruction).
class SystemProcess {
public:
    SystemProcess() = default;
    SystemProcess(const SystemProcess&) = delete;
    SystemProcess& operator=(const SystemProcess&) = delete;
    ~SystemProcess();

    // Starts the command line the way CreateProcessW does (no application name, no
    // handle inheritance, the given start-up information). FALSE with the last error.
    BOOL Start(std::u16string_view commandLine, STARTUPINFOW& startupInfo);
    // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (a machine program has ended already).
    DWORD Wait(DWORD milliseconds);
    // Exit code (STILL_ACTIVE while running).
    DWORD ExitCode() const;

private:
    bool m_machineProgram = false;
    DWORD m_exitCode = STILL_ACTIVE;
    PROCESS_INFORMATION m_info{};
};

}  // namespace plat
