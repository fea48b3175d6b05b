#include "GlyphRenderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace mkt::preview {
namespace {

std::string FindFont(const char* family, const char* fallbackPath) {
  std::string found;
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (pattern != nullptr) {
      FcConfigSubstitute(config, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* file = nullptr;
        FcChar8* matchedFamily = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
            std::string(reinterpret_cast<const char*>(matchedFamily)) == family) {
          found = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
  }
  if (found.empty() && std::filesystem::exists(fallbackPath)) found = fallbackPath;
  return found;
}

struct FontPaths {
  std::string mono;
  std::string cjk;
};

const FontPaths& Paths() {
  static FontPaths paths;
  static std::once_flag once;
  std::call_once(once, [] {
    paths.mono = FindFont("DejaVu Sans Mono", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    paths.cjk = FindFont("WenQuanYi Zen Hei", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");
  });
  return paths;
}

struct LibraryDeleter {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

}  // namespace

struct GlyphRenderer::Faces {
  LibraryPtr library;
  bool libraryFailed = false;
  FacePtr mono;
  FacePtr cjk;
  bool monoTried = false;
  bool cjkTried = false;
};

const std::string& GlyphRenderer::MonoFontPath() { return Paths().mono; }
const std::string& GlyphRenderer::CjkFontPath() { return Paths().cjk; }

GlyphRenderer::GlyphRenderer() : m_faces(std::make_unique<Faces>()) {}

// Fonts are opened when the first character needs them: most streams are
// raster images only, and the CJK face is large.
FT_Face GlyphRenderer::Face(bool cjk) {
  Faces& f = *m_faces;
  if (!f.library && !f.libraryFailed) {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) f.library.reset(lib);
    else f.libraryFailed = true;
  }
  if (!f.library) return nullptr;
  FacePtr& face = cjk ? f.cjk : f.mono;
  bool& tried = cjk ? f.cjkTried : f.monoTried;
  if (!tried) {
    tried = true;
    const std::string& path = cjk ? Paths().cjk : Paths().mono;
    FT_Face opened = nullptr;
    if (!path.empty() && FT_New_Face(f.library.get(), path.c_str(), 0, &opened) == 0) face.reset(opened);
  }
  return face.get();
}

GlyphRenderer::~GlyphRenderer() {
  // Faces before the library that owns them.
  if (m_faces) {
    m_faces->mono.reset();
    m_faces->cjk.reset();
  }
}

GlyphRenderer& GlyphRenderer::Shared() {
  static GlyphRenderer shared;
  return shared;
}

bool GlyphRenderer::HasFonts() {
  std::lock_guard<std::mutex> lock(m_lock);
  return Face(false) != nullptr || Face(true) != nullptr; }

const GlyphCell& GlyphRenderer::Cell(char32_t cp, int cellWidth, int cellHeight, bool cjk) {
  cellWidth = std::clamp(cellWidth, 1, 255);
  cellHeight = std::clamp(cellHeight, 1, 255);
  const uint64_t key = (static_cast<uint64_t>(cp) << 24) | (static_cast<uint64_t>(cellWidth) << 16) |
                       (static_cast<uint64_t>(cellHeight) << 8) | (cjk ? 1u : 0u);
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_cache.find(key);
  if (it == m_cache.end()) it = m_cache.emplace(key, Render(cp, cellWidth, cellHeight, cjk)).first;
  return it->second;
}

GlyphCell GlyphRenderer::Render(char32_t cp, int cellWidth, int cellHeight, bool cjk) {
  GlyphCell cell;
  cell.width = cellWidth;
  cell.height = cellHeight;
  cell.dots.assign(static_cast<size_t>(cellWidth) * cellHeight, 0);
  if (cp == 0x20 || cp == 0x3000) return cell;

  FT_Face face = nullptr;
  FT_UInt index = 0;
  for (bool which : {cjk, !cjk}) {
    FT_Face f = Face(which);
    if (f == nullptr) continue;
    index = FT_Get_Char_Index(f, cp);
    if (index != 0) {
      face = f;
      break;
    }
  }
  if (face == nullptr) {
    // No font has it: the printer's "unknown character" box.
    for (int x = 1; x + 1 < cellWidth; ++x) {
      cell.dots[static_cast<size_t>(2) * cellWidth + x] = 1;
      cell.dots[static_cast<size_t>(cellHeight - 3) * cellWidth + x] = 1;
    }
    for (int y = 2; y <= cellHeight - 3 && y >= 0; ++y) {
      cell.dots[static_cast<size_t>(y) * cellWidth + 1] = 1;
      if (cellWidth > 2) cell.dots[static_cast<size_t>(y) * cellWidth + cellWidth - 2] = 1;
    }
    return cell;
  }

  // The largest pixel size whose advance and line height fit the cell.
  const long upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
  long advance = face->max_advance_width > 0 ? face->max_advance_width : upem;
  if (face == m_faces->cjk.get()) advance = upem;  // CJK ideographs are square
  const long lineHeight = std::max<long>(1, face->ascender - face->descender);
  const long byWidth = cellWidth * upem / std::max<long>(1, advance);
  const long byHeight = cellHeight * upem / lineHeight;
  const FT_UInt pixels = static_cast<FT_UInt>(std::max<long>(1, std::min(byWidth, byHeight)));
  if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0) return cell;
  if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) return cell;

  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  const int descent = static_cast<int>(-face->size->metrics.descender >> 6);
  const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  const int lineBox = ascent + descent;
  const int baseline = cellHeight - descent - std::max(0, (cellHeight - lineBox) / 2);
  const int adv = static_cast<int>(slot->advance.x >> 6);
  const int left = (cellWidth - adv) / 2 + slot->bitmap_left;
  const int top = baseline - slot->bitmap_top;
  for (unsigned r = 0; r < bm.rows; ++r) {
    const int y = top + static_cast<int>(r);
    if (y < 0 || y >= cellHeight) continue;
    const unsigned char* src = bm.buffer + static_cast<long>(r) * bm.pitch;
    for (unsigned c = 0; c < bm.width; ++c) {
      const int x = left + static_cast<int>(c);
      if (x < 0 || x >= cellWidth) continue;
      bool on = false;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        on = (src[c >> 3] >> (7 - (c & 7))) & 1;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        on = src[c] >= 128;
      }
      if (on) cell.dots[static_cast<size_t>(y) * cellWidth + x] = 1;
    }
  }
  return cell;
}

}  // namespace mkt::preview
