// Cuts the grey page into the bands Unidrv hands to ImageProcessing: rows padded to 4 bytes,
// at 1 bit a pixel (grey below 128 is black = index 0, else white = index 1, padding bits 0)
// or 8 bits a pixel (the grey level is the palette index, padding bytes 0).
#pragma once

#include <cstdint>
#include <vector>

#include "host/print/GreyImage.h"

namespace mkt::host {

// Bytes of one band row: ((width * bitsPerPixel + 31) / 32) * 4.
std::uint32_t BandStride(int width, int bitsPerPixel);

// Fills `out` with rows [top, top + rows) of `page` in band format and returns true when every
// pixel of them is white (the band is blank).
bool BuildBand(const GreyImage& page, int top, int rows, int bitsPerPixel, std::vector<std::uint8_t>& out);

}  // namespace mkt::host
