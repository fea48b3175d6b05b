// The image-rectangle list of a page and the pending rectangle of the blit hooks.
#pragma once

#include "oemuni/frame/OemPDEV.h"

// Clears the pending rectangle without recording it (text output does this).
void ClearPendingImageRect();
// Appends an 8-byte record (left, top, right, bottom as 16-bit little-endian) to the list.
BOOL AppendImageRect(OemPDEV* pOemPDEV, const RECTL& rect);
