#include "host/print/PageRaster.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace mkt::host {

PageRaster::PageRaster(int width, int height) {
    if (width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxPageBytes) {
        throw std::bad_alloc();
    }
    m_image = GreyImage(width, height, 255);
}

void PageRaster::Fill(int x, int y, int w, int h, std::uint8_t gray) {
    const long long x0 = std::max<long long>(0, x);
    const long long y0 = std::max<long long>(0, y);
    const long long x1 = std::min<long long>(width(), static_cast<long long>(x) + w);
    const long long y1 = std::min<long long>(height(), static_cast<long long>(y) + h);
    if (x0 >= x1 || y0 >= y1) return;
    for (long long row = y0; row < y1; ++row) {
        std::memset(m_image.Row(static_cast<int>(row)) + x0, gray, static_cast<std::size_t>(x1 - x0));
    }
}

void PageRaster::DrawImage(const GreyImage& src, const RECTL& dest) {
    DrawPixels(src.pixels.data(), src.width, src.height, src.width, dest);
}

void PageRaster::DrawPixels(const std::uint8_t* src, int srcWidth, int srcHeight, std::ptrdiff_t stride,
                            const RECTL& dest) {
    const long long dw = static_cast<long long>(dest.right) - dest.left;
    const long long dh = static_cast<long long>(dest.bottom) - dest.top;
    if (dw <= 0 || dh <= 0 || src == nullptr || srcWidth <= 0 || srcHeight <= 0) return;
    const long long x0 = std::max<long long>(0, dest.left);
    const long long y0 = std::max<long long>(0, dest.top);
    const long long x1 = std::min<long long>(width(), dest.right);
    const long long y1 = std::min<long long>(height(), dest.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> columns(static_cast<std::size_t>(x1 - x0));
    for (long long x = x0; x < x1; ++x) {
        columns[static_cast<std::size_t>(x - x0)] = static_cast<int>((x - dest.left) * srcWidth / dw);
    }
    for (long long y = y0; y < y1; ++y) {
        const std::uint8_t* s = src + stride * static_cast<std::ptrdiff_t>((y - dest.top) * srcHeight / dh);
        std::uint8_t* d = m_image.Row(static_cast<int>(y)) + x0;
        for (std::size_t i = 0; i < columns.size(); ++i) d[i] = s[columns[i]];
    }
}

}  // namespace mkt::host
