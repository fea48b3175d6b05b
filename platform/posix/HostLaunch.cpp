#include "platform/posix/HostLaunch.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/MachineRoot.h"

extern char** environ;

namespace fs = std::filesystem;

namespace plat::detail {

namespace {

bool IsRegularFile(const fs::path& p) {
    struct stat st{};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasPath(std::u16string_view s) {
    return s.find(u'\\') != std::u16string_view::npos || s.find(u'/') != std::u16string_view::npos ||
           (s.size() >= 2 && s[1] == u':');
}

std::optional<fs::path> TryWithExe(const std::u16string& winPath) {
    auto p = MapWindowsPath(winPath);
    if (IsRegularFile(p)) return p;
    p = MapWindowsPath(winPath + u".exe");
    if (IsRegularFile(p)) return p;
    return std::nullopt;
}

bool StartsWithShebang(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    char c[2] = {0, 0};
    in.read(c, 2);
    return c[0] == '#' && c[1] == '!';
}

}  // namespace

std::optional<fs::path> FindProgram(std::u16string_view program, std::u16string_view firstDir) {
    if (program.empty()) return std::nullopt;
    const std::u16string prog(program);
    if (HasPath(prog)) return TryWithExe(prog);
    std::vector<std::u16string> dirs;
    if (!firstDir.empty()) dirs.emplace_back(firstDir);
    char16_t cur[1024];
    const DWORD n = GetCurrentDirectoryW(1024, cur);
    if (n > 0 && n < 1024) dirs.emplace_back(cur, n);
    dirs.push_back(GetSystemDirectoryString());
    dirs.push_back(GetWindowsDirectoryString());
    for (auto& d : dirs) {
        if (auto p = TryWithExe(d + u"\\" + prog)) return p;
    }
    return std::nullopt;
}

pid_t LaunchHost(const fs::path& program, const std::vector<std::u16string>& args, const fs::path& workDir,
                 bool detach) {
    std::vector<std::string> argStrings;
    struct stat st{};
    if (::stat(program.c_str(), &st) != 0) return -errno;
    const bool executable = (st.st_mode & S_IXUSR) != 0;
    std::string exe = program.string();
    if (!executable) {
        if (!StartsWithShebang(program)) return -ENOEXEC;
        exe = "/bin/sh";
        argStrings.push_back("sh");
        argStrings.push_back(program.string());
    } else {
        argStrings.push_back(program.string());
    }
    for (auto& a : args) argStrings.push_back(ToUtf8(a));
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "MKT_MACHINE=", 12) != 0) envStrings.emplace_back(*e);
    if (HasMachineRoot()) envStrings.push_back("MKT_MACHINE=" + GetMachineRoot().string());
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (detach) posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -rc;
    if (detach) {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    return pid;
}

}  // namespace plat::detail
