// Copies in the journal, the preview file, journal removal and the preview program start.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "PluginHarness.h"
#include "oemuni/job/CopiesAndPreview.h"
#include "oemuni/job/JobOutput.h"

namespace {

namespace fs = std::filesystem;

class CopiesPreview : public MachineTest {
protected:
    fs::path JournalPath() const { return HostPath(u"C:\\Windows\\MKT-G450\\20170621_082157.jnl"); }
    fs::path PreviewPath() const { return HostPath(u"C:\\Windows\\MKT-G450\\VKRPreview.prn"); }
    std::vector<BYTE> Read(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
    }
    // One document of one page; returns what the printer received.
    std::vector<BYTE> RunJob(PluginDevice& dev) {
        EXPECT_EQ(dev.Enable(m_hUsePrinter), S_OK);
        dev.StartDoc(42);
        dev.PrintPage();
        dev.EndDoc();
        return dev.driver.stream;
    }
    static std::vector<BYTE> Times(const std::vector<BYTE>& v, int n) {
        std::vector<BYTE> out;
        for (int i = 0; i < n; ++i) out.insert(out.end(), v.begin(), v.end());
        return out;
    }
};

TEST_F(CopiesPreview, CopiesMultiplyTheJournalButNotTheStream) {
    struct Case {
        SHORT dmCopies;
        int bv19;
        int expected;
    };
    const Case cases[] = {{3, 1, 3}, {1, 2, 2}, {1, 0, 1}, {1, 1, 1}, {0, 4, 4}, {2, 9, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE("dmCopies " + std::to_string(c.dmCopies) + " bv19 " + std::to_string(c.bv19));
        fs::remove(JournalPath());
        SetMisc({{19, c.bv19}, {30, 1}});
        PluginDevice dev;
        dev.devmode.dmCopies = c.dmCopies;
        const std::vector<BYTE> stream = RunJob(dev);
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(Read(JournalPath()), Times(stream, c.expected));
        EXPECT_FALSE(fs::exists(PreviewPath()));
    }
}

TEST_F(CopiesPreview, EndBuzzerIsJournaledOnlyWhenCopiesStoppedEarly) {
    SetMisc({{45, 1}, {30, 1}});
    PluginDevice dev;
    const std::vector<BYTE> stream = RunJob(dev);
    const std::vector<BYTE> buzzer = Bytes({0x1B, 0x23, 0x6D, 0x00, 0x60, 0x00});
    ASSERT_GE(stream.size(), 6u);
    EXPECT_EQ(std::vector<BYTE>(stream.end() - 6, stream.end()), buzzer);
    EXPECT_EQ(Read(JournalPath()), std::vector<BYTE>(stream.begin(), stream.end() - 6));

    // Without a DEVMODE the copies step stops early: the journal stays open for the buzzer.
    fs::remove(JournalPath());
    PluginDevice noDevmode;
    noDevmode.devobj.pPublicDM = nullptr;
    const std::vector<BYTE> second = RunJob(noDevmode);
    EXPECT_EQ(Read(JournalPath()), second);
}

TEST_F(CopiesPreview, PreviewFileMadeAndJournalRemoved) {
    SetMisc({{29, 1}, {30, 0}});
    // The launcher the package ships in the product folder: here it records its command line
    // (the printer name arrives as the raw parameter string, split at blanks like any command line).
    const fs::path launcher = HostPath(u"C:\\Windows\\MKT-G450\\VKRPreview.exe");
    {
        std::ofstream script(launcher);
        script << "#!/bin/sh\nprintf '%s|%s' \"$*\" \"$(pwd)\" > started.txt\n";
    }
    fs::permissions(launcher, fs::perms::owner_all, fs::perm_options::add);
    PluginDevice dev;
    const std::vector<BYTE> stream = RunJob(dev);
    EXPECT_FALSE(fs::exists(JournalPath()));
    EXPECT_EQ(Read(PreviewPath()), stream);

    const fs::path marker = HostPath(u"C:\\Windows\\MKT-G450\\started.txt");
    for (int i = 0; i < 100 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(marker);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.substr(0, line.find('|')), "VARNOKE MKT-G450");
    EXPECT_EQ(fs::path(line.substr(line.find('|') + 1)), HostPath(u"C:\\Windows\\MKT-G450"));
}

TEST_F(CopiesPreview, NoPreviewKeepsTheJournalAndStartsNothing) {
    SetMisc({{29, 0}, {30, 1}});
    const fs::path launcher = HostPath(u"C:\\Windows\\MKT-G450\\VKRPreview.exe");
    {
        std::ofstream script(launcher);
        script << "#!/bin/sh\ntouch started.txt\n";
    }
    fs::permissions(launcher, fs::perms::owner_all, fs::perm_options::add);
    PluginDevice dev;
    const std::vector<BYTE> stream = RunJob(dev);
    EXPECT_EQ(Read(JournalPath()), stream);
    EXPECT_FALSE(fs::exists(PreviewPath()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(HostPath(u"C:\\Windows\\MKT-G450\\started.txt")));
}

TEST_F(CopiesPreview, MissingPreviewProgramDoesNotStopTheJob) {
    SetMisc({{29, 1}, {30, 0}});
    PluginDevice dev;
    const std::vector<BYTE> stream = RunJob(dev);
    EXPECT_EQ(Read(PreviewPath()), stream);
    EXPECT_FALSE(fs::exists(JournalPath()));
}

TEST_F(CopiesPreview, EmptyJournalStaysEmptyWithCopies) {
    SetMisc({{19, 2}, {30, 1}});
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    JobOutput& job = *dev.pdev()->pJobOutput;
    ASSERT_NE(job.GetFileHandle(&dev.devobj), nullptr);
    SendMultipleCopies(job, &dev.devobj);
    EXPECT_FALSE(job.IsJournalOpen());
    ASSERT_TRUE(fs::exists(JournalPath()));
    EXPECT_EQ(fs::file_size(JournalPath()), 0u);
}

}  // namespace
