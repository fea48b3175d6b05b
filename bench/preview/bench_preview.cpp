// Rendering speed of long receipts: a 20,000-row page in each raster form,
// the run-length decoder alone, text lines, and the PNG output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "PngWriter.h"
#include "RasterPlanes.h"
#include "RenderStream.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 576;
constexpr int kBytesPerRow = kWidth / 8;
constexpr int kRows = 20000;

// A receipt-like page: mostly white, lines of dense "text" and a few solid bars.
Bytes PageRow(int y, std::mt19937& rng) {
  Bytes row(kBytesPerRow, 0);
  const int band = y % 40;
  if (band < 24) {
    for (int k = 2; k < kBytesPerRow - 20; ++k) row[k] = static_cast<uint8_t>(rng() & rng());
  } else if (band == 30 && (y / 40) % 10 == 0) {
    std::fill(row.begin(), row.end(), 0xFF);
  }
  return row;
}

void AppendRle(Bytes& out, const Bytes& plane) {
  for (size_t i = 0; i < plane.size();) {
    const uint8_t b = plane[i];
    if (b == 0x00 || b == 0xFF) {
      size_t n = 1;
      while (i + n < plane.size() && plane[i + n] == b && n < 255) ++n;
      out.push_back(b);
      out.push_back(static_cast<uint8_t>(n));
      i += n;
    } else {
      out.push_back(b);
      ++i;
    }
  }
}

// The page as the driver sends it: slices of 246 rows, plain or compressed,
// one plane or four.
Bytes PageStream(bool compressed, bool fourLevel) {
  std::mt19937 rng(20000);
  Bytes out;
  for (int first = 0; first < kRows; first += 246) {
    const int n = std::min(246, kRows - first);
    Bytes plane;
    for (int y = first; y < first + n; ++y) {
      const Bytes row = PageRow(y, rng);
      plane.insert(plane.end(), row.begin(), row.end());
    }
    const int planes = fourLevel ? 4 : 1;
    for (int p = 0; p < planes; ++p) {
      if (compressed) {
        const uint8_t head[] = {0, 0, 0, 0x08, 0x43, 0x52, static_cast<uint8_t>(fourLevel ? 4 + p : 0), 0, 0, 0, 0,
                                kWidth % 256, kWidth / 256, static_cast<uint8_t>(n), 0};
        out.insert(out.end(), std::begin(head), std::end(head));
        AppendRle(out, plane);
      } else {
        const uint8_t head[] = {0, 0, 0, 0x1B, 0x4A, 0, 0x1D, 0x76, 0x30, 0, kBytesPerRow, 0, static_cast<uint8_t>(n), 0};
        out.insert(out.end(), std::begin(head), std::end(head));
        out.insert(out.end(), plane.begin(), plane.end());
        out.push_back(0);
      }
    }
    if (compressed) {
      const uint8_t trailer[] = {0x08, 0x43, 0x52, 0xFF, 0, 0};
      out.insert(out.end(), std::begin(trailer), std::end(trailer));
    }
  }
  return out;
}

void RenderPage(benchmark::State& state, bool compressed, bool fourLevel) {
  const Bytes stream = PageStream(compressed, fourLevel);
  mkt::preview::RenderOptions options;
  options.plainLevels = fourLevel ? 4 : 2;
  for (auto _ : state) {
    mkt::preview::RenderResult r = mkt::preview::RenderStream(stream, options);
    if (r.paper.height != kRows || !r.diagnostics.empty()) state.SkipWithError("unexpected rendering");
    benchmark::DoNotOptimize(r.paper.dots.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
  state.counters["stream_bytes"] = static_cast<double>(stream.size());
}

void BM_CompressedTwoLevelPage20000Rows(benchmark::State& s) { RenderPage(s, true, false); }
void BM_CompressedFourLevelPage20000Rows(benchmark::State& s) { RenderPage(s, true, true); }
void BM_PlainTwoLevelPage20000Rows(benchmark::State& s) { RenderPage(s, false, false); }
void BM_PlainFourLevelPage20000Rows(benchmark::State& s) { RenderPage(s, false, true); }
BENCHMARK(BM_CompressedTwoLevelPage20000Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressedFourLevelPage20000Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTwoLevelPage20000Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFourLevelPage20000Rows)->Unit(benchmark::kMillisecond);

void BM_DecodeRunLength(benchmark::State& state) {
  std::mt19937 rng(7);
  Bytes plane;
  for (int y = 0; y < 246; ++y) {
    const Bytes row = PageRow(y, rng);
    plane.insert(plane.end(), row.begin(), row.end());
  }
  Bytes coded;
  AppendRle(coded, plane);
  Bytes out(plane.size());
  for (auto _ : state) {
    mkt::preview::DecodeRunLength(coded, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
}
BENCHMARK(BM_DecodeRunLength);

void BM_TextLines(benchmark::State& state) {
  // 1000 resident-font records of 40 characters, as the driver builds them.
  Bytes stream;
  const uint8_t head[] = {0x1B, 0x74, 0x10, 0x08, 0x4D, 0x00, 0x41, 0x1D, 0x21, 0x00, 0x1B, 0x24, 0x00, 0x00};
  for (int i = 0; i < 1000; ++i) {
    stream.insert(stream.end(), std::begin(head), std::end(head));
    for (int k = 0; k < 40; ++k) stream.push_back(static_cast<uint8_t>('A' + (i + k) % 58));
    const uint8_t end[] = {0x1B, 0x4A, 0x18, 0x00};
    stream.insert(stream.end(), std::begin(end), std::end(end));
  }
  for (auto _ : state) {
    mkt::preview::RenderResult r = mkt::preview::RenderStream(stream);
    benchmark::DoNotOptimize(r.paper.dots.data());
  }
  state.counters["lines"] = 1000;
}
BENCHMARK(BM_TextLines)->Unit(benchmark::kMillisecond);

void BM_WritePng20000Rows(benchmark::State& state) {
  const mkt::preview::RenderResult r = mkt::preview::RenderStream(PageStream(true, false));
  const std::string path = (std::filesystem::temp_directory_path() / "bench_preview.png").string();
  for (auto _ : state) {
    std::string error;
    if (!mkt::preview::WritePreviewPng(path, r, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_WritePng20000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
