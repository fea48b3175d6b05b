// The barcode-font table and the lookup of a family name in it.
#include <cstring>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/BarcodeTypes.h"
#include "oemuni/text/FontNames.h"

namespace {

constexpr BARCODE_FLAG BarcodeFlag[BARCODE_FLAG_COUNT] = {
    {"UPC-A", 0x41},
    {"UPC-E", 0x42},
    {"JAN13(EAN)", 0x43},
    {"JAN13 (EAN)", 0x43},
    {"JAN8(EAN)", 0x44},
    {"JAN8 (EAN)", 0x44},
    {"Code39", 0x45},
    {"ITF", 0x46},
    {"Codabar", 0x47},
    {"Code93", 0x48},
    {"Code128", 0x49},
    {"Barcode1", 0x81},
    {"Barcode2", 0x81},
    {"Barcode3", 0x81},
    {"Barcode4", 0x81},
    {"Barcode5", 0x81},
    {"Barcode6", 0x81},
    {"Barcode7", 0x81},
    {"Barcode8", 0x81},
    {"Barcode9", 0x81},
    {"PDF417", 0x82},
    {"QR Code", 0x83},
    {"MAXI Code", 0x85},
    {"MAXI Code[Mode2]", 0x86},
    {"MAXI Code[Mode3]", 0x87},
    {"MAXI Code[Mode4]", 0x88},
    {"DATAMATRIX Code", 0x84},
    {"DATAMATRIX", 0x84},
    {"GS1 Databar", 0x89},
    {"GS1 Databar Omnidirect", 0x8A},
    {"GS1 Databar Truncated", 0x8B},
    {"GS1 Databar Stacked", 0x8C},
    {"GS1 Databar Stacked Omnidirect", 0x8D},
    {"GS1 Databar UPC-A", 0x8E},
    {"GS1 Databar UPC-E", 0x8F},
    {"GS1 Databar EAN-13", 0x90},
    {"GS1 Databar EAN-8", 0x91},
    {"GS1 Databar UCC/EAN-128&CC-A/B", 0x92},
    {"GS1 Databar UCC/EAN-128&CC-C", 0x93},
    {"Aztec", 0x94},
    {"Aztec[DataMode]", 0x95},
    {"Aztec[GS1Mode]", 0x96},
    {"Aztec[UnicodeMode]", 0x97},
    {"2D-Code1", 0x98},
    {"2D-Code2", 0x98},
    {"2D-Code3", 0x98},
    {"2D-Code4", 0x98},
    {"2D-Code5", 0x98},
    {"2D-Code6", 0x98},
    {"2D-Code7", 0x98},
    {"2D-Code8", 0x98},
    {"", 0},
};

// Names are NUL-padded in 32 bytes; a name filling all 32 has no terminator.
std::string_view FlagName(const BARCODE_FLAG& flag) {
    return std::string_view(flag.szFlag, strnlen(flag.szFlag, sizeof flag.szFlag));
}

}  // namespace

std::span<const BARCODE_FLAG> BarcodeFlagTable() { return BarcodeFlag; }

DWORD GetBarcodeType(const char* familyName) {
    DebugLogA("GetBarcodeType : START");
    if (familyName == nullptr) return 0;
    const std::string_view name(familyName);
    DebugLogA("GetBarcodeType : szFontName = %s", familyName);
    DebugLogA("GetBarcodeType : strlen(szFontName) = %d", static_cast<int>(name.size()));
    for (const BARCODE_FLAG& flag : BarcodeFlag) {
        const std::string_view flagName = FlagName(flag);
        if (flag.dwType == 0 || flagName.empty()) continue;
        DebugLogA("GetBarcodeType : BarcodeFlag[nIndex].szFlag = %.*s, %d", static_cast<int>(flagName.size()),
                  flagName.data(), static_cast<int>(flagName.size()));
        // Contained and of the same length: the names are equal ignoring case.
        if (flagName.size() == name.size() && FindSubstringNoCase(name, flagName)) {
            DebugLogA("GetBarcodeType : MATCHED BARCODE = %.*s, %d", static_cast<int>(flagName.size()),
                      flagName.data(), static_cast<int>(flag.dwType & 0xFF));
            return flag.dwType & 0xFF;
        }
    }
    return 0;
}
