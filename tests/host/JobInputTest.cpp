// Job descriptions: fields, defaults and the one-line errors of unusable input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/print/DeviceFontNames.h"
#include "host/print/JobError.h"
#include "host/print/JobInput.h"

namespace fs = std::filesystem;
using namespace mkt::host;

namespace {

class JobInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("mkt450-jobinput-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "img.pgm", std::ios::binary) << "P2\n2 1\n255\n0 255\n";
        std::ofstream(m_dir / "blob.bin", std::ios::binary) << "ABC";
    }
    void TearDown() override { fs::remove_all(m_dir); }
    JobDescription Parse(const std::string& json) { return ParseJobJson(json, m_dir / "job.json", m_dir); }
    fs::path m_dir;
};

const PrinterDataValue* Find(const JobDescription& job, const std::string& name) {
    for (const auto& v : job.printerData) {
        if (v.name == name) return &v;
    }
    return nullptr;
}

TEST_F(JobInputTest, ReadsEveryFieldOfTheContract) {
    auto job = Parse(R"({
      "printer": "Counter 2", "jobId": 42, "document": "Receipt 0815", "time": "2017-06-21T08:21:57",
      "printerData": {"MISC": {"37": 0, "46": 1}, "BarcodeInfo": "00 02 32", "CodeData": null, "StartDoc": "AABBCC"},
      "textKeys": ["K1\tL\t_NULL_\tCOUPON1"],
      "files": {"C:\\Windows\\MKT-G450\\L.bin": "1B2A00", "C:\\x.bin": {"path": "blob.bin"}},
      "features": {"InputBin": "Option2", "Orientation": null},
      "devmode": {"copies": 2, "dmOrientation": 1, "yResolution": 180},
      "page": {"width": 512, "bitsPerPixel": 8, "bandHeight": 100},
      "pages": [{"draw": [{"op": "fill", "x": 0, "y": 10, "width": 5, "height": 20, "gray": 9},
                          {"op": "image", "src": "img.pgm", "x": 0, "y": 0},
                          {"op": "text", "font": "FontA11", "x": 1, "y": 40, "size": 30, "text": "é"}]},
                {"height": 7}]})");
    EXPECT_EQ(job.printer, "Counter 2");
    EXPECT_EQ(job.jobId, 42u);
    EXPECT_EQ(job.document, "Receipt 0815");
    EXPECT_EQ(job.time, "2017-06-21T08:21:57");
    const auto defaults = DefaultSettingsBytes();
    ASSERT_TRUE(Find(job, "MISC") && Find(job, "MISC")->bytes);
    std::vector<std::uint8_t> misc(defaults.begin(), defaults.end());
    misc[37] = 0;
    misc[46] = 1;
    EXPECT_EQ(*Find(job, "MISC")->bytes, misc);
    EXPECT_EQ(*Find(job, "BarcodeInfo")->bytes, (std::vector<std::uint8_t>{0x00, 0x02, 0x32}));
    EXPECT_FALSE(Find(job, "CodeData")->bytes);
    EXPECT_EQ(*Find(job, "StartDoc")->bytes, (std::vector<std::uint8_t>{0xAA, 0xBB, 0xCC}));
    ASSERT_TRUE(job.textKeys);
    EXPECT_EQ(job.textKeys->at(0), u"K1\tL\t_NULL_\tCOUPON1");
    ASSERT_EQ(job.files.size(), 2u);
    EXPECT_EQ(job.files[0].content, (std::vector<std::uint8_t>{0x1B, 0x2A, 0x00}));
    EXPECT_EQ(job.files[1].content, (std::vector<std::uint8_t>{'A', 'B', 'C'}));
    EXPECT_EQ(job.features["InputBin"], "Option2");
    EXPECT_FALSE(job.features["Orientation"]);
    EXPECT_EQ(job.devmode.copies, 2);
    EXPECT_EQ(job.devmode.yResolution, 180);
    EXPECT_EQ(job.pageWidth, 512);
    EXPECT_EQ(job.bitsPerPixel, 8);
    EXPECT_EQ(job.bandHeight, 100);
    ASSERT_EQ(job.pages.size(), 2u);
    EXPECT_EQ(job.pages[0].height, 70);  // lowest drawn row + 1: text at 40, 30 high
    EXPECT_EQ(job.pages[1].height, 7);
    const DrawOp& image = job.pages[0].draw[1];
    EXPECT_EQ(image.width, 2);  // natural size
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.call, BlitCall::BitBlt);
    const DrawOp& text = job.pages[0].draw[2];
    EXPECT_TRUE(text.device);
    EXPECT_EQ(text.text, u"\u00e9");
    EXPECT_EQ(text.weight, 400);
}

TEST_F(JobInputTest, DefaultsWithoutOptionalFields) {
    auto job = Parse(R"({"pages": [{}]})");
    EXPECT_EQ(job.printer, "VARNOKE MKT-G450");
    EXPECT_EQ(job.jobId, 1u);
    EXPECT_EQ(job.pageWidth, 576);
    EXPECT_EQ(job.bitsPerPixel, 1);
    EXPECT_EQ(job.bandHeight, 256);
    EXPECT_EQ(job.features["InputBin"], "Option1");
    EXPECT_EQ(job.features["Orientation"], "PORTRAIT");
    EXPECT_TRUE(job.printerData.empty());
    EXPECT_FALSE(job.textKeys);
    EXPECT_EQ(job.pages[0].height, 1);
}

TEST_F(JobInputTest, MiscAsArrayKeepsItsLength) {
    auto job = Parse(R"({"printerData": {"MISC": [1,2,3,4,5,6,7,8,9,10]}})");
    EXPECT_EQ(Find(job, "MISC")->bytes->size(), 10u);
}

TEST_F(JobInputTest, SetStartsFromDefaultsOrExtendsAShortValue) {
    auto job = Parse(R"({})");
    ApplySetting(job, 19, 3);
    auto misc = *Find(job, "MISC")->bytes;
    ASSERT_EQ(misc.size(), 47u);
    EXPECT_EQ(misc[19], 3);
    EXPECT_EQ(misc[37], 1);  // default
    auto shortJob = Parse(R"({"printerData": {"MISC": [7, 7]}})");
    ApplySetting(shortJob, 5, 0);
    auto extended = *Find(shortJob, "MISC")->bytes;
    EXPECT_EQ(extended, (std::vector<std::uint8_t>{7, 7, 25, 0, 25, 0}));
    EXPECT_THROW(ApplySetting(job, 47, 0), JobError);
    EXPECT_THROW(ApplySetting(job, 1, 256), JobError);
}

TEST_F(JobInputTest, UnusableInputGivesOneLineNamingTheFile) {
    struct Case {
        const char* json;
        const char* expected;  // part of the message
    };
    const Case cases[] = {
        {R"({"pages": [ {"height": 1}, ]})", "invalid JSON"},
        {R"([1, 2])", "JSON object"},
        {R"({"pages": [{"draw": [{"op": "circle"}]}]})", "pages[0].draw[0].op: unknown value \"circle\""},
        {R"({"pages": [{"draw": [{"op": "image", "src": "img.pgm", "call": "PlgBlt"}]}]})", "unknown value \"PlgBlt\""},
        {R"({"page": {"bitsPerPixel": 4}})", "page.bitsPerPixel: unknown value 4"},
        {R"({"pages": [{"draw": [{"op": "image", "src": "missing.png"}]}]})", "image file not found"},
        {R"({"printerData": {"StartDoc": "ABC"}})", "printerData.StartDoc: not a hex string"},
        {R"({"printerData": {"MISC": {"47": 1}}})", "not 0 to 46"},
        {R"({"pages": [{"height": 2000000000}]})", "page too large to allocate"},
        {R"({"pagez": []})", "unknown field \"pagez\""},
        {R"({"devmode": {"orientation": 3}})", "devmode.orientation: value 3 out of range"},
        {R"({"files": {"C:\\a.bin": {"path": "nope.bin"}}})", "cannot read"},
        {R"({"pages": [{"draw": [{"op": "text", "font": "FontA11"}]}]})", "field \"text\" is missing"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.json);
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const JobError& e) {
            const std::string line = e.Line();
            EXPECT_NE(line.find((m_dir / "job.json").string()), std::string::npos) << line;
            EXPECT_NE(line.find(c.expected), std::string::npos) << line;
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        }
    }
}

TEST_F(JobInputTest, LoadJobRejectsMissingAndUnknownFiles) {
    EXPECT_THROW(LoadJob(m_dir / "none.json"), JobError);
    std::ofstream(m_dir / "job.txt") << "hello";
    EXPECT_THROW(LoadJob(m_dir / "job.txt"), JobError);
    std::ofstream(m_dir / "bad.png") << "not a png";
    EXPECT_THROW(LoadJob(m_dir / "bad.png"), JobError);
}

TEST_F(JobInputTest, PlainPageFilesAreScaledToThePrinterWidth) {
    std::ofstream(m_dir / "page.pbm", std::ios::binary) << "P1\n4 2\n1 0 1 0\n0 1 0 1\n";
    JobDescription job = LoadJob(m_dir / "page.pbm", LoadOptions{384});
    ASSERT_EQ(job.pages.size(), 1u);
    EXPECT_EQ(job.pageWidth, 384);
    EXPECT_EQ(job.pages[0].height, 192);
    ASSERT_EQ(job.pages[0].draw.size(), 1u);
    EXPECT_EQ(job.pages[0].draw[0].width, 384);
    EXPECT_EQ(job.pages[0].draw[0].height, 192);
}

TEST(DeviceFontNames, Classification) {
    struct Case {
        const char* name;
        bool device;
    };
    const Case cases[] = {
        {"FontControl", true}, {"Control", true}, {"FontControlA", true}, {"control", false},
        {"FontControlB", true}, {"FontA11", true}, {"fontb2x1", true}, {"FontC", true},
        {"Korean2x2", true}, {"Chinese2312 1x1", true}, {"Japanese", true}, {"QR Code", true},
        {"qr code", true}, {"QR Code2", false}, {"code128", true}, {"2D-Code8", true},
        {"GS1 Databar UCC/EAN-128&CC-C", true}, {"DejaVu Sans", false}, {"Arial", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsDeviceFontName(c.name), c.device) << c.name;
    EXPECT_EQ(BarcodeFontNames().size(), 51u);
}

}  // namespace
