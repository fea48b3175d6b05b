// Band capture: each band Unidrv renders is appended to the device's page bitmap, with the
// header, colour table and trailing blank-band counters kept up to date; at the end of the
// page the bitmap is composed and every per-page buffer released.
#include "oemuni/imaging/BandCapture.h"

#include <array>
#include <cstring>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/imaging/BandCaptureDetail.h"
#include "oemuni/imaging/PageComposition.h"
#include "oemuni/job/JobOutput.h"

BOOL bFillColorTable(OemPDEV* pOemPDEV, ULONG format) {
    if (pOemPDEV == nullptr) return FALSE;
    if (format == BMF_1BPP) {
        pOemPDEV->nColorTableSize = 2;
        if (!pOemPDEV->pbyColorTable.assignZero(8)) return FALSE;
        BYTE* t = pOemPDEV->pbyColorTable.data();
        // entry 0 black (already zero), entry 1 white
        t[4] = 0xFF;
        t[5] = 0xFF;
        t[6] = 0xFF;
        return TRUE;
    }
    if (format == BMF_8BPP) {
        pOemPDEV->nColorTableSize = 256;
        if (!pOemPDEV->pbyColorTable.assignZero(1024)) return FALSE;
        std::array<PALETTEENTRY, 256> entries{};
        const UINT read = GetPaletteEntries(pOemPDEV->hPalette, 0, 256, entries.data());
        if (read == 0) return FALSE;  // the table stays zero-filled: every entry black
        BYTE* t = pOemPDEV->pbyColorTable.data();
        for (UINT i = 0; i < read; ++i) {
            t[4 * i + 0] = entries[i].peBlue;
            t[4 * i + 1] = entries[i].peGreen;
            t[4 * i + 2] = entries[i].peRed;
            t[4 * i + 3] = 0;
        }
        t[4 * 255 + 0] = 0xFF;
        t[4 * 255 + 1] = 0xFF;
        t[4 * 255 + 2] = 0xFF;
        t[4 * 255 + 3] = 0;
        return TRUE;
    }
    DebugLogA("bFillColorTable : NOT SUPPORTED.");
    return FALSE;
}

BOOL UpdateBitmapInfoHeader(PDEVOBJ pdevobj, const BYTE* pSrcBitmap, const BITMAPINFOHEADER* pBand) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pSrcBitmap == nullptr || pBand == nullptr) return FALSE;
    BITMAPINFOHEADER& h = pOemPDEV->bmInfoHeader;
    const LONG height = h.biHeight + pBand->biHeight;
    const DWORD sizeImage = h.biSizeImage + pBand->biSizeImage;
    h = *pBand;
    h.biHeight = height;
    h.biSizeImage = sizeImage;
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biSize = %d", static_cast<int>(h.biSize));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biWidth = %d", static_cast<int>(h.biWidth));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biHeight = %d", static_cast<int>(h.biHeight));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biPlanes = %d", static_cast<int>(h.biPlanes));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biBitCount = %d", static_cast<int>(h.biBitCount));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biCompression = %d", static_cast<int>(h.biCompression));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biSizeImage = %d", static_cast<int>(h.biSizeImage));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biXPelsPerMeter = %d", static_cast<int>(h.biXPelsPerMeter));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biYPelsPerMeter = %d", static_cast<int>(h.biYPelsPerMeter));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biClrUsed = %d", static_cast<int>(h.biClrUsed));
    DebugLogA("UpdateBitmapInfoHeader : pOemPDEV->bmInfoHeader.biClrImportant = %d", static_cast<int>(h.biClrImportant));
    return TRUE;
}

BOOL UpdateBlankBandInfo(PDEVOBJ pdevobj, const BITMAPINFOHEADER* pBand, const IPPARAMS* pIPParams) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pBand == nullptr || pIPParams == nullptr) return FALSE;
    DebugLogA("UpdateBlankBandInfo : pIPParams->dwSize = %u", pIPParams->dwSize);
    DebugLogA("UpdateBlankBandInfo : pIPParams->ptOffset = (%d, %d)", static_cast<int>(pIPParams->ptOffset.x),
              static_cast<int>(pIPParams->ptOffset.y));
    DebugLogA("UpdateBlankBandInfo : pIPParams->pHalftoneOption = %p", static_cast<const void*>(pIPParams->pHalftoneOption));
    DebugLogA("UpdateBlankBandInfo : pIPParams->bBanding = %d", static_cast<int>(pIPParams->bBanding));
    DebugLogA("UpdateBlankBandInfo : pIPParams->bBlankBand = %d", static_cast<int>(pIPParams->bBlankBand));
    if (pIPParams->bBlankBand != 0) {
        pOemPDEV->bBlankBand = pIPParams->bBlankBand;
        pOemPDEV->dwBlankSize += pBand->biSizeImage;
        pOemPDEV->dwBlankHeight += static_cast<DWORD>(pBand->biHeight);
    } else {
        pOemPDEV->bBlankBand = 0;
        pOemPDEV->dwBlankSize = 0;
        pOemPDEV->dwBlankHeight = 0;
    }
    DebugLogA("UpdateBlankBandInfo : pOemPDEV->bBlankBand = %d", static_cast<int>(pOemPDEV->bBlankBand));
    DebugLogA("UpdateBlankBandInfo : pOemPDEV->dwBlankHeight = %u", pOemPDEV->dwBlankHeight);
    DebugLogA("UpdateBlankBandInfo : pOemPDEV->dwBlankSize = %u", pOemPDEV->dwBlankSize);
    return TRUE;
}

void UpdateBitmapFileHeader(PDEVOBJ pdevobj) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) return;
    BITMAPFILEHEADER& f = pOemPDEV->bmFileHeader;
    f.bfType = 0x4D42;
    f.bfReserved1 = 0;
    f.bfReserved2 = 0;
    f.bfSize = pOemPDEV->bmInfoHeader.biSizeImage + 54;
    f.bfOffBits = 54 + 4 * static_cast<DWORD>(pOemPDEV->nColorTableSize);
}

HRESULT ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap, BITMAPINFOHEADER* pBitmapInfoHeader,
                        PBYTE /*pColorTable*/, DWORD dwCallbackID, IPPARAMS* pIPParams, INT* pResult) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    DebugLogA("ImageProcessing : START");
    if (pResult != nullptr) *pResult = 0;
    if (pOemPDEV == nullptr) {
        DebugLogA("ImageProcessing : pOemPDEV is NULL");
        return E_FAIL;
    }
    const DWORD dwOffset = pOemPDEV->dwBufSize();
    DebugLogA("ImageProcessing : pOemPDEV->dwBufSize = %u", pOemPDEV->dwBufSize());
    DebugLogA("ImageProcessing : offset = %u", dwOffset);

    ULONG format = 0;
    if (dwCallbackID == 1) {
        format = BMF_1BPP;
    } else if (dwCallbackID == 3) {
        format = BMF_8BPP;
    } else {
        DebugLogA("ImageProcessing : OTHER, dwCallback ID = %d", static_cast<int>(dwCallbackID));
        DebugLogA("ImageProcessing : NOT SUPPORTED COLOR TYPE");
        return E_FAIL;
    }
    if (!bFillColorTable(pOemPDEV, format)) {
        DebugLogA("ImageProcessing : bFillColorTable returns false");
    }
    if (pResult != nullptr) *pResult = 1;

    const bool bBlank = pIPParams != nullptr && pIPParams->bBlankBand != 0;
    if (pOemPDEV->m_UIInfo.byteValue[42] == 1 && bBlank) {
        return S_OK;  // landscape: blank bands are dropped, not stored
    }
    if (pBitmapInfoHeader == nullptr || (!bBlank && pSrcBitmap == nullptr)) {
        // Nothing describes the band, or its pixels are missing: it cannot be stored.
        DebugLogA("ImageProcessing : the band has no header or no pixels.");
        return E_FAIL;
    }
    // The band goes to the end of the page bitmap: a blank band as white (0xFF) bytes, any
    // other band copied straight in. Growth is amortised; when memory runs out the whole page
    // bitmap is released, as with every failed growth of it.
    const DWORD dwBandSize = pBitmapInfoHeader->biSizeImage;
    const bool bGrown = bBlank ? bGrowBuffer(pOemPDEV->pBufStart, dwBandSize) != FALSE
                               : pOemPDEV->pBufStart.append(pSrcBitmap, dwBandSize);
    if (!bGrown) {
        pOemPDEV->pBufStart.release();
        DebugLogA("ImageProcessing : bGrowBuffer failed.");
        return E_FAIL;
    }
    UpdateBitmapInfoHeader(pdevobj, pSrcBitmap, pBitmapInfoHeader);
    UpdateBlankBandInfo(pdevobj, pBitmapInfoHeader, pIPParams);

    if (bBlank) {
        DebugLogA("ImageProcessing : a blank band was drawn");
        if (dwBandSize != 0) std::memset(pOemPDEV->pBufStart.data() + dwOffset, 0xFF, dwBandSize);
    } else {
        DebugLogA("ImageProcessing : a blank band was NOT drawn");
    }
    if (!pOemPDEV->pBufStart.empty()) UpdateBitmapFileHeader(pdevobj);
    return S_OK;
}

HRESULT AddImageDataPerEachPage(PDEVOBJ pdevobj) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    DebugLogA("AddImageDataPerEachPage : START");
    if (pOemPDEV == nullptr) return E_FAIL;
    auto commandBytes = [pOemPDEV]() -> DWORD {
        return pOemPDEV->pJobOutput != nullptr ? pOemPDEV->pJobOutput->m_dwTotalBufSize() : 0;
    };
    const DWORD dwSizeBefore = commandBytes();
    HRESULT hResult = S_OK;

    if (!pOemPDEV->pBufStart.empty()) {
        CreateImageData(pdevobj);
    } else {
        DebugLogA("AddImageDataPerEachPage : hResult == E_FAIL");
        DebugLogA("AddImageDataPerEachPage : pOemPDEV->pBufStart is NULL");
        hResult = E_FAIL;
    }
    const DWORD dwSizeAfter = commandBytes();
    if (dwSizeAfter <= dwSizeBefore) {
        DebugLogA("AddImageDataPerEachPage : hResult == E_FAIL (%u, %u)", dwSizeBefore, dwSizeAfter);
        hResult = E_FAIL;
    }

    ResetPageState(pOemPDEV);
    DebugLogA("AddImageDataPerEachPage : hResult = 0x%x", static_cast<unsigned>(hResult));
    return hResult;
}

void ResetPageState(OemPDEV* pOemPDEV) {
    pOemPDEV->bmInfoHeader = {};
    pOemPDEV->bmFileHeader = {};
    pOemPDEV->bBlankBand = 0;
    pOemPDEV->dwBlankHeight = 0;
    pOemPDEV->dwBlankSize = 0;
    pOemPDEV->dwLastTxt_PosY = 0;
    pOemPDEV->dwLastTxt_Height = 0;
    pOemPDEV->dwBottomTxtCoordinate = 0;
    pOemPDEV->pbyColorTable.release();
    pOemPDEV->pBufStart.release();
    pOemPDEV->pTxtBufStart.release();
    pOemPDEV->pDevTxtBufStart.release();
    pOemPDEV->pImgRectBufStart.release();
}
