// Writes the rendered paper as a PNG: the dots in grey, the marks (pulses,
// buzzer, cuts, stored logos, page ends) in colour over them.
#pragma once

#include <string>

#include "PreviewTypes.h"

namespace mkt::preview {

// Writes `path` through a temporary file beside it, so that a failure leaves
// no file behind. Returns false with a reason in `error`.
bool WritePreviewPng(const std::string& path, const RenderResult& result, std::string& error);

}  // namespace mkt::preview
