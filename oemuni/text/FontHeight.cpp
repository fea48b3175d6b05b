#include "oemuni/text/FontHeight.h"

#include <cmath>

#include "oemuni/frame/DebugLog.h"

DWORD GetFontHeight(FONTOBJ* pfo) {
    if (pfo == nullptr) {
        DebugLogA("GetFontHeight : pfo is NULL.");
        return 0xFFFFFFFFu;
    }
    const IFIMETRICS* pifi = FONTOBJ_pifi(pfo);
    XFORML xform = {};
    XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(pfo), &xform);
    const float root = std::sqrt(xform.eM21 * xform.eM21 + xform.eM22 * xform.eM22);
    const double unitsPerEm = pifi != nullptr ? static_cast<double>(pifi->fwdUnitsPerEm) : 0.0;
    const double scaled = unitsPerEm * static_cast<double>(root) + 0.5;
    // Truncation toward zero, kept in 32 bits the way an unsigned conversion of a long would.
    const DWORD height = (std::fabs(scaled) < 9.0e18)
                             ? static_cast<DWORD>(static_cast<long long>(std::trunc(scaled)))
                             : 0;
    DebugLogA("GetFontHeight : Res = %d, Height = %d, Weight = %d", static_cast<int>(pfo->sizLogResPpi.cy),
              static_cast<int>(height), pifi != nullptr ? static_cast<int>(pifi->usWinWeight) : 0);
    return height;
}
