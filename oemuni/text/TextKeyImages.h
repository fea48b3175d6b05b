// Replacement and coupon images: files of printer-ready bytes in the product folder.
#pragma once

#include <span>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

// Reads "<Windows directory>\MKT-G450\<name>.bin" (`name` UTF-8, up to its first zero byte)
// into `buffer`. Returns the number of bytes read, or 0 (buffer empty).
DWORD GetTextKeyImgBufFromFile(PDEVOBJ pdevobj, std::span<const BYTE> name, std::vector<BYTE>& buffer);
