// The barcode settings records: the user-defined 1D and 2D records of the settings block
// and the per-type completion of a 2D record.
#pragma once

#include <array>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/text/BarcodeTypes.h"

using BarInfo = std::array<BYTE, BAR_INFO_SIZE>;
using Code2dInfo = std::array<BYTE, CODE_2D_INFO_SIZE>;

// The starting 2D record of every 2D barcode that is not user-defined.
inline constexpr Code2dInfo BUILTIN_2D_CODE_INFO = {0x00, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00,
                                                    0x01, 0x03, 0x00, 0x34, 0x03, 0x32, 0x02,
                                                    0x02, 0x20, 0x02, 0x02, 0x31, 0x00};

// Fills the record that is given: for type 0x81 the 1D record of "BarcodeN", for type 0x98
// the 2D record of "2D-CodeN" (both from the settings block of `pOemPDEV`), for types 0x82 to
// 0x97 the kind and the per-type byte. 1, or 0 when the name is missing, the user barcode
// number is out of range or a user record is asked for without per-device state.
DWORD Get1d2dCodeSetting(const OemPDEV* pOemPDEV, const char* familyName, DWORD type,
                         BarInfo* pbyBarInfo, Code2dInfo* pby2dCodeInfo);

// trunc(value x factor + 0.5): the product in single precision, the half added in double.
inline LONG ScaleByFactor(LONG value, float factor) {
    return static_cast<LONG>(static_cast<double>(static_cast<float>(value) * factor) + 0.5);
}
