// ShellExecuteW: starts a program of the machine root, detached.
#include "platform/Shell.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/posix/HostLaunch.h"
#include "platform/posix/Internal.h"

namespace fs = std::filesystem;
using namespace plat::detail;

namespace {
HINSTANCE ShellResult(INT_PTR v) { return reinterpret_cast<HINSTANCE>(v); }
constexpr INT_PTR kSeErrNoAssoc = 31;
}  // namespace

HINSTANCE ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                        LPCWSTR lpDirectory, INT) {
    const std::u16string_view verb = View(lpOperation);
    if (!verb.empty() && !EqualsNoCase(verb, u"open") && !EqualsNoCase(verb, u"runas")) {
        SetLastError(ERROR_NO_ASSOCIATION);
        return ShellResult(kSeErrNoAssoc);
    }
    fs::path workDir;
    if (!View(lpDirectory).empty()) {
        workDir = plat::MapWindowsPath(View(lpDirectory));
        struct stat st{};
        if (workDir.empty() || ::stat(workDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return ShellResult(SE_ERR_PNF);
        }
    }
    const auto exe = FindProgram(View(lpFile), View(lpDirectory));
    if (!exe) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ShellResult(SE_ERR_FNF);
    }
    // Parameters are split like a command line that follows a program name.
    std::vector<std::u16string> args = plat::SplitCommandLine(u"x " + std::u16string(View(lpParameters)));
    args.erase(args.begin());
    const pid_t pid = LaunchHost(*exe, args, workDir, true);
    if (pid < 0) {
        if (-pid == ENOEXEC) {
            SetLastError(ERROR_NO_ASSOCIATION);
            return ShellResult(kSeErrNoAssoc);
        }
        SetLastError(ErrnoToWin32(-pid));
        return ShellResult(SE_ERR_ACCESSDENIED);
    }
    SetLastError(ERROR_SUCCESS);
    return ShellResult(42);
}
