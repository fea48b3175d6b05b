// An 8-bit grey image, row 0 on top, one byte a pixel (0 black ... 255 white), no padding.
#pragma once

#include <cstdint>
#include <vector>

namespace mkt::host {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height bytes

    GreyImage() = default;
    GreyImage(int w, int h, std::uint8_t fill = 255)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const std::uint8_t* Row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

}  // namespace mkt::host
