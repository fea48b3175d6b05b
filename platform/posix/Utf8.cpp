// UTF-16 <-> UTF-8 for host file names and environment strings.
#include "platform/MachineRoot.h"

namespace plat {

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // lone surrogate
        }
        if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int len = 0;
        char32_t c = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) { len = 2; c = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { len = 3; c = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { len = 4; c = b & 0x07; min = 0x10000; }
        bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
        for (int k = 1; ok && k < len; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (t & 0x3F);
        }
        if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += static_cast<size_t>(len);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace plat
