// Resident-font text: records as the driver builds them (command, text, line
// end, separator), drawn in fixed cells.
#include <gtest/gtest.h>

#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

using test::Bytes;
using test::Cat;
using test::DotsIn;
using test::Hex;
using test::Text;

// The paper holds dots only inside the rectangle, and some inside it.
void ExpectOnlyIn(const Paper& paper, int x, int y, int w, int h) {
  EXPECT_GT(DotsIn(paper, x, y, w, h), 0);
  EXPECT_EQ(DotsIn(paper, 0, 0, paper.width, paper.height), DotsIn(paper, x, y, w, h));
}

TEST(ResidentFont, FontARecordPrintsAtItsPositionAndFeedsItsHeight) {
  // FontA11 at X = 300: 1B 74 10 08 4D 00 41 1D 21 00 1B 24 2C 01, "AB", 1B 4A 18, 00;
  // then a one-row black raster line lands right below the text.
  const Bytes stream = Cat({Hex("1B 74 10 08 4D 00 41 1D 21 00 1B 24 2C 01"), Text("AB"), Hex("1B 4A 18 00"),
                            Hex("1D 76 30 00 01 00 01 00 FF")});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  EXPECT_EQ(r.paper.height, 25);
  EXPECT_GT(DotsIn(r.paper, 300, 0, 12, 24), 0);
  EXPECT_GT(DotsIn(r.paper, 312, 0, 12, 24), 0);
  EXPECT_EQ(DotsIn(r.paper, 0, 0, 576, 24), DotsIn(r.paper, 300, 0, 24, 24));
  EXPECT_EQ(DotsIn(r.paper, 0, 24, 8, 1), 8);
}

TEST(ResidentFont, CellsOfFontBAndMagnification) {
  // FontB2x1: size byte 10, cells 18 x 17.
  RenderResult r = RenderStream(Cat({Hex("1B 74 10 08 4D 00 42 1D 21 10 1B 24 00 00"), Text("W"), Hex("1B 4A 11 00")}));
  ExpectOnlyIn(r.paper, 0, 0, 18, 17);
  EXPECT_GT(DotsIn(r.paper, 9, 0, 9, 17), 0);
  EXPECT_EQ(r.paper.height, 17);
  // Font A 3 x 2: cells 36 x 48.
  r = RenderStream(Cat({Hex("1B 74 10 08 4D 00 41 1D 21 21 1B 24 00 00"), Text("W"), Hex("1B 4A 30 00")}));
  ExpectOnlyIn(r.paper, 0, 0, 36, 48);
  EXPECT_GT(DotsIn(r.paper, 0, 24, 36, 24), 0);
  EXPECT_GT(DotsIn(r.paper, 24, 0, 12, 48), 0);
}

TEST(ResidentFont, SmallerCellsSitOnTheLineBottom) {
  const RenderResult r =
      RenderStream(Cat({Hex("08 4D 00 41"), Text("H"), Hex("08 4D 00 42"), Text("H"), Hex("1B 4A 18 00")}));
  EXPECT_GT(DotsIn(r.paper, 0, 0, 12, 24), 0);
  EXPECT_GT(DotsIn(r.paper, 12, 7, 9, 17), 0);
  EXPECT_EQ(DotsIn(r.paper, 12, 0, 9, 7), 0);
}

TEST(ResidentFont, CodeTablesDecodeTheSameCharacter) {
  // é is E9 in table 16 (Windows Latin) and 82 in table 0 (PC437).
  const RenderResult latin = RenderStream(Cat({Hex("1B 74 10"), Bytes{0xE9}, Hex("1B 4A 18")}));
  const RenderResult pc437 = RenderStream(Cat({Hex("1B 74 00"), Bytes{0x82}, Hex("1B 4A 18")}));
  const RenderResult plain = RenderStream(Cat({Hex("1B 74 10"), Text("e"), Hex("1B 4A 18")}));
  EXPECT_EQ(latin.paper.dots, pc437.paper.dots);
  EXPECT_NE(latin.paper.dots, plain.paper.dots);
  EXPECT_GT(DotsIn(latin.paper, 0, 0, 12, 24), 0);
}

TEST(ResidentFont, DoubleByteCharactersInEachCodeSystem) {
  struct Case {
    const char* name;
    Bytes stream;
    unsigned codePage;
  };
  const Bytes end = Hex("1C 2E 1B 4A 18 00");
  const Case cases[] = {
      // Chinese2312: 中 = D6 D0
      {"gb", Cat({Hex("1C 26 1D 21 00 1B 24 00 00 D6 D0"), end}), 936},
      // ChineseBIG5: 中 = A4 A4
      {"big5", Cat({Hex("1C 26 1D 21 00 1B 24 00 00 A4 A4"), end}), 950},
      // Korean: 한 = C7 D1
      {"korean", Cat({Hex("1C 26 1D 21 00 1B 24 00 00 C7 D1"), end}), 949},
      // Japanese, Shift-JIS: 中 = 92 86
      {"sjis", Cat({Hex("1C 26 1C 43 01 1D 21 00 1B 24 00 00 92 86"), end}), 936},
  };
  std::vector<uint8_t> chinese;
  for (const Case& c : cases) {
    RenderOptions options;
    options.doubleByteCodePage = c.codePage;
    const RenderResult r = RenderStream(c.stream, options);
    EXPECT_TRUE(r.diagnostics.empty()) << c.name << ": " << r.diagnostics.front().message;
    ExpectOnlyIn(r.paper, 0, 0, 24, 24);
    EXPECT_GT(DotsIn(r.paper, 12, 0, 12, 24), 0) << c.name;  // a double-width cell
    if (std::string(c.name) != "korean") {
      if (chinese.empty()) chinese = r.paper.dots;
      EXPECT_EQ(r.paper.dots, chinese) << c.name << " draws the same ideograph";
    }
  }
  // The same GB bytes read as Korean are another character.
  RenderOptions korean;
  korean.doubleByteCodePage = 949;
  EXPECT_NE(RenderStream(cases[0].stream, korean).paper.dots, chinese);
}

TEST(ResidentFont, StylesOfTheControlFont) {
  const Bytes base = Cat({Hex("1B 24 00 00"), Text("I"), Hex("1B 4A 18")});
  const long normal = DotsIn(RenderStream(base).paper, 0, 0, 12, 24);
  // emphasis on: 1B 45 01
  EXPECT_GT(DotsIn(RenderStream(Cat({Hex("1B 45 01"), base})).paper, 0, 0, 12, 24), normal);
  // reverse on: 1D 42 01
  EXPECT_EQ(DotsIn(RenderStream(Cat({Hex("1D 42 01"), base})).paper, 0, 0, 12, 24), 12 * 24 - normal);
  // underline on (two dots): 1B 2D 02
  const RenderResult underlined = RenderStream(Cat({Hex("1B 2D 02"), base}));
  EXPECT_EQ(DotsIn(underlined.paper, 0, 22, 12, 2), 24);
  // centre and right alignment
  ExpectOnlyIn(RenderStream(Cat({Hex("1B 61 01"), Text("I"), Hex("1B 4A 18")})).paper, 282, 0, 12, 24);
  ExpectOnlyIn(RenderStream(Cat({Hex("1B 61 02"), Text("I"), Hex("1B 4A 18")})).paper, 564, 0, 12, 24);
  // the control-font string (w) of the command table: emphasis off, left, on
  const RenderResult w = RenderStream(Cat({Hex("1B 45 00 1B 61 00 1B 45 01"), Text("I"), Hex("1B 4A 18")}));
  EXPECT_GT(DotsIn(w.paper, 0, 0, 12, 24), normal);
}

TEST(ResidentFont, LongLinesWrapAndLineFeedsUseTheLineSpacing) {
  // 50 characters of Font A: 48 fit on 576 dots, the line spacing is 30.
  const RenderResult r = RenderStream(Cat({Bytes(50, 'X'), Hex("0A")}));
  EXPECT_GT(DotsIn(r.paper, 0, 0, 576, 24), 0);
  EXPECT_EQ(DotsIn(r.paper, 0, 30, 576, 24), DotsIn(r.paper, 0, 30, 24, 24));
  EXPECT_GT(DotsIn(r.paper, 0, 30, 24, 24), 0);
  EXPECT_EQ(r.paper.height, 60);
  // 1B 33 n sets the spacing of the next line feed.
  EXPECT_EQ(RenderStream(Hex("1B 33 50 0A 0A")).paper.height, 160);
}

TEST(ResidentFont, ProblemsAreReported) {
  // "FontA" with no digits gives the size byte BF: beyond 8 x 8.
  RenderResult r = RenderStream(Cat({Hex("1D 21 BF"), Text("I"), Hex("1B 4A FF")}));
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].offset, 0u);
  EXPECT_NE(r.diagnostics[0].message.find("8 x 8"), std::string::npos);
  // Text never followed by a print command stays in the printer.
  r = RenderStream(Text("lost"));
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(DotsIn(r.paper, 0, 0, r.paper.width, r.paper.height), 0);
}

}  // namespace
}  // namespace mkt::preview
