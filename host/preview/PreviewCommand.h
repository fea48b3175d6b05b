// `mkt450 preview STREAM.prn -o OUT.png [--width 576|512|384] [--levels 2|4]
//  [--cjk 936|949|950]`: renders a printer command stream to a PNG.
// Exit status: 0 rendered, 1 the PNG could not be written, 2 unusable input
// (one line on standard error, no output file left behind).
#pragma once

#include <cstdint>
#include <span>

#include "PreviewTypes.h"
#include "RenderStream.h"

namespace mkt::preview {

int PreviewMain(int argc, char** argv);

// Renders `stream` to `pngPath`, listing pulses, buzzer and problems on
// standard error, each line starting with `name` (the stream's file name).
// Returns the exit status of PreviewMain. Used by `mkt450 print --preview`.
int RenderToPng(std::span<const uint8_t> stream, const char* name, const char* pngPath,
                const RenderOptions& options);

}  // namespace mkt::preview
