// Ordering of the page's image-rectangle list (8-byte records: left, top, right, bottom,
// 16-bit little-endian) by top.
#pragma once

#include "oemuni/frame/ByteBuffer.h"

inline constexpr DWORD IMAGE_RECT_SIZE = 8;

// Sorts the records into ascending order of top, equal tops in list order. A placed record
// whose left and right are both 0 looks like a free slot, so the next record goes in front of
// it. Returns 1, or 0 (list unchanged) when the working copy cannot be made.
int SortImageRects(ByteBuffer& imageRects);
