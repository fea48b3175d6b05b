// What the stream interpreter produces: the printed paper (dots only), the
// things a printer does without printing (pulses, buzzer, cuts, stored logos,
// page ends) as marks beside it, and what it could not understand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mkt::preview {

// The paper roll: 8-bit grey, 255 white, 0 black, one pixel a dot, row 0 the
// top of the roll. Only printed dots live here, so that a rendered page can be
// compared dot for dot with the page that was sent.
struct Paper {
  int width = 576;
  int height = 0;
  std::vector<uint8_t> dots;  // width * height, row after row

  uint8_t At(int x, int y) const { return dots[static_cast<size_t>(y) * width + x]; }
};

enum class MarkKind {
  DrawerPulse,   // 1B 70
  Buzzer,        // 1B 23
  Command1B42,   // 1B 42
  StoredLogo,    // 1C 70, 1D 28 4C: the printer prints an image it keeps
  Cut,           // 1D 56
  PageEnd,       // the page identifier 08 lo hi
  PreviewImage,  // the barcode preview block (for the preview program only)
};

// A non-printing event or a placeholder, drawn in colour over the paper in
// the PNG and never into Paper::dots.
struct PaperMark {
  MarkKind kind;
  size_t offset;  // stream offset of the command
  int row;        // paper row where it happened
  int x = 0;      // box of a stored logo; unused otherwise
  int width = 0;
  int height = 0;
  std::string label;
};

// One page of the job: from the end of the previous page (or the top of the
// roll) to the row where its page identifier arrived.
struct PageExtent {
  unsigned number;  // the page number carried by the identifier
  int top;
  int bottom;
};

struct Diagnostic {
  size_t offset;
  std::string message;  // names the command bytes, e.g. "unknown command 1B 99"
};

struct RenderOptions {
  int width = 576;  // paper width in dots: 576, 512 or 384
  // Plain raster images (1D 76 30) carry no level information; a printer set
  // to four-level printing takes each group of four as the planes of one slice.
  int plainLevels = 2;
  // Code page of double-byte text (1C 26) unless Shift-JIS was selected
  // (1C 43 01): 936 (GB2312/GBK), 949 (Korean) or 950 (Big5).
  unsigned doubleByteCodePage = 936;
  // The longest paper the renderer will make; the rest is cut off and reported.
  int maxRows = 200000;
};

struct RenderResult {
  Paper paper;
  std::vector<PaperMark> marks;
  std::vector<PageExtent> pages;
  std::vector<Diagnostic> diagnostics;
};

}  // namespace mkt::preview
