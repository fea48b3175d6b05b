#include "oemuni/frame/OemUni.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/DebugLogCleanup.h"
#include "oemuni/frame/HookTable.h"
#include "oemuni/frame/NoThrowAlloc.h"
#include "oemuni/frame/OemInfo.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/PrintSettings.h"
#include "oemuni/imaging/BandCapture.h"
#include "oemuni/job/CommandCallback.h"

namespace {

// The optional methods this plug-in answers for (exact, case-sensitive names).
constexpr std::string_view kImplementedMethods[] = {
    "CommandCallback", "Compression",     "DownloadCharGlyph", "DownloadFontHeader", "FilterGraphics",
    "HalftonePattern", "ImageProcessing", "MemoryUsage",       "OutputCharStr",      "SendFontCmd",
    "TTDownloadMethod", "TTYGetInfo",     "TextOutAsBitmap",   "WritePrinter",
};

}  // namespace

COemUni* CreateOemUni() { return MakeUniqueNoThrow<COemUni>().release(); }

COemUni::COemUni() { DebugLogA("COemUni : CONSTRUCTED"); }

COemUni::~COemUni() {
    m_jobOutput.m_pDriverUni = nullptr;
    m_pDriverUni.reset();
}

HRESULT COemUni::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPrintOemUni) {
        *ppv = static_cast<IPrintOemUni*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG COemUni::AddRef() { return static_cast<ULONG>(++m_nRefCount); }

ULONG COemUni::Release() {
    const LONG n = --m_nRefCount;
    if (n == 0) {
        // The last reference owns the object.
        std::unique_ptr<COemUni> self(this);
    }
    return static_cast<ULONG>(n);
}

HRESULT COemUni::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    return OemGetInfo(dwMode, pBuffer, cbSize, pcbNeeded);
}

HRESULT COemUni::DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) { return OemDevMode(dwMode, pOemDMParam); }

HRESULT COemUni::EnableDriver(DWORD /*DriverVersion*/, DWORD /*cbSize*/, DRVENABLEDATA* pded) {
    DebugLogA("EnableDriver : START");
    if (pded == nullptr) {
        DebugLogA("EnableDriver : pded is NULL.");
        return E_FAIL;
    }
    pded->iDriverVersion = PRINTER_OEMINTF_VERSION;
    pded->c = HOOK_COUNT;
    // Unidrv only reads the table.
    pded->pdrvfn = const_cast<DRVFN*>(GetHookTable());
    DebugLogA("EnableDriver : END");
    return S_OK;
}

HRESULT COemUni::DisableDriver() {
    DebugLogA("DisableDriver : START");
    m_jobOutput.m_pDriverUni = nullptr;
    m_pDriverUni.reset();
    DebugLogA("DisableDriver : END");
    return S_OK;
}

HRESULT COemUni::EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                            ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                            DRVENABLEDATA* pded, PDEVOEM* pDevOem) {
    DebugLogCleanup();
    DebugLogA("--------------------------------------------------------------------------");
    DebugLogA("EnablePDEV : START");

    std::unique_ptr<OemPDEV> dev = OEMEnablePDEV(pdevobj, pPrinterName, cPatterns, phsurfPatterns, cjGdiInfo,
                                                 pGdiInfo, cjDevInfo, pDevInfo, pded);
    if (!dev) {
        if (pDevOem != nullptr) *pDevOem = nullptr;
        DebugLogA("EnablePDEV : END (E_FAIL)");
        return E_FAIL;
    }
    dev->pJobOutput = &m_jobOutput;

    BYTE* bv = dev->m_UIInfo.byteValue;
    bv[42] = IsLandscapeMode(pdevobj, m_pDriverUni.get()) != 0 ? 1 : 0;
    bv[21] = static_cast<BYTE>(bv[21] % 4);
    bv[31] = IsReceiptPrintSelected(pdevobj, m_pDriverUni.get()) != 0 ? 0 : 1;
    DebugLogA("EnablePDEV : byteValue[42] = %d, byteValue[21] = %d, byteValue[31] = %d", bv[42], bv[21], bv[31]);

    OemPDEV* pOemPDEV = dev.release();  // owned by the device until DisablePDEV
    if (pDevOem != nullptr) *pDevOem = pOemPDEV;
    if (pdevobj != nullptr) pdevobj->pdevOEM = pOemPDEV;
    DebugLogA("EnablePDEV : END");
    return S_OK;
}

HRESULT COemUni::DisablePDEV(PDEVOBJ pdevobj) {
    DebugLogA("DisablePDEV : START");
    if (pdevobj != nullptr) {
        std::unique_ptr<OemPDEV> dev(GetOemPDEV(pdevobj));  // frees every buffer it owns
        pdevobj->pdevOEM = nullptr;
    }
    DebugLogA("DisablePDEV : END");
    return S_OK;
}

HRESULT COemUni::ResetPDEV(PDEVOBJ, PDEVOBJ) {
    DebugLogA("ResetPDEV : CALLED");
    return S_OK;
}

HRESULT COemUni::PublishDriverInterface(IUnknown* pIUnknown) {
    DebugLogA("PublishDriverInterface : START");
    if (m_pDriverUni) {
        DebugLogA("PublishDriverInterface : END (already held)");
        return S_OK;
    }
    HRESULT hr = E_FAIL;
    if (pIUnknown != nullptr && pIUnknown->QueryInterface(IID_IPrintOemDriverUni, m_pDriverUni.put()) == S_OK &&
        m_pDriverUni) {
        hr = S_OK;
    } else {
        m_pDriverUni.reset();
        DebugLogA("PublishDriverInterface : QueryInterface failed.");
    }
    m_jobOutput.m_pDriverUni = m_pDriverUni.get();
    DebugLogA("PublishDriverInterface : END");
    return hr;
}

HRESULT COemUni::GetImplementedMethod(PSTR pMethodName) {
    if (pMethodName == nullptr) return S_FALSE;
    const std::string_view name(pMethodName);
    for (std::string_view m : kImplementedMethods) {
        if (name == m) {
            DebugLogA("GetImplementedMethod CALLED : NAME_%s", pMethodName);
            DebugLogA("GetImplementedMethod CALLED : NAME_%s OK", pMethodName);
            return S_OK;
        }
    }
    DebugLogA("GetImplementedMethod CALLED : %s is not implemented.", pMethodName);
    return S_FALSE;
}

HRESULT COemUni::DriverDMS(PVOID, PVOID, DWORD, PDWORD) {
    DebugLogA("DriverDMS : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::CommandCallback(PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD /*dwCount*/, PDWORD /*pdwParams*/,
                                 INT* /*piResult*/) {
    ::CommandCallback(m_jobOutput, pdevobj, dwCallbackID);
    return S_OK;
}

HRESULT COemUni::ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap, BITMAPINFOHEADER* pBitmapInfoHeader,
                                 PBYTE pColorTable, DWORD dwCallbackID, IPPARAMS* pIPParams, INT* pResult) {
    return ::ImageProcessing(pdevobj, pSrcBitmap, pBitmapInfoHeader, pColorTable, dwCallbackID, pIPParams,
                             pResult);
}

HRESULT COemUni::FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) {
    DebugLogA("FilterGraphics : START, dwLen = %u", dwLen);
    // Passed through unchanged and not journaled.
    DWORD dwAccepted = 0;
    HRESULT hr = E_FAIL;
    if (m_pDriverUni && m_pDriverUni->DrvWriteSpoolBuf(pdevobj, pBuf, dwLen, &dwAccepted) == S_OK &&
        dwAccepted == dwLen) {
        hr = S_OK;
    }
    DebugLogA("FilterGraphics : END, dwAccepted = %u", dwAccepted);
    return hr;
}

HRESULT COemUni::Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) {
    DebugLogA("Compression : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) {
    DebugLogA("HalftonePattern : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::MemoryUsage(PDEVOBJ, OEMMEMORYUSAGE*) { return E_NOTIMPL; }

HRESULT COemUni::TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) {
    DebugLogA("TTYGetInfo : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::DownloadFontHeader(PDEVOBJ, UNIFONTOBJ*, DWORD*) {
    DebugLogA("DownloadFontHeader : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::DownloadCharGlyph(PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*) {
    DebugLogA("DownloadCharGlyph : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::TTDownloadMethod(PDEVOBJ, UNIFONTOBJ*, DWORD*) {
    DebugLogA("TTDownloadMethod : CALLED");
    return S_OK;
}

HRESULT COemUni::OutputCharStr(PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID) {
    DebugLogA("OutputCharStr : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::SendFontCmd(PDEVOBJ, UNIFONTOBJ*, FINVOCATION*) {
    DebugLogA("SendFontCmd : CALLED");
    return E_NOTIMPL;
}

HRESULT COemUni::TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*,
                                 POINTL*, MIX) {
    DebugLogA("TextOutAsBitmap : CALLED");
    return E_NOTIMPL;
}
