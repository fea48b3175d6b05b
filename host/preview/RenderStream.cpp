#include "RenderStream.h"

#include "StreamInterpreter.h"

namespace mkt::preview {

RenderResult RenderStream(std::span<const uint8_t> stream, const RenderOptions& options) {
  StreamInterpreter interpreter(stream, options);
  return interpreter.Run();
}

long ComparePage(const Paper& paper, int top, std::span<const uint8_t> page, int width, int height) {
  if (width < 0 || height < 0 || page.size() < static_cast<size_t>(width) * height) return 0;
  for (int y = 0; y < height; ++y) {
    const int py = top + y;
    for (int x = 0; x < std::max(width, paper.width); ++x) {
      const bool want = x < width && page[static_cast<size_t>(y) * width + x] != 0;
      const bool have = py >= 0 && py < paper.height && x < paper.width && paper.At(x, py) < 128;
      if (want != have) return static_cast<long>(y) * std::max(width, paper.width) + x;
    }
  }
  return -1;
}

}  // namespace mkt::preview
