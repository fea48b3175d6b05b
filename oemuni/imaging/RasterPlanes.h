// The dot planes of one raster slice: which pixels of the page image print a dot, one bit
// plane in two-level printing, four in four-level printing.
#pragma once

#include <span>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

class CxImage;

// Bytes per raster row: width / 8, plus 1 when the width is not a multiple of 8.
inline DWORD RasterBytesPerRow(DWORD width) { return width / 8 + ((width % 8) != 0 ? 1 : 0); }

// Grey level of four-level printing (0 white, 5 to 12 darker) for a colour.
BYTE FourLevelOf(BYTE red, BYTE green, BYTE blue);

// Fills planes[0 .. planes.size()) with rows dwStartY .. dwStartY + dwRows - 1 of the image,
// RasterBytesPerRow(width) bytes per row (each plane must hold that many times dwRows bytes).
// Two-level (one plane): a dot where red, green or blue is below 128. Four-level (four
// planes): the bits 3, 2, 1, 0 of the level inside the device's image areas, 15 or 0 outside.
// Rows at or beyond the image height print no dots. Returns the bytes written per plane.
DWORD CreateImageBuffer(PDEVOBJ pdevobj, std::span<std::vector<BYTE>> planes, const CxImage* pImage,
                        DWORD dwStartY, DWORD dwRows, BOOL bFourLevel);
