// Document, page, feed and buzzer blocks; stored logos; cuts; the page
// identifier; the preview block; reports of what the renderer cannot read.
#include <gtest/gtest.h>

#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

using test::Bytes;
using test::Cat;
using test::Hex;

const Bytes kBlackRow = Hex("00 00 00 1B 4A 00 1D 76 30 00 01 00 01 00 FF 00");

TEST(Blocks, StartOfDocumentMarksPulsesAndCommand1B42) {
  // initialise, pulse pin 2 (t = 19), pulse pin 5 (t = 32), 1B 42 00 05, buzzer
  const Bytes stream = Hex("1B 40 1B 3D 01 1B 70 00 19 FF 1B 70 01 32 FF 1B 42 00 05 1B 23 6D 00 60 00");
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  ASSERT_EQ(r.marks.size(), 4u);
  EXPECT_EQ(r.marks[0].kind, MarkKind::DrawerPulse);
  EXPECT_EQ(r.marks[0].label, "drawer pulse pin 2, on 50 ms, off 510 ms");
  EXPECT_EQ(r.marks[0].offset, 5u);
  EXPECT_EQ(r.marks[1].label, "drawer pulse pin 5, on 100 ms, off 510 ms");
  EXPECT_EQ(r.marks[2].kind, MarkKind::Command1B42);
  EXPECT_EQ(r.marks[2].label, "command 1B 42 00 05");
  EXPECT_EQ(r.marks[3].kind, MarkKind::Buzzer);
  EXPECT_EQ(r.marks[3].offset, 19u);
  // Nothing is printed on the paper itself.
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, r.paper.width, r.paper.height), 0);
}

TEST(Blocks, TearFeedAndPageIdentifierEndThePage) {
  // page 300: 00 1B 33 00 00 1B 4A AF 1B 32 0C 00 08 2C 01, then the next page.
  const Bytes stream = Cat({kBlackRow, Hex("00 1B 33 00 00 1B 4A AF 1B 32 0C 00 08 2C 01"), kBlackRow,
                            Hex("00 1B 33 00 00 1B 4A 00 1B 32 0C 00 08 2D 01")});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  ASSERT_EQ(r.pages.size(), 2u);
  EXPECT_EQ(r.pages[0].number, 300u);
  EXPECT_EQ(r.pages[0].top, 0);
  EXPECT_EQ(r.pages[0].bottom, 1 + 175);
  EXPECT_EQ(r.pages[1].number, 301u);
  EXPECT_EQ(r.pages[1].top, 176);
  EXPECT_EQ(r.pages[1].bottom, 177);
  EXPECT_EQ(r.paper.At(0, 176), 0);
}

TEST(Blocks, PageIdentifiersThatLookLikeOtherCommands) {
  // Page 77 is 08 4D 00 and page 21059 is 08 43 52: after the tear feed they
  // are page numbers, not a font letter or a raster command.
  const Bytes tear = Hex("00 1B 33 00 00 1B 4A 00 1B 32 0C");
  const Bytes stream = Cat({tear, Hex("00 08 4D 00"), kBlackRow, tear, Hex("00 08 43 52"), kBlackRow});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  ASSERT_EQ(r.pages.size(), 2u);
  EXPECT_EQ(r.pages[0].number, 77u);
  EXPECT_EQ(r.pages[1].number, 0x5243u);
  EXPECT_EQ(r.pages[1].bottom, 1);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, r.paper.height), 16);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, 2), 16);
}

TEST(Blocks, LogosTakeRoomAndCutsAreMarked) {
  const Bytes stream = Cat({Hex("1C 70 02 00"),                          // bit image logo 2
                            Hex("1B 4A 00 1D 28 4C 06 00 30 45 30 31 01 01"),  // page logo, graphics form
                            Hex("1C 70 01 03"),                          // quadruple size
                            Hex("0A 1D 56 42 00"),                       // control font P
                            kBlackRow});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  ASSERT_EQ(r.marks.size(), 4u);
  EXPECT_EQ(r.marks[0].kind, MarkKind::StoredLogo);
  EXPECT_EQ(r.marks[0].label, "stored logo 2 (1C 70)");
  EXPECT_EQ(r.marks[0].row, 0);
  EXPECT_EQ(r.marks[1].label, "stored graphics \"01\" (1D 28 4C 45)");
  EXPECT_EQ(r.marks[1].row, 64);
  EXPECT_EQ(r.marks[2].row, 128);
  EXPECT_EQ(r.marks[2].height, 128);
  EXPECT_EQ(r.marks[3].kind, MarkKind::Cut);
  EXPECT_EQ(r.marks[3].row, 256 + 30);
  EXPECT_EQ(r.paper.At(0, 286), 0);
  // The boxes are marks only: the paper under them stays white.
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, 286), 0);
}

TEST(Blocks, PreviewBlockIsSkippedWhole) {
  // 00 00 00 1B 40, length = file size + 14, "VARNOKE", the file (here bytes that
  // would be commands if read), then the next barcode record's bytes.
  Bytes file = Hex("1B 99 1D 76 30 00 01 00 05 00 FF");
  file.resize(100, 0x41);
  const Bytes stream = Cat({Hex("00 00 00 1B 40 72 00"), test::Text("VARNOKE"), file, kBlackRow});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  ASSERT_EQ(r.marks.size(), 1u);
  EXPECT_EQ(r.marks[0].kind, MarkKind::PreviewImage);
  EXPECT_EQ(r.marks[0].label, "barcode preview image, 100 bytes");
  EXPECT_EQ(r.paper.At(0, 0), 0);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 576, r.paper.height), 8);
}

TEST(Diagnostics, UnknownAndTruncatedCommandsAreReportedWithOffsetAndBytes) {
  struct Case {
    const char* stream;
    size_t offset;
    const char* message;
  };
  const Case cases[] = {
      {"1B 4A 00 1B 99 41", 3, "unknown command 1B 99"},
      {"00 07", 1, "unknown command 07"},
      {"1D 76 30 00 48 00 0A 00 FF FF", 0, "truncated command 1D 76 30 00: needs 728 bytes, the stream ends after 10"},
      {"1D 28 6B 06 00 31 50 30 41", 0, "truncated command 1D 28 6B 06"},
      {"00 00 00 08 43 52 00 00 00 00 00 08 00 02 00 80", 3, "compressed raster data cut off"},
      {"1B", 0, "truncated command 1B: needs 2 bytes"},
      {"1D 6B 49 05 7B 42 31", 0, "truncated command 1D 6B 49 05"},
      {"1D 6B 04 41 42 43", 0, "barcode data without its closing NUL"},
      {"1B 40 05 00 56 41 52 4E 4F 4B 45", 0, "preview block shorter than its header"},
      {"1B 40 20 00 56 41 52 4E 4F 4B 45 00", 0, "preview block cut off"},
      {"08 43 52 FF 00 00", 0, "raster trailer without a raster slice"},
      {"1D 28 6B 03 00 39 41 00", 0, "unknown 2D symbology"},
  };
  for (const Case& c : cases) {
    const RenderResult r = RenderStream(Hex(c.stream));
    ASSERT_FALSE(r.diagnostics.empty()) << c.stream;
    EXPECT_EQ(r.diagnostics[0].offset, c.offset) << c.stream;
    EXPECT_NE(r.diagnostics[0].message.find(c.message), std::string::npos)
        << c.stream << " -> " << r.diagnostics[0].message;
  }
}

TEST(Diagnostics, PaperLengthIsBounded) {
  RenderOptions options;
  options.maxRows = 1000;
  const RenderResult r = RenderStream(test::Repeat(Hex("1B 4A FF"), 100), options);
  EXPECT_EQ(r.paper.height, 1000);
  ASSERT_FALSE(r.diagnostics.empty());
  EXPECT_NE(r.diagnostics.back().message.find("limit of 1000 rows"), std::string::npos);
}

}  // namespace
}  // namespace mkt::preview
