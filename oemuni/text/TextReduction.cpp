#include "oemuni/text/TextReduction.h"

float GetTextReduceRate(OemPDEV& oemPDEV, BYTE byMinPercent) {
    BYTE* byteValue = oemPDEV.m_UIInfo.byteValue;
    if (byteValue[38] != 1) return 1.0f;
    switch (byteValue[40]) {
        case 1: return 0.75f;
        case 2: return 0.5f;
        case 3: return 0.25f;
        case 4: {
            // The clamped percentage is written back, so it stays raised for the rest of the job.
            BYTE percent = byteValue[41];
            if (percent < byMinPercent) percent = byMinPercent;
            if (percent > 100) percent = 100;
            byteValue[41] = percent;
            return static_cast<float>(static_cast<double>(percent) / 100.0);
        }
        default: return 1.0f;
    }
}
