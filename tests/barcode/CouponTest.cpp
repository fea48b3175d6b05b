// Coupon images: collected from text keys while pages are captured, sent once each at the end
// of the document, straight to the spooler and into the journal.
#include "BarcodeTestSupport.h"

#include "oemuni/job/JobOutput.h"
#include "oemuni/text/CouponImages.h"
#include "oemuni/text/TextKeyImages.h"

namespace barcodetest {
namespace {

class CouponTest : public TextKeyFixture {
protected:
    void SetUp() override {
        TextKeyFixture::SetUp();
        Setting(27) = 1;
        m_output.m_pDriverUni = &m_spooler;
    }
    JobOutput m_output;
    RecordingDriverUni m_spooler;
};

TEST_F(CouponTest, SameCouponFromTwoKeysIsSentOnce) {
    SetKeys({u"K1\t_NULL_\t_NULL_\tA1", u"K2\t_NULL_\t_NULL_\tA1"});
    PutImage("A1", Hex({0xA1, 0xA1, 0xA1}));
    Draw(u"FontA11", u"K1 and K2");
    Draw(u"FontA11", u"K2 again", 0, 30);
    EXPECT_TRUE(SendCouponImageData(m_output, &m_devobj));
    ASSERT_EQ(m_spooler.writes.size(), 1u);
    EXPECT_EQ(m_spooler.writes[0], Hex({0xA1, 0xA1, 0xA1}));
    // The list is consumed: the next document starts empty and sends nothing.
    EXPECT_TRUE(m_pdev->szCouponImgName.empty());
    EXPECT_EQ(m_pdev->dwCouponImgNameLength, 0u);
    EXPECT_FALSE(SendCouponImageData(m_output, &m_devobj));
    EXPECT_EQ(m_spooler.writes.size(), 1u);
}

TEST_F(CouponTest, CouponsGoInCollectionOrderInOneWrite) {
    SetKeys({u"KB\t_NULL_\t_NULL_\tB22", u"KA\t_NULL_\t_NULL_\tA1", u"KC\t_NULL_\t_NULL_\tC3"});
    PutImage("A1", Hex({0x01, 0x02}));
    PutImage("B22", Hex({0x03}));
    // C3.bin is missing: it contributes nothing.
    Draw(u"FontA11", u"KA", 0, 0);
    Draw(u"FontA11", u"KC", 0, 10);
    Draw(u"FontA11", u"KB", 0, 20);
    EXPECT_TRUE(SendCouponImageData(m_output, &m_devobj));
    ASSERT_EQ(m_spooler.writes.size(), 1u);
    EXPECT_EQ(m_spooler.writes[0], Hex({0x01, 0x02, 0x03}));
}

TEST_F(CouponTest, CouponBytesAreJournalled) {
    std::filesystem::create_directories(ProductFolder());
    ASSERT_NE(m_output.GetFileHandle(&m_devobj), nullptr);
    SetKeys({u"K\t_NULL_\t_NULL_\tC"});
    PutImage("C", Hex({0x1B, 0x40, 0x0A}));
    Draw(u"FontA11", u"K");
    EXPECT_TRUE(SendCouponImageData(m_output, &m_devobj));
    m_output.CloseJournal();
    const auto journal = plat::ReadWholeFile(m_output.m_szFileName);
    ASSERT_TRUE(journal);
    EXPECT_EQ(*journal, Hex({0x1B, 0x40, 0x0A}));
}

TEST_F(CouponTest, SpoolerTakingLessIsAFailure) {
    SetKeys({u"K\t_NULL_\t_NULL_\tC"});
    PutImage("C", Hex({1, 2, 3, 4}));
    Draw(u"FontA11", u"K");
    m_spooler.acceptAtMost = 2;
    EXPECT_FALSE(SendCouponImageData(m_output, &m_devobj));
}

TEST_F(CouponTest, NothingCollectedOrNothingReadableSendsNothing) {
    EXPECT_FALSE(SendCouponImageData(m_output, &m_devobj));
    SetKeys({u"K\t_NULL_\t_NULL_\tNOFILE"});
    Draw(u"FontA11", u"K");
    EXPECT_FALSE(SendCouponImageData(m_output, &m_devobj));
    EXPECT_TRUE(m_spooler.writes.empty());
    EXPECT_TRUE(m_pdev->szCouponImgName.empty());
}

TEST_F(CouponTest, ImageNamesStayInsideTheProductFolder) {
    PutFile(m_root / "C" / "Windows" / "secret.bin", Hex({0x55}));
    PutImage("sub\\ok", Hex({0x66}));
    PutFile(ProductFolder() / "sub" / "ok.bin", Hex({0x66}));
    std::vector<BYTE> image;
    EXPECT_EQ(GetTextKeyImgBufFromFile(&m_devobj, Ascii("..\\secret"), image), 0u);
    EXPECT_EQ(GetTextKeyImgBufFromFile(&m_devobj, Ascii("C:\\Windows\\secret"), image), 0u);
    EXPECT_EQ(GetTextKeyImgBufFromFile(&m_devobj, Ascii("sub\\ok"), image), 1u);
    EXPECT_EQ(image, Hex({0x66}));
    // A name of more than 255 characters becomes empty; the path stays within 255 characters.
    EXPECT_EQ(GetTextKeyImgBufFromFile(&m_devobj, Bytes(300, 'n'), image), 0u);
    EXPECT_EQ(GetTextKeyImgBufFromFile(&m_devobj, Bytes(250, 'n'), image), 0u);
    EXPECT_TRUE(image.empty());
}

}  // namespace
}  // namespace barcodetest
