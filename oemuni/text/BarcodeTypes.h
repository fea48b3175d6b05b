// Barcode types, the barcode-font table and the two barcode settings records.
#pragma once

#include <span>

#include "oemuni/text/BarcodeCommands.h"
#include "platform/Win32Types.h"

// The printer's own 1D systems (the m byte of 1D 6B m n).
inline constexpr DWORD BARTYPE_UPC_A = 0x41;
inline constexpr DWORD BARTYPE_UPC_E = 0x42;
inline constexpr DWORD BARTYPE_JAN13 = 0x43;
inline constexpr DWORD BARTYPE_JAN8 = 0x44;
inline constexpr DWORD BARTYPE_CODE39 = 0x45;
inline constexpr DWORD BARTYPE_ITF = 0x46;
inline constexpr DWORD BARTYPE_CODABAR = 0x47;
inline constexpr DWORD BARTYPE_CODE93 = 0x48;
inline constexpr DWORD BARTYPE_CODE128 = 0x49;
// The nine user-defined 1D barcodes "Barcode1" to "Barcode9".
inline constexpr DWORD BARTYPE_USER_1D = 0x81;
inline constexpr DWORD BARTYPE_PDF417 = 0x82;
inline constexpr DWORD BARTYPE_QRCODE = 0x83;
inline constexpr DWORD BARTYPE_DATAMATRIX = 0x84;
inline constexpr DWORD BARTYPE_MAXICODE_1 = 0x85;
inline constexpr DWORD BARTYPE_MAXICODE_4 = 0x88;
inline constexpr DWORD BARTYPE_GS1_DATABAR_1 = 0x89;
inline constexpr DWORD BARTYPE_GS1_DATABAR_11 = 0x93;
inline constexpr DWORD BARTYPE_AZTEC_1 = 0x94;
inline constexpr DWORD BARTYPE_AZTEC_4 = 0x97;
// The eight user-defined 2D barcodes "2D-Code1" to "2D-Code8".
inline constexpr DWORD BARTYPE_USER_2D = 0x98;

// Kinds of 2D symbology (byte 0 of a 2D settings record).
inline constexpr BYTE CODE2D_PDF417 = 0;
inline constexpr BYTE CODE2D_QRCODE = 1;
inline constexpr BYTE CODE2D_DATAMATRIX = 2;
inline constexpr BYTE CODE2D_MAXICODE = 3;
inline constexpr BYTE CODE2D_GS1_DATABAR = 4;
inline constexpr BYTE CODE2D_AZTEC = 5;

inline constexpr size_t BAR_INFO_SIZE = 5;       // one 1D settings record
inline constexpr size_t CODE_2D_INFO_SIZE = 20;  // one 2D settings record
inline constexpr int USER_1D_COUNT = 9;
inline constexpr int USER_2D_COUNT = 8;

// One entry of the barcode-font table: a NUL-padded name and its type.
struct BARCODE_FLAG {
    char szFlag[32];
    DWORD dwType;
};
inline constexpr int BARCODE_FLAG_COUNT = 52;

// The 52 entries in table order (the last one empty, never matching).
std::span<const BARCODE_FLAG> BarcodeFlagTable();
