#include <algorithm>
#include <new>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/FontRecords.h"
#include "platform/LastError.h"

namespace {

// Position values are stored as (v mod 256, v / 256) with C's truncating division: plain
// little-endian for 0..65535, and -5 becomes FB 00.
void PutSplit(BYTE* p, LONG v) {
    p[0] = static_cast<BYTE>(v % 256);
    p[1] = static_cast<BYTE>(v / 256);
}
void PutSplit(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v % 256);
    p[1] = static_cast<BYTE>(v / 256);
}
void PutWord(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v & 0xFF);
    p[1] = static_cast<BYTE>((v >> 8) & 0xFF);
}

}  // namespace

DWORD AddFontDataToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, BYTE type, DWORD height,
                       std::span<const BYTE> fieldA, std::span<const BYTE> fieldB) {
    OemPDEV* pOemPDEV = GetOemPDEV(pso);
    if (pOemPDEV == nullptr) return 0;
    // The readers walk the buffer by the stored 16-bit lengths: a longer field would make
    // them land inside the record, so such a string is not recorded at all.
    if (fieldA.size() > FONT_RECORD_MAX_FIELD || fieldB.size() > FONT_RECORD_MAX_FIELD) {
        DebugLogA("AddFontDataToBuf : field too long for a record (dwFamilyNameBufSize = %u, "
                  "dwTextDataBufSize = %u), the string is not recorded.",
                  static_cast<unsigned>(fieldA.size()), static_cast<unsigned>(fieldB.size()));
        return 0;
    }
    const std::size_t recordSize = FONT_RECORD_HEADER_SIZE + fieldA.size() + fieldB.size();
    if (static_cast<std::size_t>(pOemPDEV->dwTxtBufSize()) + recordSize > 0xFFFFFFFFu) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("AddFontDataToBuf : LocalAlloc failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }

    std::vector<BYTE> record;
    try {
        record.assign(recordSize, 0);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("AddFontDataToBuf : LocalAlloc failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }

    const IFIMETRICS* pifi = FONTOBJ_pifi(pfo);
    const LONG x = pstro != nullptr ? pstro->rclBkGround.left : 0;
    const LONG y = pstro != nullptr ? pstro->rclBkGround.top : 0;
    BYTE* p = record.data();
    p[FONT_RECORD_OFS_TYPE] = type;
    PutSplit(p + FONT_RECORD_OFS_HEIGHT, height);
    // Bytes 3 to 5 (width, escapement, orientation) stay 0.
    if (pifi != nullptr) {
        PutWord(p + FONT_RECORD_OFS_WEIGHT, pifi->usWinWeight);
        p[FONT_RECORD_OFS_UNDERLINE] = static_cast<BYTE>((pifi->fsSelection >> 1) & 1);
        p[FONT_RECORD_OFS_STRIKEOUT] = static_cast<BYTE>((pifi->fsSelection >> 4) & 1);
        p[FONT_RECORD_OFS_CHARSET] = pifi->jWinCharSet;
        p[FONT_RECORD_OFS_PITCH] = pifi->jWinPitchAndFamily;
    }
    p[FONT_RECORD_OFS_ITALIC] = (pfo != nullptr && (pfo->flFontType & FO_SIM_ITALIC) != 0) ? 1 : 0;
    PutSplit(p + FONT_RECORD_OFS_X, x);
    PutSplit(p + FONT_RECORD_OFS_Y, y);
    PutWord(p + FONT_RECORD_OFS_LEN_A, static_cast<DWORD>(fieldA.size()));
    PutWord(p + FONT_RECORD_OFS_LEN_B, static_cast<DWORD>(fieldB.size()));
    std::copy(fieldA.begin(), fieldA.end(), p + FONT_RECORD_HEADER_SIZE);
    std::copy(fieldB.begin(), fieldB.end(), p + FONT_RECORD_HEADER_SIZE + fieldA.size());

    if (!pOemPDEV->pTxtBufStart.append(record.data(), static_cast<DWORD>(recordSize))) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("AddFontDataToBuf : LocalAlloc failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    // The lowest point reached by text on the page; Y and height add as unsigned values.
    const DWORD bottom = height + static_cast<DWORD>(y);
    if (bottom > pOemPDEV->dwBottomTxtCoordinate) pOemPDEV->dwBottomTxtCoordinate = bottom;
    return 1;
}
