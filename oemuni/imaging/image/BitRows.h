// Helpers for rows of 1-bit pixels (most significant bit = leftmost pixel).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/Win32Types.h"

namespace bitrows {

// Copies `count` pixels starting at pixel `srcStart` of `src` (a row of `srcBytes` bytes) to
// pixels 0 .. count-1 of `dst`. Bits of `dst` beyond `count` in its last byte become 0.
inline void CopyBits(const BYTE* src, std::size_t srcBytes, std::size_t srcStart, BYTE* dst,
                     std::size_t count) {
    if (count == 0) return;
    const std::size_t outBytes = (count + 7) / 8;
    const std::size_t shift = srcStart & 7;
    const BYTE* s = src + (srcStart >> 3);
    const std::size_t avail = srcBytes - (srcStart >> 3);  // bytes readable from s
    if (shift == 0) {
        for (std::size_t k = 0; k < outBytes; ++k) dst[k] = s[k];
    } else {
        for (std::size_t k = 0; k < outBytes; ++k) {
            const unsigned hi = static_cast<unsigned>(s[k]) << shift;
            const unsigned lo = (k + 1 < avail) ? (s[k + 1] >> (8 - shift)) : 0u;
            dst[k] = static_cast<BYTE>(hi | lo);
        }
    }
    const std::size_t tail = count & 7;
    if (tail != 0) dst[outBytes - 1] &= static_cast<BYTE>(0xFF << (8 - tail));
}

// Writes pixels 0 .. count-1 of `src` to pixels dstStart .. dstStart+count-1 of `dst`,
// leaving the other bits of `dst` as they are.
inline void PutBits(const BYTE* src, std::size_t count, BYTE* dst, std::size_t dstStart) {
    const unsigned shift = static_cast<unsigned>(dstStart & 7);
    BYTE* d = dst + (dstStart >> 3);
    const std::size_t bytes = (count + 7) / 8;
    for (std::size_t k = 0; k < bytes; ++k) {
        const std::size_t n = std::min<std::size_t>(8, count - 8 * k);
        const unsigned mask = (0xFFu << (8 - n)) & 0xFFu;  // the valid pixels of this byte
        const unsigned b = src[k] & mask;
        d[k] = static_cast<BYTE>((d[k] & ~(mask >> shift)) | (b >> shift));
        if (shift != 0) {
            const unsigned spill = (mask << (8 - shift)) & 0xFFu;
            if (spill != 0) {
                d[k + 1] = static_cast<BYTE>((d[k + 1] & ~spill) | ((b << (8 - shift)) & 0xFFu));
            }
        }
    }
}

// Transposes an 8 x 8 bit block: out[j] bit (7 - k) = in[k] bit (7 - j).
inline void Transpose8(const BYTE in[8], BYTE out[8]) {
    std::uint32_t x = (static_cast<std::uint32_t>(in[0]) << 24) |
                      (static_cast<std::uint32_t>(in[1]) << 16) |
                      (static_cast<std::uint32_t>(in[2]) << 8) | in[3];
    std::uint32_t y = (static_cast<std::uint32_t>(in[4]) << 24) |
                      (static_cast<std::uint32_t>(in[5]) << 16) |
                      (static_cast<std::uint32_t>(in[6]) << 8) | in[7];
    std::uint32_t t = (x ^ (x >> 7)) & 0x00AA00AAu;
    x = x ^ t ^ (t << 7);
    t = (y ^ (y >> 7)) & 0x00AA00AAu;
    y = y ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCCu;
    x = x ^ t ^ (t << 14);
    t = (y ^ (y >> 14)) & 0x0000CCCCu;
    y = y ^ t ^ (t << 14);
    t = (x & 0xF0F0F0F0u) | ((y >> 4) & 0x0F0F0F0Fu);
    y = ((x << 4) & 0xF0F0F0F0u) | (y & 0x0F0F0F0Fu);
    x = t;
    out[0] = static_cast<BYTE>(x >> 24);
    out[1] = static_cast<BYTE>(x >> 16);
    out[2] = static_cast<BYTE>(x >> 8);
    out[3] = static_cast<BYTE>(x);
    out[4] = static_cast<BYTE>(y >> 24);
    out[5] = static_cast<BYTE>(y >> 16);
    out[6] = static_cast<BYTE>(y >> 8);
    out[7] = static_cast<BYTE>(y);
}

// The byte with its bit order reversed.
inline BYTE ReverseBits(BYTE b) {
    b = static_cast<BYTE>(((b & 0xF0) >> 4) | ((b & 0x0F) << 4));
    b = static_cast<BYTE>(((b & 0xCC) >> 2) | ((b & 0x33) << 2));
    b = static_cast<BYTE>(((b & 0xAA) >> 1) | ((b & 0x55) << 1));
    return b;
}

}  // namespace bitrows
