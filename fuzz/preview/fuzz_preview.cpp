// Feeds arbitrary bytes to the stream interpreter. The first byte picks the
// paper width, the plain-raster levels and the double-byte code page, so
// that every combination is explored.
#include <cstddef>
#include <cstdint>
#include <span>

#include "RenderStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  mkt::preview::RenderOptions options;
  static constexpr int kWidths[] = {576, 512, 384};
  static constexpr unsigned kCodePages[] = {936, 949, 950};
  options.width = kWidths[data[0] % 3];
  options.plainLevels = (data[0] & 4) ? 4 : 2;
  options.doubleByteCodePage = kCodePages[(data[0] >> 3) % 3];
  options.maxRows = 2000;  // keeps each input quick; the limit path is still reached
  const mkt::preview::RenderResult r = mkt::preview::RenderStream(std::span(data + 1, size - 1), options);
  // The paper must be whole whatever happened.
  if (r.paper.dots.size() != static_cast<size_t>(r.paper.width) * static_cast<size_t>(r.paper.height)) __builtin_trap();
  return 0;
}
