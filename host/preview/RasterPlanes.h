// Raster image data as the printer takes it: run-length decoding of the
// compressed raster command, and the laying of one or four bit planes onto the
// paper (four planes give a 4-bit level per dot, printed as a grey).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "PaperCanvas.h"

namespace mkt::preview {

struct RunLengthResult {
  size_t consumed = 0;    // input bytes read
  size_t produced = 0;    // output bytes written
  bool overran = false;   // a run reached past the end of the output (cut)
};

// Reads the compressed raster code a piece at a time: runs may cross rows
// and planes are read row by row, so only the rows that reach the paper need
// memory, however many rows the header announces.
class RunLengthReader {
 public:
  explicit RunLengthReader(std::span<const uint8_t> in) : m_in(in) {}
  // Fills `out` (or skips out.size() bytes when out.data() is null); false
  // when the input ended first.
  bool Read(std::span<uint8_t> out);
  bool Skip(size_t n);
  size_t Consumed() const { return m_pos; }
  size_t Produced() const { return m_produced; }
  // Bytes of a run that reached past the last byte asked for.
  size_t Leftover() const { return m_runLeft; }

 private:
  bool Fill(uint8_t* out, size_t n);
  std::span<const uint8_t> m_in;
  size_t m_pos = 0;
  uint8_t m_runByte = 0;
  size_t m_runLeft = 0;
  size_t m_produced = 0;
};

// Decodes the compressed raster code: 00 n is n zero bytes, FF n is n FF bytes,
// any other byte stands for itself. Stops once `out` is full or the input ends.
RunLengthResult DecodeRunLength(std::span<const uint8_t> in, std::span<uint8_t> out);

// The grey printed for a 4-bit level (0 no dot, 15 the darkest dot).
uint8_t GreyOfLevel(unsigned level);

// One slice: `rows` rows of `bytesPerRow` bytes per plane. With one plane every
// set bit is a black dot; with four, plane 0 gives bit 3 of the level.
void PrintPlanes(PaperCanvas& canvas, int x0, int y0, size_t bytesPerRow, int rows,
                 std::span<const std::span<const uint8_t>> planes);

}  // namespace mkt::preview
