#include "oemuni/frame/PrintSettings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/HookTable.h"
#include "oemuni/frame/NoThrowAlloc.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/frame/SettingsDefaults.h"
#include "oemuni/frame/WideText.h"
#include "oemuni/job/JobOutput.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Profile.h"

namespace {

constexpr const char16_t* kPropertiesKey = u"PrinterDriverData\\Properties";

// Reads a printer data value of the settings key into pData (at most nSize bytes); the stored
// type is ignored. Returns the spooler's result; dwNeeded receives the value's byte count.
DWORD ReadProperty(HANDLE hPrinter, const char16_t* pValueName, void* pData, DWORD nSize, DWORD& dwNeeded) {
    DWORD dwType = 0;
    dwNeeded = 0;
    return GetPrinterDataExW(hPrinter, kPropertiesKey, pValueName, &dwType, static_cast<BYTE*>(pData),
                             nSize, &dwNeeded);
}

// The leading decimal number of a settings-file value, the way the C runtime reads it
// ("300" -> 300, "abc" -> 0, "-1" -> -1).
int ParseDecimal(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 0x7FFFFFFFLL) {
            value = 0x80000000LL;
            break;
        }
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;
    return static_cast<int>(value);
}

void LogPublicDevMode(const DEVMODEW* pdm) {
    if (pdm == nullptr) {
        DebugLogA("OEMEnablePDEV : pPublicDM is NULL.");
        return;
    }
    DebugLogA("OEMEnablePDEV : dmOrientation = %d, dmPaperSize = %d, dmPaperLength = %d, dmPaperWidth = %d",
              pdm->dmOrientation, pdm->dmPaperSize, pdm->dmPaperLength, pdm->dmPaperWidth);
    DebugLogA("OEMEnablePDEV : dmCopies = %d, dmDefaultSource = %d, dmPrintQuality = %d, dmYResolution = %d",
              pdm->dmCopies, pdm->dmDefaultSource, pdm->dmPrintQuality, pdm->dmYResolution);
}

void ReadPrinterName(OemPDEV& dev, HANDLE hPrinter, const char16_t* pPrinterName) {
    DWORD dwType = 0;
    DWORD dwNeeded = 0;
    const DWORD dwErr = GetPrinterDataExW(hPrinter, u"DsSpooler", u"printerName", &dwType,
                                          reinterpret_cast<BYTE*>(dev.szPrinterName),
                                          sizeof dev.szPrinterName, &dwNeeded);
    if (dwErr != ERROR_SUCCESS) {
        DebugLogA("OEMEnablePDEV : GetPrinterDataEx failed. (%d)", dwErr);
        std::memset(dev.szPrinterName, 0, sizeof dev.szPrinterName);
        const size_t n = std::min<size_t>(WideLength(pPrinterName), 255);
        for (size_t i = 0; i < n; ++i) dev.szPrinterName[i] = pPrinterName[i];
    }
    dev.szPrinterName[255] = 0;  // a stored name may fill the whole field
    const std::string ansi = WideToAnsi(std::u16string_view(dev.szPrinterName, WideLength(dev.szPrinterName)));
    const size_t n = std::min<size_t>(ansi.size(), sizeof dev.szPrinterNameA - 1);
    std::memcpy(dev.szPrinterNameA, ansi.data(), n);
    dev.szPrinterNameA[n] = 0;
    DebugLogA("OEMEnablePDEV : PRINTER NAME = %s", dev.szPrinterNameA);
}

void ReadSettingsFile(UIInfo& ui) {
    const std::u16string path = GetSettingsFilePath();
    {
        FileHandle probe = plat::OpenForRead(path);
        if (!probe) return;  // no settings file: the defaults stay, without a message
    }
    for (int n = 0; n < SETTINGS_BYTE_COUNT; ++n) {
        const std::u16string key = WidenAscii("PREFERENCE[" + std::to_string(n) + "]");
        char16_t szValue[256] = {};
        const DWORD dwLen = GetPrivateProfileStringW(u"MKTG450", key.c_str(), u"", szValue, 256, path.c_str());
        if (dwLen != 0) {
            ui.byteValue[n] = static_cast<BYTE>(ParseDecimal(std::u16string_view(szValue, dwLen)) & 0xFF);
            DebugLogA("OEMEnablePDEV : m_UIInfo->byteValue[%d] = %d", n, ui.byteValue[n]);
        } else {
            DebugLogA("OEMEnablePDEV : PREFERENCE[%d], GetPrivateProfileString failed with %d", n,
                      GetLastError());
        }
    }
}

void ReadMisc(UIInfo& ui, HANDLE hPrinter) {
    DWORD dwNeeded = 0;
    if (ReadProperty(hPrinter, u"MISC", ui.byteValue, SETTINGS_BYTE_COUNT, dwNeeded) == ERROR_SUCCESS) {
        ui.dwMiscSize = dwNeeded;
        return;
    }
    DebugLogA("OEMEnablePDEV : failed to get data from the windows registry. (MISC)");
    std::memcpy(ui.byteValue, DEFAULT_BYTE_VALUES, SETTINGS_BYTE_COUNT);
    ui.dwMiscSize = 0;
    ReadSettingsFile(ui);
    ui.dwStartDoc = ui.dwStartPage = ui.dwEndPage = ui.dwEndDoc = 0;
}

void ReadBarcodeSettings(UIInfo& ui, HANDLE hPrinter) {
    DWORD dwNeeded = 0;
    if (ReadProperty(hPrinter, u"BarcodeInfo", ui.byBarcodeInfo, BARCODE_INFO_SIZE, dwNeeded) != ERROR_SUCCESS) {
        DebugLogA("OEMEnablePDEV : failed to get data from the windows registry. (BarcodeInfo)");
        std::memset(ui.byBarcodeInfo, 0, sizeof ui.byBarcodeInfo);
        SetDefaultBarcodeInfo(ui.byBarcodeInfo);
    }
    if (ReadProperty(hPrinter, u"CodeData", ui.byCodeData, CODE_DATA_SIZE, dwNeeded) != ERROR_SUCCESS) {
        DebugLogA("OEMEnablePDEV : failed to get data from the windows registry. (CodeData)");
        std::memset(ui.byCodeData, 0, sizeof ui.byCodeData);
        SetDefaultCodeData(ui.byCodeData);
    }
}

void ReadCommandString(HANDLE hPrinter, const char16_t* pValueName, const char* pLogName,
                       BYTE (&szField)[COMMAND_STRING_SIZE], DWORD& dwLength) {
    DWORD dwNeeded = 0;
    if (ReadProperty(hPrinter, pValueName, szField, COMMAND_STRING_SIZE, dwNeeded) == ERROR_SUCCESS &&
        dwNeeded <= COMMAND_STRING_SIZE) {
        dwLength = dwNeeded;
        return;
    }
    DebugLogA("OEMEnablePDEV : failed to get data from the windows registry. (%s)", pLogName);
    std::memset(szField, 0, sizeof szField);
    dwLength = 0;
}

// Asks Unidrv for the selected option of a feature; false when the query fails.
bool QueryFeature(PDEVOBJ pdevobj, IPrintOemDriverUni* pDriverUni, const char* pFeature, char (&szOption)[256],
                  HRESULT& hr) {
    std::memset(szOption, 0, sizeof szOption);
    if (pDriverUni == nullptr) {
        hr = E_FAIL;
        return false;
    }
    DWORD dwNeeded = 0;
    DWORD dwOptions = 0;
    hr = pDriverUni->DrvGetDriverSetting(pdevobj, pFeature, szOption, sizeof szOption, &dwNeeded, &dwOptions);
    szOption[sizeof szOption - 1] = 0;
    return hr == S_OK;
}

IPrintOemDriverUni* DriverUniOf(PDEVOBJ pdevobj) {
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    return pOemPDEV != nullptr && pOemPDEV->pJobOutput != nullptr ? pOemPDEV->pJobOutput->m_pDriverUni : nullptr;
}

}  // namespace

std::unique_ptr<OemPDEV> OEMEnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG /*cPatterns*/,
                                       HSURF* /*phsurfPatterns*/, ULONG /*cjGdiInfo*/, GDIINFO* pGdiInfo,
                                       ULONG /*cjDevInfo*/, DEVINFO* pDevInfo, DRVENABLEDATA* pded) {
    DebugLogA("OEMEnablePDEV : START");
    std::unique_ptr<OemPDEV> dev = MakeUniqueNoThrow<OemPDEV>();
    if (!dev) {
        DebugLogA("OEMEnablePDEV : pOemPDEV is NULL.");
        return nullptr;
    }
    const HANDLE hPrinter = pdevobj != nullptr ? pdevobj->hPrinter : nullptr;
    LogPublicDevMode(pdevobj != nullptr ? pdevobj->pPublicDM : nullptr);

    SaveUnidrvEntryPoints(*dev, pded);
    ReadPrinterName(*dev, hPrinter, pPrinterName);

    // A 24-bit device gets an RGB palette of its own as its default palette.
    if (pGdiInfo != nullptr && pGdiInfo->cBitsPixel == 24 && pDevInfo != nullptr) {
        dev->ownPalette = MakeUniqueNoThrow<PALETTE>();
        if (dev->ownPalette) pDevInfo->hpalDefault = dev->ownPalette.get();
    }
    dev->hPalette = pDevInfo != nullptr ? pDevInfo->hpalDefault : nullptr;

    UIInfo& ui = dev->m_UIInfo;
    ReadMisc(ui, hPrinter);
    for (int n = 0; n < SETTINGS_BYTE_COUNT; ++n) {
        DebugLogA("OEMEnablePDEV : byteValue[%d] = %d", n, ui.byteValue[n]);
    }
    ui.byPage[0] = ui.byPage[1] = 0;

    if (ui.byteValue[46] == 0) DisableDebugLog();

    ReadBarcodeSettings(ui, hPrinter);
    ReadCommandString(hPrinter, u"StartDoc", "StartDoc", ui.szStartDoc, ui.dwStartDoc);
    ReadCommandString(hPrinter, u"StartPage", "StartPage", ui.szStartPage, ui.dwStartPage);
    ReadCommandString(hPrinter, u"EndPage", "EndPage", ui.szEndPage, ui.dwEndPage);
    ReadCommandString(hPrinter, u"EndDoc", "EndDoc", ui.szEndDoc, ui.dwEndDoc);

    DebugLogA("OEMEnablePDEV : END");
    return dev;
}

int IsReceiptPrintSelected(PDEVOBJ pdevobj, IPrintOemDriverUni* pDriverUni) {
    char szOption[256];
    HRESULT hr = S_OK;
    if (!QueryFeature(pdevobj, pDriverUni, "InputBin", szOption, hr)) {
        DebugLogA("IsReceiptPrintSelected : DrvGetDriverSetting failed with (%d)", hr);
        return 0;
    }
    if (std::strstr(szOption, "Option1") != nullptr) {
        DebugLogA("IsReceiptPrintSelected : Option1 / RECEIPT");
        return 1;
    }
    if (std::strstr(szOption, "Option2") != nullptr) DebugLogA("IsReceiptPrintSelected : Option2 / TICKET");
    return 0;
}

int IsReceiptPrintSelected(PDEVOBJ pdevobj) { return IsReceiptPrintSelected(pdevobj, DriverUniOf(pdevobj)); }

int IsLandscapeMode(PDEVOBJ pdevobj, IPrintOemDriverUni* pDriverUni) {
    char szOption[256];
    HRESULT hr = S_OK;
    if (!QueryFeature(pdevobj, pDriverUni, "Orientation", szOption, hr)) {
        DebugLogA("IsLandscapeMode : DrvGetDriverSetting failed with (%d)", hr);
        return 0;
    }
    if (std::strstr(szOption, "LANDSCAPE_CC270") != nullptr) {
        DebugLogA("IsLandscapeMode : LANDSCAPE_CC270");
        return 1;
    }
    return 0;
}

int IsLandscapeMode(PDEVOBJ pdevobj) { return IsLandscapeMode(pdevobj, DriverUniOf(pdevobj)); }
