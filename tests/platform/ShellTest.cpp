#include <chrono>
#include <thread>

#include "TempMachine.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "platform/Shell.h"

namespace fs = std::filesystem;

class ShellTest : public TempMachine {
protected:
    void WriteScript(const fs::path& p, const std::string& body, bool executable = true) {
        WriteHost(p, "#!/bin/sh\n" + body);
        if (executable) fs::permissions(p, fs::perms::owner_all, fs::perm_options::add);
    }
    // Waits up to 5 s for a file written by a detached program.
    std::string WaitForFile(const fs::path& p) {
        for (int i = 0; i < 500 && !fs::exists(p.parent_path() / "done"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ReadHost(p);
    }
};

TEST_F(ShellTest, ShellExecuteRunsTheScriptInTheMappedFolder) {
    const fs::path dir = root / "C" / "Windows" / "MKT-G450";
    WriteScript(dir / "VKRPreview.exe",
                "printf '%s|%s|%s|%s' \"$1\" \"$#\" \"$(pwd)\" \"$MKT_MACHINE\" > out.txt\n: > done\n");
    const HINSTANCE r = ShellExecuteW(nullptr, nullptr, u"VKRPreview.exe", u"\"MKT G450 (copy)\"",
                                      u"C:\\windows\\mkt-g450\\", SW_SHOWNORMAL);
    ASSERT_GT(reinterpret_cast<INT_PTR>(r), 32);
    EXPECT_EQ(WaitForFile(dir / "out.txt"),
              "MKT G450 (copy)|1|" + fs::canonical(dir).string() + "|" + root.string());
}

TEST_F(ShellTest, ShellExecuteMissingFileOrFolder) {
    HINSTANCE r = ShellExecuteW(nullptr, u"open", u"VKRPreview.exe", u"x", u"C:\\Windows\\MKT-G450\\", SW_SHOWNORMAL);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(r), SE_ERR_PNF);
    fs::create_directories(root / "C" / "Windows" / "MKT-G450");
    r = ShellExecuteW(nullptr, u"open", u"VKRPreview.exe", u"x", u"C:\\Windows\\MKT-G450\\", SW_SHOWNORMAL);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(r), SE_ERR_FNF);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ShellTest, CreateProcessWaitsAndGivesTheExitCode) {
    // Found by bare name in the system folder, run through /bin/sh without the execute bit.
    WriteScript(root / "C" / "Windows" / "System32" / "net.exe",
                "printf '%s;' \"$@\" > \"$MKT_MACHINE/C/args.txt\"\nexit 3\n", false);
    char16_t cmd[] = u"net stop \"Print Spooler\" a\\\\\\\"b";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << GetLastError();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_EQ(ReadHost(root / "C" / "args.txt"), "stop;Print Spooler;a\\\"b;");

    char16_t missing[] = u"C:\\Windows\\System32\\nothing.exe /q";
    EXPECT_FALSE(CreateProcessW(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ShellTest, WaitTimesOutWhileTheProgramRuns) {
    WriteScript(root / "C" / "slow.exe", "sleep 2\n");
    char16_t cmd[] = u"C:\\slow.exe";
    STARTUPINFOW si{};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, u"C:\\", &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 50), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST(CommandLine, WindowsSplittingRules) {
    EXPECT_EQ(plat::SplitCommandLine(u"\"C:\\Program Files\\a.exe\" x \"y z\" a\\\\b \"q\"\"q\" \\\"w"),
              (std::vector<std::u16string>{u"C:\\Program Files\\a.exe", u"x", u"y z", u"a\\\\b", u"q\"q", u"\"w"}));
    EXPECT_TRUE(plat::SplitCommandLine(u"   ").empty());
}
