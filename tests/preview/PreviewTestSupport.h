// Byte-building helpers for hand-written printer streams, and paper probes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "RenderStream.h"

namespace mkt::preview::test {

using Bytes = std::vector<uint8_t>;

// "1B 4A 00" -> {0x1B, 0x4A, 0x00}; spaces are ignored.
Bytes Hex(std::string_view hex);
Bytes Text(std::string_view s);
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes Repeat(const Bytes& b, size_t times);

// Counts printed dots (grey below 128) in a rectangle of the paper.
long DotsIn(const Paper& paper, int x, int y, int w, int h);
// The run-length code of the compressed raster command, written out from the
// command table for test data too long to write by hand.
Bytes RunLengthCode(std::span<const uint8_t> plane);
// The rows of the paper as the input of a barcode reader (8-bit luminance).
std::vector<uint8_t> Luminance(const Paper& paper);
// Decodes the only barcode of the paper; empty when none is found.
std::string DecodeBarcode(const Paper& paper);

}  // namespace mkt::preview::test
