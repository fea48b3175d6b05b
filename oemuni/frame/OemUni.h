// The plug-in object: the IPrintOemUni implementation Unidrv talks to. It owns the job output
// (job command buffer and journal) and one reference of Unidrv's service interface.
#pragma once

#include <atomic>

#include "oemuni/frame/ComRef.h"
#include "oemuni/frame/UnidrvTypes.h"
#include "oemuni/job/JobOutput.h"

class COemUni final : public IPrintOemUni {
public:
    COemUni();
    ~COemUni();
    COemUni(const COemUni&) = delete;
    COemUni& operator=(const COemUni&) = delete;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPrintOemUni
    HRESULT GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    HRESULT DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) override;
    HRESULT EnableDriver(DWORD DriverVersion, DWORD cbSize, DRVENABLEDATA* pded) override;
    HRESULT DisableDriver() override;
    HRESULT EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                       ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                       DRVENABLEDATA* pded, PDEVOEM* pDevOem) override;
    HRESULT DisablePDEV(PDEVOBJ pdevobj) override;
    HRESULT ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) override;
    HRESULT PublishDriverInterface(IUnknown* pIUnknown) override;
    HRESULT GetImplementedMethod(PSTR pMethodName) override;
    HRESULT DriverDMS(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    HRESULT CommandCallback(PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD dwCount, PDWORD pdwParams,
                            INT* piResult) override;
    HRESULT ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap, BITMAPINFOHEADER* pBitmapInfoHeader,
                            PBYTE pColorTable, DWORD dwCallbackID, IPPARAMS* pIPParams, INT* pResult) override;
    HRESULT FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) override;
    HRESULT Compression(PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen, DWORD dwOutLen,
                        INT* piResult) override;
    HRESULT HalftonePattern(PDEVOBJ pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX, DWORD dwHTPatternY,
                            DWORD dwHTNumPatterns, DWORD dwCallbackID, PBYTE pResource,
                            DWORD dwResourceSize) override;
    HRESULT MemoryUsage(PDEVOBJ pdevobj, OEMMEMORYUSAGE* pMemoryUsage) override;
    HRESULT TTYGetInfo(PDEVOBJ pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize,
                       DWORD* pcbcNeeded) override;
    HRESULT DownloadFontHeader(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) override;
    HRESULT DownloadCharGlyph(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, HGLYPH hGlyph, PDWORD pdwWidth,
                              DWORD* pdwResult) override;
    HRESULT TTDownloadMethod(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) override;
    HRESULT OutputCharStr(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD dwType, DWORD dwCount,
                          PVOID pGlyph) override;
    HRESULT SendFontCmd(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, FINVOCATION* pFInv) override;
    HRESULT TextOutAsBitmap(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                            RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                            MIX mix) override;

    // The job command buffer, journal and spooler writes of this object.
    JobOutput& jobOutput() { return m_jobOutput; }

private:
    JobOutput m_jobOutput;  // m_pTotalBuf, m_dwTotalBufSize, m_hFileHandle, m_szFileName
    std::atomic<LONG> m_nRefCount{1};
    ComRef<IPrintOemDriverUni> m_pDriverUni;
};

// Creates a plug-in object (reference count 1); nullptr when memory runs out.
COemUni* CreateOemUni();
