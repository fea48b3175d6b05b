// Temporary stand-ins for plug-in routines other folders are still building (band capture and
// page composition, coupon images, barcodes, text keys). Each is compiled only while its real definition is missing
// from the library (see CMakeLists.txt); none of them may remain once that code is in.
#include <span>
#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/job/JobOutput.h"

#ifdef MKT_STUB_BAND_CAPTURE
#include "oemuni/imaging/BandCapture.h"

// Keeps the band so that the page counts as captured.
HRESULT ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap, BITMAPINFOHEADER* pBitmapInfoHeader, PBYTE, DWORD,
                        IPPARAMS*, INT* pResult) {
    OemPDEV* dev = GetOemPDEV(pdevobj);
    if (pResult != nullptr) *pResult = 0;
    if (dev == nullptr || pSrcBitmap == nullptr || pBitmapInfoHeader == nullptr) return E_FAIL;
    dev->pBufStart.append(pSrcBitmap, pBitmapInfoHeader->biSizeImage);
    if (pResult != nullptr) *pResult = 1;
    return S_OK;
}

// A captured page becomes a fixed marker in the job command buffer.
HRESULT AddImageDataPerEachPage(PDEVOBJ pdevobj) {
    OemPDEV* dev = GetOemPDEV(pdevobj);
    if (dev == nullptr || dev->pBufStart.empty() || dev->pJobOutput == nullptr) return E_FAIL;
    dev->pBufStart.release();
    const BYTE marker[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    return dev->pJobOutput->AddPrintDataTobeSent(marker, sizeof marker) ? S_OK : E_FAIL;
}
#endif

#ifdef MKT_STUB_COUPONS
#include "oemuni/text/CouponImages.h"
bool SendCouponImageData(JobOutput&, PDEVOBJ) { return true; }
#endif

#ifdef MKT_STUB_BARCODE_TYPE
#include "oemuni/text/BarcodeCommands.h"
DWORD GetBarcodeType(const char*) { return 0; }
#endif

#ifdef MKT_STUB_1D_CODE
#include "oemuni/text/BarcodeCommands.h"
DWORD Get1dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD, DWORD&,
                       LONG, float) {
    return 0;
}
#endif

#ifdef MKT_STUB_2D_CODE
#include "oemuni/text/BarcodeCommands.h"
DWORD Get2dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD, DWORD&,
                       LONG, float) {
    return 0;
}
#endif

#ifdef MKT_STUB_BARCODE_PREVIEW
#include "oemuni/text/BarcodeCommands.h"
BOOL AddBarCodePreviewData(PDEVOBJ, const char*, std::vector<BYTE>&, DWORD&, DWORD) { return 0; }
#endif

#ifdef MKT_STUB_TEXT_KEYS
#include "oemuni/text/TextKeys.h"
BOOL SaveCouponImgName(PDEVOBJ, std::span<const BYTE>) { return 0; }
BOOL TextReplacementWithText(PDEVOBJ, std::vector<BYTE>&, DWORD&, DWORD&) { return 0; }
DWORD AddTextKeyImgBufAndDevFontData(PDEVOBJ, SURFOBJ*, STROBJ*, FONTOBJ*, const char*, std::span<const BYTE>, LONG) {
    return 0;
}
#endif
