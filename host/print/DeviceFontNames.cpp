#include "host/print/DeviceFontNames.h"

#include <array>
#include <cctype>

namespace mkt::host {
namespace {

constexpr std::array<std::string_view, 51> kBarcodeFonts = {
    "UPC-A", "UPC-E", "JAN13(EAN)", "JAN13 (EAN)", "JAN8(EAN)", "JAN8 (EAN)", "Code39", "ITF",
    "Codabar", "Code93", "Code128", "Barcode1", "Barcode2", "Barcode3", "Barcode4", "Barcode5",
    "Barcode6", "Barcode7", "Barcode8", "Barcode9", "PDF417", "QR Code", "MAXI Code",
    "MAXI Code[Mode2]", "MAXI Code[Mode3]", "MAXI Code[Mode4]", "DATAMATRIX Code", "DATAMATRIX",
    "GS1 Databar", "GS1 Databar Omnidirect", "GS1 Databar Truncated", "GS1 Databar Stacked",
    "GS1 Databar Stacked Omnidirect", "GS1 Databar UPC-A", "GS1 Databar UPC-E",
    "GS1 Databar EAN-13", "GS1 Databar EAN-8", "GS1 Databar UCC/EAN-128&CC-A/B",
    "GS1 Databar UCC/EAN-128&CC-C", "Aztec", "Aztec[DataMode]", "Aztec[GS1Mode]",
    "Aztec[UnicodeMode]", "2D-Code1", "2D-Code2", "2D-Code3", "2D-Code4", "2D-Code5", "2D-Code6",
    "2D-Code7", "2D-Code8"};

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view pattern) {
    if (pattern.empty() || pattern.size() > text.size()) return false;
    for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
        if (EqualNoCase(text.substr(i, pattern.size()), pattern)) return true;
    }
    return false;
}

}  // namespace

std::span<const std::string_view> BarcodeFontNames() { return kBarcodeFonts; }

bool IsDeviceFontName(std::string_view name) {
    if (name == "FontControl" || name == "Control" || name == "FontControlA") return true;
    for (std::string_view part : {"FontA", "FontB", "FontC", "Chinese", "Korean", "Japanese"}) {
        if (ContainsNoCase(name, part)) return true;
    }
    for (std::string_view barcode : kBarcodeFonts) {
        if (EqualNoCase(name, barcode)) return true;
    }
    return false;
}

}  // namespace mkt::host
