// The `mkt450 preview` command: files in, PNG out, exit status and messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PreviewCommand.h"
#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

namespace fs = std::filesystem;

class PreviewCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("mkt_preview_cli_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path p = m_dir / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return p.string();
  }
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"mkt450", "preview"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStderr();
    const int rc = PreviewMain(static_cast<int>(argv.size()), argv.data());
    m_stderr = ::testing::internal::GetCapturedStderr();
    return rc;
  }
  // Width and height from the PNG header.
  static std::pair<uint32_t, uint32_t> PngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    auto be = [&](int o) { return (uint32_t(h[o]) << 24) | (h[o + 1] << 16) | (h[o + 2] << 8) | h[o + 3]; };
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h) + 1, 3), "PNG");
    return {be(16), be(20)};
  }

  fs::path m_dir;
  std::string m_stderr;
};

TEST_F(PreviewCommandTest, RendersAStreamAndListsEvents) {
  const std::string in = Write("job.prn", test::Hex("1B 40 1B 70 00 19 FF 1D 76 30 00 01 00 0A 00 FFFFFFFFFFFFFFFFFFFF 1B 99"));
  const std::string out = (m_dir / "job.png").string();
  EXPECT_EQ(Run({in, "-o", out, "--width", "384"}), 0);
  EXPECT_EQ(PngSize(out), std::make_pair(384u, 14u));  // 10 rows + room for the pulse mark at row 0
  EXPECT_NE(m_stderr.find("offset 2: drawer pulse pin 2, on 50 ms, off 510 ms"), std::string::npos) << m_stderr;
  EXPECT_NE(m_stderr.find("offset 25: unknown command 1B 99"), std::string::npos) << m_stderr;
  EXPECT_FALSE(fs::exists(out + ".part"));
}

TEST_F(PreviewCommandTest, UnusableInputFailsWithOneLineAndNoOutput) {
  const std::string out = (m_dir / "out.png").string();
  const std::string empty = Write("empty.prn", {});
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{(m_dir / "missing.prn").string(), "-o", out}, "missing.prn: cannot read"},
      {{empty, "-o", out}, "empty.prn: the stream is empty"},
      {{empty}, "usage: mkt450 preview"},
      {{empty, "-o", out, "--width", "600"}, "--width must be 576, 512 or 384"},
      {{empty, "-o", out, "--levels", "3"}, "--levels must be 2 or 4"},
      {{empty, "-o", out, "--bogus"}, "unexpected argument '--bogus'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 2) << c.message;
    EXPECT_NE(m_stderr.find(c.message), std::string::npos) << m_stderr;
    EXPECT_EQ(std::count(m_stderr.begin(), m_stderr.end(), '\n'), 1) << m_stderr;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(PreviewCommandTest, UnwritableOutputLeavesNothingBehind) {
  const std::string in = Write("job.prn", test::Hex("1D 76 30 00 01 00 01 00 FF"));
  const std::string out = (m_dir / "no-such-dir" / "out.png").string();
  EXPECT_EQ(Run({in, "-o", out}), 1);
  EXPECT_NE(m_stderr.find("cannot create"), std::string::npos) << m_stderr;
  EXPECT_FALSE(fs::exists(m_dir / "no-such-dir"));
}

}  // namespace
}  // namespace mkt::preview
