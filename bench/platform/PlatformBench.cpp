// The platform calls on the plug-in's hot paths: code-page conversion of every
// drawn string, path mapping of every log line, printer data at device enable.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/MachineRoot.h"
#include "platform/Printers.h"
#include "platform/Profile.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {

// One machine root for the whole run, removed at exit.
struct BenchMachine {
    BenchMachine() {
        std::string templ = (fs::temp_directory_path() / "mkt-bench-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) std::abort();
        root = templ;
        fs::create_directories(root / "C" / "Temp" / "MKT-G450");
        fs::create_directories(root / "C" / "Windows" / "MKT-G450");
        plat::SetMachineRoot(root);
        plat::EnsurePrinterQueue(u"MKT-G450", u"MKT-G450", u"COM1:");
        PrinterHandle h;
        PRINTER_DEFAULTSW d{nullptr, nullptr, PRINTER_ALL_ACCESS};
        OpenPrinterW(u"MKT-G450", h.put(), &d);
        BYTE misc[47] = {};
        SetPrinterDataExW(h.get(), u"PrinterDriverData\\Properties", u"MISC", REG_BINARY, misc, 47);
        // A settings file the size of the real one: 47 preference keys, then the port.
        for (int i = 0; i < 47; ++i) {
            const std::string key = "PREFERENCE[" + std::to_string(i) + "]";
            const std::u16string wkey(key.begin(), key.end());
            WritePrivateProfileStringW(u"MKTG450", wkey.c_str(), u"1", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR");
        }
        WritePrivateProfileStringW(u"MKTG450", u"PORT", u"COM1", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR");
    }
    ~BenchMachine() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
};

BenchMachine& Machine() {
    static BenchMachine m;
    return m;
}

void BM_WideToAnsiAscii(benchmark::State& state) {
    const std::u16string text(static_cast<size_t>(state.range(0)), u'A');
    std::string out(text.size() + 1, '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(),
                                                     static_cast<int>(out.size()), nullptr, nullptr));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WideToAnsiAscii)->Arg(64)->Arg(4096);

void BM_WideToKorean(benchmark::State& state) {
    std::u16string text;
    for (int i = 0; i < state.range(0); ++i) text.push_back(static_cast<char16_t>(0xAC00 + (i % 2000)));
    std::string out(text.size() * 2 + 1, '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideCharToMultiByte(949, 0, text.c_str(), -1, out.data(),
                                                     static_cast<int>(out.size()), nullptr, nullptr));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WideToKorean)->Arg(64)->Arg(4096);

void BM_Utf8ToWide(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += (i % 4) ? "a" : "\xE4\xB8\xAD";
    std::u16string out(text.size() + 1, u'\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(),
                                                     static_cast<int>(out.size())));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Utf8ToWide)->Arg(64)->Arg(4096);

void BM_MapLogPath(benchmark::State& state) {
    Machine();
    for (auto _ : state) {
        benchmark::DoNotOptimize(plat::MapWindowsPath(u"C:\\temp\\MKT-G450\\MKT-G450_0621_00042_OEMUNI.LOG"));
    }
}
BENCHMARK(BM_MapLogPath);

void BM_LogLineOpenAppendClose(benchmark::State& state) {
    Machine();
    const char line[] = "08:21:57:123: OEMTextOut : START \r\n";
    for (auto _ : state) {
        FileHandle h = plat::OpenAlwaysAppend(u"C:\\temp\\MKT-G450\\MKT-G450_0621_00042_OEMUNI.LOG");
        DWORD n = 0;
        WriteFile(h.get(), line, sizeof line - 1, &n, nullptr);
    }
}
BENCHMARK(BM_LogLineOpenAppendClose);

void BM_GetPrinterDataMisc(benchmark::State& state) {
    Machine();
    PrinterHandle h;
    OpenPrinterW(u"MKT-G450", h.put(), nullptr);
    BYTE misc[47];
    DWORD type = 0, needed = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetPrinterDataExW(h.get(), u"PrinterDriverData\\Properties", u"MISC", &type,
                                                   misc, 47, &needed));
    }
}
BENCHMARK(BM_GetPrinterDataMisc);

void BM_ProfileString(benchmark::State& state) {
    Machine();
    char16_t buf[256];
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetPrivateProfileStringW(u"MKTG450", u"PORT", u"", buf, 256,
                                                          u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR"));
    }
}
BENCHMARK(BM_ProfileString);

}  // namespace
