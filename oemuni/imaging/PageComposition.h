// Page composition: the captured page bitmap becomes the printed page (landscape turn, blank
// paper trimmed, density, dots, reduction, TrueType text redrawn, margins cropped, rotation)
// and is handed to the merge with the device text.
#pragma once

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

class CxImage;

// The whole composition of one page into the job command buffer.
HRESULT CreateImageData(PDEVOBJ pdevobj);

// Receipt media: drops the blank rows below the last ink (or below the lowest text), keeping
// two rows under it. 1 when it cropped, else 0.
int CropBottomBlankArea(PDEVOBJ pdevobj, CxImage* pImage);

// The configured top and bottom crops (and, for a rotated receipt, the cut to the content
// that becomes the turned page's width). 1, or 0 when a crop failed.
int CropImageTopAndBottom(PDEVOBJ pdevobj, CxImage* pImage, DWORD dwOrgWidth, DWORD dwOrgHeight,
                          DWORD dw_Y_Last);

// Reads the page's text records: device records go into the device-text buffer in Y order,
// TrueType records are drawn into the image at the reduced scale. Returns the lowest row the
// text reaches, or dwLastPosY when that is lower.
DWORD DrawResizedText(PDEVOBJ pdevobj, CxImage* pImage, float fReduceRate, DWORD dwLastPosY);
