#include "host/print/BandBuilder.h"

#include <cstring>

namespace mkt::host {

std::uint32_t BandStride(int width, int bitsPerPixel) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4);
}

bool BuildBand(const GreyImage& page, int top, int rows, int bitsPerPixel, std::vector<std::uint8_t>& out) {
    const std::uint32_t stride = BandStride(page.width, bitsPerPixel);
    out.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(rows), 0);
    bool blank = true;
    const int width = page.width;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* src = page.Row(top + r);
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(stride) * static_cast<std::size_t>(r);
        if (bitsPerPixel == 8) {
            std::memcpy(dst, src, static_cast<std::size_t>(width));
            for (int x = 0; x < width && blank; ++x) blank = src[x] == 255;
            continue;
        }
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            unsigned byte = 0;
            for (int b = 0; b < 8; ++b) byte = (byte << 1) | (src[x + b] >= 128 ? 1u : 0u);
            dst[x >> 3] = static_cast<std::uint8_t>(byte);
            blank = blank && byte == 0xFF;
        }
        if (x < width) {
            unsigned byte = 0;
            unsigned mask = 0;
            for (int b = 0; b < 8; ++b) {
                byte <<= 1;
                mask <<= 1;
                if (x + b < width) {
                    byte |= src[x + b] >= 128 ? 1u : 0u;
                    mask |= 1u;
                }
            }
            dst[x >> 3] = static_cast<std::uint8_t>(byte);
            blank = blank && byte == mask;
        }
    }
    return blank;
}

}  // namespace mkt::host
