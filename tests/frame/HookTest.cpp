// The drawing hooks: chaining to Unidrv and the image-rectangle list.
#include <gtest/gtest.h>

#include "PluginHarness.h"
#include "oemuni/frame/CurrentJob.h"

namespace {

class Hooks : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        SetMisc({});
        ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    }

    BOOL BitBlt(RECTL r) {
        auto hook = reinterpret_cast<PFN_DrvBitBlt>(dev.Hook(INDEX_DrvBitBlt));
        return hook(&dev.surface, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xCCCC);
    }
    BOOL StretchBlt(RECTL r) {
        auto hook = reinterpret_cast<PFN_DrvStretchBlt>(dev.Hook(INDEX_DrvStretchBlt));
        return hook(&dev.surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, 3);
    }
    BOOL StretchBltROP(RECTL r) {
        auto hook = reinterpret_cast<PFN_DrvStretchBltROP>(dev.Hook(INDEX_DrvStretchBltROP));
        return hook(&dev.surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, 3,
                    nullptr, 0xCCCC);
    }
    BOOL NextBand() {
        POINTL pt{0, 0};
        return reinterpret_cast<PFN_DrvNextBand>(dev.Hook(INDEX_DrvNextBand))(&dev.surface, &pt);
    }
    BOOL StartBanding() {
        POINTL pt{0, 0};
        return reinterpret_cast<PFN_DrvStartBanding>(dev.Hook(INDEX_DrvStartBanding))(&dev.surface, &pt);
    }
    std::string Rects() const { return Hex(std::vector<BYTE>(dev.pdev()->pImgRectBufStart.span().begin(),
                                                            dev.pdev()->pImgRectBufStart.span().end())); }

    PluginDevice dev;
};

TEST_F(Hooks, BitBltRectanglesAreRecordedAtTheNextBlitOrBand) {
    EXPECT_TRUE(BitBlt({1, 2, 3, 4}));
    EXPECT_EQ(Rects(), "");
    EXPECT_TRUE(BitBlt({0x102, 0x20, 0x300, 0x10004}));  // the low 16 bits of each coordinate
    EXPECT_EQ(Rects(), "01 00 02 00 03 00 04 00");
    EXPECT_TRUE(NextBand());
    EXPECT_EQ(Rects(), "01 00 02 00 03 00 04 00 02 01 20 00 00 03 04 00");
    EXPECT_TRUE(NextBand());  // nothing pending any more
    EXPECT_EQ(dev.pdev()->pImgRectBufStart.size(), 16u);
    // Unidrv got every call with the same rectangle.
    ASSERT_EQ(Unidrv().rects.size(), 2u);
    EXPECT_EQ(Unidrv().rects[1].right, 0x300);
}

TEST_F(Hooks, StretchBltReplacesAPendingBitBlt) {
    BitBlt({1, 1, 2, 2});
    StretchBlt({10, 20, 30, 40});
    EXPECT_EQ(Rects(), "0A 00 14 00 1E 00 28 00");
    NextBand();
    EXPECT_EQ(Rects(), "0A 00 14 00 1E 00 28 00");
    StretchBltROP({-1, 0, 5, 6});
    EXPECT_EQ(dev.pdev()->pImgRectBufStart.size(), 16u);
    EXPECT_EQ(Hex(std::vector<BYTE>(dev.pdev()->pImgRectBufStart.data() + 8, dev.pdev()->pImgRectBufStart.data() + 16)),
              "FF FF 00 00 05 00 06 00");
}

TEST_F(Hooks, EmptyRectanglesFollowTheirOwnRules) {
    StretchBlt({0, 0, 0, 0});  // recorded even when all zero
    EXPECT_EQ(Rects(), "00 00 00 00 00 00 00 00");
    BitBlt({0, 0, 0, 0});
    NextBand();  // an all-zero pending rectangle is not recorded
    EXPECT_EQ(dev.pdev()->pImgRectBufStart.size(), 8u);
}

TEST_F(Hooks, StartBandingAndTextOutDropThePendingRectangle) {
    BitBlt({1, 2, 3, 4});
    StartBanding();
    NextBand();
    EXPECT_EQ(Rects(), "");

    BitBlt({1, 2, 3, 4});
    STROBJ str{};
    FONTOBJ font{};
    std::u16string text = u"x";
    str.cGlyphs = 1;
    str.pwszOrg = text.data();
    reinterpret_cast<PFN_DrvTextOut>(dev.Hook(INDEX_DrvTextOut))(&dev.surface, &str, &font, nullptr, nullptr, nullptr,
                                                                 nullptr, nullptr, nullptr, 0);
    NextBand();
    EXPECT_EQ(Rects(), "");
}

TEST_F(Hooks, EveryHookChainsToUnidrvExceptRealizeBrush) {
    SURFOBJ* s = &dev.surface;
    DHPDEV d = &dev.devobj;
    RECTL r{0, 0, 1, 1};
    POINTL pt{0, 0};
    std::u16string doc = u"doc";
    reinterpret_cast<PFN_DrvAlphaBlend>(dev.Hook(INDEX_DrvAlphaBlend))(s, nullptr, nullptr, nullptr, &r, &r, nullptr);
    reinterpret_cast<PFN_DrvCopyBits>(dev.Hook(INDEX_DrvCopyBits))(s, nullptr, nullptr, nullptr, &r, &pt);
    reinterpret_cast<PFN_DrvDitherColor>(dev.Hook(INDEX_DrvDitherColor))(d, 0, 0, nullptr);
    reinterpret_cast<PFN_DrvFillPath>(dev.Hook(INDEX_DrvFillPath))(s, nullptr, nullptr, nullptr, &pt, 0, 0);
    reinterpret_cast<PFN_DrvFontManagement>(dev.Hook(INDEX_DrvFontManagement))(s, nullptr, 0, 0, nullptr, 0, nullptr);
    reinterpret_cast<PFN_DrvGetGlyphMode>(dev.Hook(INDEX_DrvGetGlyphMode))(d, nullptr);
    reinterpret_cast<PFN_DrvGradientFill>(dev.Hook(INDEX_DrvGradientFill))(s, nullptr, nullptr, nullptr, 0, nullptr, 0,
                                                                           &r, &pt, 0);
    reinterpret_cast<PFN_DrvLineTo>(dev.Hook(INDEX_DrvLineTo))(s, nullptr, nullptr, 0, 0, 1, 1, &r, 0);
    reinterpret_cast<PFN_DrvPaint>(dev.Hook(INDEX_DrvPaint))(s, nullptr, nullptr, &pt, 0);
    reinterpret_cast<PFN_DrvPlgBlt>(dev.Hook(INDEX_DrvPlgBlt))(s, nullptr, nullptr, nullptr, nullptr, nullptr, &pt,
                                                               nullptr, &r, &pt, 0);
    reinterpret_cast<PFN_DrvQueryAdvanceWidths>(dev.Hook(INDEX_DrvQueryAdvanceWidths))(d, nullptr, 0, nullptr,
                                                                                       nullptr, 0);
    reinterpret_cast<PFN_DrvQueryFont>(dev.Hook(INDEX_DrvQueryFont))(d, 0, 0, nullptr);
    reinterpret_cast<PFN_DrvQueryFontData>(dev.Hook(INDEX_DrvQueryFontData))(d, nullptr, 0, 0, nullptr, nullptr, 0);
    reinterpret_cast<PFN_DrvQueryFontTree>(dev.Hook(INDEX_DrvQueryFontTree))(d, 0, 0, 0, nullptr);
    EXPECT_TRUE(reinterpret_cast<PFN_DrvRealizeBrush>(dev.Hook(INDEX_DrvRealizeBrush))(nullptr, s, nullptr, nullptr,
                                                                                       nullptr, 0));
    reinterpret_cast<PFN_DrvStrokeAndFillPath>(dev.Hook(INDEX_DrvStrokeAndFillPath))(s, nullptr, nullptr, nullptr,
                                                                                     nullptr, nullptr, nullptr, &pt,
                                                                                     0, 0);
    reinterpret_cast<PFN_DrvStrokePath>(dev.Hook(INDEX_DrvStrokePath))(s, nullptr, nullptr, nullptr, nullptr, &pt,
                                                                       nullptr, 0);
    reinterpret_cast<PFN_DrvTransparentBlt>(dev.Hook(INDEX_DrvTransparentBlt))(s, nullptr, nullptr, nullptr, &r, &r, 0,
                                                                               0);
    reinterpret_cast<PFN_DrvStartDoc>(dev.Hook(INDEX_DrvStartDoc))(s, doc.data(), 42);
    reinterpret_cast<PFN_DrvEndDoc>(dev.Hook(INDEX_DrvEndDoc))(s, 0);
    reinterpret_cast<PFN_DrvStartPage>(dev.Hook(INDEX_DrvStartPage))(s);
    reinterpret_cast<PFN_DrvSendPage>(dev.Hook(INDEX_DrvSendPage))(s);
    reinterpret_cast<PFN_DrvEscape>(dev.Hook(INDEX_DrvEscape))(s, 0, 0, nullptr, 0, nullptr);
    const std::vector<std::string> expected = {
        "AlphaBlend",   "CopyBits",      "DitherColor",     "FillPath",          "FontManagement", "GetGlyphMode",
        "GradientFill", "LineTo",        "Paint",           "PlgBlt",            "QueryAdvanceWidths",
        "QueryFont",    "QueryFontData", "QueryFontTree",   "StrokeAndFillPath", "StrokePath",     "TransparentBlt",
        "StartDoc",     "EndDoc",        "StartPage",       "SendPage",          "Escape"};
    EXPECT_EQ(Unidrv().calls, expected);

    // The results come back unchanged.
    Unidrv().result = FALSE;
    EXPECT_FALSE(StretchBlt({1, 1, 2, 2}));
    EXPECT_FALSE(BitBlt({1, 1, 2, 2}));
}

TEST_F(Hooks, StartDocStoresTheJobIdentifier) {
    std::u16string doc = u"Receipt";
    reinterpret_cast<PFN_DrvStartDoc>(dev.Hook(INDEX_DrvStartDoc))(&dev.surface, doc.data(), 4711);
    EXPECT_EQ(GetCurrentJobId(), 4711u);
    EXPECT_EQ(dev.pdev()->dwJobId, 4711u);
}

TEST_F(Hooks, MissingUnidrvEntryPointsFailInsteadOfCrashing) {
    PluginDevice bare;
    bare.unidrv.clear();
    ASSERT_EQ(bare.Enable(m_hUsePrinter), S_OK);
    RECTL r{5, 5, 6, 6};
    auto bitblt = reinterpret_cast<PFN_DrvBitBlt>(bare.Hook(INDEX_DrvBitBlt));
    EXPECT_FALSE(bitblt(&bare.surface, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0));
    auto escape = reinterpret_cast<PFN_DrvEscape>(bare.Hook(INDEX_DrvEscape));
    EXPECT_EQ(escape(&bare.surface, 0, 0, nullptr, 0, nullptr), 0u);
    EXPECT_TRUE(Unidrv().calls.empty());
}

}  // namespace
