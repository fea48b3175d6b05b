// Text capture: the text-out hook that records text drawn in the printer's own fonts, and
// the capture steps behind it.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

// The text-out hook. Device-font text (and, on a reduced page, any text) is recorded as font
// records and the hook returns 0; everything else goes to Unidrv's own DrvTextOut.
BOOL OEMTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);

// Routes a captured string to the device or the TrueType path; always 0.
DWORD AddFontsInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco);

// Records a device-font string (resident, barcode or control font); 1 when recorded, else 0.
DWORD AddDevFontInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo);

// Records a string for redrawing into the page image (type 5); AddFontDataToBuf's result,
// or 0 when there is no string.
DWORD AddTtfFontInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo);
