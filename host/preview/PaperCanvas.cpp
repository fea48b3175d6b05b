#include "PaperCanvas.h"

#include <algorithm>
#include <utility>

namespace mkt::preview {

PaperCanvas::PaperCanvas(int width, int maxRows) : m_maxRows(std::max(1, maxRows)) {
  m_paper.width = std::max(1, width);
}

void PaperCanvas::Extend(int rows) {
  if (rows <= m_paper.height) return;
  if (rows > m_maxRows) {
    m_clipped = true;
    rows = m_maxRows;
    if (rows <= m_paper.height) return;
  }
  const size_t need = static_cast<size_t>(rows) * m_paper.width;
  if (need > m_paper.dots.capacity()) {
    // Geometric growth: a long receipt is printed a slice at a time.
    m_paper.dots.reserve(std::max(need, m_paper.dots.capacity() * 2));
  }
  m_paper.dots.resize(need, 255);
  m_paper.height = rows;
}

void PaperCanvas::Darken(int x, int y, uint8_t grey) {
  if (x < 0 || y < 0 || x >= m_paper.width) return;
  if (y >= m_paper.height) {
    Extend(y + 1);
    if (y >= m_paper.height) return;
  }
  uint8_t& dot = m_paper.dots[static_cast<size_t>(y) * m_paper.width + x];
  dot = std::min(dot, grey);
}

void PaperCanvas::DarkenRect(int x, int y, int w, int h, uint8_t grey) {
  const int x0 = std::max(0, x);
  const int x1 = std::min(m_paper.width, x + std::max(0, w));
  const int y0 = std::max(0, y);
  if (x0 >= x1 || h <= 0) return;
  Extend(y + h);
  const int y1 = std::min(m_paper.height, y + h);
  for (int r = y0; r < y1; ++r) {
    uint8_t* row = &m_paper.dots[static_cast<size_t>(r) * m_paper.width];
    for (int c = x0; c < x1; ++c) row[c] = std::min(row[c], grey);
  }
}

void PaperCanvas::DarkenBits(int x0, int y, std::span<const uint8_t> bits) {
  if (y < 0) return;
  Extend(y + 1);
  std::span<uint8_t> row = Row(y);
  if (row.empty()) return;
  const int width = m_paper.width;
  for (size_t k = 0; k < bits.size(); ++k) {
    const uint8_t b = bits[k];
    if (b == 0) continue;
    const int base = x0 + static_cast<int>(k) * 8;
    if (base >= width) break;
    for (int bit = 0; bit < 8; ++bit) {
      if (b & (0x80 >> bit)) {
        const int x = base + bit;
        if (x >= 0 && x < width) row[x] = 0;
      }
    }
  }
}

std::span<uint8_t> PaperCanvas::Row(int y) {
  if (y < 0 || y >= m_paper.height) return {};
  return {&m_paper.dots[static_cast<size_t>(y) * m_paper.width], static_cast<size_t>(m_paper.width)};
}

Paper PaperCanvas::Take() {
  Paper out = std::move(m_paper);
  m_paper = Paper{};
  m_paper.width = out.width;
  return out;
}

}  // namespace mkt::preview
