// Text keys: the entry points the text capture calls for resident-font text when settings
// byte 27 is 1. szAnsiText is the string in the font's code page.
#pragma once

#include <span>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

// Collects the coupon names of the keys found in the text (dwAnsiTextLength bytes of
// szAnsiText = the span). 1, or 0 when "NumTextKey" cannot be read. The text is not changed.
BOOL SaveCouponImgName(PDEVOBJ pdevobj, std::span<const BYTE> szAnsiText);

// Replaces the keys that have an alternate text. szAnsiText is a zero-filled buffer of
// dwAnsiTextBufSize bytes (== its size) holding dwAnsiTextLength bytes of text; it may be
// replaced by a larger or smaller one, and both counts change accordingly. 1, or 0 when
// "NumTextKey" cannot be read.
BOOL TextReplacementWithText(PDEVOBJ pdevobj, std::vector<BYTE>& szAnsiText,
                             DWORD& dwAnsiTextLength, DWORD& dwAnsiTextBufSize);

// Splits the text (the span, dwAnsiTextLength bytes) at the keys that have a replacement
// image and appends the pieces (GetDevFontCommand + AddFontDataToBuf) and the images as
// type-1 records. Returns the sum of the field-A lengths appended; 0 means nothing was
// recorded and the caller prints the string normally. A key is never printed, even when its
// image is missing: a string made only of such keys records nothing and returns 1.
DWORD AddTextKeyImgBufAndDevFontData(PDEVOBJ pdevobj, SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo,
                                     const char* familyName, std::span<const BYTE> szAnsiText,
                                     LONG X);
