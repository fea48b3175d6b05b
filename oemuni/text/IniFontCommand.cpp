#include <array>
#include <cstdio>
#include <new>
#include <optional>
#include <string>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/DevFontCommands.h"
#include "oemuni/text/TextConversion.h"
#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Profile.h"

namespace {

constexpr char16_t kIniFileName[] = u"MKTG450.INI";
constexpr char16_t kIniSection[] = u"FontControlA";
constexpr DWORD kPrintProcessorDirBytes = 256;
constexpr DWORD kValueBufBytes = 2048;

// 0-15 for 0-9 and upper-case A-F; anything else (lower case included) is not a digit here.
int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::string ToAnsi(const char16_t* wide) {
    std::array<BYTE, 1024> buf{};
    ConvertWideToMultiByte(wide, buf, CP_ACP);
    return std::string(reinterpret_cast<const char*>(buf.data()));
}

}  // namespace

DWORD GetCommandFromFile(OemPDEV* pOemPDEV, std::vector<BYTE>& command,
                         std::span<const BYTE> szAnsiText) {
    command.clear();
    if (pOemPDEV == nullptr) {
        DebugLogA("GetCommandFromFile : pOemPDEV is NULL.");
        return 0;
    }
    if (szAnsiText.data() == nullptr) {
        DebugLogA("GetCommandFromFile : szAnsiText is NULL.");
        return 0;
    }
    if (szAnsiText.empty()) {
        DebugLogA("GetCommandFromFile : dwAnsiTextLength is Zero.");
        return 0;
    }

    // "<print-processor folder>\MKTG450.INI" of the local machine.
    std::array<char16_t, kPrintProcessorDirBytes / sizeof(char16_t)> dir{};
    DWORD needed = 0;
    if (!GetPrintProcessorDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir.data()),
                                     kPrintProcessorDirBytes, &needed)) {
        DebugLogA("GetCommandFromFile : GetPrintProcessorDirectory failed with (%d)",
                  static_cast<int>(GetLastError()));
        return 0;
    }
    dir.back() = 0;
    const std::u16string iniPath = std::u16string(dir.data()) + u"\\" + kIniFileName;
    DebugLogA("GetCommandFromFile : pOemPDEV->szPrinterName : %s, szIniFilePath : %s",
              pOemPDEV->szPrinterNameA, ToAnsi(iniPath.c_str()).c_str());

    // A character's value is read once per call, however often the character occurs.
    std::array<std::optional<std::u16string>, 0x80> values;
    std::array<char16_t, kValueBufBytes / sizeof(char16_t)> value{};
    try {
        for (BYTE c : szAnsiText) {
            if (c < 0x20 || c > 0x7F) continue;
            std::optional<std::u16string>& cached = values[c];
            if (!cached) {
                char key[3];
                std::snprintf(key, sizeof key, "%02x", static_cast<unsigned>(c));
                const char16_t wideKey[3] = {static_cast<char16_t>(key[0]), static_cast<char16_t>(key[1]), 0};
                const DWORD length = GetPrivateProfileStringW(kIniSection, wideKey, nullptr, value.data(),
                                                              static_cast<DWORD>(value.size()), iniPath.c_str());
                cached.emplace(value.data(), length);
            }
            const std::u16string& v = *cached;
            if (v.empty() || v.size() % 2 != 0) continue;
            command.reserve(command.size() + v.size() / 2);
            for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
                const int high = HexDigit(v[i]);
                const int low = HexDigit(v[i + 1]);
                if (high < 0 || low < 0) continue;
                command.push_back(static_cast<BYTE>(high * 16 + low));
            }
        }
    } catch (const std::bad_alloc&) {
        command.clear();
        DebugLogA("GetCommandFromFile : failed to allocate the buffer. (pbyBuffer)");
        return 0;
    }
    DebugLogA("GetCommandFromFile END");
    return static_cast<DWORD>(command.size());
}
