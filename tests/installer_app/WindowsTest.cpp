// The installer's windows on a display: a virtual X server (Xvfb) for each test, the
// program run interactively, screenshots of both dialogs, and an installation of a
// network printer driven by simulated clicks and keys (xdotool).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/installer_app/ProgramRunner.h"
#include "tests/installer_ops/InstallerFixture.h"

namespace {

const std::u16string kPrinter = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\VARNOKE MKT-G450";

bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process, killed and reaped when it goes.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }
    // Runs `argv` in `folder` with extra environment entries.
    bool Start(const std::vector<std::string>& argv, const fs::path& folder,
               const std::vector<std::pair<std::string, std::string>>& env,
               const fs::path& errorFile = {}) {
        m_pid = ::fork();
        if (m_pid < 0) return false;
        if (m_pid == 0) {
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
            for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            const int devnull = ::open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                ::dup2(devnull, 1);
                ::dup2(devnull, 2);
            }
            if (!errorFile.empty()) {
                const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (err >= 0) ::dup2(err, 2);
            }
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        return true;
    }
    // Waits up to `limit` for the end; the exit status, or -1 when still running.
    int Wait(std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (m_pid > 0) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > until) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void Stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            if (Wait(std::chrono::milliseconds(2000)) == -1 && m_pid > 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
            }
            m_pid = -1;
        }
    }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

int PngWidth(const std::string& png) {
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return -1;
    return (static_cast<unsigned char>(png[16]) << 24) | (static_cast<unsigned char>(png[17]) << 16) |
           (static_cast<unsigned char>(png[18]) << 8) | static_cast<unsigned char>(png[19]);
}

}  // namespace

class WindowsTest : public InstallerMachine {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "import"})
            if (!HaveTool(tool))
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it); "
                             << "the windows cannot be shown without it";
        InstallerMachine::SetUp();
        // A display number of this process's own, free of other test processes.
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int n = 300 + static_cast<int>((::getpid() + attempt * 7) % 600);
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
                fs::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            display = ":" + std::to_string(n);
            ASSERT_TRUE(xvfb.Start({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, {}));
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (xvfb.Wait(std::chrono::milliseconds(0)) == -1) return;  // running
        }
        FAIL() << "no free display for Xvfb";
    }
    void TearDown() override {
        installer.Stop();
        xvfb.Stop();
        InstallerMachine::TearDown();
    }

    void StartInstaller(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {MKT_INSTALLER_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        // Font configuration caches of the X libraries stay allocated at exit; that is
        // not ours to report in sanitizer builds.
        WriteHost(root / "lsan.supp", "leak:libfontconfig\nleak:libX11\nleak:libXft\n");
        ASSERT_TRUE(installer.Start(argv, package,
                                    {{"DISPLAY", display},
                                     {"MKT_MACHINE", root.string()},
                                     {"LSAN_OPTIONS", "suppressions=" + (root / "lsan.supp").string()}},
                                    root / "installer.err"));
    }
    // Runs an X tool on the test's display; its standard output.
    std::string X(const std::string& command) {
        const ProgramRun run = RunProgram(root, "env DISPLAY=" + display + " timeout 15 " + command, root);
        return run.out;
    }
    // The id of the visible window titled `title` (waits up to 15 s).
    std::string WindowId(const std::string& title) {
        std::string id = X("xdotool search --sync --onlyvisible --name '^" + title + "$'");
        if (const size_t nl = id.find('\n'); nl != std::string::npos) id.resize(nl);
        return id;
    }
    void Click(const std::string& window, int x, int y) {
        X("xdotool mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
          " click 1");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    void TypeInto(const std::string& window, int x, int y, const std::string& text) {
        Click(window, x, y);
        X("xdotool key ctrl+a BackSpace type --delay 20 '" + text + "'");
    }
    // Screenshot of a window into the build folder, and into docs/images when asked.
    std::string Screenshot(const std::string& window, const std::string& name) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it draw
        const fs::path file = root / name;
        X("import -window " + window + " '" + file.string() + "'");
        const std::string png = SlurpFile(file);
        if (std::getenv("MKT_UPDATE_SCREENSHOTS") && !png.empty())
            fs::copy_file(file, fs::path(MKT_SCREENSHOT_DIR) / name, fs::copy_options::overwrite_existing);
        return png;
    }

    std::string display;
    Child xvfb;
    Child installer;
};

TEST_F(WindowsTest, BothDialogsAsShownAndANetworkInstallationByClicks) {
    // Pre-filled from the command line: COM2 selected, address fields disabled.
    StartInstaller({"/install", "COM2", "10.0.0.5", "9101"});
    const std::string port = WindowId("Port Type");
    const std::string progress = WindowId("Installation Progress");
    ASSERT_FALSE(port.empty());
    ASSERT_FALSE(progress.empty());

    // Choose "Wireless LAN": the address fields become enabled; fill them in.
    Click(port, 160, 172);
    TypeInto(port, 251, 202, "192");
    TypeInto(port, 292, 202, "168");
    TypeInto(port, 333, 202, "0");
    TypeInto(port, 374, 202, "77");
    TypeInto(port, 272, 232, "9101");
    const std::string portPng = Screenshot(port, "installer-port-dialog.png");
    EXPECT_EQ(PngWidth(portPng), 420);

    Click(port, 366, 276);  // Next
    const std::string progressPng = Screenshot(progress, "installer-progress.png");
    EXPECT_EQ(PngWidth(progressPng), 520);

    // The interactive run ends with the restart question; answer "No" with Escape.
    const std::string question = WindowId("MKTG450_Installer");
    ASSERT_FALSE(question.empty());
    X("xdotool mousemove --sync --window " + question + " 5 5 key Escape");
    EXPECT_EQ(installer.Wait(std::chrono::seconds(10)), 0) << SlurpFile(root / "installer.err");

    EXPECT_EQ(RegText(kPrinter, u"Port"), u"IP_192.168.0.77");
    EXPECT_EQ(RegText(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.77",
                      u"HostName"),
              u"192.168.0.77");
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedRadio : m_nPort_Type = 19"));
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedNext :PORT NUMBER : 9101"));
    EXPECT_TRUE(Logged(u"Installprinter : strIPAddress = 192.168.0.77"));
    // "No" does not restart the machine.
    EXPECT_FALSE(KeyExists(u"SYSTEM\\MktStandIn\\Shutdown"));
}

TEST_F(WindowsTest, ClosingThePortDialogCancelsTheInstallation) {
    StartInstaller({"/x"});
    const std::string port = WindowId("Port Type");
    ASSERT_FALSE(port.empty());
    X("xdotool mousemove --sync --window " + port + " 20 280 key Escape");
    const std::string box = WindowId("MKTG450_Installer");
    ASSERT_FALSE(box.empty());
    X("xdotool mousemove --sync --window " + box + " 5 5 key Return");
    EXPECT_EQ(installer.Wait(std::chrono::seconds(10)), 0) << SlurpFile(root / "installer.err");
    EXPECT_TRUE(Logged(u"Installprinter : The driver installation canceled."));
    EXPECT_FALSE(KeyExists(kPrinter));
}
