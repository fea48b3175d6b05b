// Band capture: every raster band of a page is appended to the page bitmap of the device;
// at the end of the page the bitmap is composed into raster and text commands.
#pragma once

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

// The work behind IPrintOemUni::ImageProcessing. pResult receives 0, then 1 once the band is taken.
HRESULT ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap, BITMAPINFOHEADER* pBitmapInfoHeader,
                        PBYTE pColorTable, DWORD dwCallbackID, IPPARAMS* pIPParams, INT* pResult);

// Called once per page at the end of the page: composes the page into the job command buffer,
// then releases every per-page buffer. S_OK when the job command buffer grew.
HRESULT AddImageDataPerEachPage(PDEVOBJ pdevobj);
