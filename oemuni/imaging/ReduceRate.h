// The page reduction factor chosen by settings bytes 38, 40 and 41, and the rounding of page
// positions by it.
#pragma once

#include "oemuni/frame/OemPDEV.h"

// 1.0 unless byte 38 is 1; then 0.75, 0.5, 0.25 for byte 40 = 1, 2, 3, or byte 41 / 100 for
// byte 40 = 4 (byte 41 clamped to 10..100 and stored back). Any other byte 40 gives 1.0.
float GetReduceRate(UIInfo& uiInfo);

// A position at the reduced scale: the product in single precision, the half added in double
// precision, truncated toward zero.
inline DWORD ScaledValue(DWORD v, float fReduceRate) {
    const float product = static_cast<float>(v) * fReduceRate;
    return static_cast<DWORD>(static_cast<double>(product) + 0.5);
}
