// The steps of band capture, callable on their own (tests drive them directly).
#pragma once

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

// Builds the colour table of a band format (BMF_1BPP or BMF_8BPP) into pbyColorTable.
BOOL bFillColorTable(OemPDEV* pOemPDEV, ULONG format);
// Accumulates a band into bmInfoHeader (heights and image sizes summed, the rest from the band).
BOOL UpdateBitmapInfoHeader(PDEVOBJ pdevobj, const BYTE* pSrcBitmap, const BITMAPINFOHEADER* pBand);
// Tracks the run of blank bands at the current end of the page.
BOOL UpdateBlankBandInfo(PDEVOBJ pdevobj, const BITMAPINFOHEADER* pBand, const IPPARAMS* pIPParams);
// Refreshes bmFileHeader (diagnostic log only).
void UpdateBitmapFileHeader(PDEVOBJ pdevobj);
// Releases every per-page buffer and zeroes the per-page counters; nColorTableSize is kept.
void ResetPageState(OemPDEV* pOemPDEV);
