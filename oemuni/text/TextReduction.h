// The reduction factor as the text capture sees it.
#pragma once

#include "oemuni/frame/OemPDEV.h"

// 1.0 unless settings byte 38 is 1; then byte 40 chooses 1.0, 0.75, 0.5, 0.25 or, for 4, the
// custom percentage of byte 41, which is first clamped to byMinPercent..100 and written back.
float GetTextReduceRate(OemPDEV& oemPDEV, BYTE byMinPercent);
