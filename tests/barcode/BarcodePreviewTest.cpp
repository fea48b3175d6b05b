// The preview block: 00 00 00, 1B 40, the block length (file size + 14, little-endian),
// "VARNOKE", then the whole preview image file.
#include "BarcodeTestSupport.h"

#include "oemuni/text/BarcodeCommands.h"

namespace barcodetest {
namespace {

class BarcodePreviewTest : public BarcodeFixture {
protected:
    std::filesystem::path PreviewBin() const { return ProductFolder() / "PreviewBin"; }
    static Bytes Header(DWORD fileSize) {
        const DWORD n = fileSize + 14;
        return Hex({0x00, 0x00, 0x00, 0x1B, 0x40, int(n & 0xFF), int(n >> 8), 'V', 'A', 'R', 'N', 'O', 'K', 'E'});
    }
};

TEST_F(BarcodePreviewTest, HundredByteFileAddsA114ByteBlock) {
    Bytes image(100);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<BYTE>(i);
    PutFile(PreviewBin() / "1D_CODE.bin", image);
    Bytes data = Hex({0x1D, 0x6B, 0x45, 0x02, 'A', 'B', 0, 0, 0});  // 6 bytes used, 3 spare
    DWORD length = 6;
    ASSERT_EQ(AddBarCodePreviewData(&m_devobj, "Code39", data, length, 0x45), 1);
    EXPECT_EQ(length, 120u);
    ASSERT_GE(data.size(), 120u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 120),
              Concat({Hex({0x1D, 0x6B, 0x45, 0x02, 'A', 'B'}), Header(100), image}));
    EXPECT_EQ(data[6 + 5], 0x72);
    EXPECT_EQ(data[6 + 6], 0x00);
}

TEST_F(BarcodePreviewTest, EachKindHasItsFile) {
    const struct {
        const char* family;
        DWORD type;
        const char* file;
    } cases[] = {
        {"Barcode2", 0x81, "1D_CODE.bin"},         {"PDF417", 0x82, "2D_PDF417.bin"},
        {"QR Code", 0x83, "2D_QRCODE.bin"},        {"DATAMATRIX", 0x84, "2D_DATAMATRIX.bin"},
        {"MAXI Code[Mode2]", 0x86, "2D_MAXICODE.bin"}, {"GS1 Databar", 0x89, "2D_GS1DATABAR.bin"},
        {"Aztec[GS1Mode]", 0x96, "2D_AZTEC.bin"},
        // User-defined 2D codes take the kind of their record: 2D-Code2 is a QR Code by default.
        {"2D-Code2", 0x98, "2D_QRCODE.bin"},       {"2D-Code3", 0x98, "2D_DATAMATRIX.bin"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(PreviewBin());
        const Bytes image = Ascii(c.file);
        PutFile(PreviewBin() / c.file, image);
        Bytes data = Hex({1, 2});
        DWORD length = 2;
        ASSERT_EQ(AddBarCodePreviewData(&m_devobj, c.family, data, length, c.type), 1) << c.family;
        EXPECT_EQ(Bytes(data.begin(), data.begin() + length), Concat({Hex({1, 2}), Header(DWORD(image.size())), image}))
            << c.family;
    }
}

TEST_F(BarcodePreviewTest, FailuresLeaveTheDataUnchanged) {
    Bytes data = Hex({1, 2, 3});
    DWORD length = 3;
    // No file.
    EXPECT_EQ(AddBarCodePreviewData(&m_devobj, "Code39", data, length, 0x45), 0);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(data, Hex({1, 2, 3}));
    // A user record of an unknown kind has no preview image.
    PutFile(PreviewBin() / "2D_PDF417.bin", Hex({9}));
    m_pdev->m_UIInfo.byCodeData[0] = 6;
    EXPECT_EQ(AddBarCodePreviewData(&m_devobj, "2D-Code1", data, length, 0x98), 0);
    EXPECT_EQ(length, 3u);
    // No device.
    EXPECT_EQ(AddBarCodePreviewData(nullptr, "PDF417", data, length, 0x82), 0);
    // The 16-bit block length cannot count a file this large.
    PutFile(PreviewBin() / "1D_CODE.bin", Bytes(0xFFFF - 13, 0x11));
    EXPECT_EQ(AddBarCodePreviewData(&m_devobj, "Code39", data, length, 0x45), 0);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(data, Hex({1, 2, 3}));
    PutFile(PreviewBin() / "1D_CODE.bin", Bytes(0xFFFF - 14, 0x11));
    EXPECT_EQ(AddBarCodePreviewData(&m_devobj, "Code39", data, length, 0x45), 1);
    EXPECT_EQ(length, 3u + 0xFFFF);
}

// Through the capture, with preview on: the block follows the barcode data in field B.
TEST_F(BarcodePreviewTest, PreviewBlockFollowsTheQrData) {
    PutFile(PreviewBin() / "2D_QRCODE.bin", Hex({0xAA, 0xBB}));
    Setting(29) = 1;
    Draw(u"QR Code", u"ABC", 8, 100);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].b, Concat({Hex({0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30, 'A', 'B', 'C', 0x1D, 0x28,
                                         0x6B, 0x03, 0x00, 0x31, 0x51, 0x30}),
                                    Header(2), Hex({0xAA, 0xBB})}));
}

// The preview images the package ships are valid blocks for every kind.
TEST(ShippedPreviewImages, EveryKindHasAFileThatFitsABlock) {
    const std::filesystem::path dir = std::filesystem::path(MKT_SOURCE_DIR) / "package" / "PreviewBin";
    for (const char* name : {"1D_CODE.bin", "2D_PDF417.bin", "2D_QRCODE.bin", "2D_DATAMATRIX.bin", "2D_MAXICODE.bin",
                             "2D_GS1DATABAR.bin", "2D_AZTEC.bin"}) {
        const auto path = dir / name;
        ASSERT_TRUE(std::filesystem::exists(path)) << name;
        const auto size = std::filesystem::file_size(path);
        EXPECT_GT(size, 0u) << name;
        EXPECT_LE(size, 0xFFFFu - 14) << name;
    }
}

}  // namespace
}  // namespace barcodetest
