#include "BarcodePainter.h"

#include <zint.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace mkt::preview {
namespace {

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using SymbolPtr = std::unique_ptr<zint_symbol, SymbolDeleter>;

SymbolPtr NewSymbol(int symbology) {
  SymbolPtr s(ZBarcode_Create());
  if (s) {
    s->symbology = symbology;
    s->show_hrt = 0;
    s->input_mode = DATA_MODE;
  }
  return s;
}

bool ModuleIsSet(const zint_symbol& s, int row, int col) {
  return ((s.encoded_data[row][col >> 3] >> (col & 7)) & 1) != 0;
}

// Every module of the symbol's matrix becomes moduleW x moduleH dots.
BarcodeBitmap FromModules(const zint_symbol& s, int moduleW, int moduleH) {
  BarcodeBitmap bm;
  const int rows = std::clamp(s.rows, 0, 200);
  const int cols = std::clamp(s.width, 0, 1152);
  bm.width = cols * moduleW;
  bm.height = rows * moduleH;
  bm.dots.assign(static_cast<size_t>(bm.width) * bm.height, 0);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      if (!ModuleIsSet(s, r, c)) continue;
      for (int dy = 0; dy < moduleH; ++dy) {
        uint8_t* row = &bm.dots[static_cast<size_t>(r * moduleH + dy) * bm.width];
        std::fill(row + c * moduleW, row + (c + 1) * moduleW, 1);
      }
    }
  }
  return bm;
}

// zint's own raster (one pixel a module at scale 0.5), enlarged by `factor`.
BarcodeBitmap FromRaster(zint_symbol& s, float scale, int factor) {
  BarcodeBitmap bm;
  s.scale = scale;
  if (ZBarcode_Buffer(&s, 0) >= ZINT_ERROR || s.bitmap == nullptr) {
    bm.error = s.errtxt;
    return bm;
  }
  factor = std::max(1, factor);
  bm.width = s.bitmap_width * factor;
  bm.height = s.bitmap_height * factor;
  bm.dots.assign(static_cast<size_t>(bm.width) * bm.height, 0);
  for (int y = 0; y < s.bitmap_height; ++y) {
    for (int x = 0; x < s.bitmap_width; ++x) {
      const unsigned char* px = s.bitmap + (static_cast<size_t>(y) * s.bitmap_width + x) * 3;
      if (px[0] >= 128) continue;
      for (int dy = 0; dy < factor; ++dy) {
        uint8_t* row = &bm.dots[static_cast<size_t>(y * factor + dy) * bm.width];
        std::fill(row + x * factor, row + (x + 1) * factor, 1);
      }
    }
  }
  return bm;
}

// Code 128 data as the printer takes it: "{A", "{B", "{C" choose the code set,
// in set C each byte is a pair of digits, "{{" is a brace, {1..{4 and {S are
// function and shift characters. zint chooses its own code sets; the content
// stays the same.
bool Code128Content(std::span<const uint8_t> data, std::string& out, std::string& error) {
  char set = 'B';
  size_t i = 0;
  if (data.size() < 2 || data[0] != '{' || (data[1] != 'A' && data[1] != 'B' && data[1] != 'C')) {
    error = "Code 128 data must begin with {A, {B or {C";
    return false;
  }
  while (i < data.size()) {
    const uint8_t b = data[i];
    if (b == '{' && i + 1 < data.size()) {
      const uint8_t c = data[i + 1];
      i += 2;
      if (c == 'A' || c == 'B' || c == 'C') set = static_cast<char>(c);
      else if (c == '{') out.push_back('{');
      // Function and shift characters carry no content of their own.
      continue;
    }
    if (set == 'C') {
      if (b > 99) {
        error = "Code 128 code set C byte above 99";
        return false;
      }
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02u", static_cast<unsigned>(b));
      out.append(pair, 2);
    } else {
      out.push_back(static_cast<char>(b));
    }
    ++i;
  }
  return true;
}

uint8_t Param(const Symbol2DState& st, uint8_t fn, size_t index, uint8_t fallback) {
  auto it = st.params.find(fn);
  if (it == st.params.end() || index >= it->second.size()) return fallback;
  return it->second[index];
}

}  // namespace

const char* SystemName1D(uint8_t system) {
  if (system <= 6) system = static_cast<uint8_t>(system + 0x41);
  switch (system) {
    case 0x41: return "UPC-A";
    case 0x42: return "UPC-E";
    case 0x43: return "JAN13 (EAN)";
    case 0x44: return "JAN8 (EAN)";
    case 0x45: return "Code 39";
    case 0x46: return "ITF";
    case 0x47: return "Codabar";
    case 0x48: return "Code 93";
    case 0x49: return "Code 128";
    default: return "unknown barcode system";
  }
}

const char* SymbologyName2D(uint8_t cn) {
  switch (cn) {
    case 0x30: return "PDF417";
    case 0x31: return "QR Code";
    case 0x32: return "MaxiCode";
    case 0x33: return "DataMatrix";
    case 0x34: return "GS1 DataBar";
    case 0x35: return "Aztec";
    default: return "unknown 2D symbology";
  }
}

BarcodeBitmap Encode1D(uint8_t system, std::span<const uint8_t> data, int moduleWidth, int height) {
  BarcodeBitmap bm;
  if (system <= 6) system = static_cast<uint8_t>(system + 0x41);
  int symbology = 0;
  std::string content(data.begin(), data.end());
  switch (system) {
    case 0x41: symbology = BARCODE_UPCA; break;
    case 0x42: symbology = BARCODE_UPCE; break;
    case 0x43:
    case 0x44: symbology = BARCODE_EANX; break;
    case 0x45:
      symbology = BARCODE_CODE39;
      // The printer takes the start and stop characters in the data or adds them.
      if (content.size() >= 2 && content.front() == '*' && content.back() == '*') {
        content = content.substr(1, content.size() - 2);
      }
      break;
    case 0x46: symbology = BARCODE_C25INTER; break;
    case 0x47: symbology = BARCODE_CODABAR; break;
    case 0x48: symbology = BARCODE_CODE93; break;
    case 0x49: {
      symbology = BARCODE_CODE128;
      content.clear();
      if (!Code128Content(data, content, bm.error)) return bm;
      break;
    }
    default:
      bm.error = "unknown barcode system";
      return bm;
  }
  if (content.empty()) {
    bm.error = "no data";
    return bm;
  }
  SymbolPtr s = NewSymbol(symbology);
  if (!s) {
    bm.error = "out of memory";
    return bm;
  }
  const int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(content.data()),
                                 static_cast<int>(content.size()));
  if (rc >= ZINT_ERROR) {
    bm.error = s->errtxt;
    return bm;
  }
  // A linear symbol: the modules of its first row, `height` dots tall.
  BarcodeBitmap one;
  one.width = std::min(s->width, 1152) * moduleWidth;
  one.height = std::max(1, height);
  one.dots.assign(static_cast<size_t>(one.width) * one.height, 0);
  for (int c = 0; c < std::min(s->width, 1152); ++c) {
    if (!ModuleIsSet(*s, 0, c)) continue;
    for (int y = 0; y < one.height; ++y) {
      uint8_t* row = &one.dots[static_cast<size_t>(y) * one.width];
      std::fill(row + c * moduleWidth, row + (c + 1) * moduleWidth, 1);
    }
  }
  one.text = reinterpret_cast<const char*>(s->text);
  if (one.text.empty()) one.text = content;
  return one;
}

BarcodeBitmap Encode2D(uint8_t cn, const Symbol2DState& st) {
  BarcodeBitmap bm;
  if (!st.stored) {
    bm.error = "no data stored";
    return bm;
  }
  if (st.data.empty()) {
    bm.error = "empty data";
    return bm;
  }
  SymbolPtr s;
  int moduleW = 3;
  int moduleH = 3;
  bool raster = false;
  float rasterScale = 0.5f;
  switch (cn) {
    case 0x30: {  // PDF417
      s = NewSymbol(Param(st, 0x46, 0, 0) == 1 ? BARCODE_PDF417COMP : BARCODE_PDF417);
      if (!s) break;
      const uint8_t columns = Param(st, 0x41, 0, 0);
      const uint8_t rows = Param(st, 0x42, 0, 0);
      if (columns >= 1 && columns <= 30) s->option_2 = columns;
      if (rows >= 3 && rows <= 90) s->option_3 = rows;
      const uint8_t level = Param(st, 0x45, 1, 0x30);
      if (Param(st, 0x45, 0, 0x30) == 0x30 && level >= 0x30 && level <= 0x38) s->option_1 = level - 0x30;
      moduleW = std::clamp<int>(Param(st, 0x43, 0, 3), 1, 8);
      moduleH = moduleW * std::clamp<int>(Param(st, 0x44, 0, 3), 1, 8);
      break;
    }
    case 0x31: {  // QR Code: model 2 is the one still in use; zint draws model 2
      s = NewSymbol(BARCODE_QRCODE);
      if (!s) break;
      const uint8_t level = Param(st, 0x45, 0, 0x30);
      s->option_1 = (level >= 0x30 && level <= 0x33) ? level - 0x30 + 1 : 1;
      moduleW = moduleH = std::clamp<int>(Param(st, 0x43, 0, 3), 1, 16);
      break;
    }
    case 0x32: {  // MaxiCode: a fixed physical size, about one inch
      s = NewSymbol(BARCODE_MAXICODE);
      if (!s) break;
      const uint8_t mode = Param(st, 0x41, 0, 0x34);
      s->option_1 = (mode >= 0x32 && mode <= 0x36) ? mode - 0x30 : 4;
      raster = true;
      rasterScale = 0.7f;
      moduleW = 1;
      break;
    }
    case 0x33:  // DataMatrix
      s = NewSymbol(BARCODE_DATAMATRIX);
      if (!s) break;
      moduleW = moduleH = std::clamp<int>(Param(st, 0x43, 0, 3), 1, 16);
      break;
    case 0x34: {  // GS1 DataBar family
      int symbology = BARCODE_DBAR_OMN;
      switch (Param(st, 0x41, 0, 0x32)) {
        case 0x33: symbology = BARCODE_DBAR_OMN; break;
        case 0x34: symbology = BARCODE_DBAR_STK; break;
        case 0x35: symbology = BARCODE_DBAR_OMNSTK; break;
        case 0x36: symbology = BARCODE_DBAR_LTD; break;
        case 0x37: symbology = BARCODE_DBAR_EXP; break;
        case 0x38: symbology = BARCODE_UPCA_CC; break;
        case 0x39: symbology = BARCODE_UPCE_CC; break;
        case 0x3A:
        case 0x3B: symbology = BARCODE_EANX_CC; break;
        case 0x3C: symbology = BARCODE_GS1_128_CC; break;
        case 0x3D: symbology = BARCODE_GS1_128_CC; break;
        default: break;
      }
      s = NewSymbol(symbology);
      if (!s) break;
      if (Param(st, 0x41, 0, 0x32) == 0x3D) s->option_1 = 3;  // CC-C
      if (symbology == BARCODE_DBAR_EXP || symbology >= BARCODE_EANX_CC) {
        s->input_mode = GS1_MODE | GS1PARENS_MODE;
      }
      raster = true;
      moduleW = std::clamp<int>(Param(st, 0x42, 0, 2), 1, 8);
      break;
    }
    case 0x35: {  // Aztec
      s = NewSymbol(BARCODE_AZTEC);
      if (!s) break;
      const uint8_t mode = Param(st, 0x43, 0, 0);
      if (mode == 1) s->input_mode = GS1_MODE | GS1PARENS_MODE;
      else if (mode == 2) s->input_mode = UNICODE_MODE;
      moduleW = moduleH = std::clamp<int>(Param(st, 0x41, 0, 2), 1, 16);
      break;
    }
    default:
      bm.error = "unknown 2D symbology";
      return bm;
  }
  if (!s) {
    bm.error = "out of memory";
    return bm;
  }
  std::string content(st.data.begin(), st.data.end());
  if (s->symbology >= BARCODE_EANX_CC && s->symbology <= BARCODE_UPCE_CC) {
    // Composite symbols: the linear part, "|", then the 2D component.
    const size_t bar = content.find('|');
    if (bar != std::string::npos) {
      const std::string primary = content.substr(0, std::min<size_t>(bar, 127));
      std::snprintf(s->primary, sizeof s->primary, "%s", primary.c_str());
      content = content.substr(bar + 1);
    }
  }
  const int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(content.data()),
                                 static_cast<int>(content.size()));
  if (rc >= ZINT_ERROR) {
    bm.error = s->errtxt;
    return bm;
  }
  if (raster) return FromRaster(*s, rasterScale, moduleW);
  return FromModules(*s, moduleW, moduleH);
}

}  // namespace mkt::preview
