#include <algorithm>
#include <cstdlib>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/FontRecords.h"
#include "platform/LastError.h"

namespace {

DWORD GetWord(const BYTE* p) { return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8); }

// Length of the record at `pos` of `buffer`, or 0 when it does not lie wholly inside.
DWORD RecordLength(const ByteBuffer& buffer, DWORD pos) {
    const DWORD size = buffer.size();
    if (pos >= size || size - pos < FONT_RECORD_HEADER_SIZE) return 0;
    const BYTE* p = buffer.data() + pos;
    const DWORD length = FONT_RECORD_HEADER_SIZE + GetWord(p + FONT_RECORD_OFS_LEN_A) +
                         GetWord(p + FONT_RECORD_OFS_LEN_B);
    return length <= size - pos ? length : 0;
}

}  // namespace

DWORD ExtractFontInfoFromBuf(PDEVOBJ pdevobj, DWORD pos, LOGFONTW* plf, DWORD* pPositionX,
                             DWORD* pPositionY, std::span<BYTE> text) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pos >= pOemPDEV->dwTxtBufSize()) return 0;
    const BYTE type = pOemPDEV->pTxtBufStart[pos];
    DWORD next = 0;
    switch (type) {
        case FTYPE_DEVICE_FONT:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_DEVICE_FONT.");
            next = ExtractDevFontsInfo(pdevobj, pos, pPositionY);
            break;
        case FTYPE_DEVICE_BARCODE:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_DEVICE_BARCODE.");
            next = ExtractDevFontsInfo(pdevobj, pos, pPositionY);
            break;
        case FTYPE_DEVICE_FONT_CONTROL:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_DEVICE_FONT_CONTROL.");
            next = ExtractDevFontsInfo(pdevobj, pos, pPositionY);
            break;
        case FTYPE_DEVICE_FONT_CONTROL_A:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_DEVICE_FONT_CONTROL_A.");
            next = ExtractDevFontsInfo(pdevobj, pos, pPositionY);
            break;
        case FTYPE_TRUETYPE:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_TRUETYPE.");
            next = ExtractTTFInfo(pdevobj, pos, plf, pPositionX, pPositionY, text);
            break;
        default:
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_UNKNOWN. (%x)", static_cast<unsigned>(type));
            DebugLogA("ExtractFontInfoFromBuf : FTYPE_UNKNOWN.");
            return 0;
    }
    return next != 0 ? next - 1 : 0;
}

DWORD ExtractDevFontsInfo(PDEVOBJ pdevobj, DWORD pos, DWORD* pPositionY) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) return 0;
    const DWORD length = RecordLength(pOemPDEV->pTxtBufStart, pos);
    if (length == 0) {
        DebugLogA("ExtractDevFontsInfo : the record at %u lies outside the text buffer.",
                  static_cast<unsigned>(pos));
        return 0;
    }
    const BYTE* record = pOemPDEV->pTxtBufStart.data() + pos;
    const DWORD y = GetWord(record + FONT_RECORD_OFS_Y);
    if (pPositionY != nullptr) *pPositionY = y;

    ByteBuffer& dev = pOemPDEV->pDevTxtBufStart;
    const DWORD oldSize = dev.size();
    if (static_cast<std::size_t>(oldSize) + length > 0xFFFFFFFFu) {
        DebugLogA("ExtractDevFontsInfo : LocalAlloc failed with (%d)", static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
        return 0;
    }
    // In front of the first record with a greater Y; records of equal Y keep capture order.
    DWORD insertAt = oldSize;
    if (oldSize == 0) {
        DebugLogA("ExtractDevFontsInfo [DEVFONT] : First time allocation");
    } else {
        DebugLogA("ExtractDevFontsInfo [DEVFONT] : Growing an existing buffer");
        DWORD at = 0;
        while (at < oldSize) {
            const DWORD existing = RecordLength(dev, at);
            if (existing == 0) break;
            if (GetWord(dev.data() + at + FONT_RECORD_OFS_Y) > y) {
                insertAt = at;
                break;
            }
            at += existing;
        }
    }
    if (!dev.append(record, length)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("ExtractDevFontsInfo : LocalAlloc failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    // Appending and rotating into place moves only the records behind the new one, which for
    // text drawn top to bottom (the usual order) is nothing at all.
    if (insertAt != oldSize) {
        BYTE* base = dev.data();
        std::rotate(base + insertAt, base + oldSize, base + oldSize + length);
    }
    return pos + length;
}

DWORD ExtractTTFInfo(PDEVOBJ pdevobj, DWORD pos, LOGFONTW* plf, DWORD* pPositionX,
                     DWORD* pPositionY, std::span<BYTE> text) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) return 0;
    const DWORD length = RecordLength(pOemPDEV->pTxtBufStart, pos);
    if (length == 0) {
        DebugLogA("ExtractTTFInfo : the record at %u lies outside the text buffer.", static_cast<unsigned>(pos));
        return 0;
    }
    const BYTE* record = pOemPDEV->pTxtBufStart.data() + pos;
    if (record[FONT_RECORD_OFS_TYPE] != FTYPE_TRUETYPE) return pos;

    const LONG height = -static_cast<LONG>(GetWord(record + FONT_RECORD_OFS_HEIGHT));
    if (plf != nullptr) {
        plf->lfHeight = height;
        plf->lfWidth = record[3];
        plf->lfEscapement = record[4];
        plf->lfOrientation = record[5];
        plf->lfWeight = static_cast<LONG>(GetWord(record + FONT_RECORD_OFS_WEIGHT));
        plf->lfItalic = record[FONT_RECORD_OFS_ITALIC];
        plf->lfUnderline = record[FONT_RECORD_OFS_UNDERLINE];
        plf->lfStrikeOut = record[FONT_RECORD_OFS_STRIKEOUT];
        plf->lfCharSet = record[FONT_RECORD_OFS_CHARSET];
        plf->lfPitchAndFamily = record[FONT_RECORD_OFS_PITCH];
        DebugLogA("ExtractTTFInfo : plf->lfHeight = %d", static_cast<int>(plf->lfHeight));
        DebugLogA("ExtractTTFInfo : plf->lfWidth = %d", static_cast<int>(plf->lfWidth));
        DebugLogA("ExtractTTFInfo : plf->lfEscapement = %d", static_cast<int>(plf->lfEscapement));
        DebugLogA("ExtractTTFInfo : plf->lfOrientation = %d", static_cast<int>(plf->lfOrientation));
        DebugLogA("ExtractTTFInfo : plf->lfWeight = %d", static_cast<int>(plf->lfWeight));
        DebugLogA("ExtractTTFInfo : plf->lfItalic = %d", plf->lfItalic);
        DebugLogA("ExtractTTFInfo : plf->lfUnderline = %d", plf->lfUnderline);
        DebugLogA("ExtractTTFInfo : plf->lfStrikeOut = %d", plf->lfStrikeOut);
        DebugLogA("ExtractTTFInfo : plf->lfCharSet = %d", plf->lfCharSet);
        DebugLogA("ExtractTTFInfo : plf->lfPitchAndFamily = %d", plf->lfPitchAndFamily);
    }
    const DWORD x = GetWord(record + FONT_RECORD_OFS_X);
    const DWORD y = GetWord(record + FONT_RECORD_OFS_Y);
    if (pPositionX != nullptr) *pPositionX = x;
    if (pPositionY != nullptr) *pPositionY = y;
    if (y > pOemPDEV->dwLastTxt_PosY) {
        pOemPDEV->dwLastTxt_PosY = y;
        pOemPDEV->dwLastTxt_Height = static_cast<DWORD>(std::labs(height));
        DebugLogA("ExtractTTFInfo : Last true type font position Y = %d, Height = %d",
                  static_cast<int>(y), static_cast<int>(pOemPDEV->dwLastTxt_Height));
    }

    const DWORD lengthA = GetWord(record + FONT_RECORD_OFS_LEN_A);
    const DWORD lengthB = GetWord(record + FONT_RECORD_OFS_LEN_B);
    const BYTE* fieldA = record + FONT_RECORD_HEADER_SIZE;
    const BYTE* fieldB = fieldA + lengthA;

    // The face name passes through a 512-byte buffer (longer names are cut there) and
    // reaches lfFaceName with at most 31 characters; the caller's zero ends it.
    if (plf != nullptr) {
        const DWORD nameBytes = std::min(lengthA, FONT_RECORD_NAME_BUF_SIZE - 2);
        bool ended = false;
        for (DWORD i = 0; i < 31; ++i) {
            char16_t c = 0;
            if (!ended && 2 * i + 1 < nameBytes) {
                c = static_cast<char16_t>(fieldA[2 * i] | (fieldA[2 * i + 1] << 8));
            }
            if (c == 0) ended = true;
            plf->lfFaceName[i] = c;
        }
    }
    // Field B is cut to the caller's buffer, keeping a zero UTF-16 unit at its end.
    if (!text.empty()) {
        const DWORD room = text.size() >= 2 ? static_cast<DWORD>(text.size()) - 2 : 0;
        const DWORD copy = std::min(lengthB, room);
        if (copy < lengthB) {
            DebugLogA("ExtractTTFInfo : the text (%u bytes) is cut to %u bytes.", static_cast<unsigned>(lengthB),
                      static_cast<unsigned>(copy));
        }
        std::copy(fieldB, fieldB + copy, text.begin());
    }
    return pos + length;
}
