// Finding ink on a page image: a pixel is ink when its colour is not pure white
// (red + green + blue != 765). Rows are read straight from the image, palette images through
// a per-entry table.
#pragma once

#include <array>

#include "platform/Win32Types.h"

class CxImage;

class InkFinder {
public:
    explicit InkFinder(const CxImage& image);
    // The first column of row y holding ink, or -1 when the row is white.
    LONG FirstInkColumn(DWORD y) const;

private:
    const CxImage& m_image;
    std::array<bool, 256> m_ink{};
};
