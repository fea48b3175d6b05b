// Test harness: a fresh machine root with one printer queue, and a plug-in device driven the way
// Unidrv drives it (class factory, PublishDriverInterface, EnableDriver, EnablePDEV, hooks,
// command callbacks, DisablePDEV, Release).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FakeDriverUni.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

inline constexpr char16_t kPrinterName[] = u"VARNOKE MKT-G450";

std::vector<BYTE> Bytes(std::initializer_list<int> values);
std::string Hex(const std::vector<BYTE>& bytes);

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a Windows path of the machine.
    std::filesystem::path HostPath(std::u16string_view winPath) const;
    std::optional<std::vector<BYTE>> ReadHostFile(std::u16string_view winPath) const;
    void WriteHostFile(std::u16string_view winPath, const std::string& content) const;

    // Printer data under "PrinterDriverData\Properties".
    void SetProperty(std::u16string_view name, const std::vector<BYTE>& bytes, DWORD type = 3);
    // "MISC" = the default settings bytes with the given bytes changed.
    void SetMisc(const std::map<int, int>& changes);
    void SetLocalTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);

    std::filesystem::path m_root;
    HANDLE m_hPrinter = nullptr;  // administer access, for the tests' own printer data writes
    HANDLE m_hUsePrinter = nullptr;  // the handle the device gets
};

// Unidrv's own drawing entry points, standing in for the real ones: each records its call.
struct UnidrvCalls {
    std::vector<std::string> calls;
    std::vector<RECTL> rects;
    BOOL result = TRUE;
};
UnidrvCalls& Unidrv();
// A DRVENABLEDATA list of stand-in entry points for all 29 hooked indices.
std::vector<DRVFN> UnidrvEntryPoints();

class PluginDevice {
public:
    PluginDevice();
    ~PluginDevice();
    PluginDevice(const PluginDevice&) = delete;
    PluginDevice& operator=(const PluginDevice&) = delete;

    HRESULT Enable(HANDLE hPrinter);
    void Disable();

    OemPDEV* pdev() const { return GetOemPDEV(const_cast<DEVOBJ*>(&devobj)); }
    void Callback(DWORD id);
    // The host's order: OEMStartDoc hook, then VKR_STARTDOC.
    void StartDoc(DWORD jobId);
    // VKR_STARTPAGE, one band with black pixels, VKR_ENDPAGE.
    void PrintPage();
    // VKR_STARTPAGE then VKR_ENDPAGE without any band: a dropped page.
    void PrintBlankPage();
    void EndDoc();

    PFN Hook(ULONG index) const;

    FakeDriverUni driver;
    IPrintOemUni* oem = nullptr;
    DEVOBJ devobj{};
    DEVMODEW devmode{};
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    SURFOBJ surface{};
    DRVENABLEDATA hooks{};
    std::vector<DRVFN> unidrv;
    bool enabled = false;
};
