// Hot paths of the image container on a receipt page 576 dots wide and 20,000 rows long.
#include <benchmark/benchmark.h>

#include <random>

#include "oemuni/imaging/image/CxImage.h"

namespace {

constexpr DWORD kWidth = 576;
constexpr DWORD kHeight = 20000;

// An 8-bit grey page: white paper with text-like runs of black and photo-like grey areas.
const CxImage& GreyPage() {
    static const CxImage page = [] {
        CxImage img;
        img.Create(kWidth, kHeight, 8, CXIMAGE_FORMAT_BMP);
        img.SetGreyPalette();
        std::mt19937 rng(1);
        std::uniform_int_distribution<int> byte(0, 255), run(1, 40);
        for (DWORD y = 0; y < kHeight; ++y) {
            BYTE* row = img.GetBits(y);
            const bool photo = (y / 500) % 4 == 1;
            DWORD x = 0;
            while (x < kWidth) {
                const int n = run(rng);
                const int kind = byte(rng);
                BYTE v = photo ? static_cast<BYTE>((x + y) & 0xFF) : (kind < 180 ? 255 : 0);
                for (int k = 0; k < n && x < kWidth; ++k, ++x) row[x] = photo ? static_cast<BYTE>(v + k) : v;
            }
        }
        return img;
    }();
    return page;
}

const CxImage& BitPage() {
    static const CxImage page = [] {
        CxImage img = GreyPage();
        img.Dither(0);
        return img;
    }();
    return page;
}

template <typename Op>
void RunOnCopy(benchmark::State& state, const CxImage& source, Op op) {
    for (auto _ : state) {
        state.PauseTiming();
        CxImage img = source;
        state.ResumeTiming();
        op(img);
        benchmark::DoNotOptimize(img.GetBits(0));
    }
}

void BM_AdjustBrightness(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) { img.AdjustBrightness(20); });
}
BENCHMARK(BM_AdjustBrightness)->Unit(benchmark::kMillisecond);

void BM_Dither(benchmark::State& state) {
    const LONG method = static_cast<LONG>(state.range(0));
    RunOnCopy(state, GreyPage(), [method](CxImage& img) { img.Dither(method); });
}
BENCHMARK(BM_Dither)->Arg(0)->Arg(1)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_DecreaseBpp(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) { img.DecreaseBpp(1, FALSE, {}, 2); });
}
BENCHMARK(BM_DecreaseBpp)->Unit(benchmark::kMillisecond);

void BM_Resample1Bit(benchmark::State& state) {
    const float rate = static_cast<float>(state.range(0)) / 100.0f;
    RunOnCopy(state, BitPage(), [rate](CxImage& img) {
        img.Resample(static_cast<LONG>(kWidth * rate + 0.5), static_cast<LONG>(kHeight * rate + 0.5), 1);
    });
}
BENCHMARK(BM_Resample1Bit)->Arg(75)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_Resample8Bit(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) { img.Resample(kWidth / 2, kHeight / 2, 1); });
}
BENCHMARK(BM_Resample8Bit)->Unit(benchmark::kMillisecond);

void BM_Rotate1Bit(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    RunOnCopy(state, BitPage(), [which](CxImage& img) {
        if (which == 1) img.RotateLeft();
        if (which == 2) img.Rotate180();
        if (which == 3) img.RotateRight();
    });
}
BENCHMARK(BM_Rotate1Bit)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_Rotate8Bit(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) { img.RotateLeft(); });
}
BENCHMARK(BM_Rotate8Bit)->Unit(benchmark::kMillisecond);

void BM_Crop1Bit(benchmark::State& state) {
    RunOnCopy(state, BitPage(), [](CxImage& img) { img.Crop(3, kHeight - 11, kWidth, 5); });
}
BENCHMARK(BM_Crop1Bit)->Unit(benchmark::kMillisecond);

// The composition's share of the target page: density, Floyd-Steinberg to 1 bit,
// crop of the margins and a half turn (every step touches the whole page).
void BM_PageToneAndGeometry(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) {
        img.AdjustBrightness(0);
        img.Dither(0);
        img.Crop(0, kHeight - 11, kWidth, 4);
        img.Rotate180();
    });
}
BENCHMARK(BM_PageToneAndGeometry)->Unit(benchmark::kMillisecond);

// The same with a reduction to 75 %.
void BM_PageToneResampleRotate(benchmark::State& state) {
    RunOnCopy(state, GreyPage(), [](CxImage& img) {
        img.AdjustBrightness(20);
        img.Dither(0);
        img.Resample(432, 15000, 1);
        img.RotateLeft();
    });
}
BENCHMARK(BM_PageToneResampleRotate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
