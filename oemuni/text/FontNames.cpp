#include "oemuni/text/FontNames.h"

#include <cstring>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/FontRecords.h"

namespace {

// Upper case in the C locale: only a-z change.
constexpr unsigned char UpperC(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

}  // namespace

std::optional<std::size_t> FindSubstringNoCase(std::string_view text, std::string_view pattern) {
    if (text.empty() || pattern.empty() || pattern.size() > text.size()) return std::nullopt;
    const unsigned char first = UpperC(static_cast<unsigned char>(pattern[0]));
    const std::size_t last = text.size() - pattern.size();
    // A mismatch after a partial match restarts one character after that match's start.
    for (std::size_t start = 0; start <= last; ++start) {
        if (UpperC(static_cast<unsigned char>(text[start])) != first) continue;
        std::size_t k = 1;
        while (k < pattern.size() &&
               UpperC(static_cast<unsigned char>(text[start + k])) ==
                   UpperC(static_cast<unsigned char>(pattern[k]))) {
            ++k;
        }
        if (k == pattern.size()) return start;
    }
    return std::nullopt;
}

DWORD GetDeviceFontType(const char* familyName) {
    const std::string_view name = familyName != nullptr ? std::string_view(familyName) : std::string_view();
    DWORD type = FTYPE_DEVICE_BARCODE;
    // The control fonts are matched exactly: "control" or "FontControlB" are other fonts.
    if (name == "FontControl" || name == "Control") {
        type = FTYPE_DEVICE_FONT_CONTROL;
    } else if (name == "FontControlA") {
        type = FTYPE_DEVICE_FONT_CONTROL_A;
    } else {
        static constexpr std::string_view kResident[] = {"FontA",   "FontB",  "FontC",
                                                          "Chinese", "Korean", "Japanese"};
        for (std::string_view pattern : kResident) {
            if (FindSubstringNoCase(name, pattern)) {
                type = FTYPE_DEVICE_FONT;
                break;
            }
        }
    }
    DebugLogA("GetDeviceFontType : szFontName = %s, %d", familyName != nullptr ? familyName : "",
              static_cast<int>(type));
    return type;
}
