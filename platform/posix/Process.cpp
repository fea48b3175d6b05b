// CreateProcessW and process handles.
#include "platform/Process.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/posix/HostLaunch.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;
using namespace plat::detail;

namespace {

struct ProcessObject : KernelObject {
    pid_t pid = 0;
    std::mutex mutex;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;

    // Reaps the process if it ended; with `block`, waits for it.
    bool Poll(bool block) {
        std::lock_guard lock(mutex);
        if (exited) return true;
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r != pid) return false;
        exited = true;
        exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                     : 128u + static_cast<DWORD>(WTERMSIG(status));
        return true;
    }

    ~ProcessObject() override {
        if (!exited && pid > 0) {
            // Nobody waits any more: reap it in the background so it leaves no zombie.
            const pid_t p = pid;
            std::thread([p] {
                int status = 0;
                while (::waitpid(p, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        }
    }
};

struct ThreadObject : KernelObject {};

}  // namespace

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, void*, void*, BOOL, DWORD, void*,
                    LPCWSTR lpCurrentDirectory, STARTUPINFOW*, PROCESS_INFORMATION* lpProcessInformation) {
    if (lpProcessInformation == nullptr || (lpApplicationName == nullptr && lpCommandLine == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpProcessInformation = PROCESS_INFORMATION{};
    std::vector<std::u16string> tokens = plat::SplitCommandLine(View(lpCommandLine));
    std::u16string program;
    if (lpApplicationName != nullptr) {
        program.assign(View(lpApplicationName));
    } else if (!tokens.empty()) {
        program = tokens.front();
    }
    if (!tokens.empty()) tokens.erase(tokens.begin());  // argv[0]
    fs::path workDir;
    if (lpCurrentDirectory != nullptr) {
        workDir = plat::MapWindowsPath(View(lpCurrentDirectory));
        struct stat st{};
        if (workDir.empty() || ::stat(workDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    } else {
        char16_t cur[1024];
        const DWORD n = GetCurrentDirectoryW(1024, cur);
        if (n > 0 && n < 1024) workDir = plat::MapWindowsPath(std::u16string_view(cur, n));
    }
    const auto exe = FindProgram(program, View(lpCurrentDirectory));
    if (!exe) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const pid_t pid = LaunchHost(*exe, tokens, workDir, false);
    if (pid < 0) {
        SetLastError(-pid == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ErrnoToWin32(-pid));
        return FALSE;
    }
    auto proc = std::make_shared<ProcessObject>();
    proc->pid = pid;
    lpProcessInformation->hProcess = KernelHandles().Add(proc);
    lpProcessInformation->hThread = KernelHandles().Add(std::make_shared<ThreadObject>());
    lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
    lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto proc = std::dynamic_pointer_cast<ProcessObject>(KernelHandles().Get(hHandle));
    if (!proc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (dwMilliseconds == INFINITE) {
        proc->Poll(true);
        return WAIT_OBJECT_0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    for (;;) {
        if (proc->Poll(false)) return WAIT_OBJECT_0;
        if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    auto proc = std::dynamic_pointer_cast<ProcessObject>(KernelHandles().Get(hProcess));
    if (!proc || lpExitCode == nullptr) {
        SetLastError(proc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    proc->Poll(false);
    std::lock_guard lock(proc->mutex);
    *lpExitCode = proc->exitCode;
    return TRUE;
}

namespace plat {

std::vector<std::u16string> SplitCommandLine(std::u16string_view cmd) {
    std::vector<std::u16string> out;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < cmd.size() && (cmd[i] == u' ' || cmd[i] == u'\t')) ++i;
    };
    skipBlanks();
    if (i >= cmd.size()) return out;
    // The program name: quotes group, backslashes are plain characters.
    {
        std::u16string arg;
        if (cmd[i] == u'"') {
            ++i;
            while (i < cmd.size() && cmd[i] != u'"') arg.push_back(cmd[i++]);
            if (i < cmd.size()) ++i;
        } else {
            while (i < cmd.size() && cmd[i] != u' ' && cmd[i] != u'\t') arg.push_back(cmd[i++]);
        }
        out.push_back(std::move(arg));
    }
    for (;;) {
        skipBlanks();
        if (i >= cmd.size()) break;
        std::u16string arg;
        bool quoted = false;
        while (i < cmd.size()) {
            const char16_t c = cmd[i];
            if (!quoted && (c == u' ' || c == u'\t')) break;
            if (c == u'\\') {
                size_t n = 0;
                while (i < cmd.size() && cmd[i] == u'\\') {
                    ++n;
                    ++i;
                }
                if (i < cmd.size() && cmd[i] == u'"') {
                    arg.append(n / 2, u'\\');
                    if (n % 2) {
                        arg.push_back(u'"');
                        ++i;
                    }
                } else {
                    arg.append(n, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < cmd.size() && cmd[i + 1] == u'"') {
                    arg.push_back(u'"');  // "" inside quotes is a quote
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg.push_back(c);
            ++i;
        }
        out.push_back(std::move(arg));
    }
    return out;
}

}  // namespace plat
