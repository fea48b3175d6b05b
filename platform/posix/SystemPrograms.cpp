#include "platform/SystemPrograms.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/PrintUi.h"
#include "platform/ServiceManager.h"
#include "platform/posix/Internal.h"

namespace {

using plat::detail::EqualsNoCase;

bool IsProgram(std::u16string_view token, std::u16string_view name) {
    if (EqualsNoCase(token, name)) return true;
    const std::u16string withExe = std::u16string(name) + u".exe";
    return EqualsNoCase(token, withExe);
}

// Position in the command line just after the text `what` (case-insensitive), or npos.
size_t After(std::u16string_view s, std::u16string_view what) {
    for (size_t i = 0; i + what.size() <= s.size(); ++i)
        if (EqualsNoCase(s.substr(i, what.size()), what)) return i + what.size();
    return std::u16string_view::npos;
}

enum class Kind { None, PrintUi, Net };

Kind Classify(std::u16string_view commandLine, std::vector<std::u16string>& tokens) {
    tokens = plat::SplitCommandLine(commandLine);
    size_t first = 0;
    if (tokens.size() >= 2 && IsProgram(tokens[0], u"cmd") && EqualsNoCase(tokens[1], u"/c"))
        first = 2;
    if (tokens.size() >= first + 2 && IsProgram(tokens[first], u"rundll32") &&
        EqualsNoCase(tokens[first + 1], u"printui.dll,PrintUIEntry"))
        return Kind::PrintUi;
    if (tokens.size() == first + 3 && IsProgram(tokens[first], u"net") &&
        (EqualsNoCase(tokens[first + 1], u"start") || EqualsNoCase(tokens[first + 1], u"stop"))) {
        tokens.erase(tokens.begin(), tokens.begin() + static_cast<long>(first));
        return Kind::Net;
    }
    return Kind::None;
}

}  // namespace

namespace plat {

bool IsMachineProgram(std::u16string_view commandLine) {
    std::vector<std::u16string> tokens;
    return Classify(commandLine, tokens) != Kind::None;
}

DWORD RunMachineProgram(std::u16string_view commandLine) {
    std::vector<std::u16string> tokens;
    switch (Classify(commandLine, tokens)) {
        case Kind::PrintUi: {
            const size_t pos = After(commandLine, u"printui.dll,PrintUIEntry");
            return RunPrintUiEntry(commandLine.substr(pos));
        }
        case Kind::Net:
            return NetCommand(tokens[1], tokens[2]);
        case Kind::None:
            break;
    }
    return ERROR_FILE_NOT_FOUND;
}

SystemProcess::~SystemProcess() {
    if (m_info.hThread) CloseHandle(m_info.hThread);
    if (m_info.hProcess) CloseHandle(m_info.hProcess);
}

BOOL SystemProcess::Start(std::u16string_view commandLine, STARTUPINFOW& startupInfo) {
    if (IsMachineProgram(commandLine)) {
        m_machineProgram = true;
        m_exitCode = RunMachineProgram(commandLine);
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    std::u16string buffer(commandLine);
    return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startupInfo, &m_info);
}

DWORD SystemProcess::Wait(DWORD milliseconds) {
    if (m_machineProgram) return WAIT_OBJECT_0;
    if (!m_info.hProcess) return WAIT_FAILED;
    return WaitForSingleObject(m_info.hProcess, milliseconds);
}

DWORD SystemProcess::ExitCode() const {
    if (m_machineProgram) return m_exitCode;
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess) GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

}  // namespace plat

UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
    if (!lpCmdLine) return 0;
    const int chars = MultiByteToWideChar(CP_ACP, 0, lpCmdLine, -1, nullptr, 0);
    if (chars <= 0) return 0;
    std::u16string cmd(static_cast<size_t>(chars), u'\0');
    MultiByteToWideChar(CP_ACP, 0, lpCmdLine, -1, cmd.data(), chars);
    cmd.resize(static_cast<size_t>(chars - 1));
    if (plat::IsMachineProgram(cmd)) {
        plat::RunMachineProgram(cmd);
        return 33;
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(uCmdShow);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        const DWORD e = GetLastError();
        return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == 11) ? e : 0;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 33;
}
