#include "TextLine.h"

#include <algorithm>

namespace mkt::preview {

int CellWidth(char font, bool doubleByte) {
  const int w = font == 'A' ? 12 : 9;
  return doubleByte ? 2 * w : w;
}

int CellHeight(char font) { return font == 'A' ? 24 : 17; }

int TextLine::Height() const {
  int h = 0;
  for (const LineGlyph& g : m_glyphs) h = std::max(h, g.Height());
  return h;
}

int TextLine::Right() const {
  int r = 0;
  for (const LineGlyph& g : m_glyphs) r = std::max(r, g.x + g.Width() + g.style.charSpacing * g.style.magW);
  return r;
}

void TextLine::Print(PaperCanvas& canvas, GlyphRenderer& glyphs, int top, int align) {
  if (m_glyphs.empty()) return;
  const int lineHeight = Height();
  int shift = 0;
  const int free = canvas.Width() - Right();
  if (free > 0 && align == 1) shift = free / 2;
  if (free > 0 && align == 2) shift = free;
  canvas.Extend(top + lineHeight);
  for (LineGlyph g : m_glyphs) {
    g.x += shift;
    DrawGlyph(canvas, glyphs, g, top + lineHeight - g.Height());
  }
  m_glyphs.clear();
}

void DrawGlyph(PaperCanvas& canvas, GlyphRenderer& glyphs, const LineGlyph& g, int top) {
  const int baseW = CellWidth(g.style.font, g.doubleByte);
  const int baseH = CellHeight(g.style.font);
  const GlyphCell& cell = glyphs.Cell(g.cp, baseW, baseH, g.doubleByte);
  const int mw = g.style.magW;
  const int mh = g.style.magH;
  const int width = baseW * mw;
  const int height = baseH * mh;
  canvas.Extend(top + height);
  for (int y = 0; y < height; ++y) {
    std::span<uint8_t> row = canvas.Row(top + y);
    if (row.empty()) continue;
    const int cy = y / mh;
    const bool underlineRow = !g.style.reverse && g.style.underline > 0 && y >= height - g.style.underline;
    for (int x = 0; x < width; ++x) {
      const int px = g.x + x;
      if (px < 0 || px >= canvas.Width()) continue;
      const int cx = x / mw;
      bool on = cell.dots[static_cast<size_t>(cy) * baseW + cx] != 0;
      // Emphasis prints every dot twice, the second one dot to the right.
      if (!on && g.style.emphasis && x > 0) {
        const int lx = (x - 1) / mw;
        on = cell.dots[static_cast<size_t>(cy) * baseW + lx] != 0;
      }
      if (g.style.reverse) on = !on;
      if (on || underlineRow) row[px] = 0;
    }
  }
}

namespace {

// Decodes UTF-8 leniently: a broken sequence gives U+FFFD.
std::u32string FromUtf8(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (!ok) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

}  // namespace

int DrawCentredText(PaperCanvas& canvas, GlyphRenderer& glyphs, std::string_view utf8, char font,
                    int x, int width, int top) {
  const std::u32string text = FromUtf8(utf8);
  const int cw = CellWidth(font, false);
  const int total = cw * static_cast<int>(text.size());
  int pen = x + (width - total) / 2;
  if (pen < 0) pen = 0;
  for (char32_t cp : text) {
    LineGlyph g{pen, cp, false, TextStyle{}};
    g.style.font = font;
    if (pen + cw <= canvas.Width()) DrawGlyph(canvas, glyphs, g, top);
    pen += cw;
  }
  return CellHeight(font);
}

}  // namespace mkt::preview
