// The option commands of the six 2D symbologies and their filling from a 2D settings record.
#pragma once

#include <array>

#include "oemuni/text/BarcodeSettings.h"

// The option templates (the bytes of field A after 1B 24 xL xH), built-in values.
struct Code2dOptionCommands {
    // 41 columns, 42 rows, 43 module width, 44 row height, 45 error level, 46 options.
    std::array<BYTE, 49> pdf417 = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x41, 0x00,
                                   0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x42, 0x00,
                                   0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x43, 0x03,
                                   0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x44, 0x03,
                                   0x1D, 0x28, 0x6B, 0x04, 0x00, 0x30, 0x45, 0x30, 0x30,
                                   0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x46, 0x00};
    // 41 model, 43 module size, 45 error level.
    std::array<BYTE, 25> qr = {0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00,
                               0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x03,
                               0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, 0x30};
    // 41 mode.
    std::array<BYTE, 8> maxi = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x32, 0x41, 0x34};
    // 43 module size.
    std::array<BYTE, 8> dataMatrix = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x33, 0x43, 0x03};
    // 41 symbol type, 42 two parameters (under the length byte 03, as the printer's driver has
    // always sent it), 44, 46.
    std::array<BYTE, 33> gs1 = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x41, 0x32,
                                0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x42, 0x02, 0x02,
                                0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x44, 0x20,
                                0x1D, 0x28, 0x6B, 0x03, 0x00, 0x34, 0x46, 0x02};
    // 41, 42, 43 (mode).
    std::array<BYTE, 24> aztec = {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x35, 0x41, 0x02,
                                  0x1D, 0x28, 0x6B, 0x03, 0x00, 0x35, 0x42, 0x31,
                                  0x1D, 0x28, 0x6B, 0x03, 0x00, 0x35, 0x43, 0x00};
};

// Offsets of the parameter bytes in the templates.
inline constexpr size_t PDF417_COLUMNS = 7, PDF417_ROWS = 15, PDF417_MODULE_WIDTH = 23, PDF417_ROW_HEIGHT = 31,
                        PDF417_ERROR_LEVEL = 40, PDF417_OPTIONS = 48;
inline constexpr size_t QR_MODEL = 7, QR_MODULE_SIZE = 16, QR_ERROR_LEVEL = 24;
inline constexpr size_t MAXI_MODE = 7;
inline constexpr size_t DATAMATRIX_MODULE_SIZE = 7;
inline constexpr size_t GS1_TYPE = 7, GS1_42_FIRST = 15, GS1_42_SECOND = 16, GS1_44 = 24, GS1_46 = 32;
inline constexpr size_t AZTEC_41 = 7, AZTEC_42 = 15, AZTEC_43 = 23;

// Writes the record's bytes into the templates of the kind in record byte 0; values are
// scaled (and clamped per option) when `factor` is below 1.0.
void Set2dCodeOptionCmd(DWORD type, const Code2dInfo& record, Code2dOptionCommands& options, float factor);
