#include "oemuni/frame/DevModeDump.h"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/WideText.h"
#include "platform/Printers.h"

namespace {

// One numeric line to both logs.
void LogNumber(const char* pName, long long value, bool hex = false) {
    char szLine[160];
    std::snprintf(szLine, sizeof szLine, hex ? "PrintDevModeInformation : %s = 0x%0llx" : "PrintDevModeInformation : %s = %lld",
                  pName, value);
    DebugLogA("%s", szLine);
    DebugLogW(u"%hs", szLine);
}

// One text line to both logs.
void LogText(const char* pName, const char16_t* pValue) {
    const char16_t* value = pValue != nullptr ? pValue : u"(null)";
    DebugLogA("PrintDevModeInformation : %s = %s", pName, WideToAnsi(std::u16string_view(value, WideLength(value))).c_str());
    DebugLogW(u"PrintDevModeInformation : %hs = %s", pName, value);
}

void LogDevMode(const DEVMODEW& dm) {
    const std::u16string formName(dm.dmFormName, WideLength(std::span<const char16_t>(dm.dmFormName)));
    LogText("dmFormName", formName.c_str());
    LogNumber("dmPaperWidth", dm.dmPaperWidth);
    LogNumber("dmPaperLength", dm.dmPaperLength);
    LogNumber("dmOrientation", dm.dmOrientation);
    LogNumber("dmScale", dm.dmScale);
    LogNumber("dmCopies", dm.dmCopies);
    LogNumber("dmDefaultSource", dm.dmDefaultSource);
    LogNumber("dmPrintQuality", dm.dmPrintQuality);
    LogNumber("dmColor", dm.dmColor);
    LogNumber("dmDuplex", dm.dmDuplex);
    LogNumber("dmYResolution", dm.dmYResolution);
    LogNumber("dmTTOption", dm.dmTTOption);
    LogNumber("dmCollate", dm.dmCollate);
    LogNumber("dmLogPixels", dm.dmLogPixels);
    LogNumber("dmBitsPerPel", dm.dmBitsPerPel);
    LogNumber("dmPelsWidth", dm.dmPelsWidth);
    LogNumber("dmPelsHeight", dm.dmPelsHeight);
}

void LogPrinterInfo(HANDLE hPrinter) {
    DWORD dwNeeded = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &dwNeeded);
    if (dwNeeded == 0) {
        DebugLogA("PrintDevModeInformation : GetPrinter failed.");
        return;
    }
    // The spooler packs the record followed by its strings; keep it pointer-aligned.
    std::vector<ULONG_PTR> storage((dwNeeded + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    auto* pBytes = reinterpret_cast<BYTE*>(storage.data());
    if (!GetPrinterW(hPrinter, 2, pBytes, static_cast<DWORD>(storage.size() * sizeof(ULONG_PTR)), &dwNeeded)) {
        DebugLogA("PrintDevModeInformation : GetPrinter failed.");
        return;
    }
    const auto* pInfo = reinterpret_cast<const PRINTER_INFO_2W*>(pBytes);
    LogText("pServerName", pInfo->pServerName);
    LogText("pPrinterName", pInfo->pPrinterName);
    LogText("pShareName", pInfo->pShareName);
    LogText("pPortName", pInfo->pPortName);
    LogText("pDriverName", pInfo->pDriverName);
    LogText("pLocation", pInfo->pLocation);
    LogText("pSepFile", pInfo->pSepFile);
    LogText("pPrintProcessor", pInfo->pPrintProcessor);
    LogText("pDatatype", pInfo->pDatatype);
    LogText("pParameters", pInfo->pParameters);
    LogNumber("Attributes", pInfo->Attributes, true);
    LogNumber("Priority", pInfo->Priority, true);
    LogNumber("DefaultPriority", pInfo->DefaultPriority, true);
    LogNumber("StartTime", pInfo->StartTime, true);
    LogNumber("UntilTime", pInfo->UntilTime, true);
    LogNumber("Status", pInfo->Status, true);
    LogNumber("cJobs", pInfo->cJobs, true);
    LogNumber("AveragePPM", pInfo->AveragePPM, true);
}

}  // namespace

void PrintDevModeInformation(PDEVOBJ pdevobj) {
    DebugLogA("PrintDevModeInformation : START");
    if (pdevobj != nullptr && pdevobj->pPublicDM != nullptr) LogDevMode(*pdevobj->pPublicDM);
    // The printer is asked even when logging is off.
    LogPrinterInfo(pdevobj != nullptr ? pdevobj->hPrinter : nullptr);
    DebugLogA("PrintDevModeInformation : END");
}
