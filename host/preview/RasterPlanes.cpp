#include "RasterPlanes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mkt::preview {

bool RunLengthReader::Fill(uint8_t* out, size_t n) {
  const uint8_t* src = m_in.data();
  const size_t size = m_in.size();
  size_t o = 0;
  struct Count {  // keeps the total of bytes produced whichever way Fill leaves
    size_t& total;
    size_t& o;
    ~Count() { total += o; }
  } count{m_produced, o};
  while (o < n) {
    if (m_runLeft > 0) {
      const size_t take = std::min(m_runLeft, n - o);
      if (out != nullptr) std::memset(out + o, m_runByte, take);
      o += take;
      m_runLeft -= take;
      continue;
    }
    if (m_pos >= size) return false;
    const uint8_t b = src[m_pos];
    if (b == 0x00 || b == 0xFF) {
      if (m_pos + 1 >= size) {  // the count byte is missing
        m_pos = size;
        return false;
      }
      m_runByte = b;
      m_runLeft = src[m_pos + 1];
      m_pos += 2;
      continue;
    }
    if (out == nullptr) {
      ++o;
      ++m_pos;
      continue;
    }
    // Literal bytes: copy as many as come before the next run.
    while (o < n && m_pos < size) {
      const uint8_t c = src[m_pos];
      if (c == 0x00 || c == 0xFF) break;
      out[o++] = c;
      ++m_pos;
    }
  }
  return true;
}

bool RunLengthReader::Read(std::span<uint8_t> out) { return Fill(out.data(), out.size()); }

bool RunLengthReader::Skip(size_t n) { return Fill(nullptr, n); }

RunLengthResult DecodeRunLength(std::span<const uint8_t> in, std::span<uint8_t> out) {
  RunLengthReader reader(in);
  RunLengthResult r;
  reader.Read(out);
  r.consumed = reader.Consumed();
  r.produced = reader.Produced();
  r.overran = reader.Leftover() > 0;
  return r;
}

uint8_t GreyOfLevel(unsigned level) {
  // Levels 5 to 12 are the bands of the driver's tone conversion, each printed
  // at the middle of its band; 15 is the full dot. The levels the driver never
  // sends lie between their neighbours.
  static constexpr std::array<uint8_t, 16> kGrey = {255, 251, 247, 243, 240, 236, 200, 163,
                                                    118, 72,  45,  26,  8,   5,   2,   0};
  return kGrey[level & 15];
}

void PrintPlanes(PaperCanvas& canvas, int x0, int y0, size_t bytesPerRow, int rows,
                 std::span<const std::span<const uint8_t>> planes) {
  if (rows <= 0 || bytesPerRow == 0 || planes.empty()) return;
  canvas.Extend(y0 + rows);
  const int width = canvas.Width();
  if (planes.size() == 1) {
    const std::span<const uint8_t> p = planes[0];
    for (int r = 0; r < rows; ++r) {
      const size_t off = static_cast<size_t>(r) * bytesPerRow;
      if (off + bytesPerRow > p.size()) break;
      canvas.DarkenBits(x0, y0 + r, p.subspan(off, bytesPerRow));
    }
    return;
  }
  if (planes.size() < 4) return;
  for (int r = 0; r < rows; ++r) {
    const size_t off = static_cast<size_t>(r) * bytesPerRow;
    bool inside = true;
    for (size_t k = 0; k < 4; ++k) inside = inside && off + bytesPerRow <= planes[k].size();
    if (!inside) break;
    std::span<uint8_t> row = canvas.Row(y0 + r);
    if (row.empty()) break;
    const uint8_t* p0 = planes[0].data() + off;
    const uint8_t* p1 = planes[1].data() + off;
    const uint8_t* p2 = planes[2].data() + off;
    const uint8_t* p3 = planes[3].data() + off;
    for (size_t k = 0; k < bytesPerRow; ++k) {
      if ((p0[k] | p1[k] | p2[k] | p3[k]) == 0) continue;
      const int base = x0 + static_cast<int>(k) * 8;
      if (base >= width) break;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = base + bit;
        if (x < 0 || x >= width) continue;
        const int s = 7 - bit;
        const unsigned level = (((p0[k] >> s) & 1u) << 3) | (((p1[k] >> s) & 1u) << 2) |
                               (((p2[k] >> s) & 1u) << 1) | ((p3[k] >> s) & 1u);
        if (level != 0) row[x] = std::min(row[x], GreyOfLevel(level));
      }
    }
  }
}

}  // namespace mkt::preview
