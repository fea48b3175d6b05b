// Font records: the per-page records of captured text (capture order in the text record
// buffer, device records in ascending Y in the device-text buffer) and their readers.
//
// Layout (16-bit values little-endian; a record is 21 + A + B bytes, records follow each
// other with no gap and no terminator):
//   0 type (FTYPE_*)        1-2 height           3 0 (lfWidth)   4 0 (lfEscapement)
//   5 0 (lfOrientation)     6-7 weight           8 italic        9 underline
//   10 strike-out           11 charset           12 pitch and family
//   13-14 X                 15-16 Y              17-18 A         19-20 B
//   21 field A (A bytes), then field B (B bytes)
#pragma once

#include <span>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

inline constexpr BYTE FTYPE_UNKNOWN = 0;
inline constexpr BYTE FTYPE_DEVICE_FONT = 1;
inline constexpr BYTE FTYPE_DEVICE_BARCODE = 2;
inline constexpr BYTE FTYPE_DEVICE_FONT_CONTROL = 3;
inline constexpr BYTE FTYPE_DEVICE_FONT_CONTROL_A = 4;
inline constexpr BYTE FTYPE_TRUETYPE = 5;

inline constexpr DWORD FONT_RECORD_HEADER_SIZE = 21;
inline constexpr DWORD FONT_RECORD_OFS_TYPE = 0;
inline constexpr DWORD FONT_RECORD_OFS_HEIGHT = 1;
inline constexpr DWORD FONT_RECORD_OFS_WEIGHT = 6;
inline constexpr DWORD FONT_RECORD_OFS_ITALIC = 8;
inline constexpr DWORD FONT_RECORD_OFS_UNDERLINE = 9;
inline constexpr DWORD FONT_RECORD_OFS_STRIKEOUT = 10;
inline constexpr DWORD FONT_RECORD_OFS_CHARSET = 11;
inline constexpr DWORD FONT_RECORD_OFS_PITCH = 12;
inline constexpr DWORD FONT_RECORD_OFS_X = 13;
inline constexpr DWORD FONT_RECORD_OFS_Y = 15;
inline constexpr DWORD FONT_RECORD_OFS_LEN_A = 17;
inline constexpr DWORD FONT_RECORD_OFS_LEN_B = 19;
// Lengths A and B are stored in 16 bits: a longer field is never recorded.
inline constexpr DWORD FONT_RECORD_MAX_FIELD = 0xFFFF;
// The caller's text buffer of the readers, and the face-name buffer of ExtractTTFInfo.
inline constexpr DWORD FONT_RECORD_TEXT_BUF_SIZE = 8192;
inline constexpr DWORD FONT_RECORD_NAME_BUF_SIZE = 512;

// Appends one record of `type` to the text record buffer of the device behind `pso`. The
// header's weight, italic, underline, strike-out, charset, pitch, X and Y come from `pstro`
// and `pfo`. Returns 1 when appended; 0 on allocation failure (buffer unchanged) or when a
// field is longer than FONT_RECORD_MAX_FIELD bytes (not recorded, logged).
DWORD AddFontDataToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, BYTE type, DWORD height,
                       std::span<const BYTE> fieldA, std::span<const BYTE> fieldB);

// Reads the record at byte index `pos` of the text record buffer. Types 1 to 4 are copied
// into the device-text buffer in ascending Y (ExtractDevFontsInfo); type 5 fills `plf`,
// the position and `text` (ExtractTTFInfo). Returns the index of the record's last byte,
// or 0 to stop (unknown type, record outside the buffer, allocation failure). The caller
// continues at the returned index + 1 while that is below dwTxtBufSize.
// `plf` is zeroed by the caller; `text` is a zeroed buffer of FONT_RECORD_TEXT_BUF_SIZE bytes.
DWORD ExtractFontInfoFromBuf(PDEVOBJ pdevobj, DWORD pos, LOGFONTW* plf, DWORD* pPositionX,
                             DWORD* pPositionY, std::span<BYTE> text);

// Inserts the record at `pos` into the device-text buffer in front of the first record with
// a greater Y (equal Y keeps capture order). Sets *pPositionY to the record's Y. Returns the
// index just past the record, or 0 when it could not be copied.
DWORD ExtractDevFontsInfo(PDEVOBJ pdevobj, DWORD pos, DWORD* pPositionY);

// For a type-5 record: fills `plf` from the header, the position, the face name (at most 31
// characters) and `text` (field B, cut to the buffer); tracks dwLastTxt_PosY/Height. Returns
// the index just past the record; `pos` unchanged for other types; 0 when the record lies
// outside the buffer.
DWORD ExtractTTFInfo(PDEVOBJ pdevobj, DWORD pos, LOGFONTW* plf, DWORD* pPositionX,
                     DWORD* pPositionY, std::span<BYTE> text);
