// 2D barcode commands: field A = 1B 24 xL xH and the option commands 1D 28 6B pL pH cn fn ...;
// field B = 1D 28 6B pL pH cn 50 30, the data, 1D 28 6B 03 00 cn 51 30.
#include "BarcodeTestSupport.h"

#include "oemuni/text/BarcodeCommands.h"

namespace barcodetest {
namespace {

class Barcode2dTest : public BarcodeFixture {
protected:
    Built Build2d(const char* family, const std::string& text, LONG X = 0, float factor = 1.0f,
                  DWORD capacity = 0) {
        return Build(family, text, X, factor, capacity, true);
    }
    static Bytes FieldB(int cn, const std::string& data) {
        const int n = static_cast<int>(data.size()) + 3;
        return Concat({Hex({0x1D, 0x28, 0x6B, n & 0xFF, n >> 8, cn, 0x50, 0x30}), Ascii(data),
                       Hex({0x1D, 0x28, 0x6B, 0x03, 0x00, cn, 0x51, 0x30})});
    }
    BYTE* UserRecord(int n) { return m_pdev->m_UIInfo.byCodeData + 20 * (n - 1); }
};

TEST_F(Barcode2dTest, QrCodeExample) {
    const Built b = Build2d("QR Code", "ABC", 8);
    ASSERT_EQ(b.result, 29u);
    EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x08, 0x00, 0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x03, 0x1D, 0x28, 0x6B, 0x03, 0x00,
                              0x31, 0x45, 0x30}));
    EXPECT_EQ(b.fieldB, Hex({0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 0x41, 0x42, 0x43, 0x1D, 0x28, 0x6B,
                             0x03, 0x00, 0x31, 0x51, 0x30}));
    EXPECT_EQ(b.height, 24u) << "2D records keep the font height";
}

TEST_F(Barcode2dTest, Pdf417BuiltInAndAtHalfSize) {
    Built b = Build2d("PDF417", "P", 8);
    ASSERT_EQ(b.result, 53u);
    EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x08, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x41, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x42, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x43, 0x03,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x44, 0x03,
                              0x1D, 0x28, 0x6B, 0x04, 0x00, 0x30, 0x45, 0x30, 0x30,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x46, 0x00}));
    EXPECT_EQ(b.fieldB, FieldB(0x30, "P"));

    // Columns 0 and rows 0 stay 0; module width and row height 3 become 2; X 8 becomes 4.
    b = Build2d("PDF417", "P", 8, 0.5f);
    ASSERT_EQ(b.result, 53u);
    EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x04, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x41, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x42, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x43, 0x02,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x44, 0x02,
                              0x1D, 0x28, 0x6B, 0x04, 0x00, 0x30, 0x45, 0x30, 0x30,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x46, 0x00}));
}

TEST_F(Barcode2dTest, Pdf417UserRecordScaledWithinItsLimits) {
    BYTE* rec = UserRecord(1);
    const BYTE values[7] = {0, 80, 20, 250, 2, 9, 1};  // columns 80, width 20, rows 250, height 2, level 9
    std::copy(values, values + 7, rec);
    Built b = Build2d("2D-Code1", "P");
    ASSERT_EQ(b.result, 53u);
    // Unscaled: copied as they are; an error level above 8 sends 30.
    EXPECT_EQ(b.command[11], 80);
    EXPECT_EQ(b.command[19], 250);
    EXPECT_EQ(b.command[27], 20);
    EXPECT_EQ(b.command[35], 2);
    EXPECT_EQ(b.command[44], 0x30);
    EXPECT_EQ(b.command[52], 1);
    // At 0.5: columns 40 -> 30, rows 125 -> 90, width 10 -> 8, height 1 -> 2.
    b = Build2d("2D-Code1", "P", 0, 0.5f);
    EXPECT_EQ(b.command[11], 30);
    EXPECT_EQ(b.command[19], 90);
    EXPECT_EQ(b.command[27], 8);
    EXPECT_EQ(b.command[35], 2);
    // Rows that scale below 3 become 0; columns 1 x 0.25 -> 0.
    rec[1] = 1;
    rec[3] = 8;
    rec[5] = 4;
    b = Build2d("2D-Code1", "P", 0, 0.25f);
    EXPECT_EQ(b.command[11], 0);
    EXPECT_EQ(b.command[19], 0);
    EXPECT_EQ(b.command[44], 0x34);
}

TEST_F(Barcode2dTest, QrUserRecordModelLevelAndModuleSize) {
    BYTE* rec = UserRecord(2);  // kind 1 by default
    rec[7] = 0;   // model 1
    rec[8] = 12;  // module size
    rec[9] = 3;   // level
    Built b = Build2d("2D-Code2", "Q");
    ASSERT_EQ(b.result, 29u);
    EXPECT_EQ(b.command[11], 0x31);
    EXPECT_EQ(b.command[20], 12) << "unscaled, no clamp";
    EXPECT_EQ(b.command[28], 0x33);
    b = Build2d("2D-Code2", "Q", 0, 0.75f);
    EXPECT_EQ(b.command[20], 8) << "12 x 0.75 + 0.5 = 9.5 -> 9, clamped to 8";
    rec[9] = 7;
    EXPECT_EQ(Build2d("2D-Code2", "Q").command[28], 0x30);
}

TEST_F(Barcode2dTest, DataMatrixAndGs1DataBar) {
    Built b = Build2d("DATAMATRIX", "D");
    ASSERT_EQ(b.result, 12u);
    EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x00, 0x00, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x33, 0x43, 0x03}));
    EXPECT_EQ(b.fieldB, FieldB(0x33, "D"));

    b = Build2d("GS1 Databar Stacked", "0123");
    ASSERT_EQ(b.result, 37u);
    // The second command carries the length byte 03 although two parameters follow.
    EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x00, 0x00,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x41, 0x34,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x42, 0x02, 0x02,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x44, 0x20,
                              0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x46, 0x02}));
    EXPECT_EQ(b.fieldB, FieldB(0x34, "0123"));

    const struct {
        const char* name;
        BYTE symbolType;
    } gs1[] = {{"GS1 Databar", 0x32}, {"GS1 Databar Omnidirect", 0x32}, {"GS1 Databar Truncated", 0x33},
               {"GS1 Databar Stacked Omnidirect", 0x35}, {"GS1 Databar UPC-A", 0x38}, {"GS1 Databar UPC-E", 0x39},
               {"GS1 Databar EAN-13", 0x3A}, {"GS1 Databar EAN-8", 0x3B}, {"GS1 Databar UCC/EAN-128&CC-A/B", 0x3C},
               {"GS1 Databar UCC/EAN-128&CC-C", 0x3D}};
    for (const auto& c : gs1) EXPECT_EQ(Build2d(c.name, "1").command[11], c.symbolType) << c.name;
}

TEST_F(Barcode2dTest, MaxiCodeModesAndUserRecordClamped) {
    const struct {
        const char* name;
        BYTE mode;
    } cases[] = {{"MAXI Code", 0x34}, {"MAXI Code[Mode2]", 0x32}, {"MAXI Code[Mode3]", 0x33}, {"MAXI Code[Mode4]", 0x34}};
    for (const auto& c : cases) {
        const Built b = Build2d(c.name, "M");
        ASSERT_EQ(b.result, 12u) << c.name;
        EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x00, 0x00, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x32, 0x41, c.mode})) << c.name;
        EXPECT_EQ(b.fieldB, FieldB(0x32, "M")) << c.name;
    }
    BYTE* rec = UserRecord(4);
    rec[0] = 3;
    rec[10] = 0x39;
    EXPECT_EQ(Build2d("2D-Code4", "M").command[11], 0x34);
    rec[10] = 0x20;
    EXPECT_EQ(Build2d("2D-Code4", "M").command[11], 0x32);
}

TEST_F(Barcode2dTest, AztecModes) {
    const struct {
        const char* name;
        BYTE mode;
    } cases[] = {{"Aztec", 0}, {"Aztec[DataMode]", 0}, {"Aztec[GS1Mode]", 1}, {"Aztec[UnicodeMode]", 2}};
    for (const auto& c : cases) {
        const Built b = Build2d(c.name, "Z", 300);
        ASSERT_EQ(b.result, 28u) << c.name;
        EXPECT_EQ(b.command, Hex({0x1B, 0x24, 0x2C, 0x01, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x35, 0x41, 0x02, 0x1D, 0x28,
                                  0x6B, 0x03, 0x00, 0x35, 0x42, 0x31, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x35, 0x43,
                                  c.mode}))
            << c.name;
        EXPECT_EQ(b.fieldB, FieldB(0x35, "Z"));
    }
}

TEST_F(Barcode2dTest, UserRecordOfUnknownKindGivesNoRecord) {
    UserRecord(3)[0] = 7;
    const Built b = Build2d("2D-Code3", "ABC");
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());
    EXPECT_EQ(b.length, 3u);
    // Through the capture: nothing is recorded.
    Draw(u"2D-Code3", u"ABC");
    EXPECT_EQ(m_pdev->dwTxtBufSize(), 0u);
}

TEST_F(Barcode2dTest, DefaultUserRecordsCycleThroughPdf417QrDataMatrix) {
    EXPECT_EQ(Build2d("2D-Code1", "A").result, 53u);
    EXPECT_EQ(Build2d("2D-Code2", "A").result, 29u);
    EXPECT_EQ(Build2d("2D-Code3", "A").result, 12u);
    EXPECT_EQ(Build2d("2D-Code7", "A").result, 53u);
    EXPECT_EQ(Build2d("2D-Code8", "A").result, 29u);
}

TEST_F(Barcode2dTest, WithoutDeviceStateTheKindStaysPdf417) {
    const Built b = Build("QR Code", "A", 0, 1.0f, 0, true, false);
    EXPECT_EQ(b.result, 53u);
    EXPECT_EQ(b.fieldB, FieldB(0x30, "A"));
}

TEST_F(Barcode2dTest, StoreLengthAbove255SetsTheHighByte) {
    const std::string data(300, 'x');
    const Built b = Build2d("QR Code", data);
    ASSERT_EQ(b.result, 29u);
    EXPECT_EQ(Bytes(b.fieldB.begin(), b.fieldB.begin() + 8), Hex({0x1D, 0x28, 0x6B, 0x2F, 0x01, 0x31, 0x50, 0x30}));
    EXPECT_EQ(b.fieldB.size(), 316u);
}

TEST_F(Barcode2dTest, TextBufferNeedsSixteenSpareBytes) {
    Built b = Build2d("QR Code", "ABC", 0, 1.0f, 18);
    EXPECT_EQ(b.result, 0u);
    EXPECT_TRUE(b.command.empty());
    b = Build2d("QR Code", "ABC", 0, 1.0f, 19);
    EXPECT_EQ(b.result, 29u);
    EXPECT_EQ(b.fieldB, FieldB(0x31, "ABC"));
}

}  // namespace
}  // namespace barcodetest
