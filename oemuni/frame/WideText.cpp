#include "oemuni/frame/WideText.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"

size_t WideLength(const char16_t* s) {
    if (s == nullptr) return 0;
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

size_t WideLength(std::span<const char16_t> s) {
    size_t n = 0;
    while (n < s.size() && s[n] != 0) ++n;
    return n;
}

std::string WideToAnsi(std::u16string_view s) {
    if (s.empty()) return {};
    const int len = static_cast<int>(s.size());
    const int need = WideCharToMultiByte(CP_ACP, 0, s.data(), len, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return {};
    std::string out(static_cast<size_t>(need), '\0');
    const int got = WideCharToMultiByte(CP_ACP, 0, s.data(), len, out.data(), need, nullptr, nullptr);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::u16string AnsiToWide(std::string_view s) {
    if (s.empty()) return {};
    const int len = static_cast<int>(s.size());
    const int need = MultiByteToWideChar(CP_ACP, 0, s.data(), len, nullptr, 0);
    if (need <= 0) return {};
    std::u16string out(static_cast<size_t>(need), u'\0');
    const int got = MultiByteToWideChar(CP_ACP, 0, s.data(), len, out.data(), need);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::u16string WidenAscii(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char c : s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

namespace {

enum class Length { None, Char, Short, Long, LongLong, Size, Wide };

// Pads a converted string to the field width.
void AppendPadded(std::u16string& out, std::u16string_view text, int width, bool leftAlign) {
    const size_t pad = width > 0 && static_cast<size_t>(width) > text.size()
                           ? static_cast<size_t>(width) - text.size()
                           : 0;
    if (!leftAlign) out.append(pad, u' ');
    out.append(text);
    if (leftAlign) out.append(pad, u' ');
}

}  // namespace

std::u16string FormatWideV(const char16_t* format, va_list args) {
    std::u16string out;
    if (format == nullptr) return out;
    va_list ap;
    va_copy(ap, args);
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == 0) break;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        // flags, width, precision, length
        std::string conversion = "%";
        bool leftAlign = false;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') {
            if (*p == u'-') leftAlign = true;
            conversion.push_back(static_cast<char>(*p));
            ++p;
        }
        int width = -1;
        if (*p == u'*') {
            width = va_arg(ap, int);
            if (width < 0) {
                leftAlign = true;
                width = -width;
            }
            conversion += std::to_string(width);
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9') {
                width = (width < 0 ? 0 : width) * 10 + (*p - u'0');
                conversion.push_back(static_cast<char>(*p));
                ++p;
            }
        }
        if (leftAlign && conversion.find('-') == std::string::npos) conversion.insert(1, "-");
        int precision = -1;
        if (*p == u'.') {
            ++p;
            precision = 0;
            if (*p == u'*') {
                precision = va_arg(ap, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9') {
                    precision = precision * 10 + (*p - u'0');
                    ++p;
                }
            }
            if (precision >= 0) conversion += "." + std::to_string(precision);
        }
        Length length = Length::None;
        if (*p == u'h') {
            ++p;
            length = Length::Short;
            if (*p == u'h') {
                ++p;
                length = Length::Char;
            }
        } else if (*p == u'l') {
            ++p;
            length = Length::Long;
            if (*p == u'l') {
                ++p;
                length = Length::LongLong;
            }
        } else if (*p == u'w') {
            ++p;
            length = Length::Wide;
        } else if (*p == u'z') {
            ++p;
            length = Length::Size;
        } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
            p += 3;
            length = Length::LongLong;
        }
        const char16_t conv = *p;
        if (conv == 0) break;
        char buf[128];
        switch (conv) {
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            const char c = static_cast<char>(conv);
            if (length == Length::LongLong) {
                conversion += "ll";
                conversion.push_back(c);
                std::snprintf(buf, sizeof buf, conversion.c_str(), va_arg(ap, long long));
            } else if (length == Length::Size) {
                conversion += "z";
                conversion.push_back(c);
                std::snprintf(buf, sizeof buf, conversion.c_str(), va_arg(ap, size_t));
            } else {
                // 32-bit: "l" is 32 bits in the Windows sense
                const int v = va_arg(ap, int);
                if (length == Length::Short) conversion += "h";
                if (length == Length::Char) conversion += "hh";
                conversion.push_back(c);
                std::snprintf(buf, sizeof buf, conversion.c_str(), v);
            }
            out += WidenAscii(buf);
            break;
        }
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            conversion.push_back(static_cast<char>(conv));
            std::snprintf(buf, sizeof buf, conversion.c_str(), va_arg(ap, double));
            out += WidenAscii(buf);
            break;
        case u'p':
            std::snprintf(buf, sizeof buf, "%p", va_arg(ap, void*));
            out += WidenAscii(buf);
            break;
        case u'c':
        case u'C': {
            const int v = va_arg(ap, int);
            std::u16string ch;
            if (length == Length::Short || conv == u'C') {
                ch = AnsiToWide(std::string(1, static_cast<char>(v)));
            } else {
                ch.push_back(static_cast<char16_t>(v));
            }
            AppendPadded(out, ch, width, leftAlign);
            break;
        }
        case u's':
        case u'S': {
            std::u16string text;
            const bool narrow = (conv == u's' && length == Length::Short) ||
                                (conv == u'S' && length != Length::Long && length != Length::Wide);
            if (narrow) {
                const char* s = va_arg(ap, const char*);
                if (s == nullptr) {
                    text = u"(null)";
                } else {
                    const size_t n = precision >= 0 ? strnlen(s, static_cast<size_t>(precision))
                                                    : std::strlen(s);
                    text = AnsiToWide(std::string_view(s, n));
                }
            } else {
                const char16_t* s = va_arg(ap, const char16_t*);
                if (s == nullptr) {
                    text = u"(null)";
                } else {
                    size_t n = 0;
                    while (s[n] != 0 && (precision < 0 || n < static_cast<size_t>(precision))) ++n;
                    text.assign(s, n);
                }
            }
            if (precision >= 0 && text.size() > static_cast<size_t>(precision)) {
                text.resize(static_cast<size_t>(precision));
            }
            AppendPadded(out, text, width, leftAlign);
            break;
        }
        case u'n':
            // never written through: a log call must not store through its arguments
            (void)va_arg(ap, void*);
            break;
        default:
            out.push_back(u'%');
            out.push_back(conv);
            break;
        }
    }
    va_end(ap);
    return out;
}

std::u16string FormatWide(const char16_t* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::u16string s = FormatWideV(format, ap);
    va_end(ap);
    return s;
}
