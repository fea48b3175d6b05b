// The diagnostic log: file names, line format, cuts, byte-order mark, switch-off and clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "PluginHarness.h"
#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/DebugLogCleanup.h"
#include "platform/Files.h"
#include "platform/LastError.h"

namespace {

namespace fs = std::filesystem;

class DebugLog : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        fs::create_directories(m_root / "C" / "temp");
    }
    fs::path LogFolder() const { return HostPath(u"C:\\temp\\MKT-G450"); }
    std::string ReadText(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (!fs::exists(LogFolder())) return names;
        for (const auto& e : fs::directory_iterator(LogFolder())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A file in the log folder with a given size (sparse) and last-write date (UTC).
    void MakeFile(const std::string& name, std::uintmax_t size, int year, int month, int day) {
        fs::create_directories(LogFolder());
        const fs::path p = LogFolder() / name;
        std::ofstream(p, std::ios::binary).put('x');
        fs::resize_file(p, size);
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(year);
        st.wMonth = static_cast<WORD>(month);
        st.wDay = static_cast<WORD>(day);
        st.wHour = 12;
        ASSERT_TRUE(plat::SetFileLastWriteTime(u"C:\\temp\\MKT-G450\\" + std::u16string(name.begin(), name.end()), st));
    }
};

TEST_F(DebugLog, FileNamesInsideAndOutsideAJob) {
    DebugLogA("outside %d", 1);
    DebugLogW(u"outside %d", 2);
    SetCurrentJobId(42);
    DebugLogA("inside");
    DebugLogW(u"inside");
    SetCurrentJobId(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"MKT-G450_0621_00042_OEMUNI.LOG", "MKT-G450_0621_00042_OEMUNI_W.LOG",
                                                 "MKT-G450_0621_0821_OEMUNI.LOG", "MKT-G450_0621_0821_OEMUNI_W.LOG"}));
}

TEST_F(DebugLog, LineFormatOfBothLogs) {
    SetLocalTime(2017, 6, 21, 8, 21, 57, 7);
    DebugLogA("OEMEnablePDEV : PRINTER NAME = %s", "VARNOKE MKT-G450");
    DebugLogA("n = %d", 5);
    EXPECT_EQ(ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI.LOG"),
              "08:21:57:007: OEMEnablePDEV : PRINTER NAME = VARNOKE MKT-G450 \r\n08:21:57:007: n = 5 \r\n");

    const std::u16string name = u"K\u00e4se";
    DebugLogW(u"OEMStartDoc : %s / %hs / %d", name.c_str(), "abc", 42);
    const std::string w = ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI_W.LOG");
    std::u16string expected = u"\uFEFF08:21:57:007: OEMStartDoc : K\u00e4se / abc / 42 \r\n";
    std::string bytes;
    for (char16_t c : expected) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    EXPECT_EQ(w, bytes);
    EXPECT_EQ(static_cast<unsigned char>(w[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(w[1]), 0xFE);
}

TEST_F(DebugLog, ByteOrderMarkOnlyOnANewWideFile) {
    DebugLogW(u"one");
    DebugLogW(u"two");
    const std::string w = ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI_W.LOG");
    EXPECT_EQ(w.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(w.find("\xFF\xFE", 2), std::string::npos);
    // An existing file that is empty counts as new.
    std::ofstream(LogFolder() / "MKT-G450_0621_00007_OEMUNI_W.LOG").close();
    SetCurrentJobId(7);
    DebugLogW(u"x");
    EXPECT_EQ(ReadText(LogFolder() / "MKT-G450_0621_00007_OEMUNI_W.LOG").substr(0, 2), "\xFF\xFE");
    // The narrow log never gets one.
    DebugLogA("x");
    EXPECT_EQ(ReadText(LogFolder() / "MKT-G450_0621_00007_OEMUNI.LOG").substr(0, 2), "08");
}

TEST_F(DebugLog, LinesAreCutAt259Characters) {
    const std::string message(300, 'm');
    DebugLogA("%s", message.c_str());
    const std::string line = ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI.LOG");
    // The message is cut to 259 characters, then the whole line: the time stamp takes 14, so
    // 245 message characters remain and the line end is lost with the rest.
    EXPECT_EQ(line.size(), 259u);
    EXPECT_EQ(line, "08:21:57:123: " + std::string(245, 'm'));

    const std::u16string wide(300, u'w');
    DebugLogW(u"%s", wide.c_str());
    const std::string w = ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI_W.LOG");
    EXPECT_EQ(w.size(), 2u + 259u * 2u);

    // A line that fits keeps its line end.
    const std::string fits(242, 'f');  // 14 + 242 + 3 = 259
    DebugLogA("%s", fits.c_str());
    EXPECT_EQ(ReadText(LogFolder() / "MKT-G450_0621_0821_OEMUNI.LOG").substr(259), "08:21:57:123: " + fits + " \r\n");
}

TEST_F(DebugLog, LoggingKeepsTheCallersLastError) {
    SetLastError(122);
    DebugLogA("x");
    DebugLogW(u"x");
    EXPECT_EQ(GetLastError(), 122u);
}

TEST_F(DebugLog, NoLogFolderMeansNoLogAndNoError) {
    fs::remove_all(m_root / "C" / "temp");
    DebugLogA("x");  // the folder is created one level only: without C:\temp nothing happens
    EXPECT_FALSE(fs::exists(m_root / "C" / "temp"));
}

TEST_F(DebugLog, SwitchOffRemovesDiagnosticFilesAndStopsEveryLog) {
    DebugLogA("before");
    MakeFile("page.BMP", 10, 2017, 6, 21);
    MakeFile("dump.BIN", 10, 2017, 6, 21);
    MakeFile("notes.txt", 10, 2017, 6, 21);
    MakeFile("lower.log", 10, 2017, 6, 21);  // the match is case-sensitive
    DisableDebugLog();
    EXPECT_EQ(Names(), (std::vector<std::string>{"lower.log", "notes.txt"}));
    fs::remove_all(LogFolder());
    DebugLogA("after");
    DebugLogW(u"after");
    EXPECT_FALSE(fs::exists(LogFolder()));
}

TEST_F(DebugLog, DeviceWithByte46ZeroSwitchesLoggingOff) {
    SetMisc({{46, 0}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    EXPECT_FALSE(IsDebugLogEnabled());
    EXPECT_TRUE(Names().empty());  // the lines written before the switch went with the files
    // A later device with logging on does not switch it back on.
    SetMisc({{46, 1}});
    PluginDevice second;
    ASSERT_EQ(second.Enable(m_hUsePrinter), S_OK);
    EXPECT_FALSE(IsDebugLogEnabled());
    EXPECT_TRUE(Names().empty());
}

TEST_F(DebugLog, CleanupBySize) {
    // 10 files of 40 MB (sparse): 400 MB > 300 MB, so every diagnostic file goes.
    for (int i = 0; i < 10; ++i) MakeFile("big" + std::to_string(i) + ".LOG", 40u << 20, 2017, 6, 21);
    MakeFile("notes.txt", 10, 2017, 6, 21);
    DebugLogCleanup();
    // Only notes.txt is left besides the clean-up's own log (whose first lines went with the rest,
    // and whose file, written today by the real clock, is old for the fixed 2017 clock).
    std::vector<std::string> left;
    for (const std::string& n : Names()) {
        if (n.rfind("MKT-G450_", 0) != 0) left.push_back(n);
    }
    EXPECT_EQ(left, (std::vector<std::string>{"notes.txt"}));
}

TEST_F(DebugLog, CleanupBySizeStaysBelowTheLimitAndCountsLow32Bits) {
    // Just below 300 MB (the rule's own first log line counts too) stays; just above goes.
    MakeFile("f0.BIN", 100u << 20, 2017, 6, 21);
    MakeFile("f1.BIN", 100u << 20, 2017, 6, 21);
    MakeFile("f2.BIN", (100u << 20) - 1000, 2017, 6, 21);
    DebugDeleteFilesbySize();
    EXPECT_EQ(Names().size(), 4u);  // three files and the log
    MakeFile("f3.BIN", 1000, 2017, 6, 21);
    DebugDeleteFilesbySize();
    EXPECT_EQ(Names(), (std::vector<std::string>{"MKT-G450_0621_0821_OEMUNI.LOG"}));
    // A 4 GB + 1 byte file counts as 1 byte (low 32 bits).
    fs::remove_all(LogFolder());
    MakeFile("huge.BIN", (std::uintmax_t{1} << 32) + 1, 2017, 6, 21);
    DebugDeleteFilesbySize();
    EXPECT_TRUE(fs::exists(LogFolder() / "huge.BIN"));
}

TEST_F(DebugLog, CleanupByAge) {
    // Today is 2017-06-21.
    MakeFile("four_days.LOG", 10, 2017, 6, 17);
    MakeFile("three_days.LOG", 10, 2017, 6, 18);
    MakeFile("ahead_three.BMP", 10, 2017, 6, 24);
    MakeFile("ahead_four.BMP", 10, 2017, 6, 25);
    MakeFile("last_month.LOG", 10, 2017, 5, 21);
    MakeFile("last_year.BIN", 10, 2016, 6, 21);
    MakeFile("old_notes.txt", 10, 2016, 1, 1);
    MakeFile("old.log", 10, 2016, 1, 1);
    fs::create_directories(LogFolder() / "sub.LOG");
    DebugDeleteFilesbyDate();
    EXPECT_EQ(Names(), (std::vector<std::string>{"MKT-G450_0621_0821_OEMUNI.LOG", "ahead_three.BMP", "old.log",
                                                 "old_notes.txt", "sub.LOG", "three_days.LOG"}));
}

}  // namespace
