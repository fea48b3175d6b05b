// printf-style formatting of UTF-16 text for the installer log: flags '-' and '0',
// a width, the length modifiers h, l, ll, w (ignored) and the conversions
// d, i, u, x, X, c, s, S and %%. Arguments are taken in order; a conversion without
// an argument prints nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace installer {

class LogArg {
public:
    enum class Kind { Signed, Unsigned, Text };

    LogArg(int v) : m_kind(Kind::Signed), m_signed(v) {}
    LogArg(long v) : m_kind(Kind::Signed), m_signed(v) {}
    LogArg(long long v) : m_kind(Kind::Signed), m_signed(v) {}
    LogArg(unsigned v) : m_kind(Kind::Unsigned), m_unsigned(v) {}
    LogArg(unsigned long v) : m_kind(Kind::Unsigned), m_unsigned(v) {}
    LogArg(unsigned long long v) : m_kind(Kind::Unsigned), m_unsigned(v) {}
    LogArg(const char16_t* s) : m_kind(Kind::Text), m_text(s ? s : u"(null)") {}
    LogArg(std::u16string_view s) : m_kind(Kind::Text), m_text(s) {}
    LogArg(const std::u16string& s) : m_kind(Kind::Text), m_text(s) {}

    Kind kind() const { return m_kind; }
    long long asSigned() const {
        return m_kind == Kind::Signed ? m_signed : static_cast<long long>(m_unsigned);
    }
    unsigned long long asUnsigned() const {
        return m_kind == Kind::Unsigned ? m_unsigned : static_cast<unsigned long long>(m_signed);
    }
    std::u16string_view text() const { return m_text; }

private:
    Kind m_kind;
    long long m_signed = 0;
    unsigned long long m_unsigned = 0;
    std::u16string_view m_text;
};

std::u16string FormatLogText(std::u16string_view format, std::initializer_list<LogArg> args);

}  // namespace installer
