// Barcode records as the driver builds them, drawn and read back by a barcode
// reader to the data that was sent.
#include <gtest/gtest.h>

#include "PreviewTestSupport.h"

namespace mkt::preview {
namespace {

using test::Bytes;
using test::Cat;
using test::Hex;
using test::Text;

// Field B of a 2D record: store command, data, print command.
Bytes Store2D(uint8_t cn, const std::string& data) {
  const size_t n = data.size() + 3;
  return Cat({Hex("1D 28 6B"), Bytes{static_cast<uint8_t>(n % 256), static_cast<uint8_t>(n / 256), cn, 0x50, 0x30},
              Text(data), Hex("1D 28 6B 03 00"), Bytes{cn, 0x51, 0x30}});
}

TEST(Barcode1D, Code128SubsetCRecordOfTheCommandTable) {
  // {C1234 in "Code128" at X = 100.
  const Bytes stream = Cat({Hex("1D 77 02 1D 68 32 00 00 00 00 00 00 1B 24 64 00"), Hex("1D 6B 49 04 7B 43 0C 22"),
                            Hex("00")});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty());
  EXPECT_EQ(r.paper.height, 50);
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 100, 50), 0);
  EXPECT_GT(test::DotsIn(r.paper, 100, 0, 20, 50), 0);
  EXPECT_EQ(test::DecodeBarcode(r.paper), "1234");
}

TEST(Barcode1D, EachSystemDecodesToItsData) {
  struct Case {
    uint8_t system;
    std::string data;
    std::string decoded;
  };
  const Case cases[] = {
      {0x41, "01234567890", "012345678905"},   // UPC-A
      {0x43, "490123456789", "4901234567894"},  // JAN13
      {0x44, "4901234", "49012347"},          // JAN8
      {0x45, "CODE39", "CODE39"},
      {0x46, "12345678", "12345678"},          // ITF
      {0x47, "A1234B", "1234"},  // Codabar: the reader drops start and stop
      {0x48, "CODE93", "CODE93"},
      {0x49, "{BAb-12", "Ab-12"},
  };
  for (const Case& c : cases) {
    // Barcode settings of a user barcode: width 3, height 80, text below in font A.
    const Bytes stream = Cat({Hex("1D 77 03 1D 68 50 1D 48 02 1D 66 00 1B 24 20 00 1D 6B"),
                              Bytes{c.system, static_cast<uint8_t>(c.data.size())}, Text(c.data), Hex("00")});
    const RenderResult r = RenderStream(stream);
    EXPECT_TRUE(r.diagnostics.empty()) << int(c.system) << ": " << r.diagnostics.front().message;
    EXPECT_EQ(r.paper.height, 80 + 24) << int(c.system);
    EXPECT_GT(test::DotsIn(r.paper, 0, 80, 576, 24), 0) << "human-readable line of " << int(c.system);
    EXPECT_EQ(test::DecodeBarcode(r.paper), c.decoded) << int(c.system);
  }
}

TEST(Barcode1D, NulTerminatedFormAndBadData) {
  // m = 4 is Code 39 with its data up to a NUL.
  RenderResult r = RenderStream(Hex("1D 68 40 1D 6B 04 41 42 43 00"));
  EXPECT_TRUE(r.diagnostics.empty());
  EXPECT_EQ(test::DecodeBarcode(r.paper), "ABC");
  // Letters in a JAN13: reported with the record's bytes, nothing printed.
  r = RenderStream(Hex("1D 6B 43 03 41 42 43"));
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_NE(r.diagnostics[0].message.find("JAN13 (EAN) barcode not printed"), std::string::npos);
  EXPECT_NE(r.diagnostics[0].message.find("[1D 6B 43 03 41 42 43]"), std::string::npos);
}

struct Symbol2DCase {
  const char* name;
  Bytes options;  // field A after 1B 24 xL xH
  uint8_t cn;
  std::string data;
};

class Barcode2D : public ::testing::TestWithParam<Symbol2DCase> {};

TEST_P(Barcode2D, DecodesToTheDataSent) {
  const Symbol2DCase& c = GetParam();
  const Bytes stream = Cat({Hex("1B 24 20 00"), c.options, Store2D(c.cn, c.data), Hex("00")});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  EXPECT_EQ(test::DotsIn(r.paper, 0, 0, 32, r.paper.height), 0);  // starts at X = 32
  EXPECT_EQ(test::DecodeBarcode(r.paper), c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Symbologies, Barcode2D,
    ::testing::Values(
        Symbol2DCase{"QRCode", Hex("1D 28 6B 04 00 31 41 32 00 1D 28 6B 03 00 31 43 03 1D 28 6B 03 00 31 45 30"), 0x31,
                     "https://example.com/receipt?id=0815"},
        Symbol2DCase{"PDF417",
                     Hex("1D 28 6B 03 00 30 41 00 1D 28 6B 03 00 30 42 00 1D 28 6B 03 00 30 43 03"
                         "1D 28 6B 03 00 30 44 03 1D 28 6B 04 00 30 45 30 30 1D 28 6B 03 00 30 46 00"),
                     0x30, "PDF417 receipt 0815"},
        Symbol2DCase{"DataMatrix", Hex("1D 28 6B 03 00 33 43 03"), 0x33, "DM-0815-ABC"},
        Symbol2DCase{"Aztec", Hex("1D 28 6B 03 00 35 41 03 1D 28 6B 03 00 35 42 31 1D 28 6B 03 00 35 43 00"), 0x35,
                     "Aztec 0815"}),
    [](const ::testing::TestParamInfo<Symbol2DCase>& info) { return std::string(info.param.name); });

TEST(Barcode2DOptions, ModuleSizeScalesTheSymbol) {
  const Bytes qr3 = Cat({Hex("1D 28 6B 03 00 31 43 03"), Store2D(0x31, "ABC")});
  const Bytes qr6 = Cat({Hex("1D 28 6B 03 00 31 43 06"), Store2D(0x31, "ABC")});
  const RenderResult a = RenderStream(qr3);
  const RenderResult b = RenderStream(qr6);
  EXPECT_EQ(a.paper.height, 21 * 3);  // version 1: 21 modules
  EXPECT_EQ(b.paper.height, 21 * 6);
  EXPECT_EQ(test::DotsIn(b.paper, 0, 0, 576, b.paper.height), 4 * test::DotsIn(a.paper, 0, 0, 576, a.paper.height));
}

TEST(Barcode2DOptions, GS1DataBarOptionsWithTheirShortLengthByte) {
  // 34 42 carries two parameters under the length 03; the second one follows.
  const Bytes stream = Cat({Hex("1B 24 20 00 1D 28 6B 03 00 34 41 32 1D 28 6B 03 00 34 42 02 02"
                                "1D 28 6B 03 00 34 44 20 1D 28 6B 03 00 34 46 02"),
                            Store2D(0x34, "2001234567890"), Hex("00")});
  const RenderResult r = RenderStream(stream);
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  EXPECT_NE(test::DecodeBarcode(r.paper).find("2001234567890"), std::string::npos);
}

TEST(Barcode2DOptions, MaxiCodeIsDrawnAtItsFixedSize) {
  const RenderResult r = RenderStream(Cat({Hex("1D 28 6B 03 00 32 41 34"), Store2D(0x32, "MAXICODE 0815")}));
  EXPECT_TRUE(r.diagnostics.empty()) << r.diagnostics.front().message;
  EXPECT_GT(r.paper.height, 180);
  EXPECT_LT(r.paper.height, 240);
}

TEST(Barcode2DOptions, PrintWithoutDataIsReported) {
  const RenderResult r = RenderStream(Hex("1D 28 6B 03 00 33 51 30"));
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_NE(r.diagnostics[0].message.find("DataMatrix not printed: no data stored"), std::string::npos);
}

}  // namespace
}  // namespace mkt::preview
