// Runs a program that faults on purpose inside the guard and reads the files it leaves.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

struct ProbeRun {
    int status = 0;
    std::string report;  // ERRORLOG.TXT as ASCII
    bool hasBom = false;
    bool hasDump = false;
    std::string dump;
};

ProbeRun RunProbe(const std::string& what) {
    const fs::path folder = fs::temp_directory_path() / ("crash_probe_" + what + "_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string command = std::string("ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:handle_abort=0 '") +
                                CRASH_PROBE + "' '" + folder.string() + "' " + what + " 2>/dev/null";
    ProbeRun run;
    run.status = std::system(command.c_str());
    std::ifstream in(folder / "ERRORLOG.TXT", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    run.hasBom = raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) run.report.push_back(raw[i]);
    run.hasDump = fs::exists(folder / "CRASH.DMP");
    std::ifstream dumpIn(folder / "CRASH.DMP");
    run.dump.assign((std::istreambuf_iterator<char>(dumpIn)), std::istreambuf_iterator<char>());
    fs::remove_all(folder);
    return run;
}

}  // namespace

TEST(CrashGuard, IntegerDivisionByZeroWritesTheReportAndTheDump) {
    const ProbeRun run = RunProbe("divide");
    EXPECT_TRUE(WIFSIGNALED(run.status) || WEXITSTATUS(run.status) != 0);
    ASSERT_TRUE(run.hasBom);
    EXPECT_EQ(run.report.rfind("crash_probe caused an Integer Divide by Zero (0xc0000094) \r\nin module crash_probe at ", 0), 0u)
        << run.report.substr(0, 200);
    EXPECT_NE(run.report.find("Exception handler called in ExceptionAttacher - AfxWinMain.\r\n"), std::string::npos);
    EXPECT_NE(run.report.find("\r\nContext:\r\nRDI:    0x"), std::string::npos);
    EXPECT_NE(run.report.find("\r\nBytes at CS:RIP:\r\n"), std::string::npos);
    EXPECT_NE(run.report.find("\r\n\r\nStack:\r\n0x"), std::string::npos);
    EXPECT_NE(run.report.find("Module 1\r\n"), std::string::npos);
    EXPECT_NE(run.report.find("crash_probe\r\nImage Base: 0x"), std::string::npos);
    EXPECT_EQ(run.report.find("location"), std::string::npos);  // no access-violation line
    const std::string trailer = "\r\n===== [end of ERRORLOG.TXT] =====\r\n";
    ASSERT_GE(run.report.size(), trailer.size());
    EXPECT_EQ(run.report.substr(run.report.size() - trailer.size()), trailer);
    EXPECT_TRUE(run.hasDump);
    EXPECT_NE(run.dump.find("exception code 0xc0000094"), std::string::npos);
}

TEST(CrashGuard, WriteToAddressZeroNamesTheLocation) {
    const ProbeRun run = RunProbe("null");
    ASSERT_TRUE(run.hasBom);
    EXPECT_NE(run.report.find("crash_probe caused an Access Violation (0xc0000005)"), std::string::npos);
    EXPECT_NE(run.report.find("Write to location 00000000 caused an access violation.\r\n"), std::string::npos)
        << run.report.substr(0, 400);
}

TEST(CrashGuard, AbortIsReportedAsAnUnknownExceptionType) {
    const ProbeRun run = RunProbe("abort");
    ASSERT_TRUE(run.hasBom);
    EXPECT_NE(run.report.find("crash_probe caused an Unknown exception type (0x40000015)"), std::string::npos);
    EXPECT_TRUE(WIFSIGNALED(run.status) || WEXITSTATUS(run.status) != 0);
}
