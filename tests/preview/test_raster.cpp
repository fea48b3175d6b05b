// Raster images: plain (1D 76 30) and compressed (08 43 52) slices, two- and
// four-level, checked dot by dot against pages written out by hand.
#include <gtest/gtest.h>

#include "PreviewTestSupport.h"
#include "RasterPlanes.h"

namespace mkt::preview {
namespace {

using test::Bytes;
using test::Cat;
using test::Hex;

TEST(RunLength, DecodesTheCodeOfTheCommandTable) {
  // 00 05 FF FF 00 is coded 00 01 05 FF 02 00 01.
  const Bytes coded = Hex("00 01 05 FF 02 00 01");
  Bytes out(5, 0xAA);
  const RunLengthResult r = DecodeRunLength(coded, out);
  EXPECT_EQ(out, Hex("00 05 FF FF 00"));
  EXPECT_EQ(r.consumed, coded.size());
  EXPECT_EQ(r.produced, 5u);
  EXPECT_FALSE(r.overran);
}

TEST(RunLength, RunsCrossRowsAndStopAtTheEnd) {
  // 11808 zero bytes: 46 runs of 255 and one of 78.
  Bytes coded = test::Repeat(Hex("00 FF"), 46);
  coded.push_back(0x00);
  coded.push_back(78);
  Bytes out(48 * 246, 0x55);
  RunLengthReader reader(coded);
  for (int row = 0; row < 246; ++row) {
    ASSERT_TRUE(reader.Read({out.data() + row * 48, 48})) << row;
  }
  EXPECT_EQ(reader.Consumed(), coded.size());
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), static_cast<long>(out.size()));
}

TEST(RunLength, ReportsOverrunsAndMissingCounts) {
  Bytes out(3);
  RunLengthResult r = DecodeRunLength(Hex("FF 05"), out);
  EXPECT_TRUE(r.overran);
  EXPECT_EQ(out, Hex("FF FF FF"));
  Bytes four(4, 0x11);
  r = DecodeRunLength(Hex("07 00"), four);  // count byte missing
  EXPECT_EQ(r.produced, 1u);
  EXPECT_EQ(r.consumed, 2u);
}

// A 384-dot page of 500 rows with a diagonal and a frame: the test pattern.
struct Page {
  int width;
  int height;
  Bytes dots;  // 1 = printed
  Bytes Plane(int first, int rows) const {
    const int wb = (width + 7) / 8;
    Bytes p(static_cast<size_t>(wb) * rows, 0);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < width; ++x)
        if (dots[static_cast<size_t>(first + y) * width + x]) p[y * wb + x / 8] |= 0x80 >> (x % 8);
    return p;
  }
};

Page Pattern(int width, int height) {
  Page p{width, height, Bytes(static_cast<size_t>(width) * height, 0)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.dots[static_cast<size_t>(y) * width + x] =
          (x == y % width || x == 0 || y == 0 || x == width - 1 || y == height - 1 || (x / 16 + y / 16) % 7 == 0);
  return p;
}

Bytes PlainSlice(const Page& page, int first, int rows) {
  const int wb = (page.width + 7) / 8;
  return Cat({Hex("00 00 00 1B 4A 00 1D 76 30 00"), Bytes{static_cast<uint8_t>(wb % 256), static_cast<uint8_t>(wb / 256),
                                                          static_cast<uint8_t>(rows), 0},
              page.Plane(first, rows), Hex("00")});
}

Bytes CompressedSlice(const Page& page, int first, int rows) {
  const int w = (page.width + 7) / 8 * 8;
  return Cat({Hex("00 00 00 08 43 52 00 00 00 00 00"),
              Bytes{static_cast<uint8_t>(w % 256), static_cast<uint8_t>(w / 256), static_cast<uint8_t>(rows), 0},
              test::RunLengthCode(page.Plane(first, rows)), Hex("08 43 52 FF 00 00")});
}

TEST(PlainRaster, ThreeSlicesRebuildThePageDotForDot) {
  const Page page = Pattern(384, 500);
  const Bytes stream = Cat({PlainSlice(page, 0, 246), PlainSlice(page, 246, 246), PlainSlice(page, 492, 8)});
  RenderOptions options;
  options.width = 384;
  const RenderResult r = RenderStream(stream, options);
  EXPECT_TRUE(r.diagnostics.empty());
  EXPECT_EQ(r.paper.height, 500);
  EXPECT_EQ(ComparePage(r.paper, 0, page.dots, page.width, page.height), -1);
}

TEST(CompressedRaster, TwoLevelSlicesRebuildThePageDotForDot) {
  const Page page = Pattern(576, 1000);
  Bytes stream;
  for (int first = 0; first < 1000; first += 246) {
    const Bytes s = CompressedSlice(page, first, std::min(246, 1000 - first));
    stream.insert(stream.end(), s.begin(), s.end());
  }
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  EXPECT_EQ(r.paper.height, 1000);
  EXPECT_EQ(ComparePage(r.paper, 0, page.dots, page.width, page.height), -1);
}

TEST(CompressedRaster, SmallSliceWrittenByHand) {
  // 10 dots wide (16 in the header), 2 rows: 80 40 / 00 FF.
  const Bytes stream = Hex("00 00 00 08 43 52 00 00 00 00 00 10 00 02 00  80 40 00 01 FF 01  08 43 52 FF 00 00");
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  ASSERT_EQ(r.paper.height, 2);
  EXPECT_EQ(r.paper.At(0, 0), 0);
  EXPECT_EQ(r.paper.At(1, 0), 0xFF);
  EXPECT_EQ(r.paper.At(9, 0), 0);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, 1), 2);
  EXPECT_EQ(test::DotsIn(r.paper, 8, 1, 8, 1), 8);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 1, 576, 1), 8);
}

// Four planes of one 8-dot row: dot 0 level 15, dot 1 level 12, dot 2 level 7,
// dot 3 level 8, dot 4 level 5, the rest 0.
//   plane 0 (bit 3): 15 12 8       -> 1101 0000 = D0
//   plane 1 (bit 2): 15 12 7 5     -> 1110 1000 = E8
//   plane 2 (bit 1): 15 7          -> 1010 0000 = A0
//   plane 3 (bit 0): 15 7 5        -> 1010 1000 = A8
const uint8_t kPlanes[4] = {0xD0, 0xE8, 0xA0, 0xA8};

void ExpectLevels(const Paper& paper, int row) {
  EXPECT_EQ(paper.At(0, row), GreyOfLevel(15));
  EXPECT_EQ(paper.At(1, row), GreyOfLevel(12));
  EXPECT_EQ(paper.At(2, row), GreyOfLevel(7));
  EXPECT_EQ(paper.At(3, row), GreyOfLevel(8));
  EXPECT_EQ(paper.At(4, row), GreyOfLevel(5));
  EXPECT_EQ(paper.At(5, row), 255);
  // Levels 8 and above are dots of the one-bit page, 7 and below are not.
  EXPECT_LT(paper.At(3, row), 128);
  EXPECT_GE(paper.At(2, row), 128);
}

TEST(CompressedRaster, FourPlanesGiveGreyLevels) {
  Bytes stream;
  for (int p = 0; p < 4; ++p) {
    const Bytes header = Hex("00 00 00 08 43 52");
    stream.insert(stream.end(), header.begin(), header.end());
    stream.push_back(static_cast<uint8_t>(4 + p));
    const Bytes rest = Hex("00 00 00 00 08 00 01 00");
    stream.insert(stream.end(), rest.begin(), rest.end());
    stream.push_back(kPlanes[p]);
  }
  const Bytes trailer = Hex("08 43 52 FF 00 00");
  stream.insert(stream.end(), trailer.begin(), trailer.end());
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  ASSERT_GE(r.paper.height, 1);
  ExpectLevels(r.paper, 0);
}

TEST(PlainRaster, FourLevelPrinterTakesFourCommandsAsOneSlice) {
  Bytes stream;
  for (int p = 0; p < 4; ++p) {
    stream = Cat({stream, Hex("00 00 00 1B 4A 00 1D 76 30 00 01 00 01 00"), Bytes{kPlanes[p]}, Hex("00")});
  }
  RenderOptions options;
  options.plainLevels = 4;
  RenderResult r = RenderStream(stream, options);
  EXPECT_TRUE(r.diagnostics.empty());
  EXPECT_EQ(r.paper.height, 1);
  ExpectLevels(r.paper, 0);

  // A two-level printer prints the same commands as four one-row images.
  r = RenderStream(stream);
  EXPECT_EQ(r.paper.height, 4);
  for (int p = 0; p < 4; ++p) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(r.paper.At(x, p) == 0, ((kPlanes[p] >> (7 - x)) & 1) != 0) << p << "," << x;
  }
}

TEST(CompressedRaster, IncompleteSlicesAreReportedAndStillPrinted) {
  // A four-level slice with two planes and no trailer, then text.
  const Bytes stream = Hex("00 00 00 08 43 52 04 00 00 00 00 08 00 01 00 FF 01"
                           "00 00 00 08 43 52 05 00 00 00 00 08 00 01 00 FF 01 1B 4A 00");
  const RenderResult r = RenderStream(stream);
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].offset, 3u);
  EXPECT_NE(r.diagnostics[0].message.find("lacks 2 of its 4 planes"), std::string::npos);
  EXPECT_EQ(r.paper.At(0, 0), GreyOfLevel(12));
}

TEST(Raster, WideImagesAreCutAtThePaperEdge) {
  // 80 bytes per row on 576 dots: the last 8 bytes fall off the paper.
  const Bytes stream = Cat({Hex("1D 76 30 00 50 00 01 00"), Bytes(80, 0xFF)});
  const RenderResult r = RenderStream(stream);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, 1), 576);
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_NE(r.diagnostics[0].message.find("640 dots wide"), std::string::npos);
}

TEST(Raster, DoubleSizeModesScaleDots) {
  const RenderResult r = RenderStream(Hex("1D 76 30 03 01 00 01 00 80"));
  EXPECT_EQ(r.paper.height, 2);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, 2), 4);
}

}  // namespace
}  // namespace mkt::preview
