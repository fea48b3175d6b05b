#include "oemuni/imaging/ReduceRate.h"

float GetReduceRate(UIInfo& uiInfo) {
    BYTE* b = uiInfo.byteValue;
    if (b[38] != 1) return 1.0f;
    switch (b[40]) {
    case 1: return 0.75f;
    case 2: return 0.5f;
    case 3: return 0.25f;
    case 4:
        if (b[41] < 10) b[41] = 10;
        if (b[41] > 100) b[41] = 100;
        return static_cast<float>(static_cast<double>(b[41]) / 100.0);
    default: return 1.0f;
    }
}
