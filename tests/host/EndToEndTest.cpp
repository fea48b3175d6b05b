// The built mkt450 run as a user runs it: unusable input, and jobs printed through MKUNI450
// compared with the bytes the command tables give.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/MachineRoot.h"
#include "platform/Printers.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("mkt450-e2e-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    RunResult Run(const std::vector<std::string>& args) {
        std::string cmd = Quote(MKT450_EXE);
        for (const auto& a : args) cmd += " " + Quote(a);
        cmd += " >" + Quote((m_dir / "stdout.txt").string()) + " 2>" + Quote((m_dir / "stderr.txt").string());
        RunResult r;
        const int rc = std::system(cmd.c_str());
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = ReadText(m_dir / "stdout.txt");
        r.err = ReadText(m_dir / "stderr.txt");
        return r;
    }

    static bool HavePlugin() { return fs::exists(MKT_PLUGIN_FILE); }
    static std::string Data(const std::string& name) { return std::string(MKT_TEST_DATA_DIR) + "/" + name; }

    // Files in the test folder other than the captured output streams.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) {
            const std::string n = e.path().filename().string();
            if (n != "stdout.txt" && n != "stderr.txt") names.push_back(n);
        }
        return names;
    }

    fs::path m_dir;
};

// The end of every page that produced output (tear-position feed with 175 dots and the page
// identifier), and the end of the document (the feed alone).
Bytes PageEnd(unsigned page) {
    return {0x00, 0x1B, 0x33, 0x00, 0x00, 0x1B, 0x4A, 0xAF, 0x1B, 0x32, 0x0C, 0x00, 0x08,
            static_cast<unsigned char>(page & 0xFF), static_cast<unsigned char>(page >> 8)};
}
const Bytes kDocEnd = {0x00, 0x1B, 0x33, 0x00, 0x00, 0x1B, 0x4A, 0xAF, 0x1B, 0x32, 0x0C};
const Bytes kInitialise = {0x1B, 0x40, 0x1B, 0x3D, 0x01};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(EndToEnd, UnusableInputExitsTwoWithOneLineAndNoOutput) {
    struct Case {
        std::string job;
        std::string expected;
    };
    const Case cases[] = {
        {Data("broken.json"), "invalid JSON"},
        {(m_dir / "missing.json").string(), "file not found"},
        {Data("unknown-value.json"), "unknown value \"MaskBlt\""},
        {Data("too-large.json"), "too large to allocate"},
    };
    for (const Case& c : cases) {
        const fs::path out = m_dir / "out.prn";
        RunResult r = Run({"print", c.job, "-o", out.string()});
        EXPECT_EQ(r.status, 2) << c.job << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.job), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_TRUE(Leftovers().empty()) << c.job;
    }
}

TEST_F(EndToEnd, BadCommandLinesExitTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"print"}, {"print", "a.json", "--set", "47=1"}, {"print", "a.json", "--set", "3=300"},
             {"print", "a.json", "--job-id", "x"}, {"print", "a.json", "--bogus"}, {"frobnicate"}}) {
        RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << args.size() << " " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    RunResult bad = Run({"print", Data("blank-page.json"), "-o", (m_dir / "o.prn").string(), "--time", "noon"});
    EXPECT_EQ(bad.status, 2) << bad.err;
    EXPECT_NE(bad.err.find("--time"), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(m_dir / "o.prn"));
}

TEST_F(EndToEnd, HelpOnEveryCommand) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"print", "--help"}, {"demo", "--help"}}) {
        RunResult r = Run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("usage"), std::string::npos) << r.out;
    }
}

TEST_F(EndToEnd, BlankPageGivesTheDefaultBlocks) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const fs::path out = m_dir / "blank.prn";
    RunResult r = Run({"print", Data("blank-page.json"), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(out), Cat({kInitialise, {0x00}, PageEnd(1), kDocEnd}));
}

TEST_F(EndToEnd, StartOfDocumentBlockWithPulsesCommandStringAndLogo) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const fs::path out = m_dir / "doc.prn";
    RunResult r = Run({"print", Data("start-doc-block.json"), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes start = Cat({kInitialise,
                             {0x1B, 0x70, 0x00, 0x32, 0xFF, 0x1B, 0x70, 0x01, 0x3C, 0xFF, 0x1B, 0x42, 0x00, 0x03},
                             {0xAA, 0xBB, 0xCC, 0x1B, 0x4A, 0x00},
                             {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x30, 0x31, 0x01, 0x01}});
    EXPECT_EQ(ReadBytes(out), Cat({start, {0x00}, PageEnd(1), kDocEnd}));
    // The same settings from the command line, with the bit-image logo form.
    const fs::path out2 = m_dir / "set.prn";
    r = Run({"print", Data("blank-page.json"), "-o", out2.string(), "--set", "6=1", "--set", "7=50", "--set",
             "15=2", "--set", "20=0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(out2), Cat({kInitialise, {0x1B, 0x70, 0x00, 0x32, 0xFF, 0x1C, 0x70, 0x02, 0x00}, {0x00},
                                    PageEnd(1), kDocEnd}));
}

TEST_F(EndToEnd, PagesAreNumberedAndPartialSpoolerWritesLoseNothing) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const Bytes expected = Cat({kInitialise, {0x00}, PageEnd(1), {0x00}, PageEnd(2), kDocEnd});
    const fs::path out = m_dir / "two.prn";
    RunResult r = Run({"print", Data("two-pages.json"), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(out), expected);
    // A page buffer (16 bytes here) that the spooler takes in parts is written whole.
    const fs::path chunked = m_dir / "chunked.prn";
    r = Run({"print", Data("two-pages.json"), "-o", chunked.string(), "--spool-max-chunk", "12"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(chunked), expected);
    // Document blocks go out in one call each: a spooler taking 3 bytes a call keeps 3 of them.
    const fs::path small = m_dir / "small.prn";
    r = Run({"print", Data("two-pages.json"), "-o", small.string(), "--spool-max-chunk", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(small), Cat({{0x1B, 0x40, 0x1B}, {0x00}, PageEnd(1), {0x00}, PageEnd(2), {0x00, 0x1B, 0x33}}));
}

TEST_F(EndToEnd, ASpoolerThatAcceptsNothingCannotHangTheJob) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const fs::path out = m_dir / "stall.prn";
    const auto start = std::chrono::steady_clock::now();
    RunResult r = Run({"print", Data("two-pages.json"), "-o", out.string(), "--spool-zero-after", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(ReadBytes(out), Bytes(kInitialise.begin(), kInitialise.end()));
}

TEST_F(EndToEnd, KeptMachineRootHoldsPageCounterAndPreviewFile) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const fs::path machine = m_dir / "machine";
    const fs::path out = m_dir / "kept.prn";
    RunResult r = Run({"print", Data("two-pages.json"), "-o", out.string(), "--machine", machine.string(), "--set",
                       "29=1", "--time", "2017-06-21T08:21:57"});
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path product = machine / "C" / "Windows" / "MKT-G450";
    EXPECT_TRUE(fs::exists(product / "MKTG450_Config.VKR"));
    // Preview on: the journal was copied to the preview file and removed.
    EXPECT_EQ(ReadBytes(product / "VKRPreview.prn"), ReadBytes(out));
    for (const auto& e : fs::directory_iterator(product)) EXPECT_NE(e.path().extension(), ".jnl") << e.path();
    // The preview launcher of the package was started.
    for (int i = 0; i < 100 && !fs::exists(product / "VKRPreview.started"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(fs::exists(product / "VKRPreview.started"));
    plat::SetMachineRoot(machine);
    PrinterHandle printer;
    ASSERT_TRUE(OpenPrinterW(u"VARNOKE MKT-G450", printer.put(), nullptr));
    BYTE pages[8] = {};
    DWORD type = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataExW(printer.get(), u"PrinterDriverData\\Properties", u"PAGES", &type, pages, sizeof pages,
                                &needed),
              ERROR_SUCCESS);
    EXPECT_EQ(needed, 2u);
    EXPECT_EQ(pages[0], 2);
    EXPECT_EQ(pages[1], 0);
}

TEST_F(EndToEnd, TimeNamesTheKeptJournalAndCopiesMultiplyOnlyTheJournal) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    const fs::path machine = m_dir / "machine";
    const fs::path out = m_dir / "copies.prn";
    RunResult r = Run({"print", Data("three-copies.json"), "-o", out.string(), "--machine", machine.string(),
                       "--set", "30=1", "--time", "2017-06-21T08:21:57", "--job-id", "9"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes once = Cat({kInitialise, {0x00}, PageEnd(1), kDocEnd});
    EXPECT_EQ(ReadBytes(out), once);
    const fs::path journal = machine / "C" / "Windows" / "MKT-G450" / "20170621_082157.jnl";
    ASSERT_TRUE(fs::exists(journal));
    EXPECT_EQ(ReadBytes(journal), Cat({once, once, once}));
}

TEST_F(EndToEnd, FilledRowsBecomeRasterCommands) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    // 16 dots wide (2 bytes a row), 3 rows: two rows with the left byte black, one white row.
    const Bytes plain = {0x00, 0x00, 0x00, 0x1B, 0x4A, 0x00, 0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03, 0x00,
                         0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00};
    const Bytes compressed = {0x00, 0x00, 0x00, 0x08, 0x43, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                              0x03, 0x00, 0xFF, 0x01, 0x00, 0x01, 0xFF, 0x01, 0x00, 0x03,
                              0x08, 0x43, 0x52, 0xFF, 0x00, 0x00};
    for (const auto& [job, raster] : {std::pair{"fill-plain.json", plain}, std::pair{"fill-compressed.json", compressed}}) {
        const fs::path out = m_dir / "fill.prn";
        RunResult r = Run({"print", Data(job), "-o", out.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadBytes(out), Cat({kInitialise, raster, PageEnd(1), kDocEnd})) << job;
    }
}

TEST_F(EndToEnd, DemoAndPlainPagesPrint) {
    if (!HavePlugin()) GTEST_SKIP() << "MKUNI450 is not built";
    RunResult r = Run({"demo", "-o", (m_dir / "demo").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes demo = ReadBytes(m_dir / "demo" / "receipt.prn");
    ASSERT_GE(demo.size(), 5u);
    EXPECT_TRUE(std::equal(kInitialise.begin(), kInitialise.end(), demo.begin()));
    const fs::path png = fs::path(MKT_EXAMPLES_DIR) / "logo.png";
    r = Run({"print", png.string(), "-o", (m_dir / "logo.prn").string(), "--preview", (m_dir / "logo.png").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(fs::file_size(m_dir / "logo.png"), 0u);
    const Bytes logo = ReadBytes(m_dir / "logo.prn");
    EXPECT_GT(logo.size(), kInitialise.size() + 16 + kDocEnd.size());
}

}  // namespace
