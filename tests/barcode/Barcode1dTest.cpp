// Barcode-font names and 1D barcode commands. Expected bytes are written out from the command
// tables: 1D 77 w, 1D 68 h, 1D 48 p, 1D 66 f, 1B 24 xL xH; then 1D 6B m n and the data.
#include "BarcodeTestSupport.h"

#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/BarcodeTypes.h"

namespace barcodetest {
namespace {

TEST(GetBarcodeType, NamesAreComparedInFullIgnoringCase) {
    const struct {
        const char* name;
        DWORD type;
    } cases[] = {
        {"Code128", 0x49}, {"code128", 0x49}, {"CODE128", 0x49}, {"Code128 ", 0}, {" Code128", 0},
        {"JAN13(EAN)", 0x43}, {"JAN13 (EAN)", 0x43}, {"jan8 (ean)", 0x44}, {"UPC-A", 0x41}, {"UPC-E", 0x42},
        {"qr code", 0x83}, {"QR Code 2", 0}, {"QR", 0}, {"Barcode1", 0x81}, {"Barcode9", 0x81},
        {"Barcode10", 0}, {"PDF417", 0x82}, {"DATAMATRIX", 0x84}, {"DATAMATRIX Code", 0x84},
        {"MAXI Code", 0x85}, {"MAXI Code[Mode3]", 0x87}, {"GS1 Databar", 0x89},
        {"GS1 Databar UCC/EAN-128&CC-C", 0x93}, {"Aztec[UnicodeMode]", 0x97}, {"2D-Code8", 0x98},
        {"2D-Code9", 0}, {"", 0}, {"FontA11", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GetBarcodeType(c.name), c.type) << "'" << c.name << "'";
    EXPECT_EQ(GetBarcodeType(nullptr), 0u);
}

TEST(GetBarcodeType, TableHas52EntriesEndingWithAnEmptyOne) {
    const auto table = BarcodeFlagTable();
    ASSERT_EQ(table.size(), 52u);
    EXPECT_EQ(table.back().dwType, 0u);
    EXPECT_EQ(table.back().szFlag[0], '\0');
}

using Barcode1dTest = BarcodeFixture;

TEST_F(Barcode1dTest, UserBarcodesWithTheDefaultRecordsPrintSystems41To49) {
    for (int n = 1; n <= 9; ++n) {
        const std::string family = "Barcode" + std::to_string(n);
        const Built b = Build(family.c_str(), "123", 0);
        ASSERT_EQ(b.result, 16u) << family;
        EXPECT_EQ(b.command, Hex({0x1D, 0x77, 0x03, 0x1D, 0x68, 0x32, 0x1D, 0x48, 0x00, 0x1D, 0x66, 0x00, 0x1B, 0x24,
                                  0x00, 0x00}))
            << family;
        EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x40 + n, 0x03, '1', '2', '3'})) << family;
        EXPECT_EQ(b.height, 50u);
    }
}

TEST_F(Barcode1dTest, UserRecordSetsEveryPiece) {
    BYTE* rec = m_pdev->m_UIInfo.byBarcodeInfo + 5 * 3;  // Barcode4
    rec[0] = 8;  // Code 128
    rec[1] = 9;  // clamped to 6
    rec[2] = 0;  // raised to 1
    rec[3] = 2;
    rec[4] = 1;
    const Built b = Build("Barcode4", "AB", 300);
    ASSERT_EQ(b.result, 16u);
    EXPECT_EQ(b.command, Hex({0x1D, 0x77, 0x06, 0x1D, 0x68, 0x01, 0x1D, 0x48, 0x02, 0x1D, 0x66, 0x01, 0x1B, 0x24,
                              0x2C, 0x01}));
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x49, 0x02, 'A', 'B'}));
    EXPECT_EQ(b.height, 1u);
}

TEST_F(Barcode1dTest, WithoutDeviceStateUserBarcodeKeepsItsStartingRecord) {
    const Built b = Build("Barcode5", "1", 0, 1.0f, 0, false, false);
    ASSERT_EQ(b.result, 16u);
    EXPECT_EQ(b.command, Hex({0x1D, 0x77, 0x02, 0x1D, 0x68, 0x32, 0x1D, 0x48, 0x00, 0x1D, 0x66, 0x00, 0x1B, 0x24,
                              0x00, 0x00}));
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x41, 0x01, '1'}));
}

TEST_F(Barcode1dTest, Code39AtHalfSize) {
    Built b = Build("Code39", "AB", 100, 0.5f);
    ASSERT_EQ(b.result, 16u);
    // width 2 x 0.5 = 1, raised to 2; height 25; X 50; printer's own HRI setting kept.
    EXPECT_EQ(b.command, Hex({0x1D, 0x77, 0x02, 0x1D, 0x68, 25, 0, 0, 0, 0, 0, 0, 0x1B, 0x24, 50, 0x00}));
    EXPECT_EQ(b.height, 25u);
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x45, 0x02, 'A', 'B'}));
    // The half is added before truncation: 101 x 0.5 + 0.5 = 51.
    b = Build("Code39", "AB", 101, 0.5f);
    EXPECT_EQ(b.command[14], 51);
    // Barcode3 at 0.75: width 3 x 0.75 + 0.5 = 2.75 -> 2; height 50 x 0.75 + 0.5 = 38.
    b = Build("Barcode3", "AB", 0, 0.75f);
    EXPECT_EQ(b.command[2], 2);
    EXPECT_EQ(b.command[5], 38);
}

TEST_F(Barcode1dTest, Code128SubsetCExample) {
    const Built b = Build("Code128", "{C1234", 100);
    ASSERT_EQ(b.result, 16u);
    EXPECT_EQ(b.command, Hex({0x1D, 0x77, 0x02, 0x1D, 0x68, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x24,
                              0x64, 0x00}));
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x49, 0x04, 0x7B, 0x43, 0x0C, 0x22}));
    EXPECT_EQ(b.height, 0x32u);
}

TEST_F(Barcode1dTest, Code128DataOutsideSubsetCIsLeftUnchanged) {
    const struct {
        const char* data;
        Bytes fieldB;
    } cases[] = {
        {"{B12", Hex({0x1D, 0x6B, 0x49, 0x04, '{', 'B', '1', '2'})},
        {"{C123", Hex({0x1D, 0x6B, 0x49, 0x05, '{', 'C', '1', '2', '3'})},
        {"{C", Hex({0x1D, 0x6B, 0x49, 0x02, '{', 'C'})},
        // One pair is enough.
        {"{C12", Hex({0x1D, 0x6B, 0x49, 0x03, '{', 'C', 0x0C})},
    };
    for (const auto& c : cases) {
        const Built b = Build("Code128", c.data);
        ASSERT_EQ(b.result, 16u) << c.data;
        EXPECT_EQ(b.fieldB, c.fieldB) << c.data;
    }
    // Subset C is only for Code 128.
    EXPECT_EQ(Build("Code93", "{C12").fieldB, Hex({0x1D, 0x6B, 0x48, 0x04, '{', 'C', '1', '2'}));
    // Characters are not checked as digits: "A0" gives 10 x 65 + 48 - 528 = 170.
    EXPECT_EQ(Build("Code128", "{CA0").fieldB, Hex({0x1D, 0x6B, 0x49, 0x03, '{', 'C', 170}));
}

TEST_F(Barcode1dTest, TextBufferNeedsFourSpareBytes) {
    Built b = Build("Code39", "ABC", 0, 1.0f, 6);
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());
    b = Build("Code39", "ABC", 0, 1.0f, 7);
    EXPECT_EQ(b.result, 16u);
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x6B, 0x45, 0x03, 'A', 'B', 'C'}));
}

// The data length of 1D 6B m n is one byte: longer data is not printed at all (it would have
// the printer read the rest of the stream as barcode data).
TEST_F(Barcode1dTest, DataLongerThan255BytesIsNotRecorded) {
    Built b = Build("Code39", std::string(255, '7'));
    ASSERT_EQ(b.result, 16u);
    EXPECT_EQ(b.fieldB.size(), 259u);
    EXPECT_EQ(b.fieldB[3], 0xFF);

    b = Build("Code39", std::string(256, '7'));
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());

    // Subset C is judged on the whole length: 402 characters compact to 202 bytes and print.
    std::string digits = "{C";
    for (int i = 0; i < 200; ++i) digits += "42";
    b = Build("Code128", digits);
    ASSERT_EQ(b.result, 16u);
    EXPECT_EQ(b.fieldB[3], 202);
    ASSERT_EQ(b.fieldB.size(), 4u + 202);
    EXPECT_EQ(b.fieldB[6], 42);
    EXPECT_EQ(b.fieldB.back(), 42);

    // 510 characters compact to 256 bytes: too long.
    digits = "{C";
    for (int i = 0; i < 254; ++i) digits += "00";
    b = Build("Code128", digits);
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());
}

TEST_F(Barcode1dTest, TypesAbove81AreNot1d) {
    const Built b = Build("QR Code", "ABC");
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());
}

TEST_F(Barcode1dTest, NegativeXIsSplitWithTruncatingDivision) {
    const Built b = Build("ITF", "12", -5);
    EXPECT_EQ(b.command[14], 0xFB);
    EXPECT_EQ(b.command[15], 0x00);
}

}  // namespace
}  // namespace barcodetest
