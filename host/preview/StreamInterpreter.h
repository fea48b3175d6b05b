// Reads the printer's command stream byte by byte, as the printer does, and
// prints it onto a paper roll. Every read is bounded by the stream: unknown
// commands are reported and skipped, truncated ones reported and dropped.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "BarcodePainter.h"
#include "CodePageDecoder.h"
#include "GlyphRenderer.h"
#include "PaperCanvas.h"
#include "PreviewTypes.h"
#include "TextLine.h"

namespace mkt::preview {

class StreamInterpreter {
 public:
  StreamInterpreter(std::span<const uint8_t> stream, const RenderOptions& options);
  RenderResult Run();

 private:
  // Dispatch by the first byte of a command.
  void Step();
  void OnEsc();
  void OnFs();
  void OnGs();
  void OnBackspace();
  void OnText();

  // Commands with more to them.
  void OnPlainRaster();
  void OnCompressedRaster();
  void OnBarcode1D();
  void OnSymbol2D();
  void OnGraphics();
  void OnInitialise();
  void OnPageIdentifier();

  // Printing.
  void PrintLine(int feed);
  void Feed(int dots);
  void AddCharacter(char32_t cp, bool doubleByte);
  void PrintBitmap(const BarcodeBitmap& bm, int x);
  void PrintLogoBox(const std::string& label, int width, int height);
  void AddMark(MarkKind kind, std::string label);
  int AlignedX(int width) const;

  // Raster slices waiting for their other planes.
  void FlushPlainGroup(bool complete);
  void FlushCompressed(bool complete);
  bool KeepsPlainGroup() const;

  // Diagnostics.
  void Report(size_t offset, const std::string& what, size_t bytes);
  void Unknown(size_t bytes);
  bool Need(size_t n);  // reports a truncated command when fewer bytes remain
  uint8_t At(size_t i) const { return m_data[i]; }

  std::span<const uint8_t> m_data;
  size_t m_pos = 0;
  size_t m_start = 0;  // offset of the command being read
  RenderOptions m_options;
  PaperCanvas m_canvas;
  GlyphRenderer& m_glyphs = GlyphRenderer::Shared();
  CodePageDecoder m_decoder;
  RenderResult m_result;
  size_t m_diagnosticsDropped = 0;

  // Printer state (as after 1B 40).
  int m_y = 0;
  int m_x = 0;
  int m_align = 0;
  int m_lineSpacing = 30;
  uint8_t m_codeTable = 0;
  bool m_doubleByte = false;
  bool m_shiftJis = false;
  TextStyle m_style;
  TextLine m_line;
  int m_barWidth = 3;
  int m_barHeight = 162;
  int m_hriPosition = 0;
  int m_hriFont = 0;
  std::array<Symbol2DState, 6> m_symbols;
  bool m_afterFormFeed = false;
  int m_pageTop = 0;
  bool m_reportedFonts = false;
  bool m_reportedClip = false;

  // Plain raster planes of a four-level slice (spans into the stream).
  struct PlainGroup {
    std::vector<std::span<const uint8_t>> planes;
    size_t bytesPerRow = 0;
    int rows = 0;
    size_t offset = 0;
  } m_plain;

  // Compressed raster slice: plane 0 of two-level, or planes 0..3 of four-level.
  struct CompressedSlice {
    bool pending = false;
    bool fourLevel = false;
    size_t bytesPerRow = 0;  // as announced
    size_t keptBytes = 0;    // per row, the part that reaches the paper
    int rows = 0;
    int keptRows = 0;
    size_t offset = 0;
    std::array<std::vector<uint8_t>, 4> planes;
    std::array<bool, 4> have{};
  } m_rle;
};

}  // namespace mkt::preview
