#include "platform/posix/InfParser.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/posix/Internal.h"

namespace plat::inf {

namespace {

std::u16string Trim(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t' || s[b] == u'\r')) ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t' || s[e - 1] == u'\r')) --e;
    return std::u16string(s.substr(b, e - b));
}

// Removes the quotes of a field; "" inside quotes stands for one quote.
std::u16string Unquote(std::u16string_view s) {
    std::u16string out;
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'"') {
            if (quoted && i + 1 < s.size() && s[i + 1] == u'"') {
                out.push_back(u'"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Splits on `sep` outside quotes.
std::vector<std::u16string> SplitOutsideQuotes(std::u16string_view s, char16_t sep) {
    std::vector<std::u16string> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'"') quoted = !quoted;
        if (s[i] == sep && !quoted) {
            parts.emplace_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.emplace_back(s.substr(start));
    return parts;
}

std::u16string StripComment(std::u16string_view s) {
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'"') quoted = !quoted;
        if (s[i] == u';' && !quoted) return std::u16string(s.substr(0, i));
    }
    return std::u16string(s);
}

std::u16string Substitute(std::u16string_view s, const Section* strings) {
    if (!strings || s.find(u'%') == std::u16string_view::npos) return std::u16string(s);
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != u'%') {
            out.push_back(s[i]);
            continue;
        }
        const size_t end = s.find(u'%', i + 1);
        if (end == std::u16string_view::npos) {
            out.append(s.substr(i));
            break;
        }
        const std::u16string_view name = s.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out.push_back(u'%');
        } else {
            bool found = false;
            for (const auto& l : strings->lines) {
                if (plat::detail::EqualsNoCase(l.key, name) && !l.fields.empty()) {
                    out.append(l.fields[0]);
                    found = true;
                    break;
                }
            }
            if (!found) out.append(s.substr(i, end - i + 1));
        }
        i = end;
    }
    return out;
}

}  // namespace

std::u16string DecodeText(const std::vector<unsigned char>& b) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        std::u16string s;
        for (size_t i = 2; i + 1 < b.size(); i += 2)
            s.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
        return s;
    }
    size_t skip = 0;
    UINT cp = 1252;
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        skip = 3;
        cp = CP_UTF8;
    }
    if (b.size() <= skip) return {};
    const auto* p = reinterpret_cast<const char*>(b.data() + skip);
    const int n = static_cast<int>(b.size() - skip);
    const int chars = MultiByteToWideChar(cp, 0, p, n, nullptr, 0);
    if (chars <= 0) return {};
    std::u16string s(static_cast<size_t>(chars), u'\0');
    MultiByteToWideChar(cp, 0, p, n, s.data(), chars);
    return s;
}

InfFile InfFile::Parse(std::u16string_view text) {
    InfFile f;
    // Join continuation lines first.
    std::vector<std::u16string> lines;
    std::u16string pending;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string line = Trim(StripComment(text.substr(start, end - start)));
        if (!line.empty() && line.back() == u'\\') {
            line.pop_back();
            pending += line;
        } else {
            pending += line;
            lines.push_back(std::move(pending));
            pending.clear();
        }
        start = end + 1;
    }
    if (!pending.empty()) lines.push_back(std::move(pending));

    Section* current = nullptr;
    for (const auto& raw : lines) {
        if (raw.empty()) continue;
        if (raw.front() == u'[') {
            const size_t close = raw.find(u']');
            f.m_sections.push_back({Trim(raw.substr(1, close == std::u16string::npos
                                                           ? std::u16string::npos
                                                           : close - 1)),
                                    {}});
            current = &f.m_sections.back();
            continue;
        }
        if (!current) continue;
        Line line;
        const auto eqParts = SplitOutsideQuotes(raw, u'=');
        std::u16string_view valuePart = raw;
        if (eqParts.size() > 1) {
            line.key = Trim(eqParts[0]);
            valuePart = std::u16string_view(raw).substr(eqParts[0].size() + 1);
        }
        for (const auto& field : SplitOutsideQuotes(valuePart, u','))
            line.fields.push_back(Trim(field));
        current->lines.push_back(std::move(line));
    }

    // Substitute strings and remove quotes.
    const Section* strings = nullptr;
    for (const auto& s : f.m_sections)
        if (plat::detail::EqualsNoCase(s.name, u"Strings")) strings = &s;
    std::vector<Section> out = f.m_sections;
    for (auto& s : out) {
        const bool isStrings = plat::detail::EqualsNoCase(s.name, u"Strings");
        for (auto& l : s.lines) {
            l.key = Unquote(isStrings ? l.key : Substitute(l.key, strings));
            for (auto& fld : l.fields) fld = Unquote(isStrings ? fld : Substitute(fld, strings));
        }
    }
    f.m_sections = std::move(out);
    return f;
}

std::optional<InfFile> InfFile::Load(std::u16string_view winPath) {
    auto bytes = plat::ReadWholeFile(winPath);
    if (!bytes) return std::nullopt;
    return Parse(DecodeText(*bytes));
}

const Section* InfFile::Find(std::u16string_view name) const {
    for (const auto& s : m_sections)
        if (plat::detail::EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}

std::u16string InfFile::Value(std::u16string_view section, std::u16string_view key) const {
    const Section* s = Find(section);
    if (!s) return {};
    for (const auto& l : s->lines)
        if (plat::detail::EqualsNoCase(l.key, key)) return l.fields.empty() ? u"" : l.fields[0];
    return {};
}

bool InfFile::IsWin4Style() const {
    const std::u16string sig = Value(u"Version", u"Signature");
    return plat::detail::EqualsNoCase(sig, u"$Windows NT$") ||
           plat::detail::EqualsNoCase(sig, u"$Chicago$") ||
           plat::detail::EqualsNoCase(sig, u"$Windows 95$");
}

}  // namespace plat::inf
