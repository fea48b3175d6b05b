// Text capture: the text-out hook that records text drawn in the printer's own fonts.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

BOOL OEMTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
