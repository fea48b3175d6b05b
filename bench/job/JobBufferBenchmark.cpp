// The job command buffer's hot path: a page's commands appended block by block, then written to
// the spooler in 4096-byte chunks and to the journal.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/job/JobOutput.h"
#include "platform/MachineRoot.h"

namespace {

// A spooler that takes everything and only counts.
class CountingSpooler final : public IPrintOemDriverUni {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override { return E_FAIL; }
    HRESULT DrvWriteSpoolBuf(PDEVOBJ, PVOID p, DWORD n, PDWORD got) override {
        bytes += n;
        benchmark::DoNotOptimize(p);
        *got = n;
        return S_OK;
    }
    size_t bytes = 0;
};

struct Machine {
    Machine() {
        root = std::filesystem::temp_directory_path() / "mkt-bench-job";
        std::filesystem::create_directories(root / "C" / "Windows" / "MKT-G450");
        plat::SetMachineRoot(root);
        DisableDebugLog();  // the shipped default (settings byte 46 = 0)
    }
    ~Machine() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
};

Machine& TheMachine() {
    static Machine m;
    return m;
}

// A receipt page: one raster strip command per 24 rows of 72 bytes, text records in between.
void AppendPage(JobOutput& job, int strips) {
    static const std::vector<BYTE> strip(8 + 24 * 72, 0x5A);
    static const std::vector<BYTE> text(40, 0x41);
    for (int i = 0; i < strips; ++i) {
        job.AddPrintDataTobeSent(strip.data(), static_cast<DWORD>(strip.size()));
        job.AddPrintDataTobeSent(text.data(), static_cast<DWORD>(text.size()));
    }
}

void BM_AppendPage(benchmark::State& state) {
    TheMachine();
    const int strips = static_cast<int>(state.range(0));
    JobOutput job;
    for (auto _ : state) {
        AppendPage(job, strips);
        benchmark::DoNotOptimize(job.m_pTotalBuf.data());
        job.InitPrintCommandsBuffer();
    }
    state.SetBytesProcessed(state.iterations() * strips * (8 + 24 * 72 + 40));
}
BENCHMARK(BM_AppendPage)->Arg(10)->Arg(100)->Arg(1000);

void BM_FlushPage(benchmark::State& state) {
    TheMachine();
    const bool journal = state.range(1) != 0;
    CountingSpooler spooler;
    JobOutput job;
    job.m_pDriverUni = &spooler;
    DEVOBJ devobj{};
    if (journal) job.GetFileHandle(&devobj);
    AppendPage(job, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(job.SendPrintDataToPrinter(&devobj));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * job.m_dwTotalBufSize());
    job.CloseJournal();
    if (journal) std::filesystem::remove(plat::MapWindowsPath(job.m_szFileName));
}
BENCHMARK(BM_FlushPage)->Args({100, 0})->Args({1000, 0})->Args({100, 1});

}  // namespace

BENCHMARK_MAIN();
