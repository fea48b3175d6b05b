// The run-length code of the compressed raster command: a run of 00 bytes (at most 255) is
// written as 00 and its count, a run of FF bytes as FF and its count, any other byte as it is.
#pragma once

#include <span>
#include <vector>

#include "platform/Win32Types.h"

// Appends the code of `bytes` to `out`; returns the number of bytes appended.
size_t AppendRunLengthCode(std::span<const BYTE> bytes, std::vector<BYTE>& out);
