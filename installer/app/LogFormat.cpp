#include "installer/app/LogFormat.h"

#include <cstdint>

namespace installer {

namespace {

std::u16string Digits(unsigned long long v, unsigned base, bool upper) {
    const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string s;
    do {
        s.insert(s.begin(), digits[v % base]);
        v /= base;
    } while (v);
    return s;
}

void Pad(std::u16string& out, std::u16string body, size_t width, bool left, bool zero) {
    if (body.size() >= width) {
        out += body;
        return;
    }
    const size_t fill = width - body.size();
    if (left) {
        out += body;
        out.append(fill, u' ');
    } else if (zero) {
        size_t sign = (!body.empty() && body[0] == u'-') ? 1 : 0;
        out += body.substr(0, sign);
        out.append(fill, u'0');
        out += body.substr(sign);
    } else {
        out.append(fill, u' ');
        out += body;
    }
}

}  // namespace

std::u16string FormatLogText(std::u16string_view f, std::initializer_list<LogArg> args) {
    std::u16string out;
    out.reserve(f.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%') {
            out.push_back(f[i]);
            continue;
        }
        size_t j = i + 1;
        bool left = false, zero = false;
        for (; j < f.size() && (f[j] == u'-' || f[j] == u'0'); ++j) {
            if (f[j] == u'-') left = true;
            else zero = true;
        }
        size_t width = 0;
        for (; j < f.size() && f[j] >= u'0' && f[j] <= u'9'; ++j)
            width = width * 10 + static_cast<size_t>(f[j] - u'0');
        while (j < f.size() && (f[j] == u'l' || f[j] == u'h' || f[j] == u'w')) ++j;
        if (j >= f.size()) {
            out.append(f.substr(i));
            break;
        }
        const char16_t conv = f[j];
        i = j;
        if (conv == u'%') {
            out.push_back(u'%');
            continue;
        }
        if (next == args.end()) continue;
        const LogArg& a = *next++;
        switch (conv) {
            case u'd':
            case u'i': {
                // 32-bit, as the system's formatter reads an int argument.
                const long long v = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.asUnsigned()));
                std::u16string body = v < 0 ? u"-" + Digits(0ULL - static_cast<unsigned long long>(v), 10, false)
                                            : Digits(static_cast<unsigned long long>(v), 10, false);
                Pad(out, body, width, left, zero);
                break;
            }
            case u'u':
                Pad(out, Digits(a.asUnsigned() & 0xFFFFFFFFULL, 10, false), width, left, zero);
                break;
            case u'x':
            case u'X':
                Pad(out, Digits(a.asUnsigned() & 0xFFFFFFFFULL, 16, conv == u'X'), width, left,
                    zero);
                break;
            case u'c':
                Pad(out, std::u16string(1, static_cast<char16_t>(a.asUnsigned())), width, left,
                    false);
                break;
            case u's':
            case u'S':
                Pad(out, a.kind() == LogArg::Kind::Text ? std::u16string(a.text()) : u"", width,
                    left, false);
                break;
            default:
                out.push_back(u'%');
                out.push_back(conv);
                break;
        }
    }
    return out;
}

}  // namespace installer
