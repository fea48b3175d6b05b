// Get2dCodeCommand: field A (position and option commands) and field B (store, data, print)
// of a 2D barcode record.
#include <algorithm>
#include <span>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/Barcode2dOptions.h"
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/BarcodeSettings.h"

namespace {

constexpr DWORD kDataCommandsLength = 16;  // store command (8) and print command (8)
// pL pH of the store command count the data + 3 in 16 bits.
constexpr DWORD kMaxStoreLength = 0xFFFF;

// Symbology byte cn of each kind.
constexpr BYTE kSymbology[] = {0x30, 0x31, 0x33, 0x32, 0x34, 0x35};

std::span<const BYTE> OptionCommandsOf(BYTE kind, const Code2dOptionCommands& options) {
    switch (kind) {
        case CODE2D_PDF417: return options.pdf417;
        case CODE2D_QRCODE: return options.qr;
        case CODE2D_DATAMATRIX: return options.dataMatrix;
        case CODE2D_MAXICODE: return options.maxi;
        case CODE2D_GS1_DATABAR: return options.gs1;
        default: return options.aztec;
    }
}

}  // namespace

DWORD Get2dCodeCommand(OemPDEV* pOemPDEV, std::vector<BYTE>& command, const char* familyName,
                       std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength,
                       DWORD dwAnsiTextBufSize, DWORD type, DWORD& /*height*/, LONG X, float factor) {
    DebugLogA("Get2dCodeCommand : START");
    Code2dOptionCommands options;
    Code2dInfo record = BUILTIN_2D_CODE_INFO;

    DebugLogA("Get1d2dCodeSetting : START");
    DebugLogA("Get1d2dCodeSetting : BARCODE TYEPE = %d", static_cast<int>(type));
    if (pOemPDEV != nullptr) {
        Get1d2dCodeSetting(pOemPDEV, familyName, type, nullptr, &record);
    } else {
        DebugLogA("Get1d2dCodeSetting : END");
    }

    command.clear();
    const BYTE kind = record[0];
    if (kind > CODE2D_AZTEC) {
        DebugLogA("Get2dCodeCommand : NOT SUPPORTTED 2D CODE KIND = %d", kind);
        return 0;
    }

    Set2dCodeOptionCmd(type, record, options, factor);

    if (factor < 1.0f) X = ScaleByFactor(X, factor);
    const BYTE xL = static_cast<BYTE>(X % 256);
    const BYTE xH = static_cast<BYTE>(X / 256);

    // A length the buffer cannot hold is not believed.
    const DWORD capacity = std::min<DWORD>(dwAnsiTextBufSize, static_cast<DWORD>(szAnsiText.size()));
    const DWORD length = dwAnsiTextLength;
    if (length > capacity || capacity - length < kDataCommandsLength) {
        DebugLogA("Get2dCodeCommand : BUFFER SIZE IS NOT ENOUGH. (AnsiTextBufSize)");
        return 0;
    }
    if (length + 3 > kMaxStoreLength) {
        DebugLogA("Get2dCodeCommand : BARCODE DATA IS TOO LONG. (%u bytes)", length);
        return 0;
    }

    const BYTE cn = kSymbology[kind];
    const DWORD storeLength = length + 3;
    DebugLogA("Get2dCodeCommand : DATA : %.*s", static_cast<int>(length), reinterpret_cast<const char*>(szAnsiText.data()));
    DebugLogA("Get2dCodeCommand : DATA LENGTH : %u", length);

    const std::span<const BYTE> optionCommands = OptionCommandsOf(kind, options);
    std::vector<BYTE> data;
    try {
        data.assign(szAnsiText.begin(), szAnsiText.begin() + length);
        command.reserve(4 + optionCommands.size());
    } catch (const std::bad_alloc&) {
        DebugLogA("Get2dCodeCommand : failed to allocate the buffer. (pbyBuffer)");
        command.clear();
        return 0;
    }

    std::fill(szAnsiText.begin(), szAnsiText.begin() + capacity, 0);
    const BYTE store[8] = {0x1D, 0x28, 0x6B, static_cast<BYTE>(storeLength & 0xFF),
                           static_cast<BYTE>(storeLength >> 8), cn, 0x50, 0x30};
    const BYTE print[8] = {0x1D, 0x28, 0x6B, 0x03, 0x00, cn, 0x51, 0x30};
    auto out = std::copy(std::begin(store), std::end(store), szAnsiText.begin());
    out = std::copy(data.begin(), data.end(), out);
    std::copy(std::begin(print), std::end(print), out);
    dwAnsiTextLength = length + kDataCommandsLength;

    command = {0x1B, 0x24, xL, xH};
    command.insert(command.end(), optionCommands.begin(), optionCommands.end());

    DebugLogA("Get2dCodeCommand : END");
    return static_cast<DWORD>(command.size());
}
