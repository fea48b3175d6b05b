// The vertical merge of a composed page: image strips and, between them, the command bytes of
// the device records (resident fonts, control fonts, barcodes), each at its own height.
#pragma once

#include "oemuni/frame/ByteBuffer.h"
#include "oemuni/frame/UnidrvTypes.h"

class CxImage;

// Emits the whole page into the job command buffer: the walk down the device-text buffer,
// the records still due at the bottom of the image, then the rest of the image.
HRESULT AddImageAndDevFontData(PDEVOBJ pdevobj, const CxImage* pImage, float fReduceRate);

// For a page given a half turn: mirrors every record's Y about dwLastPosY (a record below
// dwLastPosY is placed at 0) and reverses the record order, so that Y ascends again.
void RePositionDevTxt_R180(ByteBuffer& devTxt, DWORD dwLastPosY);
