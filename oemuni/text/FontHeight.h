// The height of a captured font in device pixels.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

// trunc(fwdUnitsPerEm x sqrt(eM21^2 + eM22^2) + 0.5): the root in single precision, the
// product and the half in double. 0xFFFFFFFF when there is no font object.
DWORD GetFontHeight(FONTOBJ* pfo);
