// The printer's line buffer: characters collect at their positions until a
// print command (1B 4A, 0A, ...) prints the line, bottom-aligned in the
// tallest cell, and the paper moves on.
#pragma once

#include <string_view>
#include <vector>

#include "GlyphRenderer.h"
#include "PaperCanvas.h"

namespace mkt::preview {

struct TextStyle {
  char font = 'A';         // A, B or C
  int magW = 1;            // 1D 21: 1..8
  int magH = 1;
  bool emphasis = false;   // 1B 45
  int underline = 0;       // 1B 2D: 0, 1 or 2 dots
  bool reverse = false;    // 1D 42
  int charSpacing = 0;     // 1B 20, right of each character
};

// The cell of one character of `font`: Font A 12 x 24, Font B and C 9 x 17;
// a double-byte character is two cells wide.
int CellWidth(char font, bool doubleByte);
int CellHeight(char font);

struct LineGlyph {
  int x;
  char32_t cp;
  bool doubleByte;
  TextStyle style;
  int Width() const { return CellWidth(style.font, doubleByte) * style.magW; }
  int Height() const { return CellHeight(style.font) * style.magH; }
};

class TextLine {
 public:
  bool Empty() const { return m_glyphs.empty(); }
  // Height of the tallest cell of the line (0 when empty).
  int Height() const;
  // Right edge of the last cell (0 when empty).
  int Right() const;
  void Add(const LineGlyph& glyph) { m_glyphs.push_back(glyph); }
  // Prints the line with its top at row `top`, shifted by the alignment
  // (0 left, 1 centre, 2 right), and empties it.
  void Print(PaperCanvas& canvas, GlyphRenderer& glyphs, int top, int align);

 private:
  std::vector<LineGlyph> m_glyphs;
};

// Draws one cell at (x, top) on the paper.
void DrawGlyph(PaperCanvas& canvas, GlyphRenderer& glyphs, const LineGlyph& g, int top);
// Draws a short text (barcode human-readable line) centred on [x, x + width).
int DrawCentredText(PaperCanvas& canvas, GlyphRenderer& glyphs, std::string_view utf8, char font,
                    int x, int width, int top);

}  // namespace mkt::preview
