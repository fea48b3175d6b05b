// Set2dCodeOptionCmd: the settings record's bytes into the option commands.
#include "oemuni/text/Barcode2dOptions.h"

#include <algorithm>

#include "oemuni/frame/DebugLog.h"

namespace {

// A scaled option value: trunc(value x factor + 0.5) stored as a byte, then clamped.
BYTE ScaledClamped(BYTE value, float factor, BYTE low, BYTE high) {
    const BYTE scaled = static_cast<BYTE>(ScaleByFactor(value, factor));
    return std::clamp(scaled, low, high);
}

}  // namespace

void Set2dCodeOptionCmd(DWORD type, const Code2dInfo& record, Code2dOptionCommands& options, float factor) {
    DebugLogA("Set2dCodeOptionCmd START");
    DebugLogA("Set2dCodeOptionCmd : BARCODE TYPE = 0x%02x, KIND = %d", static_cast<unsigned>(type), record[0]);
    const bool scale = factor < 1.0f;
    switch (record[0]) {
        case CODE2D_PDF417: {
            auto& c = options.pdf417;
            if (scale) {
                BYTE columns = static_cast<BYTE>(ScaleByFactor(record[1], factor));
                if (columns < 1) columns = 0;
                if (columns > 30) columns = 30;
                BYTE rows = static_cast<BYTE>(ScaleByFactor(record[3], factor));
                if (rows < 3) rows = 0;
                if (rows > 90) rows = 90;
                c[PDF417_COLUMNS] = columns;
                c[PDF417_ROWS] = rows;
                c[PDF417_MODULE_WIDTH] = ScaledClamped(record[2], factor, 2, 8);
                c[PDF417_ROW_HEIGHT] = ScaledClamped(record[4], factor, 2, 8);
            } else {
                c[PDF417_COLUMNS] = record[1];
                c[PDF417_ROWS] = record[3];
                c[PDF417_MODULE_WIDTH] = record[2];
                c[PDF417_ROW_HEIGHT] = record[4];
            }
            c[PDF417_ERROR_LEVEL] = record[5] >= 1 && record[5] <= 8 ? static_cast<BYTE>(0x30 + record[5]) : 0x30;
            c[PDF417_OPTIONS] = record[6];
            break;
        }
        case CODE2D_QRCODE: {
            auto& c = options.qr;
            c[QR_MODEL] = record[7] == 1 ? 0x32 : 0x31;
            c[QR_MODULE_SIZE] = scale ? ScaledClamped(record[8], factor, 1, 8) : record[8];
            c[QR_ERROR_LEVEL] = record[9] >= 1 && record[9] <= 3 ? static_cast<BYTE>(0x30 + record[9]) : 0x30;
            break;
        }
        case CODE2D_DATAMATRIX:
            DebugLogA("Set2dCodeOptionCmd : DATA MATRIX");
            options.dataMatrix[DATAMATRIX_MODULE_SIZE] = scale ? ScaledClamped(record[11], factor, 2, 3) : record[11];
            break;
        case CODE2D_MAXICODE:
            DebugLogA("Set2dCodeOptionCmd : MAXI CODE");
            options.maxi[MAXI_MODE] = std::clamp<BYTE>(record[10], 0x32, 0x34);
            break;
        case CODE2D_GS1_DATABAR: {
            auto& c = options.gs1;
            c[GS1_TYPE] = record[12];
            c[GS1_42_FIRST] = scale ? ScaledClamped(record[13], factor, 1, 8) : record[13];
            c[GS1_42_SECOND] = scale ? ScaledClamped(record[14], factor, 1, 8) : record[14];
            c[GS1_44] = scale ? ScaledClamped(record[15], factor, 1, 255) : record[15];
            c[GS1_46] = record[16];
            break;
        }
        case CODE2D_AZTEC: {
            auto& c = options.aztec;
            c[AZTEC_41] = scale ? ScaledClamped(record[17], factor, 1, 8) : record[17];
            c[AZTEC_42] = record[18];
            c[AZTEC_43] = record[19];
            break;
        }
        default:
            DebugLogA("Set2dCodeOptionCmd : NOT SUPPORTTED BARCODE TYPE.");
            break;
    }
    DebugLogA("Set2dCodeOptionCmd END");
}
