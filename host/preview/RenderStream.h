// The renderer's entry points for the print host, the launchers and tests.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "PreviewTypes.h"

namespace mkt::preview {

// Interprets a whole command stream and prints it onto a paper roll.
RenderResult RenderStream(std::span<const uint8_t> stream, const RenderOptions& options = {});

// Compares rows [top, top + height) of the paper with a page of `width` x
// `height` dots (one byte a dot, nonzero = printed), a dot of the paper being
// any grey below 128. Columns beyond the page must be blank. Returns -1 when
// they are equal, else the index (row * width + column) of the first
// difference, paper columns beyond `width` counted from width on.
long ComparePage(const Paper& paper, int top, std::span<const uint8_t> page, int width, int height);

}  // namespace mkt::preview
