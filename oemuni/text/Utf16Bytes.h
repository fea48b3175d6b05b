// UTF-16 text laid out as little-endian bytes for font records.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Win32Types.h"

// The `count` code units of `units` as UTF-16LE, followed by `zeroBytes` zero bytes.
inline std::vector<BYTE> Utf16LeBytes(const char16_t* units, std::size_t count, std::size_t zeroBytes) {
    std::vector<BYTE> bytes(2 * count + zeroBytes, 0);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<BYTE>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(units[i] >> 8);
    }
    return bytes;
}

// Length of a terminated UTF-16 string (0 for none).
inline std::size_t Utf16Length(const char16_t* s) {
    std::size_t n = 0;
    if (s != nullptr) {
        while (s[n] != 0) ++n;
    }
    return n;
}
