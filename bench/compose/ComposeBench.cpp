// Page imaging from captured bands to bytes in the job command buffer: band capture through
// ImageProcessing, then AddImageDataPerEachPage (decode, trim, density, dots, merge, raster
// commands). Peak heap use is tracked by counting every allocation of the process and is
// reported as a multiple of the page bitmap's size.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <random>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/BandCapture.h"
#include "oemuni/imaging/RunLengthCode.h"
#include "oemuni/job/JobOutput.h"

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void Track(size_t n) {
    const size_t now = g_live.fetch_add(n) + n;
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

// The counting operators pair malloc with free themselves; the compiler cannot see that once
// they are inlined into the standard allocator.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) throw std::bad_alloc();
    Track(malloc_usable_size(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    g_live.fetch_sub(malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
#pragma GCC diagnostic pop

namespace {

constexpr DWORD kWidth = 576;
constexpr DWORD kHeight = 20000;
constexpr DWORD kBandRows = 256;

struct Page {
    WORD bpp;
    std::vector<BYTE> rows;  // the whole page as Unidrv would render it, row 0 on top
    DWORD stride;
    DWORD blankFrom;         // rows from here on are blank bands
};

// A receipt-like page: text-like speckle, grey gradients and photo-like noise, with an
// optional blank tail.
Page MakePage(WORD bpp, DWORD blankFrom) {
    Page p{bpp, {}, ((kWidth * bpp + 31) / 32) * 4, blankFrom};
    p.rows.assign(static_cast<size_t>(p.stride) * kHeight, 0xFF);
    std::mt19937 rng(12345);
    for (DWORD y = 0; y < blankFrom; ++y) {
        BYTE* row = p.rows.data() + static_cast<size_t>(y) * p.stride;
        const DWORD section = (y / 400) % 3;
        for (DWORD x = 0; x < kWidth; ++x) {
            BYTE level = 255;
            if (section == 0) level = (rng() % 5 == 0) ? 0 : 255;                  // text-like
            if (section == 1) level = static_cast<BYTE>((x * 255) / kWidth);         // gradient
            if (section == 2) level = static_cast<BYTE>(96 + rng() % 128);          // photo-like
            if (bpp == 8) {
                row[x] = level;
            } else if (level < 128) {
                row[x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
            }
        }
    }
    return p;
}

struct Device {
    DEVOBJ devobj{};
    OemPDEV pdev;
    JobOutput job;
    PALETTE palette;

    Device() {
        devobj.pdevOEM = &pdev;
        pdev.pJobOutput = &job;
        palette.entries.resize(256);
        for (int i = 0; i < 256; ++i) {
            palette.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        }
        pdev.hPalette = &palette;
        BYTE* b = pdev.m_UIInfo.byteValue;
        b[35] = 10;
        b[36] = 1;
        b[31] = 1;
    }
};

void CapturePage(Device& d, const Page& page) {
    for (DWORD y0 = 0; y0 < kHeight; y0 += kBandRows) {
        const DWORD n = std::min(kBandRows, kHeight - y0);
        BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biWidth = kWidth;
        h.biHeight = static_cast<LONG>(n);
        h.biPlanes = 1;
        h.biBitCount = page.bpp;
        h.biSizeImage = page.stride * n;
        h.biXPelsPerMeter = h.biYPelsPerMeter = 7874;  // 200 dpi
        IPPARAMS ip{};
        ip.dwSize = sizeof ip;
        ip.bBanding = TRUE;
        ip.bBlankBand = y0 >= page.blankFrom ? TRUE : FALSE;
        INT result = 0;
        ImageProcessing(&d.devobj, const_cast<BYTE*>(page.rows.data()) + static_cast<size_t>(y0) * page.stride, &h,
                        nullptr, page.bpp == 1 ? 1 : 3, &ip, &result);
    }
}

void RunCompose(benchmark::State& state, WORD bpp, DWORD blankFrom, int settingsCase) {
    DisableDebugLog();
    const Page page = MakePage(bpp, blankFrom);
    const double pageBytes = static_cast<double>(page.stride) * kHeight;
    double worstPeak = 0;
    size_t outBytes = 0;
    for (auto _ : state) {
        Device d;
        BYTE* b = d.pdev.m_UIInfo.byteValue;
        if (settingsCase == 0) b[34] = 1;          // Floyd-Steinberg
        if (settingsCase == 1) b[31] = 0;          // receipt media: blank tail trimmed
        if (settingsCase == 2) b[33] = 1;          // four-level printing
        const size_t base = g_live.load();
        g_peak.store(base);
        CapturePage(d, page);
        AddImageDataPerEachPage(&d.devobj);
        worstPeak = std::max(worstPeak, static_cast<double>(g_peak.load() - base));
        outBytes = d.job.m_dwTotalBufSize();
        benchmark::DoNotOptimize(outBytes);
        state.PauseTiming();
        d.job.m_pTotalBuf.release();
        state.ResumeTiming();
    }
    state.counters["peak_heap_x_page"] = worstPeak / pageBytes;
    state.counters["page_MB"] = pageBytes / 1e6;
    state.counters["out_bytes"] = static_cast<double>(outBytes);
}

void BM_Page8bppFloydSteinbergCompressed(benchmark::State& state) { RunCompose(state, 8, kHeight, 0); }
void BM_Page1bppTrimmed(benchmark::State& state) { RunCompose(state, 1, 15000, 1); }
void BM_Page8bppFourLevel(benchmark::State& state) { RunCompose(state, 8, kHeight, 2); }

void BM_RunLengthCode(benchmark::State& state) {
    std::mt19937 rng(7);
    std::vector<BYTE> plane(72 * 246);
    for (auto& v : plane) v = (rng() % 3 == 0) ? static_cast<BYTE>(rng()) : 0;
    std::vector<BYTE> out;
    for (auto _ : state) {
        out.clear();
        AppendRunLengthCode(plane, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(plane.size()));
}

}  // namespace

BENCHMARK(BM_Page8bppFloydSteinbergCompressed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Page1bppTrimmed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Page8bppFourLevel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunLengthCode);

BENCHMARK_MAIN();
