#include "StreamInterpreter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "RasterPlanes.h"

namespace mkt::preview {
namespace {

constexpr size_t kMaxDiagnostics = 1000;
constexpr int kDefaultLineSpacing = 30;
constexpr int kLogoWidth = 192;  // the box standing for a stored image
constexpr int kLogoHeight = 64;

std::string Hex(std::span<const uint8_t> bytes, size_t max) {
  std::string s;
  char buf[4];
  for (size_t i = 0; i < bytes.size() && i < max; ++i) {
    std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", bytes[i]);
    s += buf;
  }
  if (bytes.size() > max) s += " ...";
  return s;
}

std::string Format(const char* fmt, long a, long b = 0, long c = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

}  // namespace

StreamInterpreter::StreamInterpreter(std::span<const uint8_t> stream, const RenderOptions& options)
    : m_data(stream), m_options(options), m_canvas(options.width, options.maxRows) {}

void StreamInterpreter::Report(size_t offset, const std::string& what, size_t bytes) {
  if (m_result.diagnostics.size() >= kMaxDiagnostics) {
    ++m_diagnosticsDropped;
    return;
  }
  std::string msg = what;
  if (bytes > 0 && offset < m_data.size()) {
    const size_t n = std::min(bytes, m_data.size() - offset);
    msg += " [" + Hex(m_data.subspan(offset, n), 12) + "]";
  }
  m_result.diagnostics.push_back({offset, msg});
}

void StreamInterpreter::Unknown(size_t bytes) {
  bytes = std::min(bytes, m_data.size() - m_pos);
  Report(m_start, "unknown command " + Hex(m_data.subspan(m_start, bytes), 8) + ", skipped", 0);
  m_pos += bytes;
}

bool StreamInterpreter::Need(size_t n) {
  if (m_data.size() - m_start >= n) return true;
  const size_t left = m_data.size() - m_start;
  Report(m_start,
         "truncated command " + Hex(m_data.subspan(m_start, std::min<size_t>(left, 4)), 4) +
             Format(": needs %ld bytes, the stream ends after %ld", static_cast<long>(n), static_cast<long>(left)),
         0);
  m_pos = m_data.size();
  return false;
}

void StreamInterpreter::AddMark(MarkKind kind, std::string label) {
  m_result.marks.push_back(PaperMark{kind, m_start, m_y, 0, 0, 0, std::move(label)});
}

int StreamInterpreter::AlignedX(int width) const {
  const int free = m_canvas.Width() - width;
  if (free <= 0) return 0;
  if (m_align == 1) return free / 2;
  if (m_align == 2) return free;
  return std::min(m_x, free);
}

void StreamInterpreter::Feed(int dots) {
  if (dots <= 0) return;
  const long next = static_cast<long>(m_y) + dots;
  m_y = static_cast<int>(std::min<long>(next, m_options.maxRows));
  if (next > m_options.maxRows) m_reportedClip = true;
}

void StreamInterpreter::PrintLine(int feed) {
  if (!m_line.Empty()) m_line.Print(m_canvas, m_glyphs, m_y, m_align);
  Feed(feed);
  m_x = 0;
}

void StreamInterpreter::AddCharacter(char32_t cp, bool doubleByte) {
  if (!m_reportedFonts && !m_glyphs.HasFonts()) {
    Report(m_start, "no font found (DejaVu Sans Mono, WenQuanYi Zen Hei): characters drawn as boxes", 0);
    m_reportedFonts = true;
  }
  LineGlyph g{m_x, cp, doubleByte, m_style};
  const int width = g.Width();
  if (m_x + width > m_canvas.Width()) {
    // The line is full: the printer prints it and goes on with the next one.
    if (!m_line.Empty()) PrintLine(std::max(m_lineSpacing, m_line.Height()));
    g.x = m_x = 0;
    if (width > m_canvas.Width()) return;
  }
  m_line.Add(g);
  m_x = g.x + width + m_style.charSpacing * m_style.magW;
}

void StreamInterpreter::PrintBitmap(const BarcodeBitmap& bm, int x) {
  m_canvas.Extend(m_y + bm.height);
  for (int y = 0; y < bm.height; ++y) {
    std::span<uint8_t> row = m_canvas.Row(m_y + y);
    if (row.empty()) break;
    const uint8_t* src = &bm.dots[static_cast<size_t>(y) * bm.width];
    for (int c = 0; c < bm.width; ++c) {
      const int px = x + c;
      if (src[c] != 0 && px >= 0 && px < m_canvas.Width()) row[px] = 0;
    }
  }
  Feed(bm.height);
}

void StreamInterpreter::PrintLogoBox(const std::string& label, int width, int height) {
  if (!m_line.Empty()) PrintLine(m_line.Height());
  width = std::min(width, m_canvas.Width());
  PaperMark mark{MarkKind::StoredLogo, m_start, m_y, AlignedX(width), width, height, label};
  m_result.marks.push_back(mark);
  m_canvas.Extend(std::min(m_y + height, m_options.maxRows));
  Feed(height);
  m_x = 0;
}

RenderResult StreamInterpreter::Run() {
  while (m_pos < m_data.size()) {
    m_start = m_pos;
    if (!m_plain.planes.empty() && !KeepsPlainGroup()) FlushPlainGroup(false);
    if (m_rle.pending && At(m_pos) != 0x00 &&
        !(m_data.size() - m_pos >= 3 && At(m_pos) == 0x08 && At(m_pos + 1) == 0x43 && At(m_pos + 2) == 0x52)) {
      FlushCompressed(false);
    }
    Step();
    if (m_pos <= m_start) m_pos = m_start + 1;  // every step moves on
  }
  m_start = m_data.size();
  if (!m_plain.planes.empty()) FlushPlainGroup(false);
  if (m_rle.pending) FlushCompressed(false);
  if (!m_line.Empty()) {
    Report(m_data.size(), "text at the end of the stream was not printed: no print command followed it", 0);
  }
  // Marks after the last printed row still get room to be seen.
  int end = std::max(1, m_y);
  for (const PaperMark& m : m_result.marks) end = std::max(end, m.row + (m.kind == MarkKind::Cut ? 16 : 14));
  m_canvas.Extend(end);
  if (m_reportedClip || m_canvas.Clipped()) {
    Report(m_data.size(), Format("the paper reached the limit of %ld rows; the rest is not drawn", m_options.maxRows), 0);
  }
  if (m_diagnosticsDropped > 0) {
    m_result.diagnostics.push_back(
        {m_data.size(), Format("%ld more problems not listed", static_cast<long>(m_diagnosticsDropped))});
  }
  m_result.paper = m_canvas.Take();
  return std::move(m_result);
}

void StreamInterpreter::Step() {
  const uint8_t b = At(m_pos);
  if (b != 0x00 && b != 0x08 && b != 0x0C) m_afterFormFeed = false;
  switch (b) {
    case 0x00:  // NUL: fills and separators, no action
      ++m_pos;
      return;
    case 0x08:
      OnBackspace();
      return;
    case 0x09: {
      const int tab = 8 * CellWidth(m_style.font, false) * m_style.magW;
      const int next = (m_x / tab + 1) * tab;
      if (next < m_canvas.Width()) m_x = next;
      ++m_pos;
      return;
    }
    case 0x0A:
      PrintLine(std::max(m_lineSpacing, m_line.Height()));
      ++m_pos;
      return;
    case 0x0C:
      // Form feed in standard mode: prints what the line holds; the paper has
      // already been brought to the tear position by the feed before it.
      if (!m_line.Empty()) PrintLine(std::max(m_lineSpacing, m_line.Height()));
      m_afterFormFeed = true;
      ++m_pos;
      return;
    case 0x0D:  // carriage return: no action without automatic line feed
      ++m_pos;
      return;
    case 0x1B:
      OnEsc();
      return;
    case 0x1C:
      OnFs();
      return;
    case 0x1D:
      OnGs();
      return;
    default:
      if (b < 0x20) {
        Unknown(1);
        return;
      }
      OnText();
  }
}

void StreamInterpreter::OnEsc() {
  if (!Need(2)) return;
  const uint8_t c = At(m_pos + 1);
  switch (c) {
    case 0x40:
      OnInitialise();
      return;
    case 0x3D:  // select the peripheral device
      if (Need(3)) m_pos += 3;
      return;
    case 0x70: {  // drawer pulse
      if (!Need(5)) return;
      const uint8_t m = At(m_pos + 2);
      const int pin = (m == 0 || m == 0x30) ? 2 : (m == 1 || m == 0x31) ? 5 : 0;
      if (pin == 0) {
        Unknown(5);
        return;
      }
      AddMark(MarkKind::DrawerPulse, Format("drawer pulse pin %ld, on %ld ms, off %ld ms", pin, 2L * At(m_pos + 3),
                                            2L * At(m_pos + 4)));
      m_pos += 5;
      return;
    }
    case 0x42:
      if (!Need(4)) return;
      AddMark(MarkKind::Command1B42, "command 1B 42 " + Hex(m_data.subspan(m_pos + 2, 2), 2));
      m_pos += 4;
      return;
    case 0x23:
      if (!Need(6)) return;
      AddMark(MarkKind::Buzzer, "buzzer 1B 23 " + Hex(m_data.subspan(m_pos + 2, 4), 4));
      m_pos += 6;
      return;
    case 0x4A:  // print and feed n dots
      if (!Need(3)) return;
      PrintLine(At(m_pos + 2));
      m_pos += 3;
      return;
    case 0x64:  // print and feed n lines
      if (!Need(3)) return;
      PrintLine(std::max(m_line.Height(), m_lineSpacing * At(m_pos + 2)));
      m_pos += 3;
      return;
    case 0x33:
      if (!Need(3)) return;
      m_lineSpacing = At(m_pos + 2);
      m_pos += 3;
      return;
    case 0x32:
      m_lineSpacing = kDefaultLineSpacing;
      m_pos += 2;
      return;
    case 0x24: {  // absolute horizontal position; outside the line it is ignored
      if (!Need(4)) return;
      const int x = At(m_pos + 2) | (At(m_pos + 3) << 8);
      if (x < m_canvas.Width()) m_x = x;
      m_pos += 4;
      return;
    }
    case 0x74: {
      if (!Need(3)) return;
      m_codeTable = At(m_pos + 2);
      if (CodePageDecoder::TableCharset(m_codeTable) == nullptr) {
        Report(m_start, Format("unknown character code table %ld: drawn with table 0", m_codeTable), 3);
      }
      m_pos += 3;
      return;
    }
    case 0x4D: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      if (n == 0 || n == 0x30) m_style.font = 'A';
      else if (n == 1 || n == 0x31) m_style.font = 'B';
      else if (n == 2 || n == 0x32) m_style.font = 'C';
      else Report(m_start, "unknown font", 3);
      m_pos += 3;
      return;
    }
    case 0x21: {  // print mode
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      m_style.font = (n & 1) ? 'B' : 'A';
      m_style.emphasis = (n & 8) != 0;
      m_style.magH = (n & 16) ? 2 : 1;
      m_style.magW = (n & 32) ? 2 : 1;
      m_style.underline = (n & 128) ? 1 : 0;
      m_pos += 3;
      return;
    }
    case 0x45:
    case 0x47:
      if (!Need(3)) return;
      m_style.emphasis = (At(m_pos + 2) & 1) != 0;
      m_pos += 3;
      return;
    case 0x2D: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      if (n <= 2) m_style.underline = n;
      else if (n >= 0x30 && n <= 0x32) m_style.underline = n - 0x30;
      else Report(m_start, "unknown underline mode", 3);
      m_pos += 3;
      return;
    }
    case 0x61: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      if (n <= 2) m_align = n;
      else if (n >= 0x30 && n <= 0x32) m_align = n - 0x30;
      else Report(m_start, "unknown alignment", 3);
      m_pos += 3;
      return;
    }
    case 0x20:
      if (!Need(3)) return;
      m_style.charSpacing = At(m_pos + 2);
      m_pos += 3;
      return;
    case 0x69:
    case 0x6D:
      if (!m_line.Empty()) PrintLine(m_line.Height());
      AddMark(MarkKind::Cut, "cut");
      m_pos += 2;
      return;
    default:
      Unknown(2);
  }
}

void StreamInterpreter::OnFs() {
  if (!Need(2)) return;
  switch (At(m_pos + 1)) {
    case 0x26:
      m_doubleByte = true;
      m_pos += 2;
      return;
    case 0x2E:
      m_doubleByte = false;
      m_pos += 2;
      return;
    case 0x43: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      m_shiftJis = n == 1 || n == 0x31;
      m_pos += 3;
      return;
    }
    case 0x70: {  // stored bit image n, mode m
      if (!Need(4)) return;
      const uint8_t n = At(m_pos + 2);
      const uint8_t m = At(m_pos + 3);
      const int sx = (m & 1) ? 2 : 1;
      const int sy = (m & 2) ? 2 : 1;
      m_pos += 4;
      PrintLogoBox(Format("stored logo %ld (1C 70)", n), kLogoWidth * sx, kLogoHeight * sy);
      return;
    }
    default:
      Unknown(2);
  }
}

void StreamInterpreter::OnGs() {
  if (!Need(2)) return;
  const uint8_t c = At(m_pos + 1);
  switch (c) {
    case 0x21: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      int w = (n >> 4) + 1;
      int h = (n & 15) + 1;
      if (w > 8 || h > 8) {
        w = std::min(w, 8);
        h = std::min(h, 8);
        Report(m_start, Format("character size beyond 8 x 8: drawn as %ld x %ld", w, h), 3);
      }
      m_style.magW = w;
      m_style.magH = h;
      m_pos += 3;
      return;
    }
    case 0x42:
      if (!Need(3)) return;
      m_style.reverse = (At(m_pos + 2) & 1) != 0;
      m_pos += 3;
      return;
    case 0x48: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      if (n <= 3) m_hriPosition = n;
      else if (n >= 0x30 && n <= 0x33) m_hriPosition = n - 0x30;
      else Report(m_start, "unknown position of the human-readable text", 3);
      m_pos += 3;
      return;
    }
    case 0x66: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      m_hriFont = (n == 1 || n == 0x31) ? 1 : 0;
      m_pos += 3;
      return;
    }
    case 0x68:
      if (!Need(3)) return;
      m_barHeight = std::max<int>(1, At(m_pos + 2));
      m_pos += 3;
      return;
    case 0x77: {
      if (!Need(3)) return;
      const uint8_t n = At(m_pos + 2);
      if (n >= 1 && n <= 6) m_barWidth = n;
      else Report(m_start, "module width outside 1..6 ignored", 3);
      m_pos += 3;
      return;
    }
    case 0x6B:
      OnBarcode1D();
      return;
    case 0x76:
      if (!Need(3)) return;
      if (At(m_pos + 2) == 0x30) {
        OnPlainRaster();
        return;
      }
      Unknown(3);
      return;
    case 0x28: {
      if (!Need(5)) return;
      const uint8_t kind = At(m_pos + 2);
      if (kind == 0x6B) {
        OnSymbol2D();
        return;
      }
      if (kind == 0x4C) {
        OnGraphics();
        return;
      }
      const size_t len = At(m_pos + 3) | (At(m_pos + 4) << 8);
      if (!Need(5 + len)) return;
      Report(m_start, "unsupported command 1D 28 " + Hex(m_data.subspan(m_pos + 2, 1), 1) + ", skipped", 5 + len);
      m_pos += 5 + len;
      return;
    }
    case 0x56: {
      if (!Need(3)) return;
      const uint8_t m = At(m_pos + 2);
      if (m == 0 || m == 1 || m == 0x30 || m == 0x31) {
        if (!m_line.Empty()) PrintLine(m_line.Height());
        AddMark(MarkKind::Cut, m == 0 || m == 0x30 ? "full cut" : "partial cut");
        m_pos += 3;
        return;
      }
      if (m == 0x41 || m == 0x42) {
        if (!Need(4)) return;
        if (!m_line.Empty()) PrintLine(m_line.Height());
        Feed(At(m_pos + 3));
        AddMark(MarkKind::Cut, m == 0x41 ? "feed and full cut" : "feed and partial cut");
        m_pos += 4;
        return;
      }
      Unknown(3);
      return;
    }
    default:
      Unknown(2);
  }
}

void StreamInterpreter::OnBackspace() {
  const bool afterFormFeed = m_afterFormFeed;
  m_afterFormFeed = false;
  const size_t left = m_data.size() - m_pos;
  // The page identifier 08 lo hi always follows the tear-position feed, which
  // ends with 0C; its low byte may look like the letters of other 08 commands.
  if (afterFormFeed) {
    OnPageIdentifier();
    return;
  }
  if (left >= 2 && At(m_pos + 1) == 0x4D) {  // font letter 08 4D 00 L
    if (!Need(4)) return;
    const uint8_t letter = At(m_pos + 3);
    if (letter == 'A' || letter == 'a') m_style.font = 'A';
    else if (letter == 'B' || letter == 'b') m_style.font = 'B';
    else if (letter == 'C' || letter == 'c') m_style.font = 'C';
    else Report(m_start, "unknown font letter", 4);
    m_pos += 4;
    return;
  }
  if (left >= 3 && At(m_pos + 1) == 0x43 && At(m_pos + 2) == 0x52) {
    OnCompressedRaster();
    return;
  }
  OnPageIdentifier();
}

void StreamInterpreter::OnPageIdentifier() {
  if (!Need(3)) return;
  const unsigned number = At(m_pos + 1) | (At(m_pos + 2) << 8);
  m_result.pages.push_back(PageExtent{number, m_pageTop, m_y});
  m_pageTop = m_y;
  AddMark(MarkKind::PageEnd, Format("page %ld", number));
  m_pos += 3;
}

void StreamInterpreter::OnText() {
  const uint8_t b = At(m_pos);
  if (!m_doubleByte) {
    char32_t cp = m_decoder.DecodeSingle(m_codeTable, b);
    if (cp == 0) cp = U'?';
    AddCharacter(cp, false);
    ++m_pos;
    return;
  }
  const unsigned codePage = m_shiftJis ? 932 : m_options.doubleByteCodePage;
  if (!CodePageDecoder::IsLeadByte(codePage, b)) {
    AddCharacter(b < 0x80 ? static_cast<char32_t>(b) : U'?', false);
    ++m_pos;
    return;
  }
  if (m_data.size() - m_pos < 2) {
    Report(m_start, "double-byte character cut off by the end of the stream", 1);
    m_pos = m_data.size();
    return;
  }
  const uint8_t trail = At(m_pos + 1);
  if (trail < 0x20) {
    Report(m_start, "broken double-byte character", 2);
    AddCharacter(U'?', false);
    ++m_pos;
    return;
  }
  char32_t cp = m_decoder.DecodeDouble(codePage, b, trail);
  if (cp == 0) {
    Report(m_start, Format("no character at this code in code page %ld", codePage), 2);
    cp = U'\uFFFD';
  }
  AddCharacter(cp, true);
  m_pos += 2;
}

bool StreamInterpreter::KeepsPlainGroup() const {
  const size_t left = m_data.size() - m_pos;
  const uint8_t b = At(m_pos);
  if (b == 0x00) return true;
  if (left >= 3 && b == 0x1B && At(m_pos + 1) == 0x4A && At(m_pos + 2) == 0x00 && m_line.Empty()) return true;
  return left >= 3 && b == 0x1D && At(m_pos + 1) == 0x76 && At(m_pos + 2) == 0x30;
}

void StreamInterpreter::OnPlainRaster() {
  if (!Need(8)) return;
  const uint8_t mode = At(m_pos + 3);
  const size_t bytesPerRow = At(m_pos + 4) | (At(m_pos + 5) << 8);
  const int rows = At(m_pos + 6) | (At(m_pos + 7) << 8);
  const size_t length = bytesPerRow * static_cast<size_t>(rows);
  if (!Need(8 + length)) return;
  const std::span<const uint8_t> data = m_data.subspan(m_pos + 8, length);
  m_pos += 8 + length;
  if (length == 0) return;
  if (!m_line.Empty()) PrintLine(m_line.Height());
  if (bytesPerRow * 8 > static_cast<size_t>(m_canvas.Width())) {
    Report(m_start, Format("raster image %ld dots wide, cut to the paper width %ld", static_cast<long>(bytesPerRow * 8),
                           m_canvas.Width()), 8);
  }
  const int sx = (mode & 1) ? 2 : 1;
  const int sy = (mode & 2) ? 2 : 1;
  if (mode != 0 && mode != 1 && mode != 2 && mode != 3 && !(mode >= 0x30 && mode <= 0x33)) {
    Report(m_start, "unknown raster mode: printed at normal size", 4);
  }
  if (m_options.plainLevels == 4 && sx == 1 && sy == 1) {
    if (!m_plain.planes.empty() && (m_plain.bytesPerRow != bytesPerRow || m_plain.rows != rows)) {
      FlushPlainGroup(false);
    }
    if (m_plain.planes.empty()) {
      m_plain.bytesPerRow = bytesPerRow;
      m_plain.rows = rows;
      m_plain.offset = m_start;
    }
    m_plain.planes.push_back(data);
    if (m_plain.planes.size() == 4) FlushPlainGroup(true);
    return;
  }
  const int x0 = AlignedX(static_cast<int>(std::min<size_t>(bytesPerRow * 8 * sx, 1 << 20)));
  if (sx == 1 && sy == 1) {
    const std::span<const uint8_t> planes[1] = {data};
    PrintPlanes(m_canvas, x0, m_y, bytesPerRow, rows, planes);
  } else {
    for (int r = 0; r < rows && m_y + r * sy < m_options.maxRows; ++r) {
      for (size_t k = 0; k < bytesPerRow; ++k) {
        const uint8_t v = data[static_cast<size_t>(r) * bytesPerRow + k];
        if (v == 0) continue;
        for (int bit = 0; bit < 8; ++bit) {
          if (!(v & (0x80 >> bit))) continue;
          const long x = x0 + (static_cast<long>(k) * 8 + bit) * sx;
          if (x >= m_canvas.Width()) break;
          m_canvas.DarkenRect(static_cast<int>(x), m_y + r * sy, sx, sy, 0);
        }
      }
    }
  }
  Feed(rows * sy);
}

void StreamInterpreter::FlushPlainGroup(bool complete) {
  const size_t bytesPerRow = m_plain.bytesPerRow;
  const int rows = m_plain.rows;
  const int x0 = AlignedX(static_cast<int>(std::min<size_t>(bytesPerRow * 8, 1 << 20)));
  if (complete) {
    PrintPlanes(m_canvas, x0, m_y, bytesPerRow, rows, m_plain.planes);
    Feed(rows);
  } else {
    Report(m_plain.offset,
           Format("four-level raster slice with %ld of 4 planes: printed as two-level images",
                  static_cast<long>(m_plain.planes.size())), 8);
    for (const auto& plane : m_plain.planes) {
      const std::span<const uint8_t> one[1] = {plane};
      PrintPlanes(m_canvas, x0, m_y, bytesPerRow, rows, one);
      Feed(rows);
    }
  }
  m_plain.planes.clear();
}

void StreamInterpreter::OnCompressedRaster() {
  if (!Need(6)) return;
  const uint8_t selector = At(m_pos + 3);
  if (selector == 0xFF) {  // 08 43 52 FF 00 00: print the slice
    m_pos += 6;
    if (!m_rle.pending) {
      Report(m_start, "raster trailer without a raster slice", 6);
      return;
    }
    FlushCompressed(true);
    return;
  }
  if (!Need(12)) return;
  const size_t widthDots = At(m_pos + 8) | (At(m_pos + 9) << 8);
  const int rows = At(m_pos + 10) | (At(m_pos + 11) << 8);
  const size_t bytesPerRow = (widthDots + 7) / 8;
  if (widthDots % 8 != 0) Report(m_start, "compressed raster width is not a multiple of 8 dots", 12);
  int plane = -1;
  bool fourLevel = false;
  if (selector == 0) {
    plane = 0;
  } else if (selector >= 4 && selector <= 7) {
    plane = selector - 4;
    fourLevel = true;
  } else {
    Report(m_start, "unknown raster plane selector: the plane is skipped", 12);
  }
  if (plane >= 0 && m_rle.pending &&
      (m_rle.bytesPerRow != bytesPerRow || m_rle.rows != rows || m_rle.fourLevel != fourLevel ||
       m_rle.have[plane])) {
    FlushCompressed(false);
  }
  if (plane >= 0 && !m_rle.pending) {
    m_rle.pending = true;
    m_rle.fourLevel = fourLevel;
    m_rle.bytesPerRow = bytesPerRow;
    m_rle.rows = rows;
    m_rle.keptBytes = std::min(bytesPerRow, static_cast<size_t>((m_canvas.Width() + 7) / 8));
    m_rle.keptRows = std::clamp(m_options.maxRows - m_y, 0, rows);
    m_rle.offset = m_start;
    m_rle.have = {};
  }
  RunLengthReader reader(m_data.subspan(m_pos + 12));
  bool complete = true;
  if (plane >= 0) {
    std::vector<uint8_t>& buf = m_rle.planes[plane];
    buf.assign(m_rle.keptBytes * static_cast<size_t>(m_rle.keptRows), 0);
    for (int r = 0; r < rows && complete; ++r) {
      if (r < m_rle.keptRows) {
        complete = reader.Read({buf.data() + static_cast<size_t>(r) * m_rle.keptBytes, m_rle.keptBytes}) &&
                   reader.Skip(bytesPerRow - m_rle.keptBytes);
      } else {
        complete = reader.Skip(bytesPerRow);
      }
    }
    m_rle.have[plane] = true;
  } else {
    complete = reader.Skip(bytesPerRow * static_cast<size_t>(rows));
  }
  if (!complete) {
    Report(m_start, "compressed raster data cut off by the end of the stream", 12);
    m_pos = m_data.size();
    return;
  }
  if (reader.Leftover() > 0) {
    Report(m_start, Format("a run reaches %ld bytes past the end of the raster data", static_cast<long>(reader.Leftover())), 12);
  }
  m_pos += 12 + reader.Consumed();
}

void StreamInterpreter::FlushCompressed(bool complete) {
  if (!m_rle.pending) return;
  m_rle.pending = false;
  const size_t planeCount = m_rle.fourLevel ? 4 : 1;
  size_t missing = 0;
  for (size_t k = 0; k < planeCount; ++k) {
    if (!m_rle.have[k]) {
      ++missing;
      m_rle.planes[k].assign(m_rle.keptBytes * static_cast<size_t>(m_rle.keptRows), 0);
    }
  }
  if (!complete || missing > 0) {
    Report(m_rle.offset,
           missing > 0 ? Format("four-level raster slice lacks %ld of its 4 planes", static_cast<long>(missing))
                       : std::string("raster slice not closed by 08 43 52 FF 00 00"),
           12);
  }
  const std::span<const uint8_t> planes[4] = {m_rle.planes[0], m_rle.planes[1], m_rle.planes[2], m_rle.planes[3]};
  const int x0 = AlignedX(static_cast<int>(std::min<size_t>(m_rle.bytesPerRow * 8, 1 << 20)));
  if (m_rle.bytesPerRow * 8 > static_cast<size_t>(m_canvas.Width())) {
    Report(m_rle.offset, Format("raster image %ld dots wide, cut to the paper width %ld",
                                static_cast<long>(m_rle.bytesPerRow * 8), m_canvas.Width()), 0);
  }
  PrintPlanes(m_canvas, x0, m_y, m_rle.keptBytes, m_rle.keptRows, std::span(planes, planeCount));
  Feed(m_rle.rows);
}

void StreamInterpreter::OnBarcode1D() {
  if (!Need(3)) return;
  const uint8_t system = At(m_pos + 2);
  std::span<const uint8_t> data;
  if (system <= 6) {  // data ends with NUL
    const uint8_t* begin = m_data.data() + m_pos + 3;
    const uint8_t* end = m_data.data() + m_data.size();
    const uint8_t* nul = std::find(begin, end, uint8_t{0});
    if (nul == end) {
      Report(m_start, "barcode data without its closing NUL", 3);
      m_pos = m_data.size();
      return;
    }
    data = std::span<const uint8_t>(begin, static_cast<size_t>(nul - begin));
    m_pos = static_cast<size_t>(nul - m_data.data()) + 1;
  } else if (system >= 0x41) {
    if (!Need(4)) return;
    const size_t n = At(m_pos + 3);
    if (!Need(4 + n)) return;
    data = m_data.subspan(m_pos + 4, n);
    m_pos += 4 + n;
  } else {
    Unknown(3);
    return;
  }
  if (system > 0x49) {
    Report(m_start, "unknown barcode system, data skipped", 4);
    return;
  }
  if (!m_line.Empty()) PrintLine(m_line.Height());
  const BarcodeBitmap bm = Encode1D(system, data, m_barWidth, m_barHeight);
  if (!bm.error.empty()) {
    Report(m_start, std::string(SystemName1D(system)) + " barcode not printed: " + bm.error, 4 + data.size());
    return;
  }
  if (bm.width > m_canvas.Width()) {
    Report(m_start, std::string(SystemName1D(system)) + " barcode wider than the paper, not printed", 4);
    return;
  }
  const int x = AlignedX(bm.width);
  const char font = m_hriFont == 1 ? 'B' : 'A';
  if (m_hriPosition & 1) {
    DrawCentredText(m_canvas, m_glyphs, bm.text, font, x, bm.width, m_y);
    Feed(CellHeight(font));
  }
  PrintBitmap(bm, x);
  if (m_hriPosition & 2) {
    DrawCentredText(m_canvas, m_glyphs, bm.text, font, x, bm.width, m_y);
    Feed(CellHeight(font));
  }
  m_x = 0;
}

void StreamInterpreter::OnSymbol2D() {
  const size_t len = At(m_pos + 3) | (At(m_pos + 4) << 8);
  if (!Need(5 + len)) return;
  const std::span<const uint8_t> body = m_data.subspan(m_pos + 5, len);
  m_pos += 5 + len;
  if (len < 2) {
    Report(m_start, "2D barcode command too short", 5 + len);
    return;
  }
  const uint8_t cn = body[0];
  const uint8_t fn = body[1];
  if (cn < 0x30 || cn > 0x35) {
    Report(m_start, "unknown 2D symbology, skipped", 7);
    return;
  }
  Symbol2DState& symbol = m_symbols[cn - 0x30];
  switch (fn) {
    case 0x50:  // store the data
      if (len < 3) {
        Report(m_start, "2D barcode store command too short", 5 + len);
        return;
      }
      symbol.data.assign(body.begin() + 3, body.end());
      symbol.stored = true;
      return;
    case 0x51: {  // print the stored symbol
      if (!m_line.Empty()) PrintLine(m_line.Height());
      const BarcodeBitmap bm = Encode2D(cn, symbol);
      if (!bm.error.empty()) {
        Report(m_start, std::string(SymbologyName2D(cn)) + " not printed: " + bm.error, 8);
        return;
      }
      if (bm.width > m_canvas.Width()) {
        Report(m_start, std::string(SymbologyName2D(cn)) + " wider than the paper, not printed", 8);
        return;
      }
      PrintBitmap(bm, AlignedX(bm.width));
      m_x = 0;
      return;
    }
    case 0x52:  // size request: nothing to print
      return;
    default: {
      std::vector<uint8_t> params(body.begin() + 2, body.end());
      // The driver sends the two GS1 DataBar parameters of function 42 under
      // a length of 3; the second one follows the command.
      if (cn == 0x34 && fn == 0x42 && len == 3 && m_pos < m_data.size() &&
          (m_data.size() - m_pos == 1 ||
           (m_data.size() - m_pos >= 4 && At(m_pos + 1) == 0x1D && At(m_pos + 2) == 0x28 && At(m_pos + 3) == 0x6B))) {
        params.push_back(At(m_pos));
        ++m_pos;
      }
      symbol.params[fn] = std::move(params);
    }
  }
}

void StreamInterpreter::OnGraphics() {
  const size_t len = At(m_pos + 3) | (At(m_pos + 4) << 8);
  if (!Need(5 + len)) return;
  const std::span<const uint8_t> body = m_data.subspan(m_pos + 5, len);
  m_pos += 5 + len;
  if (len >= 6 && body[0] == 0x30 && (body[1] == 0x45 || body[1] == 0x25)) {
    const int sx = body[4] == 2 ? 2 : 1;
    const int sy = body[5] == 2 ? 2 : 1;
    std::string label = "stored graphics \"";
    label += static_cast<char>(body[2] >= 0x20 && body[2] < 0x7F ? body[2] : '?');
    label += static_cast<char>(body[3] >= 0x20 && body[3] < 0x7F ? body[3] : '?');
    label += body[1] == 0x45 ? "\" (1D 28 4C 45)" : "\" (1D 28 4C 25)";
    PrintLogoBox(label, kLogoWidth * sx, kLogoHeight * sy);
    return;
  }
  Report(m_start, "unsupported graphics command, skipped", std::min<size_t>(5 + len, 8));
}

void StreamInterpreter::OnInitialise() {
  const size_t left = m_data.size() - m_pos;
  // The barcode preview block: 1B 40, a length counted from the three NULs
  // before it, "VARNOKE" and the preview image, meant for the preview program.
  if (left >= 11 && std::memcmp(m_data.data() + m_pos + 4, "VARNOKE", 7) == 0) {
    const size_t length = At(m_pos + 2) | (At(m_pos + 3) << 8);
    if (length < 14) {
      Report(m_start, "preview block shorter than its header", 11);
      m_pos += 11;
      return;
    }
    const size_t blockEnd = m_pos + length - 3;
    if (blockEnd > m_data.size()) {
      Report(m_start, "preview block cut off by the end of the stream", 11);
      m_pos = m_data.size();
      return;
    }
    AddMark(MarkKind::PreviewImage, Format("barcode preview image, %ld bytes", static_cast<long>(length - 14)));
    m_pos = blockEnd;
    return;
  }
  if (!m_line.Empty()) {
    Report(m_start, "1B 40 discards text that was never printed", 2);
    m_line = TextLine{};
  }
  m_x = 0;
  m_align = 0;
  m_lineSpacing = kDefaultLineSpacing;
  m_codeTable = 0;
  m_doubleByte = false;
  m_shiftJis = false;
  m_style = TextStyle{};
  m_barWidth = 3;
  m_barHeight = 162;
  m_hriPosition = 0;
  m_hriFont = 0;
  m_pos += 2;
}

}  // namespace mkt::preview
