#include "PreviewTestSupport.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <stdexcept>

namespace mkt::preview::test {

Bytes Hex(std::string_view hex) {
  Bytes out;
  int nibbles = 0;
  uint8_t cur = 0;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c == ' ') continue;
    else throw std::invalid_argument("bad hex");
    cur = static_cast<uint8_t>(cur << 4 | v);
    if (++nibbles == 2) {
      out.push_back(cur);
      nibbles = 0;
      cur = 0;
    }
  }
  if (nibbles != 0) throw std::invalid_argument("odd hex");
  return out;
}

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Repeat(const Bytes& b, size_t times) {
  Bytes out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), b.begin(), b.end());
  return out;
}

long DotsIn(const Paper& paper, int x, int y, int w, int h) {
  long n = 0;
  for (int r = y; r < y + h; ++r)
    for (int c = x; c < x + w; ++c)
      if (r >= 0 && r < paper.height && c >= 0 && c < paper.width && paper.At(c, r) < 128) ++n;
  return n;
}

Bytes RunLengthCode(std::span<const uint8_t> plane) {
  Bytes out;
  for (size_t i = 0; i < plane.size();) {
    const uint8_t b = plane[i];
    if (b == 0x00 || b == 0xFF) {
      size_t n = 1;
      while (i + n < plane.size() && plane[i + n] == b && n < 255) ++n;
      out.push_back(b);
      out.push_back(static_cast<uint8_t>(n));
      i += n;
    } else {
      out.push_back(b);
      ++i;
    }
  }
  return out;
}

std::vector<uint8_t> Luminance(const Paper& paper) {
  std::vector<uint8_t> lum(paper.dots.begin(), paper.dots.end());
  return lum;
}

std::string DecodeBarcode(const Paper& paper) {
  // Cut out the printed area with a white border (the quiet zone readers
  // want); read it as a scene first, then as a lone symbol.
  int x0 = paper.width, y0 = paper.height, x1 = -1, y1 = -1;
  for (int y = 0; y < paper.height; ++y)
    for (int x = 0; x < paper.width; ++x)
      if (paper.At(x, y) < 128) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) return {};
  constexpr int kBorder = 24;
  const int w = x1 - x0 + 1 + 2 * kBorder;
  const int h = y1 - y0 + 1 + 2 * kBorder;
  std::vector<uint8_t> lum(static_cast<size_t>(w) * h, 255);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) lum[static_cast<size_t>(y - y0 + kBorder) * w + x - x0 + kBorder] = paper.At(x, y);
  const ZXing::ImageView view(lum.data(), w, h, ZXing::ImageFormat::Lum);
  for (bool pure : {false, true}) {
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setIsPure(pure);
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    if (r.isValid()) return r.text();
  }
  return {};
}

}  // namespace mkt::preview::test
