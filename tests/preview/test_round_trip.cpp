// Round trips through the print host: a page printed by `mkt450 print` in
// each raster form comes back from the renderer dot for dot.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 576;
constexpr int kHeight = 300;

// A black-and-white page whose last row is printed, so that no trimming of
// blank paper applies: the plug-in composes it unchanged.
std::vector<uint8_t> PageDots() {
  std::vector<uint8_t> dots(static_cast<size_t>(kWidth) * kHeight, 0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      dots[static_cast<size_t>(y) * kWidth + x] =
          (x == y || (x + y) % 97 == 0 || y >= kHeight - 3 || (x / 24 + y / 24) % 5 == 0 || x < 2) ? 1 : 0;
  return dots;
}

void WritePbm(const fs::path& path, const std::vector<uint8_t>& dots) {
  std::ofstream out(path, std::ios::binary);
  out << "P4\n" << kWidth << " " << kHeight << "\n";
  for (int y = 0; y < kHeight; ++y) {
    for (int k = 0; k < kWidth / 8; ++k) {
      uint8_t v = 0;
      for (int i = 0; i < 8; ++i) v = static_cast<uint8_t>(v << 1 | dots[static_cast<size_t>(y) * kWidth + k * 8 + i]);
      out.put(static_cast<char>(v));
    }
  }
}

int RunProgram(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Form {
  const char* name;
  const char* compressed;  // settings byte 36
  const char* fourLevel;   // settings byte 33
};

class RoundTrip : public ::testing::TestWithParam<Form> {};

TEST_P(RoundTrip, PrintedPageComesBackDotForDot) {
  const Form& form = GetParam();
  const fs::path dir = fs::temp_directory_path() / ("mkt_round_trip_" + std::to_string(getpid()) + "_" + form.name);
  fs::create_directories(dir);
  const std::vector<uint8_t> page = PageDots();
  WritePbm(dir / "page.pbm", page);
  const fs::path prn = dir / "page.prn";
  ASSERT_EQ(RunProgram({MKT450_PROGRAM, "print", (dir / "page.pbm").string(), "-o", prn.string(), "--set",
                 std::string("36=") + form.compressed, "--set", std::string("33=") + form.fourLevel}),
            0);
  std::ifstream in(prn, std::ios::binary);
  const std::vector<uint8_t> stream{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  RenderOptions options;
  options.plainLevels = form.fourLevel[0] == '1' ? 4 : 2;  // the printer set as the driver is
  const RenderResult r = RenderStream(stream, options);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  ASSERT_EQ(r.pages.size(), 1u);
  EXPECT_EQ(ComparePage(r.paper, r.pages[0].top, page, kWidth, kHeight), -1);
  // Below the page only the tear-position feed: blank paper.
  EXPECT_EQ(test::DotsIn(r.paper, 0, r.pages[0].top + kHeight, kWidth, r.pages[0].bottom - kHeight), 0);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Forms, RoundTrip,
                         ::testing::Values(Form{"PlainTwoLevel", "0", "0"}, Form{"CompressedTwoLevel", "1", "0"},
                                           Form{"PlainFourLevel", "0", "1"}, Form{"CompressedFourLevel", "1", "1"}),
                         [](const ::testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

struct BarcodeFont {
  const char* name;
  const char* font;
  const char* text;     // as the application draws it
  const char* decoded;  // what a reader finds in the printed symbol
};

class BarcodeRoundTrip : public ::testing::TestWithParam<BarcodeFont> {};

TEST_P(BarcodeRoundTrip, PrintedSymbolDecodesToTheData) {
  const BarcodeFont& b = GetParam();
  const fs::path dir = fs::temp_directory_path() / ("mkt_barcode_trip_" + std::to_string(getpid()) + "_" + b.name);
  fs::create_directories(dir);
  std::ofstream(dir / "job.json") << R"({"pages": [{"height": 600, "draw": [)"
                                  << R"({"op": "text", "font": ")" << b.font
                                  << R"(", "x": 64, "y": 40, "size": 24, "text": ")" << b.text << R"("}]}]})";
  const fs::path prn = dir / "job.prn";
  ASSERT_EQ(RunProgram({MKT450_PROGRAM, "print", (dir / "job.json").string(), "-o", prn.string()}), 0);
  std::ifstream in(prn, std::ios::binary);
  const std::vector<uint8_t> stream{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  EXPECT_EQ(test::DecodeBarcode(r.paper), b.decoded);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, BarcodeRoundTrip,
    ::testing::Values(BarcodeFont{"QRCode", "QR Code", "https://example.com/r/0815", "https://example.com/r/0815"},
                      BarcodeFont{"PDF417", "PDF417", "PDF417 receipt 0815", "PDF417 receipt 0815"},
                      BarcodeFont{"DataMatrix", "DATAMATRIX", "DM-0815", "DM-0815"},
                      BarcodeFont{"Aztec", "Aztec", "Aztec 0815", "Aztec 0815"},
                      BarcodeFont{"Code128", "Code128", "{BRcpt-0815", "Rcpt-0815"},
                      BarcodeFont{"Code128SubsetC", "Code128", "{C12345678", "12345678"}),
    [](const ::testing::TestParamInfo<BarcodeFont>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mkt::preview
