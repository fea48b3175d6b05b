#include "oemuni/job/PageCounter.h"

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Registry.h"

namespace {

constexpr DWORD kFullAccess = 0xF000C;  // PRINTER_ALL_ACCESS
constexpr DWORD kReadAccess = 0x20008;  // PRINTER_READ

}  // namespace

void SetPrintPageNumber(PDEVOBJ pdevobj) {
    DebugLogA("SetPrintPageNumber : START");
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) {
        DebugLogA("SetPrintPageNumber : pOemPDEV is NULL.");
        return;
    }
    BYTE* byPage = pOemPDEV->m_UIInfo.byPage;
    const WORD wPage = static_cast<WORD>((byPage[0] | (byPage[1] << 8)) + 1);
    byPage[0] = static_cast<BYTE>(wPage & 0xFF);
    byPage[1] = static_cast<BYTE>(wPage >> 8);
    DebugLogA("SetPrintPageNumber : byPage[0] = 0x%02x, byPage[1] = 0x%02x", byPage[0], byPage[1]);

    PrinterHandle hPrinter;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, kFullAccess};
    if (!OpenPrinterW(pOemPDEV->szPrinterName, hPrinter.put(), &defaults)) {
        DebugLogA("SetPrinterDataToReg : OpenPrinter failed with = %d", GetLastError());
        defaults.DesiredAccess = kReadAccess;
        if (!OpenPrinterW(pOemPDEV->szPrinterName, hPrinter.put(), &defaults)) {
            DebugLogA("SetPrinterDataToReg : OpenPrinter failed with = %d", GetLastError());
            DebugLogA("SetPrintPageNumber : END");
            return;
        }
    }
    const DWORD dwErr = SetPrinterDataExW(hPrinter.get(), u"PrinterDriverData\\Properties", u"PAGES", REG_BINARY,
                                          byPage, 2);
    if (dwErr != ERROR_SUCCESS) DebugLogA("SetPrinterDataToReg : SetPrinterDataEx failed. with %d", dwErr);
    DebugLogA("SetPrintPageNumber : END");
}
