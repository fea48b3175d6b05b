// Draws characters into fixed cells the way a printer's character generator
// does: one bitmap per character cell, black or white dots, no smoothing.
// FreeType renders the glyphs; a monospaced face stands in for the resident
// single-byte fonts and a CJK face for the double-byte fonts.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;

namespace mkt::preview {

// A rendered cell: width * height bytes, 1 where the glyph has a dot.
struct GlyphCell {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> dots;
};

class GlyphRenderer {
 public:
  GlyphRenderer();
  // One renderer for the whole process, so that glyphs are rendered once;
  // safe to use from several threads.
  static GlyphRenderer& Shared();
  ~GlyphRenderer();
  GlyphRenderer(const GlyphRenderer&) = delete;
  GlyphRenderer& operator=(const GlyphRenderer&) = delete;

  // False when no usable font was found; cells are then drawn as outlines.
  bool HasFonts();
  // The cell for code point `cp`, `cjk` choosing the double-byte face. The
  // result stays valid as long as the renderer lives.
  const GlyphCell& Cell(char32_t cp, int cellWidth, int cellHeight, bool cjk);

  // The font files found (for messages).
  static const std::string& MonoFontPath();
  static const std::string& CjkFontPath();

 private:
  struct Faces;
  // The face for single-byte or double-byte text, opened on first use.
  ::FT_FaceRec_* Face(bool cjk);
  GlyphCell Render(char32_t cp, int cellWidth, int cellHeight, bool cjk);

  std::unique_ptr<Faces> m_faces;
  std::mutex m_lock;
  std::unordered_map<uint64_t, GlyphCell> m_cache;  // nodes stay put: cells may be held
};

}  // namespace mkt::preview
