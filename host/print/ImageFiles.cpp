#include "host/print/ImageFiles.h"

#include <png.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include "host/print/JobError.h"

namespace mkt::host {
namespace {

// Largest image side accepted from a file; larger ones are refused rather than allocated.
constexpr long kMaxImageSide = 1 << 16;

std::string Name(const std::filesystem::path& file) { return file.string(); }

// Composes a colour channel with alpha a over white.
unsigned OverWhite(unsigned c, unsigned a) { return (c * a + 255u * (255u - a) + 127u) / 255u; }

std::vector<char> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw JobError(Name(file), "cannot open the file");
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::uint8_t GreyOf(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
}

GreyImage LoadPng(const std::filesystem::path& file) {
    std::vector<char> data = ReadAll(file);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
        std::string why = image.message;
        png_image_free(&image);
        throw JobError(Name(file), "not a readable PNG image (" + why + ")");
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
        image.height > kMaxImageSide) {
        png_image_free(&image);
        throw JobError(Name(file), "image too large");
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        std::string why = image.message;
        png_image_free(&image);
        throw JobError(Name(file), "not a readable PNG image (" + why + ")");
    }
    GreyImage out(static_cast<int>(image.width), static_cast<int>(image.height));
    const std::uint8_t* p = rgba.data();
    for (std::uint8_t& px : out.pixels) {
        px = GreyOf(OverWhite(p[0], p[3]), OverWhite(p[1], p[3]), OverWhite(p[2], p[3]));
        p += 4;
    }
    return out;
}

GreyImage LoadPnm(const std::filesystem::path& file) {
    std::vector<char> data = ReadAll(file);
    std::size_t pos = 0;
    auto skipSpaceAndComments = [&] {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n') ++pos;
            } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
    };
    auto number = [&]() -> long {
        skipSpaceAndComments();
        if (pos >= data.size() || !std::isdigit(static_cast<unsigned char>(data[pos]))) {
            throw JobError(Name(file), "not a readable PBM/PGM image (bad header)");
        }
        long v = 0;
        while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos]))) {
            v = v * 10 + (data[pos] - '0');
            if (v > 1L << 30) throw JobError(Name(file), "not a readable PBM/PGM image (bad header)");
            ++pos;
        }
        return v;
    };
    if (data.size() < 2 || data[0] != 'P' || (data[1] != '1' && data[1] != '2' && data[1] != '4' && data[1] != '5')) {
        throw JobError(Name(file), "not a PBM or PGM image (P1, P2, P4 or P5 expected)");
    }
    const char kind = data[1];
    pos = 2;
    const long w = number();
    const long h = number();
    const bool bitmap = kind == '1' || kind == '4';
    const long maxval = bitmap ? 1 : number();
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
        throw JobError(Name(file), "image size out of range");
    }
    if (maxval <= 0 || maxval > 65535) throw JobError(Name(file), "grey map maximum out of range");
    GreyImage out(static_cast<int>(w), static_cast<int>(h));
    const auto truncated = [&] { return JobError(Name(file), "image data truncated"); };
    if (kind == '1' || kind == '2') {
        for (std::uint8_t& px : out.pixels) {
            long v;
            if (kind == '1') {
                skipSpaceAndComments();
                if (pos >= data.size()) throw truncated();
                if (data[pos] != '0' && data[pos] != '1') throw JobError(Name(file), "bad bitmap digit");
                v = data[pos++] - '0';
                px = v ? 0 : 255;
            } else {
                skipSpaceAndComments();
                if (pos >= data.size()) throw truncated();
                v = number();
                if (v > maxval) v = maxval;
                px = static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
            }
        }
        return out;
    }
    ++pos;  // the single white-space character after the header
    if (kind == '4') {
        const std::size_t rowBytes = static_cast<std::size_t>((w + 7) / 8);
        if (pos + rowBytes * static_cast<std::size_t>(h) > data.size()) throw truncated();
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(data.data() + pos + rowBytes * static_cast<std::size_t>(y));
            std::uint8_t* dst = out.Row(y);
            for (int x = 0; x < w; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
        }
        return out;
    }
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    if (pos + sampleBytes * out.pixels.size() > data.size()) throw truncated();
    const auto* src = reinterpret_cast<const std::uint8_t*>(data.data() + pos);
    for (std::size_t i = 0; i < out.pixels.size(); ++i) {
        long v = sampleBytes == 2 ? (src[2 * i] << 8 | src[2 * i + 1]) : src[i];
        if (v > maxval) v = maxval;
        out.pixels[i] = static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
    }
    return out;
}

std::vector<GreyImage> LoadPdfPages(const std::filesystem::path& file, int width) {
    std::vector<char> data = ReadAll(file);
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_data(&data));
    if (!doc) throw JobError(Name(file), "not a readable PDF document");
    if (doc->is_locked()) throw JobError(Name(file), "the PDF document is encrypted");
    const int count = doc->pages();
    if (count <= 0) throw JobError(Name(file), "the PDF document has no pages");
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    std::vector<GreyImage> pages;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page) throw JobError(Name(file), "page " + std::to_string(i + 1) + " cannot be read");
        const poppler::rectf rect = page->page_rect();
        if (rect.width() <= 0 || rect.height() <= 0) {
            throw JobError(Name(file), "page " + std::to_string(i + 1) + " has no size");
        }
        const double dpi = width * 72.0 / rect.width();
        if (rect.height() / 72.0 * dpi > kMaxImageSide * 4.0) {
            throw JobError(Name(file), "page " + std::to_string(i + 1) + " is too large");
        }
        poppler::image img = renderer.render_page(page.get(), dpi, dpi);
        if (!img.is_valid() || img.width() <= 0 || img.height() <= 0) {
            throw JobError(Name(file), "page " + std::to_string(i + 1) + " cannot be rendered");
        }
        GreyImage grey(img.width(), img.height());
        const int bpr = img.bytes_per_row();
        const char* bits = img.const_data();
        const bool argb = img.format() == poppler::image::format_argb32;
        const bool rgb = img.format() == poppler::image::format_rgb24;
        for (int y = 0; y < img.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(bits + static_cast<std::ptrdiff_t>(bpr) * y);
            std::uint8_t* dst = grey.Row(y);
            for (int x = 0; x < img.width(); ++x) {
                if (argb || rgb) {
                    // Native-endian 32-bit pixels: B, G, R, A in memory on little-endian hosts.
                    const std::uint8_t* p = row + 4 * x;
                    const unsigned a = argb ? p[3] : 255u;
                    dst[x] = GreyOf(OverWhite(p[2], a), OverWhite(p[1], a), OverWhite(p[0], a));
                } else {
                    dst[x] = row[x];
                }
            }
        }
        if (grey.width != width) {
            const long h = std::max(1L, static_cast<long>(grey.height) * width / grey.width);
            grey = ScaleNearest(grey, width, static_cast<int>(h));
        }
        pages.push_back(std::move(grey));
    }
    return pages;
}

GreyImage ScaleNearest(const GreyImage& src, int width, int height) {
    GreyImage out(width, height);
    if (src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0) return out;
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        columns[static_cast<std::size_t>(x)] =
            static_cast<int>(static_cast<long long>(x) * src.width / width);
    }
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * src.height / height);
        const std::uint8_t* s = src.Row(sy);
        std::uint8_t* d = out.Row(y);
        for (int x = 0; x < width; ++x) d[x] = s[columns[static_cast<std::size_t>(x)]];
    }
    return out;
}

}  // namespace mkt::host
