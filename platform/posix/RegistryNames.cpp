// Key and value names as host file names: reversible %XX escapes for the characters
// a Windows or POSIX file name cannot hold, UTF-8 for the rest.
#include <optional>

#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryStore.h"

namespace plat {

namespace {
bool NeedsEscape(char16_t c) {
    switch (c) {
        case u'\\': case u'/': case u':': case u'*': case u'?': case u'"':
        case u'<': case u'>': case u'|': case u'%':
            return true;
        default:
            return c < 0x20 || c == 0x7F;
    }
}
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string EscapeRegName(std::u16string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    if (name == u"." || name == u"..") return name.size() == 1 ? "%2E" : "%2E%2E";
    std::string out;
    out.reserve(name.size());
    size_t runStart = 0;
    auto flush = [&](size_t end) {
        if (end > runStart) out += ToUtf8(name.substr(runStart, end - runStart));
    };
    for (size_t i = 0; i < name.size(); ++i) {
        if (!NeedsEscape(name[i])) continue;
        flush(i);
        out.push_back('%');
        out.push_back(kHex[(name[i] >> 4) & 0xF]);
        out.push_back(kHex[name[i] & 0xF]);
        runStart = i + 1;
    }
    flush(name.size());
    return out;
}

namespace detail {
std::optional<std::u16string> TryUnescapeRegName(std::string_view fileName) {
    std::u16string out;
    size_t runStart = 0;
    auto flush = [&](size_t end) {
        if (end > runStart) out += FromUtf8(fileName.substr(runStart, end - runStart));
    };
    for (size_t i = 0; i < fileName.size(); ++i) {
        if (fileName[i] != '%') continue;
        if (i + 2 >= fileName.size()) return std::nullopt;
        const int hi = HexValue(fileName[i + 1]);
        const int lo = HexValue(fileName[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        flush(i);
        out.push_back(static_cast<char16_t>(hi * 16 + lo));
        i += 2;
        runStart = i + 1;
    }
    flush(fileName.size());
    return out;
}
}  // namespace detail

std::u16string UnescapeRegName(std::string_view fileName) {
    auto r = detail::TryUnescapeRegName(fileName);
    return r ? *r : FromUtf8(fileName);
}

}  // namespace plat
