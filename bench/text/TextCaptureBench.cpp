// The per-string capture path (hook -> conversion -> command -> record) and the end-of-page
// read-back that orders the device records by Y.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextCapture.h"
#include "platform/MachineRoot.h"

namespace {

struct Device {
    Device() {
        root = std::filesystem::temp_directory_path() / ("mkt-bench-text-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "C" / "Windows");
        plat::SetMachineRoot(root);
        DisableDebugLog();  // measure the work, not the diagnostic files
        pdev = std::make_unique<OemPDEV>();
        devobj.pdevOEM = pdev.get();
        surf.dhpdev = &devobj;
        const std::u16string name = u"FontA11";
        ifi.assign(sizeof(IFIMETRICS) + 2 * (name.size() + 1), 0);
        IFIMETRICS m = {};
        m.dpwszFamilyName = sizeof(IFIMETRICS);
        m.usWinWeight = 400;
        m.fwdUnitsPerEm = 2048;
        std::memcpy(ifi.data(), &m, sizeof m);
        std::memcpy(ifi.data() + sizeof m, name.c_str(), 2 * (name.size() + 1));
        xo.xform.eM22 = 24.0f / 2048.0f;
        fo.flFontType = FO_TYPE_DEVICE;
        fo.pifi_ = reinterpret_cast<IFIMETRICS*>(ifi.data());
        fo.pxo_ = &xo;
    }
    ~Device() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    void Capture(int lines, bool bottomUp) {
        std::u16string text = u"ITEM 0000 ........................ 12.50";
        for (int i = 0; i < lines; ++i) {
            STROBJ s = {};
            s.cGlyphs = static_cast<ULONG>(text.size());
            s.pwszOrg = text.data();
            s.rclBkGround.top = (bottomUp ? lines - i : i) * 24;
            OEMTextOut(&surf, &s, &fo, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        }
    }
    void ReadBack() {
        DWORD index = 0;
        std::vector<BYTE> text(FONT_RECORD_TEXT_BUF_SIZE);
        while (index < pdev->dwTxtBufSize()) {
            LOGFONTW lf = {};
            DWORD x = 0, y = 0;
            index = ExtractFontInfoFromBuf(&devobj, index, &lf, &x, &y, text);
            if (index == 0) break;
            ++index;
        }
    }
    void EndPage() {
        pdev->pTxtBufStart.release();
        pdev->pDevTxtBufStart.release();
    }

    std::filesystem::path root;
    std::unique_ptr<OemPDEV> pdev;
    DEVOBJ devobj = {};
    SURFOBJ surf = {};
    std::vector<BYTE> ifi;
    XFORMOBJ xo = {};
    FONTOBJ fo = {};
};

void BM_CaptureResidentLines(benchmark::State& state) {
    Device device;
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        device.Capture(lines, false);
        benchmark::DoNotOptimize(device.pdev->pTxtBufStart.data());
        device.EndPage();
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_CaptureResidentLines)->Arg(100)->Arg(1000);

void BM_ReadBackDeviceRecords(benchmark::State& state) {
    Device device;
    const int lines = static_cast<int>(state.range(0));
    const bool bottomUp = state.range(1) != 0;
    device.Capture(lines, bottomUp);
    for (auto _ : state) {
        device.pdev->pDevTxtBufStart.release();
        device.ReadBack();
        benchmark::DoNotOptimize(device.pdev->pDevTxtBufStart.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ReadBackDeviceRecords)->Args({1000, 0})->Args({1000, 1})->Args({5000, 0})->Args({5000, 1});

}  // namespace

BENCHMARK_MAIN();
