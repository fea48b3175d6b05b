// Get1dCodeCommand: the setup command and the print command of a 1D barcode, with Code 128
// subset C compaction of "{C" data.
#include <algorithm>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/BarcodeSettings.h"

namespace {

constexpr DWORD kSetupCommandLength = 16;
constexpr DWORD kPrintCommandLength = 4;  // 1D 6B m n
// The data length of 1D 6B m n is one byte: longer data would have the printer take the
// rest of the stream as barcode data.
constexpr DWORD kMax1dDataLength = 255;

void LogWidthHeight(BYTE w, BYTE h, int step) {
    DebugLogA("Get1dCodeCommand : byGS_w[2] = %02x (%d)", w, step);
    DebugLogA("Get1dCodeCommand : byGS_h[2] = %02x (%d)", h, step);
}

void LogData(const char* label, const std::vector<BYTE>& text, DWORD length) {
    DebugLogA("Get1dCodeCommand : %s : %.*s", label, static_cast<int>(length),
              reinterpret_cast<const char*>(text.data()));
}

// "{C" followed by digit pairs becomes "{C" and one byte per pair (10 x c1 + c2 - 528 with the
// characters taken as signed bytes: 00 to 99 for two digits). Returns the new data length.
DWORD CompactCode128SubsetC(std::vector<BYTE>& text, DWORD length) {
    DebugLogA("Get1dCodeCommand : CODE128 SUBSET C");
    LogData("ORIGNAL BARCODE DATA", text, length);
    const DWORD pairs = (length - 2) / 2;
    for (DWORD i = 0; i < pairs; ++i) {
        const int c1 = static_cast<signed char>(text[2 + 2 * i]);
        const int c2 = static_cast<signed char>(text[3 + 2 * i]);
        const int sum = 10 * c1 + c2 - 528;
        DebugLogA("Get1dCodeCommand : sum of results = %x", static_cast<unsigned>(sum));
        text[2 + i] = static_cast<BYTE>(sum);
    }
    const DWORD newLength = length / 2 + 1;
    LogData("PROCESSED BARCODE DATA", text, newLength);
    return newLength;
}

}  // namespace

DWORD Get1dCodeCommand(OemPDEV* pOemPDEV, std::vector<BYTE>& command, const char* familyName,
                       std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength,
                       DWORD dwAnsiTextBufSize, DWORD type, DWORD& height, LONG X, float factor) {
    command.clear();
    DebugLogA("Get1dCodeCommand : START");
    DebugLogA("Get1dCodeCommand : BARCODE TYEPE = 0x%02x", static_cast<unsigned>(type));
    BYTE w = 2;
    BYTE h = 0x32;
    BYTE m = static_cast<BYTE>(type);
    BYTE hri[6] = {0x1D, 0x48, 0x00, 0x1D, 0x66, 0x00};

    if (type > BARTYPE_USER_1D) {
        DebugLogA("Get1dCodeCommand : NOT SUPPORTTED BARCODE TYPE.");
        return 0;
    }
    if (type == BARTYPE_USER_1D) {
        BarInfo bar = {0, 2, 0x32, 0, 0};
        DebugLogA("Get1d2dCodeSetting : START");
        DebugLogA("Get1d2dCodeSetting : BARCODE TYEPE = %d", static_cast<int>(type));
        if (pOemPDEV != nullptr) {
            Get1d2dCodeSetting(pOemPDEV, familyName, type, &bar, nullptr);
        } else {
            DebugLogA("Get1d2dCodeSetting : END");
        }
        m = static_cast<BYTE>(bar[0] + 0x41);
        w = bar[1];
        h = bar[2];
        hri[2] = bar[3];
        hri[5] = bar[4];
    } else {
        // The printer keeps its current human-readable-text setting.
        std::fill(std::begin(hri), std::end(hri), 0);
    }
    LogWidthHeight(w, h, 1);

    if (factor < 1.0f) {
        X = ScaleByFactor(X, factor);
        w = static_cast<BYTE>(ScaleByFactor(w, factor));
        h = static_cast<BYTE>(ScaleByFactor(h, factor));
        LogWidthHeight(w, h, 2);
    }
    w = std::clamp<BYTE>(w, 2, 6);
    if (h < 1) h = 1;
    LogWidthHeight(w, h, 3);

    const BYTE xL = static_cast<BYTE>(X % 256);
    const BYTE xH = static_cast<BYTE>(X / 256);

    // A length the buffer cannot hold is not believed.
    const DWORD capacity = std::min<DWORD>(dwAnsiTextBufSize, static_cast<DWORD>(szAnsiText.size()));
    if (dwAnsiTextLength > capacity) {
        DebugLogA("Get1dCodeCommand : dwAnsiTextLength (%u) exceeds the buffer (%u).", dwAnsiTextLength, capacity);
        return 0;
    }

    // Subset C is judged on the whole length, not only on its low byte, so that long data is
    // compacted (and then refused below) instead of being cut.
    DWORD length = dwAnsiTextLength;
    if (m == BARTYPE_CODE128 && length % 2 == 0 && length > 2) {
        DebugLogA("Get1dCodeCommand : BARTYPE_CODE128 TYPE");
        if (szAnsiText[0] == '{' && szAnsiText[1] == 'C') {
            length = CompactCode128SubsetC(szAnsiText, length);
        } else {
            DebugLogA("Get1dCodeCommand : byGS_k[3] = %d", static_cast<int>(length & 0xFF));
            DebugLogA("Get1dCodeCommand : not satisfy conditions for code128 subset C.");
        }
    }
    LogData("BARCODE DATA", szAnsiText, length);
    DebugLogA("Get1dCodeCommand : dwAnsiTextLength = %u", length);
    DebugLogA("Get1dCodeCommand : dwAnsiTextBufSize = %u", dwAnsiTextBufSize);
    DebugLogA("Get1dCodeCommand : sizeof(byGS_k) = %d", static_cast<int>(kPrintCommandLength));

    if (length > kMax1dDataLength) {
        DebugLogA("Get1dCodeCommand : BARCODE DATA IS TOO LONG. (%u bytes, at most %u)", length, kMax1dDataLength);
        return 0;
    }
    if (capacity < length + kPrintCommandLength) {
        DebugLogA("Get1dCodeCommand : BUFFER SIZE IS NOT ENOUGH. (dwAnsiTextBufSize)");
        return 0;
    }

    std::vector<BYTE> data;
    try {
        data.assign(szAnsiText.begin(), szAnsiText.begin() + length);
        command.reserve(kSetupCommandLength);
    } catch (const std::bad_alloc&) {
        DebugLogA("Get1dCodeCommand : failed to allocate the buffer. (pbyBuffer)");
        return 0;
    }

    height = h;
    command = {0x1D, 0x77, w, 0x1D, 0x68, h, hri[0], hri[1], hri[2], hri[3], hri[4], hri[5], 0x1B, 0x24, xL, xH};

    std::fill(szAnsiText.begin(), szAnsiText.begin() + capacity, 0);
    szAnsiText[0] = 0x1D;
    szAnsiText[1] = 0x6B;
    szAnsiText[2] = m;
    szAnsiText[3] = static_cast<BYTE>(length);
    std::copy(data.begin(), data.end(), szAnsiText.begin() + kPrintCommandLength);
    dwAnsiTextLength = length + kPrintCommandLength;

    DebugLogA("Get1dCodeCommand END");
    return kSetupCommandLength;
}
