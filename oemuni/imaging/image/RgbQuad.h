// One colour of an image: a palette entry or a pixel's colour, in the byte order of a DIB
// colour table (blue, green, red, reserved).
#pragma once

#include "platform/Win32Types.h"

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

constexpr RGBQUAD RgbQuad(BYTE red, BYTE green, BYTE blue) { return RGBQUAD{blue, green, red, 0}; }

constexpr bool SameRgb(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}
