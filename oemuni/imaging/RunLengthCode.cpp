#include "oemuni/imaging/RunLengthCode.h"

size_t AppendRunLengthCode(std::span<const BYTE> bytes, std::vector<BYTE>& out) {
    const size_t start = out.size();
    // At worst every byte is a lone 00 or FF and takes two bytes.
    out.resize(start + 2 * bytes.size());
    BYTE* dst = out.data() + start;
    const BYTE* src = bytes.data();
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const BYTE b = src[i];
        if (b != 0x00 && b != 0xFF) {
            *dst++ = b;
            ++i;
            continue;
        }
        const size_t limit = (n - i < 255) ? n : i + 255;
        size_t j = i + 1;
        while (j < limit && src[j] == b) ++j;
        *dst++ = b;
        *dst++ = static_cast<BYTE>(j - i);
        i = j;
    }
    const size_t written = static_cast<size_t>(dst - (out.data() + start));
    out.resize(start + written);
    return written;
}
