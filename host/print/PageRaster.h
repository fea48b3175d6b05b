// The page as the host's graphics engine paints it: an 8-bit grey raster, row 0 on top.
// Everything drawn on a page lands here first; the bands handed to the plug-in are cut from it.
#pragma once

#include <cstddef>

#include "host/print/GreyImage.h"
#include "platform/Win32Types.h"

namespace mkt::host {

// Largest page the host agrees to allocate (bytes of the grey raster).
inline constexpr std::size_t kMaxPageBytes = std::size_t{1} << 30;

class PageRaster {
public:
    // Throws std::bad_alloc (or std::length_error) when the page cannot be held.
    PageRaster(int width, int height);

    int width() const { return m_image.width; }
    int height() const { return m_image.height; }
    const GreyImage& image() const { return m_image; }
    GreyImage& image() { return m_image; }

    // A rectangle of one grey level, clipped to the page.
    void Fill(int x, int y, int width, int height, std::uint8_t gray);

    // Draws `src` into the destination rectangle (right and bottom exclusive), scaled
    // nearest-neighbour (source = destination offset * source size / destination size),
    // clipped to the page.
    void DrawImage(const GreyImage& src, const RECTL& dest);

    // The same for grey pixels held elsewhere (a blit's source surface); stride in bytes.
    void DrawPixels(const std::uint8_t* src, int srcWidth, int srcHeight, std::ptrdiff_t stride, const RECTL& dest);

private:
    GreyImage m_image;
};

}  // namespace mkt::host
