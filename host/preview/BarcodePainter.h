// Barcode symbols as the printer draws them: zint encodes the data, and the
// modules are laid out at the printer's own module sizes (whole dots).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace mkt::preview {

// A symbol ready to print: width * height bytes, 1 where a dot prints.
struct BarcodeBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> dots;
  std::string text;   // the human-readable line of a 1D symbol
  std::string error;  // why nothing could be drawn (empty on success)
};

// The options a 2D symbology received (function byte -> its parameter bytes)
// and the data stored for it.
struct Symbol2DState {
  std::map<uint8_t, std::vector<uint8_t>> params;
  std::vector<uint8_t> data;
  bool stored = false;
};

// The 1D barcode system m of 1D 6B m (41 UPC-A ... 49 Code 128; 00..06 are the
// same systems in the NUL-terminated form), module width in dots, bar height.
BarcodeBitmap Encode1D(uint8_t system, std::span<const uint8_t> data, int moduleWidth, int height);

// The 2D symbol of symbology byte cn (30 PDF417, 31 QR Code, 32 MaxiCode,
// 33 DataMatrix, 34 GS1 DataBar, 35 Aztec) with its options and stored data.
BarcodeBitmap Encode2D(uint8_t cn, const Symbol2DState& state);

// A readable name for messages ("QR Code", "Code 128", ...).
const char* SymbologyName2D(uint8_t cn);
const char* SystemName1D(uint8_t system);

}  // namespace mkt::preview
