// Built-in values of the settings block, used when the printer data does not hold them.
#pragma once

#include "oemuni/frame/OemPDEV.h"

// The 47 settings bytes used when "MISC" is missing (before the settings file overrides them).
inline constexpr BYTE DEFAULT_BYTE_VALUES[SETTINGS_BYTE_COUNT] = {
    0,  0, 25, 0, 25, 1, 0, 25, 0, 25,  // 0-9
    0, 25, 0, 25, 0, 0, 0, 0, 0, 1,     // 10-19
    1,  0, 0,  0, 0,  0, 0, 0,  0, 0,   // 20-29
    0,  0, 0,  0, 0, 10, 1, 1,  0, 0,   // 30-39
    0,  0, 0,  0, 0,  0, 0,             // 40-46
};

// "BarcodeInfo" missing: 9 records {r, 3, 0x32, 0, 0}.
inline void SetDefaultBarcodeInfo(BYTE (&byBarcodeInfo)[BARCODE_INFO_SIZE]) {
    for (int r = 0; r < BARCODE_INFO_SIZE / 5; ++r) {
        BYTE* rec = byBarcodeInfo + r * 5;
        rec[0] = static_cast<BYTE>(r);
        rec[1] = 3;
        rec[2] = 0x32;
        rec[3] = 0;
        rec[4] = 0;
    }
}

// "CodeData" missing: 8 copies of one 20-byte record whose first byte cycles 0, 1, 2.
inline void SetDefaultCodeData(BYTE (&byCodeData)[CODE_DATA_SIZE]) {
    constexpr BYTE kRecord[20] = {0x00, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00, 0x01, 0x03, 0x00,
                                  0x34, 0x03, 0x32, 0x02, 0x02, 0x20, 0x02, 0x02, 0x31, 0x00};
    for (int r = 0; r < CODE_DATA_SIZE / 20; ++r) {
        BYTE* rec = byCodeData + r * 20;
        for (int i = 0; i < 20; ++i) rec[i] = kRecord[i];
        rec[0] = static_cast<BYTE>(r % 3);
    }
}
