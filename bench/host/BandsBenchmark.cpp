// The host's share of a long receipt: painting a 576 x 20,000 page and cutting it into the
// bands handed to ImageProcessing.
#include <benchmark/benchmark.h>

#include "host/print/BandBuilder.h"
#include "host/print/PageRaster.h"

using namespace mkt::host;

namespace {

constexpr int kWidth = 576;
constexpr int kRows = 20000;
constexpr int kBand = 256;

PageRaster MakePage() {
    PageRaster page(kWidth, kRows);
    GreyImage logo(200, 100);
    for (int y = 0; y < logo.height; ++y) {
        for (int x = 0; x < logo.width; ++x) logo.Row(y)[x] = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
    }
    for (int y = 0; y < kRows; y += 400) {
        page.DrawImage(logo, RECTL{188, y, 388, y + 100});
        page.Fill(0, y + 150, kWidth, 4, 0);
    }
    return page;
}

void BM_PaintPage(benchmark::State& state) {
    for (auto _ : state) {
        PageRaster page = MakePage();
        benchmark::DoNotOptimize(page.image().pixels.data());
    }
}
BENCHMARK(BM_PaintPage)->Unit(benchmark::kMillisecond);

void BM_CutBands(benchmark::State& state) {
    const int bpp = static_cast<int>(state.range(0));
    PageRaster page = MakePage();
    std::vector<std::uint8_t> band;
    for (auto _ : state) {
        int blank = 0;
        for (int top = 0; top < kRows; top += kBand) {
            blank += BuildBand(page.image(), top, std::min(kBand, kRows - top), bpp, band) ? 1 : 0;
        }
        benchmark::DoNotOptimize(blank);
    }
}
BENCHMARK(BM_CutBands)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
