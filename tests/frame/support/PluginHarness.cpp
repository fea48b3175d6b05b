#include "PluginHarness.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "oemuni/frame/ClassFactory.h"
#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLogTesting.h"
#include "oemuni/frame/ImageRectangles.h"
#include "oemuni/frame/SettingsDefaults.h"
#include "platform/LocalTime.h"
#include "platform/MachineRoot.h"
#include "platform/Printers.h"

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
    std::vector<BYTE> out;
    for (int v : values) out.push_back(static_cast<BYTE>(v));
    return out;
}

std::string Hex(const std::vector<BYTE>& bytes) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

void MachineTest::SetUp() {
    std::random_device rd;
    m_root = std::filesystem::temp_directory_path() /
             ("mkt-frame-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(m_root / "C" / "Windows" / "MKT-G450");
    plat::SetMachineRoot(m_root);
    plat::SetWindowsDirectory(u"C:\\Windows");
    SetLocalTime(2017, 6, 21, 8, 21, 57, 123);
    RestoreDebugLogForTesting();
    SetCurrentJobId(0);
    ClearPendingImageRect();
    Unidrv() = UnidrvCalls{};
    ASSERT_EQ(plat::EnsurePrinterQueue(kPrinterName, u"VARNOKE MKT-G450", u"COM1:"), 0);
    PRINTER_DEFAULTSW admin{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinterName, &m_hPrinter, &admin));
    PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(OpenPrinterW(kPrinterName, &m_hUsePrinter, &use));
}

void MachineTest::TearDown() {
    if (m_hPrinter != nullptr) ClosePrinter(m_hPrinter);
    if (m_hUsePrinter != nullptr) ClosePrinter(m_hUsePrinter);
    plat::SetLocalTimeOverride(std::nullopt);
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

std::filesystem::path MachineTest::HostPath(std::u16string_view winPath) const { return plat::MapWindowsPath(winPath); }

std::optional<std::vector<BYTE>> MachineTest::ReadHostFile(std::u16string_view winPath) const {
    std::ifstream in(HostPath(winPath), std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

void MachineTest::WriteHostFile(std::u16string_view winPath, const std::string& content) const {
    const auto path = HostPath(winPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void MachineTest::SetProperty(std::u16string_view name, const std::vector<BYTE>& bytes, DWORD type) {
    const std::u16string value(name);
    ASSERT_EQ(SetPrinterDataExW(m_hPrinter, u"PrinterDriverData\\Properties", value.c_str(), type, bytes.data(),
                                static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

void MachineTest::SetMisc(const std::map<int, int>& changes) {
    std::vector<BYTE> misc(DEFAULT_BYTE_VALUES, DEFAULT_BYTE_VALUES + SETTINGS_BYTE_COUNT);
    misc[46] = 1;  // keep the diagnostic log on unless a test says otherwise
    for (auto [n, v] : changes) misc[static_cast<size_t>(n)] = static_cast<BYTE>(v);
    SetProperty(u"MISC", misc);
}

void MachineTest::SetLocalTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    st.wMilliseconds = static_cast<WORD>(ms);
    plat::SetLocalTimeOverride(st);
}

// ---------------------------------------------------------------------------------------------

UnidrvCalls& Unidrv() {
    static UnidrvCalls calls;
    return calls;
}

namespace {

BOOL Record(const char* name) {
    Unidrv().calls.emplace_back(name);
    return Unidrv().result;
}

BOOL DrvAlphaBlend(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, BLENDOBJ*) { return Record("AlphaBlend"); }
BOOL DrvBitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL* prcl, POINTL*, POINTL*, BRUSHOBJ*, POINTL*,
               ROP4) {
    if (prcl != nullptr) Unidrv().rects.push_back(*prcl);
    return Record("BitBlt");
}
BOOL DrvCopyBits(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*) { return Record("CopyBits"); }
ULONG DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return Record("DitherColor"); }
BOOL DrvEndDoc(SURFOBJ*, FLONG) { return Record("EndDoc"); }
ULONG DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return Record("Escape"); }
BOOL DrvFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG) { return Record("FillPath"); }
ULONG DrvFontManagement(SURFOBJ*, FONTOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return Record("FontManagement"); }
ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return Record("GetGlyphMode"); }
BOOL DrvGradientFill(SURFOBJ*, CLIPOBJ*, XLATEOBJ*, TRIVERTEX*, ULONG, PVOID, ULONG, RECTL*, POINTL*, ULONG) {
    return Record("GradientFill");
}
BOOL DrvLineTo(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, LONG, LONG, LONG, LONG, RECTL*, MIX) { return Record("LineTo"); }
BOOL DrvNextBand(SURFOBJ*, POINTL*) { return Record("NextBand"); }
BOOL DrvPaint(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX) { return Record("Paint"); }
BOOL DrvPlgBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, POINTFIX*, RECTL*,
               POINTL*, ULONG) {
    return Record("PlgBlt");
}
BOOL DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return Record("QueryAdvanceWidths"); }
IFIMETRICS* DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) {
    Record("QueryFont");
    return nullptr;
}
LONG DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) { return Record("QueryFontData"); }
PVOID DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) {
    Record("QueryFontTree");
    return nullptr;
}
BOOL DrvRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return Record("RealizeBrush"); }
BOOL DrvSendPage(SURFOBJ*) { return Record("SendPage"); }
BOOL DrvStartBanding(SURFOBJ*, POINTL*) { return Record("StartBanding"); }
BOOL DrvStartDoc(SURFOBJ*, PWSTR, DWORD) { return Record("StartDoc"); }
BOOL DrvStartPage(SURFOBJ*) { return Record("StartPage"); }
BOOL DrvStretchBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL* prcl, RECTL*,
                   POINTL*, ULONG) {
    if (prcl != nullptr) Unidrv().rects.push_back(*prcl);
    return Record("StretchBlt");
}
BOOL DrvStretchBltROP(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*,
                      POINTL*, ULONG, BRUSHOBJ*, ROP4) {
    return Record("StretchBltROP");
}
BOOL DrvStrokeAndFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*, POINTL*, MIX,
                          FLONG) {
    return Record("StrokeAndFillPath");
}
BOOL DrvStrokePath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*, MIX) {
    return Record("StrokePath");
}
BOOL DrvTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
    return Record("TextOut");
}
BOOL DrvTransparentBlt(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, ULONG, ULONG) {
    return Record("TransparentBlt");
}

template <typename F>
DRVFN Entry(ULONG index, F f) {
    return DRVFN{index, reinterpret_cast<PFN>(f)};
}

}  // namespace

std::vector<DRVFN> UnidrvEntryPoints() {
    return {
        Entry(INDEX_DrvAlphaBlend, &DrvAlphaBlend),     Entry(INDEX_DrvBitBlt, &DrvBitBlt),
        Entry(INDEX_DrvCopyBits, &DrvCopyBits),         Entry(INDEX_DrvDitherColor, &DrvDitherColor),
        Entry(INDEX_DrvEndDoc, &DrvEndDoc),             Entry(INDEX_DrvEscape, &DrvEscape),
        Entry(INDEX_DrvFillPath, &DrvFillPath),         Entry(INDEX_DrvFontManagement, &DrvFontManagement),
        Entry(INDEX_DrvGetGlyphMode, &DrvGetGlyphMode), Entry(INDEX_DrvGradientFill, &DrvGradientFill),
        Entry(INDEX_DrvLineTo, &DrvLineTo),             Entry(INDEX_DrvNextBand, &DrvNextBand),
        Entry(INDEX_DrvPaint, &DrvPaint),               Entry(INDEX_DrvPlgBlt, &DrvPlgBlt),
        Entry(INDEX_DrvQueryAdvanceWidths, &DrvQueryAdvanceWidths),
        Entry(INDEX_DrvQueryFont, &DrvQueryFont),       Entry(INDEX_DrvQueryFontData, &DrvQueryFontData),
        Entry(INDEX_DrvQueryFontTree, &DrvQueryFontTree), Entry(INDEX_DrvRealizeBrush, &DrvRealizeBrush),
        Entry(INDEX_DrvSendPage, &DrvSendPage),         Entry(INDEX_DrvStartBanding, &DrvStartBanding),
        Entry(INDEX_DrvStartDoc, &DrvStartDoc),         Entry(INDEX_DrvStartPage, &DrvStartPage),
        Entry(INDEX_DrvStretchBlt, &DrvStretchBlt),     Entry(INDEX_DrvStretchBltROP, &DrvStretchBltROP),
        Entry(INDEX_DrvStrokeAndFillPath, &DrvStrokeAndFillPath),
        Entry(INDEX_DrvStrokePath, &DrvStrokePath),     Entry(INDEX_DrvTextOut, &DrvTextOut),
        Entry(INDEX_DrvTransparentBlt, &DrvTransparentBlt),
    };
}

// ---------------------------------------------------------------------------------------------

PluginDevice::PluginDevice() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(OemDllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    if (factory == nullptr) return;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni, reinterpret_cast<void**>(&oem)), S_OK);
    factory->Release();
    if (oem == nullptr) return;
    EXPECT_EQ(oem->PublishDriverInterface(&driver), S_OK);
    EXPECT_EQ(oem->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof hooks, &hooks), S_OK);

    devmode.dmSize = sizeof devmode;
    devmode.dmOrientation = DMORIENT_PORTRAIT;
    devmode.dmCopies = 1;
    devmode.dmYResolution = 203;
    devmode.dmPrintQuality = 203;
    gdiInfo.cBitsPixel = 1;
    devobj.dwSize = sizeof devobj;
    devobj.pPublicDM = &devmode;
    surface.dhpdev = &devobj;
    surface.iType = STYPE_DEVICE;
    unidrv = UnidrvEntryPoints();
}

PluginDevice::~PluginDevice() {
    Disable();
    if (oem != nullptr) {
        oem->DisableDriver();
        EXPECT_EQ(oem->Release(), 0u);
    }
}

HRESULT PluginDevice::Enable(HANDLE hPrinter) {
    devobj.hPrinter = hPrinter;
    DRVENABLEDATA ded{PRINTER_OEMINTF_VERSION, static_cast<ULONG>(unidrv.size()), unidrv.data()};
    PDEVOEM state = nullptr;
    const std::u16string name(kPrinterName);
    const HRESULT hr = oem->EnablePDEV(&devobj, const_cast<char16_t*>(name.c_str()), 0, nullptr, sizeof gdiInfo,
                                       &gdiInfo, sizeof devInfo, &devInfo, &ded, &state);
    devobj.pdevOEM = state;  // as Unidrv keeps it
    enabled = hr == S_OK;
    return hr;
}

void PluginDevice::Disable() {
    if (enabled && oem != nullptr) {
        EXPECT_EQ(oem->DisablePDEV(&devobj), S_OK);
    }
    enabled = false;
}

void PluginDevice::Callback(DWORD id) {
    INT result = -12345;
    EXPECT_EQ(oem->CommandCallback(&devobj, id, 0, nullptr, &result), S_OK);
    EXPECT_EQ(result, -12345) << "piResult is not written";
}

PFN PluginDevice::Hook(ULONG index) const {
    for (ULONG i = 0; i < hooks.c; ++i) {
        if (hooks.pdrvfn[i].iFunc == index) return hooks.pdrvfn[i].pfn;
    }
    return nullptr;
}

void PluginDevice::StartDoc(DWORD jobId) {
    auto startDoc = reinterpret_cast<PFN_DrvStartDoc>(Hook(INDEX_DrvStartDoc));
    std::u16string docName = u"Receipt 0815";
    EXPECT_TRUE(startDoc(&surface, docName.data(), jobId));
    Callback(VKR_STARTDOC);
}

void PluginDevice::PrintPage() {
    Callback(VKR_STARTPAGE);
    // One 1-bit band of 8 rows, 576 dots wide: the first row black, the rest white.
    constexpr LONG kWidth = 576;
    constexpr LONG kRows = 8;
    constexpr LONG kStride = kWidth / 8;
    std::vector<BYTE> band(static_cast<size_t>(kStride * kRows), 0xFF);
    std::fill(band.begin(), band.begin() + kStride, BYTE{0x00});
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = kWidth;
    bih.biHeight = kRows;
    bih.biPlanes = 1;
    bih.biBitCount = 1;
    bih.biSizeImage = static_cast<DWORD>(band.size());
    BYTE palette[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    IPPARAMS ip{};
    ip.dwSize = sizeof ip;
    ip.ptOffset = {0, 0};
    ip.bBanding = TRUE;
    INT result = 0;
    EXPECT_EQ(oem->ImageProcessing(&devobj, band.data(), &bih, palette, 1, &ip, &result), S_OK);
    Callback(VKR_ENDPAGE);
}

void PluginDevice::PrintBlankPage() {
    Callback(VKR_STARTPAGE);
    Callback(VKR_ENDPAGE);
}

void PluginDevice::EndDoc() { Callback(VKR_ENDDOC); }
