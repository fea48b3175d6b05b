// Whatever the bytes, the renderer finishes with a consistent paper: streams
// of random commands, every prefix of a real stream, and the fuzz corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

using test::Bytes;
using test::Hex;

void ExpectConsistent(const RenderResult& r, const RenderOptions& options) {
  EXPECT_EQ(r.paper.width, options.width);
  EXPECT_GE(r.paper.height, 1);
  EXPECT_LE(r.paper.height, options.maxRows);
  EXPECT_EQ(r.paper.dots.size(), static_cast<size_t>(r.paper.width) * r.paper.height);
  for (const Diagnostic& d : r.diagnostics) EXPECT_FALSE(d.message.empty());
}

// Pieces of real commands glued at random, with random bytes between them.
Bytes RandomStream(std::mt19937& rng) {
  static const Bytes kPieces[] = {
      Hex("1B 40"), Hex("1D 76 30 00 02 00 03 00"), Hex("08 43 52 04 00 00 00 00 10 00 05 00"),
      Hex("08 43 52 00 00 00 00 00 F0 FF FF FF"), Hex("08 43 52 FF 00 00"), Hex("1D 28 6B 06 00 31 50 30"),
      Hex("1D 28 6B 03 00 31 51 30"), Hex("1D 6B 49 04 7B 43"), Hex("1D 6B 02"), Hex("1C 26"), Hex("1C 43 01"),
      Hex("1D 21 77"), Hex("1B 24 FF FF"), Hex("0C 00 08"), Hex("1B 40 FF FF 56 41 52 4E 4F 4B 45"),
      Hex("1D 28 4C 06 00 30 45"), Hex("1B 4A FF"), Hex("1D 28 6B 03 00 35 43 02"), Hex("1D 28 6B 03 00 34 41 3C"),
      Hex("1D 28 6B 03 00 32 41 33"), Hex("1D 28 6B 05 00 30 50 30 41 42")};
  Bytes out;
  std::uniform_int_distribution<int> pieces(0, static_cast<int>(std::size(kPieces)) - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> count(0, 12);
  const int n = count(rng) * 3;
  for (int i = 0; i < n; ++i) {
    const Bytes& p = kPieces[pieces(rng)];
    out.insert(out.end(), p.begin(), p.end());
    for (int k = count(rng); k > 0; --k) out.push_back(static_cast<uint8_t>(byte(rng)));
  }
  return out;
}

TEST(Robustness, RandomCommandStreams) {
  std::mt19937 rng(450);
  RenderOptions options;
  options.maxRows = 5000;
  for (int i = 0; i < 500; ++i) {
    const Bytes stream = RandomStream(rng);
    ExpectConsistent(RenderStream(stream, options), options);
  }
}

TEST(Robustness, EveryPrefixOfARealStream) {
  const Bytes stream = test::Cat(
      {Hex("1B 40 1B 3D 01 1B 70 00 19 FF 1B 23 6D 00 60 00"),
       Hex("1B 74 10 08 4D 00 41 1D 21 00 1B 24 2C 01 41 42 1B 4A 18 00"),
       Hex("1C 26 1D 21 00 1B 24 00 00 D6 D0 1C 2E 1B 4A 18 00"),
       Hex("00 00 00 08 43 52 00 00 00 00 00 10 00 02 00 80 40 00 01 FF 01 08 43 52 FF 00 00"),
       Hex("1D 77 02 1D 68 32 00 00 00 00 00 00 1B 24 64 00 1D 6B 49 04 7B 43 0C 22 00"),
       Hex("1B 24 08 00 1D 28 6B 03 00 31 43 03 1D 28 6B 06 00 31 50 30 41 42 43 1D 28 6B 03 00 31 51 30 00"),
       Hex("00 00 00 1B 40 13 00 56 41 52 4E 4F 4B 45 01 02 03 04 05"),
       Hex("1D 76 30 00 01 00 02 00 FF 81 00 1C 70 01 00 0A 1D 56 42 00"),
       Hex("00 1B 33 00 00 1B 4A AF 1B 32 0C 00 08 01 00")});
  RenderOptions options;
  for (size_t n = 0; n <= stream.size(); ++n) {
    const RenderResult r = RenderStream(std::span(stream.data(), n), options);
    ExpectConsistent(r, options);
  }
  const RenderResult whole = RenderStream(stream, options);
  EXPECT_TRUE(whole.diagnostics.empty()) << whole.diagnostics.front().message;
  ASSERT_EQ(whole.pages.size(), 1u);
}

TEST(Robustness, FuzzCorpus) {
  const std::filesystem::path corpus = MKT_PREVIEW_CORPUS;
  ASSERT_TRUE(std::filesystem::is_directory(corpus));
  RenderOptions options;
  options.maxRows = 2000;  // as the fuzzer ran them
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes stream{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ExpectConsistent(RenderStream(stream, options), options);
    ++files;
  }
  EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace mkt::preview
