// Barcode fonts: the entry points the text capture calls for a string drawn in a barcode
// font. The capture converts the string into szAnsiText (a zero-filled buffer whose size is
// the capacity dwAnsiTextBufSize, holding dwAnsiTextLength bytes of text) and records field A
// = `command` and field B = the first dwAnsiTextLength bytes of szAnsiText.
#pragma once

#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

// Barcode types: 0x41 to 0x81 are 1D, 0x82 to 0x98 are 2D.
inline constexpr DWORD BARTYPE_1D_FIRST = 0x41;
inline constexpr DWORD BARTYPE_1D_LAST = 0x81;
inline constexpr DWORD BARTYPE_2D_FIRST = 0x82;
inline constexpr DWORD BARTYPE_2D_LAST = 0x98;

// The barcode type of a family name (terminated UTF-8; names compared in full, ignoring
// case), or 0 when it names no barcode font.
DWORD GetBarcodeType(const char* familyName);

// 1D barcodes (types 0x41 to 0x81). `command` receives the 16-byte setup command; szAnsiText
// is rewritten in place into the print command with the data (dwAnsiTextLength updated,
// never beyond dwAnsiTextBufSize == szAnsiText.size()); `height` receives the barcode
// height. `factor` is the reduction factor (1.0 when barcodes are not reduced). Returns 16,
// or 0 when nothing is to be recorded.
DWORD Get1dCodeCommand(OemPDEV* pOemPDEV, std::vector<BYTE>& command, const char* familyName,
                       std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength,
                       DWORD dwAnsiTextBufSize, DWORD type, DWORD& height, LONG X, float factor);

// 2D barcodes (types 0x82 to 0x98), same parameters. `command` receives field A; szAnsiText
// is rewritten into field B (dwAnsiTextLength grows by 16); `height` is left unchanged.
// Returns the length of field A, or 0 when nothing is to be recorded.
DWORD Get2dCodeCommand(OemPDEV* pOemPDEV, std::vector<BYTE>& command, const char* familyName,
                       std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength,
                       DWORD dwAnsiTextBufSize, DWORD type, DWORD& height, LONG X, float factor);

// With preview on: appends the preview block of the barcode's preview image to `data`
// (`length` bytes used; the vector grows as needed). 1 when appended, else 0 with `data`
// and `length` unchanged.
BOOL AddBarCodePreviewData(PDEVOBJ pdevobj, const char* familyName, std::vector<BYTE>& data,
                           DWORD& length, DWORD type);
