#include "installer/app/StandInSession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/MachineRoot.h"
#include "platform/StandInMachine.h"
#include "platform/SystemInfo.h"

namespace installer {

namespace fs = std::filesystem;

namespace {

std::atomic<bool> g_activationRequested{false};
int g_liveFd = -1;  // shared lock held while this instance runs

void OnActivationSignal(int) { g_activationRequested = true; }

class FileLock {
public:
    explicit FileLock(const fs::path& path) : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
    }
    ~FileLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

struct SharedData {
    long counter = 0;
    long firstPid = 0;
};

SharedData ReadShared(int fd) {
    SharedData d;
    char buf[64] = {};
    if (::pread(fd, buf, sizeof(buf) - 1, 0) > 0) std::sscanf(buf, "%ld %ld", &d.counter, &d.firstPid);
    return d;
}

void WriteShared(int fd, const SharedData& d) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof(buf), "%ld %ld\n", d.counter, d.firstPid);
    if (::ftruncate(fd, 0) == 0 && n > 0) {
        [[maybe_unused]] ssize_t w = ::pwrite(fd, buf, static_cast<size_t>(n), 0);
    }
}

fs::path SharedFile() { return plat::GetMachineRoot() / "SHAREDAT"; }

}  // namespace

bool EnterPackageFolder(std::string& reason) {
    plat::EnsureStandInMachine();
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(plat::GetMachineRoot(), ec);
    const fs::path cwd = fs::current_path(ec);
    const fs::path rel = cwd.lexically_relative(root);
    if (rel.empty() || *rel.begin() == ".." || rel.begin()->string().size() != 1 ||
        !std::isalpha(static_cast<unsigned char>(rel.begin()->string()[0]))) {
        reason = "run it from the package folder inside the machine root (" + root.string() +
                 "/C/...), not from " + cwd.string();
        return false;
    }
    std::u16string win = plat::FromUtf8(rel.begin()->string()) + u":";
    bool first = true;
    for (const auto& part : rel) {
        if (first) { first = false; continue; }
        if (part == ".") continue;
        win += u"\\" + plat::FromUtf8(part.string());
    }
    if (win.size() == 2) win += u"\\";
    if (!SetCurrentDirectoryW(win.c_str())) {
        reason = "the folder " + plat::ToUtf8(win) + " is not known to the machine root";
        return false;
    }
    plat::SetModuleFileName(win + (win.back() == u'\\' ? u"" : u"\\") + u"MKTG450_Installer.exe");
    return true;
}

long IncrementInstanceCounter() {
    struct sigaction sa {};
    sa.sa_handler = OnActivationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &sa, nullptr);

    const fs::path path = SharedFile();
    FileLock guard(fs::path(path.string() + ".lock"));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    SharedData d = ReadShared(fd);
    // No instance holds its shared lock: the section is new.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        d = SharedData{};
        ::flock(fd, LOCK_SH);
    } else {
        ::flock(fd, LOCK_SH);
    }
    ++d.counter;
    if (d.counter == 1) d.firstPid = static_cast<long>(::getpid());
    WriteShared(fd, d);
    if (g_liveFd >= 0) ::close(g_liveFd);
    g_liveFd = fd;
    return d.counter;
}

void LeaveInstancesForTests() {
    if (g_liveFd >= 0) ::close(g_liveFd);
    g_liveFd = -1;
    g_activationRequested = false;
}

int ActivateRunningInstance() {
    const int fd = ::open(SharedFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 1;
    const SharedData d = ReadShared(fd);
    ::close(fd);
    if (d.firstPid <= 0 || d.firstPid == static_cast<long>(::getpid())) return 1;
    return ::kill(static_cast<pid_t>(d.firstPid), SIGUSR1) == 0 ? 0 : 1;
}

bool TakeActivationRequest() { return g_activationRequested.exchange(false); }

bool HasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

}  // namespace installer
