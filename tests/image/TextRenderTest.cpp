// The platform's text renderer: font resolution, extents and the white-on-black raster.
#include <gtest/gtest.h>

#include "platform/TextRender.h"

namespace {

TextFontDesc Font(const char16_t* face, LONG height, LONG weight = 400, BYTE italic = 0) {
    TextFontDesc d;
    d.faceName = face;
    d.lfHeight = height;
    d.lfWeight = weight;
    d.lfItalic = italic;
    return d;
}

struct InkBox {
    LONG left = -1, top = -1, right = -1, bottom = -1;  // inclusive; -1 when no ink
    long total = 0;
};

InkBox Ink(const TextBitmap& b) {
    InkBox box;
    for (LONG y = 0; y < b.height; ++y) {
        for (LONG x = 0; x < b.width; ++x) {
            if (b.At(x, y) == 0) continue;
            box.total += b.At(x, y);
            if (box.left < 0 || x < box.left) box.left = x;
            if (box.right < x) box.right = x;
            if (box.top < 0) box.top = y;
            box.bottom = y;
        }
    }
    return box;
}

}  // namespace

TEST(TextRender, OpensWithTheDefaultFontAndResolvesFaces) {
    auto r = TextRenderer::Open();
    ASSERT_NE(r, nullptr);
    EXPECT_NE(r->SelectedFontFile().find("DejaVuSans"), std::string::npos);
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Serif", -20)));
    EXPECT_NE(r->SelectedFontFile().find("DejaVuSerif"), std::string::npos);
    // A face that is not installed still gives a font.
    ASSERT_TRUE(r->SelectFont(Font(u"No Such Face 4711", -20)));
    EXPECT_FALSE(r->SelectedFontFile().empty());
}

TEST(TextRender, ExtentFollowsHeightAndText) {
    auto r = TextRenderer::Open();
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Sans", -24)));
    TextExtent one, two, none;
    ASSERT_TRUE(r->GetTextExtent(u"Total", &one));
    ASSERT_TRUE(r->GetTextExtent(u"TotalTotal", &two));
    ASSERT_TRUE(r->GetTextExtent(u"", &none));
    EXPECT_GT(one.cx, 30);
    EXPECT_EQ(two.cx, 2 * one.cx);
    EXPECT_EQ(none.cx, 0);
    const TextMetricsPx m = r->GetMetrics();
    EXPECT_EQ(one.cy, m.ascent + m.descent);
    EXPECT_GT(one.cy, 24);  // the cell is taller than the em
    EXPECT_LT(one.cy, 36);
    // A positive height is the cell height.
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Sans", 30)));
    TextExtent cell;
    ASSERT_TRUE(r->GetTextExtent(u"Total", &cell));
    EXPECT_NEAR(cell.cy, 30, 1);
    // Bold is wider.
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Sans", -24, 700)));
    TextExtent bold;
    ASSERT_TRUE(r->GetTextExtent(u"Total", &bold));
    EXPECT_GT(bold.cx, one.cx);
    EXPECT_FALSE(r->GetTextExtent(u"x", nullptr));
}

TEST(TextRender, RasterIsWhiteOnBlackWithRowZeroOnTop) {
    auto r = TextRenderer::Open();
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Sans", -32)));
    TextExtent e;
    ASSERT_TRUE(r->GetTextExtent(u"_", &e));
    const TextBitmap under = r->DrawText(u"_", e.cx, e.cy);
    ASSERT_EQ(under.width, e.cx);
    ASSERT_EQ(under.height, e.cy);
    const InkBox u = Ink(under);
    ASSERT_GT(u.total, 0);
    EXPECT_GT(u.top, e.cy / 2);  // an underscore sits low in the cell
    ASSERT_TRUE(r->GetTextExtent(u"\u00AF", &e));  // macron: high in the cell
    const InkBox m = Ink(r->DrawText(u"\u00AF", e.cx, e.cy));
    ASSERT_GT(m.total, 0);
    EXPECT_LT(m.bottom, e.cy / 2);
    // Blank text and a clipped bitmap.
    EXPECT_EQ(Ink(r->DrawText(u"   ", 30, e.cy)).total, 0);
    const TextBitmap tiny = r->DrawText(u"WWW", 3, 2);
    EXPECT_EQ(tiny.bits.size(), 6u);
    EXPECT_TRUE(r->DrawText(u"W", 0, 10).bits.empty());
}

TEST(TextRender, UnderlineAndStrikeOutRunAlongTheString) {
    auto r = TextRenderer::Open();
    ASSERT_NE(r, nullptr);
    TextFontDesc d = Font(u"DejaVu Sans", -24);
    ASSERT_TRUE(r->SelectFont(d));
    TextExtent e;
    ASSERT_TRUE(r->GetTextExtent(u"   ", &e));
    d.lfUnderline = 1;
    ASSERT_TRUE(r->SelectFont(d));
    const InkBox u = Ink(r->DrawText(u"   ", e.cx, e.cy));
    EXPECT_EQ(u.left, 0);
    EXPECT_EQ(u.right, e.cx - 1);
    EXPECT_GT(u.top, r->GetMetrics().ascent - 1);  // below the baseline
    d.lfUnderline = 0;
    d.lfStrikeOut = 1;
    ASSERT_TRUE(r->SelectFont(d));
    const InkBox s = Ink(r->DrawText(u"   ", e.cx, e.cy));
    EXPECT_EQ(s.right, e.cx - 1);
    EXPECT_LT(s.bottom, r->GetMetrics().ascent);  // above the baseline
}

TEST(TextRender, CharactersMissingFromTheFontComeFromAnotherFont) {
    auto r = TextRenderer::Open();
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(r->SelectFont(Font(u"DejaVu Sans", -24)));
    TextExtent e;
    ASSERT_TRUE(r->GetTextExtent(u"\u65E5\u672C", &e));  // two CJK ideographs
    EXPECT_GT(e.cx, 30);
    const InkBox box = Ink(r->DrawText(u"\u65E5\u672C", e.cx, e.cy));
    EXPECT_GT(box.total, 0);
    EXPECT_GT(box.right, e.cx / 2);  // the second character is drawn too
}
