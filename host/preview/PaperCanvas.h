// The paper as it is being printed: grows downwards as the printer feeds and
// prints, never past a row limit, and only ever darkens dots (a thermal dot
// that was burnt stays burnt).
#pragma once

#include <cstdint>
#include <span>

#include "PreviewTypes.h"

namespace mkt::preview {

class PaperCanvas {
 public:
  PaperCanvas(int width, int maxRows);

  int Width() const { return m_paper.width; }
  int Height() const { return m_paper.height; }
  int MaxRows() const { return m_maxRows; }
  // True once something asked for rows beyond the limit.
  bool Clipped() const { return m_clipped; }

  // Makes the paper at least `rows` rows long (white), up to the limit.
  void Extend(int rows);
  // Darkens one dot to `grey`; outside the paper nothing happens.
  void Darken(int x, int y, uint8_t grey);
  void DarkenRect(int x, int y, int w, int h, uint8_t grey);
  // Row y, columns x0.. : every set bit of `bits` (bit 7 of byte 0 first) prints
  // a black dot.
  void DarkenBits(int x0, int y, std::span<const uint8_t> bits);
  // Row y as a writable span, or empty when y is outside the paper.
  std::span<uint8_t> Row(int y);

  Paper Take();

 private:
  Paper m_paper;
  int m_maxRows;
  bool m_clipped = false;
};

}  // namespace mkt::preview
