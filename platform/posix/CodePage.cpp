// Code-page conversion: 1252 and UTF-8 by table and by hand, the others through
// iconv with descriptors cached per thread. ASCII input takes a fast path.
#include "platform/CodePage.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/LastError.h"

static_assert(std::endian::native == std::endian::little,
              "UTF-16LE buffers are handed to iconv as char16_t arrays");

namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 1252 byte for a UTF-16 unit, or -1.
int To1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return 0x80 + i;
    return -1;
}

UINT Resolve(UINT cp) {
    switch (cp) {
        case CP_ACP:
        case CP_THREAD_ACP:
        case 1252: return 1252;
        case CP_OEMCP:
        case 437: return 437;
        case 932:
        case 936:
        case 949:
        case 950:
        case CP_UTF8: return cp;
        default: return 0;
    }
}

const char* const* IconvNames(UINT cp) {
    static const char* const n437[] = {"CP437", "IBM437", nullptr};
    static const char* const n932[] = {"CP932", "WINDOWS-31J", "SHIFT_JIS", nullptr};
    static const char* const n936[] = {"CP936", "GBK", nullptr};
    static const char* const n949[] = {"CP949", "UHC", nullptr};
    static const char* const n950[] = {"CP950", "BIG5", nullptr};
    switch (cp) {
        case 437: return n437;
        case 932: return n932;
        case 936: return n936;
        case 949: return n949;
        case 950: return n950;
        default: return nullptr;
    }
}

// iconv descriptors per thread and direction, closed when the thread ends.
class IconvCache {
public:
    ~IconvCache() {
        for (auto& [key, cd] : m_cds)
            if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    iconv_t Get(UINT cp, bool toWide) {
        const std::uint64_t key = (static_cast<std::uint64_t>(cp) << 1) | (toWide ? 1u : 0u);
        auto it = m_cds.find(key);
        if (it != m_cds.end()) {
            if (it->second != reinterpret_cast<iconv_t>(-1)) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
            return it->second;
        }
        iconv_t cd = reinterpret_cast<iconv_t>(-1);
        if (auto names = IconvNames(cp)) {
            for (; *names && cd == reinterpret_cast<iconv_t>(-1); ++names)
                cd = toWide ? iconv_open("UTF-16LE", *names) : iconv_open(*names, "UTF-16LE");
        }
        m_cds.emplace(key, cd);
        return cd;
    }

private:
    std::unordered_map<std::uint64_t, iconv_t> m_cds;
};

thread_local IconvCache t_iconv;

// Decodes `src` into `out`; false on invalid input when `strict`.
bool DecodeUtf8(const unsigned char* s, size_t n, std::u16string& out, bool strict) {
    size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int len = 0;
        char32_t c = 0, min = 0;
        if ((b & 0xE0) == 0xC0) { len = 2; c = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { len = 3; c = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { len = 4; c = b & 0x07; min = 0x10000; }
        int got = 1;
        bool ok = len > 0;
        for (; ok && got < len; ++got) {
            if (i + static_cast<size_t>(got) >= n || (s[i + static_cast<size_t>(got)] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (s[i + static_cast<size_t>(got)] & 0x3F);
        }
        if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
            ok = false;
            got = 1;
        }
        if (!ok) {
            if (strict) return false;
            out.push_back(0xFFFD);
            i += static_cast<size_t>(got > 0 ? got : 1);
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
    return true;
}

bool EncodeUtf8(const char16_t* s, size_t n, std::string& out, bool strict) {
    for (size_t i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (strict) return false;
            c = 0xFFFD;
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
    return true;
}

// Multi-byte to UTF-16 through iconv; an invalid byte becomes '?'.
bool DecodeIconv(UINT cp, const char* s, size_t n, std::u16string& out, bool strict) {
    iconv_t cd = t_iconv.Get(cp, true);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char16_t> buf(n + 8);
    char* in = const_cast<char*>(s);
    size_t inLeft = n;
    char* outp = reinterpret_cast<char*>(buf.data());
    size_t outLeft = buf.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            const size_t used = static_cast<size_t>(outp - reinterpret_cast<char*>(buf.data()));
            buf.resize(buf.size() * 2);
            outp = reinterpret_cast<char*>(buf.data()) + used;
            outLeft = buf.size() * sizeof(char16_t) - used;
            continue;
        }
        if (strict) return false;
        if (outLeft < sizeof(char16_t)) {
            const size_t used = static_cast<size_t>(outp - reinterpret_cast<char*>(buf.data()));
            buf.resize(buf.size() * 2);
            outp = reinterpret_cast<char*>(buf.data()) + used;
            outLeft = buf.size() * sizeof(char16_t) - used;
        }
        const char16_t q = u'?';
        std::memcpy(outp, &q, sizeof q);
        outp += sizeof q;
        outLeft -= sizeof q;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.append(buf.data(), static_cast<size_t>(outp - reinterpret_cast<char*>(buf.data())) / sizeof(char16_t));
    return true;
}

// UTF-16 to multi-byte through iconv; unmappable characters become `def`.
bool EncodeIconv(UINT cp, const char16_t* s, size_t n, std::string& out, std::string_view def,
                 bool& usedDefault) {
    iconv_t cd = t_iconv.Get(cp, false);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char> buf(n * 2 + 16);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(s));
    size_t inLeft = n * sizeof(char16_t);
    char* outp = buf.data();
    size_t outLeft = buf.size();
    auto grow = [&] {
        const size_t used = static_cast<size_t>(outp - buf.data());
        buf.resize(buf.size() * 2);
        outp = buf.data() + used;
        outLeft = buf.size() - used;
    };
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // Unmappable character or broken surrogate: the default character instead.
        while (outLeft < def.size()) grow();
        std::memcpy(outp, def.data(), def.size());
        outp += def.size();
        outLeft -= def.size();
        usedDefault = true;
        char16_t c;
        std::memcpy(&c, in, sizeof c);
        size_t skip = sizeof(char16_t);
        if (c >= 0xD800 && c <= 0xDBFF && inLeft >= 2 * sizeof(char16_t)) {
            char16_t d;
            std::memcpy(&d, in + sizeof(char16_t), sizeof d);
            if (d >= 0xDC00 && d <= 0xDFFF) skip = 2 * sizeof(char16_t);
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.append(buf.data(), static_cast<size_t>(outp - buf.data()));
    return true;
}

int Fail(DWORD err) {
    SetLastError(err);
    return 0;
}

}  // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    const UINT cp = Resolve(CodePage);
    if (cp == 0 || lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (lpWideCharStr == nullptr && cchWideChar != 0) ||
        (lpWideCharStr != nullptr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr)))
        return Fail(ERROR_INVALID_PARAMETER);
    const size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const auto* s = reinterpret_cast<const unsigned char*>(lpMultiByteStr);

    size_t ascii = 0;
    while (ascii < n && s[ascii] < 0x80) ++ascii;
    if (ascii == n) {  // fast path: ASCII is the same in every supported code page
        if (cchWideChar == 0) return static_cast<int>(n);
        if (static_cast<size_t>(cchWideChar) < n) return Fail(ERROR_INSUFFICIENT_BUFFER);
        for (size_t i = 0; i < n; ++i) lpWideCharStr[i] = s[i];
        return static_cast<int>(n);
    }

    const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    std::u16string out;
    out.reserve(n);
    out.assign(s, s + ascii);
    bool ok = true;
    if (cp == 1252) {
        for (size_t i = ascii; i < n; ++i)
            out.push_back(s[i] >= 0x80 && s[i] < 0xA0 ? kCp1252High[s[i] - 0x80] : s[i]);
    } else if (cp == CP_UTF8) {
        ok = DecodeUtf8(s + ascii, n - ascii, out, strict);
    } else {
        if (t_iconv.Get(cp, true) == reinterpret_cast<iconv_t>(-1)) return Fail(ERROR_INVALID_PARAMETER);
        ok = DecodeIconv(cp, lpMultiByteStr + ascii, n - ascii, out, strict);
    }
    if (!ok) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (cchWideChar == 0) return static_cast<int>(out.size());
    if (static_cast<size_t>(cchWideChar) < out.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpWideCharStr, out.data(), out.size() * sizeof(char16_t));
    return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar) {
    const UINT cp = Resolve(CodePage);
    if (cp == 0 || lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (lpMultiByteStr == nullptr && cbMultiByte != 0) ||
        (cp == CP_UTF8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)))
        return Fail(ERROR_INVALID_PARAMETER);
    size_t n = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[n] != 0) ++n;
        ++n;
    } else {
        n = static_cast<size_t>(cchWideChar);
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;

    size_t ascii = 0;
    while (ascii < n && lpWideCharStr[ascii] < 0x80) ++ascii;
    if (ascii == n) {  // fast path
        if (cbMultiByte == 0) return static_cast<int>(n);
        if (static_cast<size_t>(cbMultiByte) < n) return Fail(ERROR_INSUFFICIENT_BUFFER);
        for (size_t i = 0; i < n; ++i) lpMultiByteStr[i] = static_cast<char>(lpWideCharStr[i]);
        return static_cast<int>(n);
    }

    std::string_view def = "?";
    if (lpDefaultChar != nullptr && lpDefaultChar[0] != 0)
        def = std::string_view(lpDefaultChar, lpDefaultChar[1] != 0 && cp != 1252 && cp != 437 ? 2 : 1);
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < ascii; ++i) out.push_back(static_cast<char>(lpWideCharStr[i]));
    bool usedDefault = false;
    if (cp == 1252) {
        for (size_t i = ascii; i < n; ++i) {
            const char16_t c = lpWideCharStr[i];
            const int b = To1252(c);
            if (b >= 0) {
                out.push_back(static_cast<char>(b));
                continue;
            }
            out.append(def);
            usedDefault = true;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && lpWideCharStr[i + 1] >= 0xDC00 &&
                lpWideCharStr[i + 1] <= 0xDFFF)
                ++i;  // one character, one default
        }
    } else if (cp == CP_UTF8) {
        if (!EncodeUtf8(lpWideCharStr + ascii, n - ascii, out, (dwFlags & WC_ERR_INVALID_CHARS) != 0))
            return Fail(ERROR_NO_UNICODE_TRANSLATION);
    } else {
        if (!EncodeIconv(cp, lpWideCharStr + ascii, n - ascii, out, def, usedDefault))
            return Fail(ERROR_INVALID_PARAMETER);
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0) return static_cast<int>(out.size());
    if (static_cast<size_t>(cbMultiByte) < out.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}

UINT GetACP() { return 1252; }

UINT GetOEMCP() { return 437; }
