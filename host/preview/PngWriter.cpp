#include "PngWriter.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "GlyphRenderer.h"

namespace mkt::preview {
namespace {

struct OverlayDot {
  int y;
  int x;
  uint8_t r, g, b;
};

struct Colour {
  uint8_t r, g, b;
};

Colour ColourOf(MarkKind kind) {
  switch (kind) {
    case MarkKind::DrawerPulse: return {230, 120, 0};
    case MarkKind::Buzzer: return {200, 0, 200};
    case MarkKind::Command1B42: return {120, 60, 200};
    case MarkKind::StoredLogo: return {0, 90, 220};
    case MarkKind::Cut: return {220, 0, 0};
    case MarkKind::PageEnd: return {0, 150, 60};
    case MarkKind::PreviewImage: return {0, 150, 170};
  }
  return {255, 0, 0};
}

class Overlay {
 public:
  explicit Overlay(int width) : m_width(width) {}
  void Dot(int x, int y, Colour c) {
    if (x >= 0 && x < m_width && y >= 0) m_dots.push_back({y, x, c.r, c.g, c.b});
  }
  void Rect(int x, int y, int w, int h, Colour c) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) Dot(x + i, y + j, c);
  }
  // Small label text, right-aligned at `right` when `right` > 0.
  void Label(GlyphRenderer& glyphs, const std::string& text, int x, int y, Colour c) {
    constexpr int kW = 7;
    constexpr int kH = 13;
    for (size_t k = 0; k < text.size(); ++k) {
      const GlyphCell& cell = glyphs.Cell(static_cast<unsigned char>(text[k]), kW, kH, false);
      for (int j = 0; j < kH; ++j)
        for (int i = 0; i < kW; ++i)
          if (cell.dots[static_cast<size_t>(j) * kW + i]) Dot(x + static_cast<int>(k) * kW + i, y + j, c);
    }
  }
  std::vector<OverlayDot>& Dots() { return m_dots; }

 private:
  int m_width;
  std::vector<OverlayDot> m_dots;
};

std::vector<OverlayDot> BuildOverlay(const RenderResult& result) {
  const int width = result.paper.width;
  Overlay ov(width);
  GlyphRenderer& glyphs = GlyphRenderer::Shared();
  int lastRow = -1000;
  int stack = 0;
  for (const PaperMark& m : result.marks) {
    const Colour c = ColourOf(m.kind);
    stack = (m.row == lastRow) ? stack + 1 : 0;
    lastRow = m.row;
    const int y = m.row + stack * 14;
    const int labelWidth = static_cast<int>(m.label.size()) * 7;
    switch (m.kind) {
      case MarkKind::Cut:
        for (int x = 0; x < width; ++x)
          if ((x / 8) % 2 == 0) ov.Rect(x, m.row, 1, 2, c);
        ov.Label(glyphs, m.label, 2, m.row + 3, c);
        break;
      case MarkKind::StoredLogo:
        ov.Rect(m.x, m.row, m.width, 1, c);
        ov.Rect(m.x, m.row + m.height - 1, m.width, 1, c);
        ov.Rect(m.x, m.row, 1, m.height, c);
        ov.Rect(m.x + m.width - 1, m.row, 1, m.height, c);
        ov.Label(glyphs, m.label, m.x + 4, m.row + 4, c);
        break;
      case MarkKind::PageEnd:
        ov.Rect(width - 24, m.row, 24, 1, c);
        ov.Label(glyphs, m.label, width - 26 - labelWidth, y, c);
        break;
      default:  // events without paper: a square in the right margin and a label
        ov.Rect(width - 8, y + 2, 6, 6, c);
        ov.Label(glyphs, m.label, width - 10 - labelWidth, y, c);
        break;
    }
  }
  std::vector<OverlayDot> dots = std::move(ov.Dots());
  std::stable_sort(dots.begin(), dots.end(), [](const OverlayDot& a, const OverlayDot& b) { return a.y < b.y; });
  return dots;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// libpng reports errors by longjmp; nothing with a destructor lives in here.
bool EncodePng(std::FILE* file, const Paper& paper, const OverlayDot* dots, size_t dotCount, uint8_t* row,
               char* error, size_t errorSize) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) {
    std::snprintf(error, errorSize, "cannot start the PNG encoder");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::snprintf(error, errorSize, "PNG encoding failed");
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(paper.width), static_cast<png_uint_32>(paper.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Receipts are mostly white rows: one cheap filter and a quick level keep
  // long rolls fast to write at nearly the same size.
  png_set_filter(png, 0, PNG_FILTER_UP);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  size_t d = 0;
  for (int y = 0; y < paper.height; ++y) {
    const uint8_t* grey = &paper.dots[static_cast<size_t>(y) * paper.width];
    for (int x = 0; x < paper.width; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
    while (d < dotCount && dots[d].y < y) ++d;
    for (size_t k = d; k < dotCount && dots[k].y == y; ++k) {
      uint8_t* px = row + 3 * dots[k].x;
      px[0] = dots[k].r;
      px[1] = dots[k].g;
      px[2] = dots[k].b;
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePreviewPng(const std::string& path, const RenderResult& result, std::string& error) {
  const Paper& paper = result.paper;
  if (paper.width <= 0 || paper.height <= 0) {
    error = "nothing to write";
    return false;
  }
  const std::vector<OverlayDot> dots = BuildOverlay(result);
  std::vector<uint8_t> row(static_cast<size_t>(paper.width) * 3);
  const std::string temp = path + ".part";
  bool ok = false;
  char reason[160] = {};
  {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temp.c_str(), "wb"));
    if (!file) {
      error = std::string("cannot create ") + temp + ": " + std::strerror(errno);
      return false;
    }
    ok = EncodePng(file.get(), paper, dots.data(), dots.size(), row.data(), reason, sizeof reason);
    if (ok && (std::fflush(file.get()) != 0 || std::ferror(file.get()))) {
      std::snprintf(reason, sizeof reason, "write failed: %s", std::strerror(errno));
      ok = false;
    }
    if (std::fclose(file.release()) != 0 && ok) {
      std::snprintf(reason, sizeof reason, "write failed: %s", std::strerror(errno));
      ok = false;
    }
  }
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(temp, path, ec);
    if (ec) {
      std::snprintf(reason, sizeof reason, "cannot rename into place: %s", ec.message().c_str());
      ok = false;
    }
  }
  if (!ok) {
    std::filesystem::remove(temp, ec);
    error = reason;
  }
  return ok;
}

}  // namespace mkt::preview
