// Page painting, band cutting, image decoding and the test spooler.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "host/print/BandBuilder.h"
#include "host/print/ImageFiles.h"
#include "host/print/JobError.h"
#include "host/print/PageRaster.h"
#include "host/print/SpoolOutput.h"

namespace fs = std::filesystem;
using namespace mkt::host;

namespace {

fs::path TempDir(const std::string& name) {
    fs::path d = fs::temp_directory_path() / ("mkt450-render-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
}

// Obviously correct band conversion, pixel by pixel.
std::vector<std::uint8_t> ReferenceBand(const GreyImage& page, int top, int rows, int bpp) {
    const std::size_t stride = static_cast<std::size_t>((page.width * bpp + 31) / 32 * 4);
    std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(rows), 0);
    for (int r = 0; r < rows; ++r) {
        for (int x = 0; x < page.width; ++x) {
            const std::uint8_t g = page.Row(top + r)[x];
            if (bpp == 8) {
                out[stride * static_cast<std::size_t>(r) + static_cast<std::size_t>(x)] = g;
            } else if (g >= 128) {
                out[stride * static_cast<std::size_t>(r) + static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return out;
}

TEST(BandBuilder, MatchesThePixelByPixelReference) {
    std::mt19937 rng(7);
    for (int width : {1, 7, 8, 9, 31, 33, 576}) {
        GreyImage page(width, 20);
        for (auto& p : page.pixels) p = static_cast<std::uint8_t>(rng());
        for (int bpp : {1, 8}) {
            std::vector<std::uint8_t> band;
            BuildBand(page, 3, 11, bpp, band);
            EXPECT_EQ(band, ReferenceBand(page, 3, 11, bpp)) << width << " " << bpp;
        }
    }
}

TEST(BandBuilder, ThresholdPaddingAndBlank) {
    GreyImage page(10, 1, 255);
    std::vector<std::uint8_t> band;
    EXPECT_TRUE(BuildBand(page, 0, 1, 1, band));
    EXPECT_EQ(band, (std::vector<std::uint8_t>{0xFF, 0xC0, 0x00, 0x00}));  // padding bits 0
    page.pixels[9] = 128;  // still white
    EXPECT_TRUE(BuildBand(page, 0, 1, 1, band));
    page.pixels[9] = 127;  // black
    EXPECT_FALSE(BuildBand(page, 0, 1, 1, band));
    EXPECT_EQ(band[1], 0x80);
    GreyImage grey(3, 1, 255);
    EXPECT_TRUE(BuildBand(grey, 0, 1, 8, band));
    EXPECT_EQ(band, (std::vector<std::uint8_t>{255, 255, 255, 0}));
    grey.pixels[1] = 254;
    EXPECT_FALSE(BuildBand(grey, 0, 1, 8, band));
    EXPECT_EQ(BandStride(576, 1), 72u);
    EXPECT_EQ(BandStride(577, 8), 580u);
}

TEST(PageRaster, FillAndImageAreClippedAndScaledNearestNeighbour) {
    PageRaster page(10, 6);
    page.Fill(-5, 4, 7, 10, 0);  // clipped to x 0..1, rows 4..5
    EXPECT_EQ(page.image().Row(5)[1], 0);
    EXPECT_EQ(page.image().Row(5)[2], 255);
    EXPECT_EQ(page.image().Row(3)[0], 255);
    GreyImage src(3, 1);
    src.pixels = {10, 20, 30};
    page.DrawImage(src, RECTL{2, 0, 9, 1});  // 7 wide: source x = dx * 3 / 7
    const std::uint8_t expected[] = {10, 10, 10, 20, 20, 30, 30};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(page.image().Row(0)[2 + i], expected[i]) << i;
    EXPECT_EQ(page.image().Row(0)[9], 255);
    page.DrawImage(src, RECTL{8, 2, 20, 3});  // right part outside the page
    EXPECT_EQ(page.image().Row(2)[8], 10);
    EXPECT_EQ(page.image().Row(2)[9], 10);
    EXPECT_THROW(PageRaster(1 << 16, 1 << 16), std::bad_alloc);
}

TEST(ImageFiles, PngIsComposedOverWhiteAndConvertedToGrey) {
    const fs::path dir = TempDir("png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 1;
    image.format = PNG_FORMAT_RGBA;
    const std::uint8_t rgba[] = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 128};
    ASSERT_TRUE(png_image_write_to_file(&image, (dir / "t.png").c_str(), 0, rgba, 0, nullptr));
    GreyImage g = LoadPng(dir / "t.png");
    ASSERT_EQ(g.width, 3);
    EXPECT_EQ(g.pixels[0], GreyOf(255, 0, 0));
    EXPECT_EQ(g.pixels[0], 76);  // (299 * 255 + 500) / 1000
    EXPECT_EQ(g.pixels[1], 255);  // transparent over white
    EXPECT_EQ(g.pixels[2], GreyOf(127, 127, 255));
    fs::remove_all(dir);
}

TEST(ImageFiles, PortableMapsPlainAndRaw) {
    const fs::path dir = TempDir("pnm");
    std::ofstream(dir / "a.pbm", std::ios::binary) << "P1\n# comment\n3 1\n1 0 1\n";
    EXPECT_EQ(LoadPnm(dir / "a.pbm").pixels, (std::vector<std::uint8_t>{0, 255, 0}));
    std::ofstream(dir / "b.pbm", std::ios::binary) << "P4\n9 1\n" << '\x80' << '\x80';
    GreyImage b = LoadPnm(dir / "b.pbm");
    EXPECT_EQ(b.pixels[0], 0);
    EXPECT_EQ(b.pixels[1], 255);
    EXPECT_EQ(b.pixels[8], 0);
    std::ofstream(dir / "c.pgm", std::ios::binary) << "P5\n2 1\n15\n" << '\x0f' << '\x00';
    EXPECT_EQ(LoadPnm(dir / "c.pgm").pixels, (std::vector<std::uint8_t>{255, 0}));
    std::ofstream(dir / "d.pgm", std::ios::binary) << "P5\n20 20\n255\nxx";
    EXPECT_THROW(LoadPnm(dir / "d.pgm"), JobError);
    std::ofstream(dir / "e.pgm", std::ios::binary) << "P6\n1 1\n255\nabc";
    EXPECT_THROW(LoadPnm(dir / "e.pgm"), JobError);
    fs::remove_all(dir);
}

TEST(ImageFiles, ScaleNearestUsesIntegerDivision) {
    GreyImage src(384, 1001);
    for (int y = 0; y < src.height; ++y) src.Row(y)[0] = static_cast<std::uint8_t>(y);
    GreyImage half = ScaleNearest(src, 192, 501);
    EXPECT_EQ(half.width, 192);
    EXPECT_EQ(half.height, 501);
    EXPECT_EQ(half.Row(500)[0], static_cast<std::uint8_t>(500 * 1001 / 501));
}

std::vector<char> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SpoolOutput, FaultsLimitFailAndStall) {
    const fs::path dir = TempDir("spool");
    const char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    DWORD n = 0;
    {
        SpoolFaults f;
        f.maxPerCall = 4;
        SpoolOutput s(dir / "a.prn", f);
        EXPECT_EQ(s.Write(data, 10, &n), S_OK);
        EXPECT_EQ(n, 4u);
        EXPECT_EQ(s.Write(data + 4, 6, &n), S_OK);
        EXPECT_EQ(n, 4u);
        EXPECT_TRUE(s.Close());
    }
    EXPECT_EQ(ReadAll(dir / "a.prn"), std::vector<char>({0, 1, 2, 3, 4, 5, 6, 7}));
    {
        SpoolFaults f;
        f.failAfter = 6;
        SpoolOutput s(dir / "b.prn", f);
        EXPECT_EQ(s.Write(data, 4, &n), S_OK);
        EXPECT_EQ(s.Write(data, 4, &n), E_FAIL);
        EXPECT_EQ(n, 2u);
        EXPECT_EQ(s.Write(data, 4, &n), E_FAIL);
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(s.bytesAccepted(), 6u);
        EXPECT_TRUE(s.Close());
    }
    {
        SpoolFaults f;
        f.zeroAfter = 3;
        SpoolOutput s(dir / "c.prn", f);
        EXPECT_EQ(s.Write(data, 10, &n), S_OK);
        EXPECT_EQ(n, 3u);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(s.Write(data, 10, &n), S_OK);
            EXPECT_EQ(n, 0u);
        }
        EXPECT_TRUE(s.Close());
    }
    EXPECT_EQ(ReadAll(dir / "c.prn").size(), 3u);
    EXPECT_THROW(SpoolOutput(dir / "no" / "such" / "x.prn", SpoolFaults{}), JobError);
    fs::remove_all(dir);
}

}  // namespace
