#include <cstring>
#include <new>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/DevFontCommands.h"
#include "oemuni/text/FontHeight.h"
#include "oemuni/text/FontNames.h"

namespace {

// The name lives in a zero-filled buffer upstream, so a position past its end reads as 0.
BYTE CharAt(std::string_view name, std::size_t index) {
    return index < name.size() ? static_cast<BYTE>(name[index]) : BYTE{0};
}

// (W - '1') in the high nibble, (H - '1') in the low one, modulo 256.
BYTE SizeByte(BYTE w, BYTE h) {
    return static_cast<BYTE>(((static_cast<int>(w) - 0x31) * 16 + (static_cast<int>(h) - 0x31)) & 0xFF);
}

bool IsDoubleByteFont(std::string_view name) {
    return FindSubstringNoCase(name, "Korean") || FindSubstringNoCase(name, "Chinese2312") ||
           FindSubstringNoCase(name, "ChineseBIG5") || FindSubstringNoCase(name, "Japanese");
}

}  // namespace

DWORD GetDevFontCommand(std::vector<BYTE>& command, const char* familyName,
                        std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength, LONG X,
                        FONTOBJ* pfo) {
    command.clear();
    if (familyName == nullptr) {
        DebugLogA("GetDevFontCommand : szFontName is NULL.");
        return 0;
    }
    DWORD feed = 0;
    if (pfo != nullptr) {
        const DWORD height = GetFontHeight(pfo);
        feed = height > 255 ? 255 : height;
    }
    const std::string_view name(familyName);
    const BYTE xL = static_cast<BYTE>(X % 256);
    const BYTE xH = static_cast<BYTE>(X / 256);

    try {
        command.reserve(14);
        if (FindSubstringNoCase(name, "Korean")) {
            DebugLogA("GetDevFontCommand : KOREAN FONT");
            const BYTE n = SizeByte(CharAt(name, 6), CharAt(name, 8));
            command = {0x1C, 0x26, 0x1D, 0x21, n, 0x1B, 0x24, xL, xH};
        } else if (FindSubstringNoCase(name, "Chinese2312") || FindSubstringNoCase(name, "ChineseBIG5")) {
            DebugLogA("GetDevFontCommand : CHINESE 2312 / BIG5 FONT");
            const BYTE n = SizeByte(CharAt(name, 12), CharAt(name, 14));
            command = {0x1C, 0x26, 0x1D, 0x21, n, 0x1B, 0x24, xL, xH};
        } else if (FindSubstringNoCase(name, "Japanese")) {
            DebugLogA("GetDevFontCommand : JAPANESE FONT");
            const BYTE n = SizeByte(CharAt(name, 8), CharAt(name, 10));
            command = {0x1C, 0x26, 0x1C, 0x43, 0x01, 0x1D, 0x21, n, 0x1B, 0x24, xL, xH};
        } else {
            DebugLogA("GetDevFontCommand : STANDARD FONT");
            const BYTE letter = CharAt(name, 4);
            const BYTE sixth = CharAt(name, 6);
            const BYTE h = (sixth == 'x' || sixth == 'X') ? CharAt(name, 7) : sixth;
            const BYTE n = SizeByte(CharAt(name, 5), h);
            const BYTE table = FindSubstringNoCase(name, "Ext") ? 0x00
                               : FindSubstringNoCase(name, "255") ? 0xFF
                                                                  : 0x10;
            // The font-letter command opens with 08, not 1B: the printer expects it so.
            command = {0x1B, 0x74, table, 0x08, 0x4D, 0x00, letter, 0x1D, 0x21, n, 0x1B, 0x24, xL, xH};
        }

        // The line end travels with the text: [cancel double-byte mode] print and feed h dots.
        BYTE lineEnd[5];
        DWORD lineEndLength = 0;
        if (IsDoubleByteFont(name)) {
            lineEnd[lineEndLength++] = 0x1C;
            lineEnd[lineEndLength++] = 0x2E;
        }
        lineEnd[lineEndLength++] = 0x1B;
        lineEnd[lineEndLength++] = 0x4A;
        lineEnd[lineEndLength++] = static_cast<BYTE>(feed);
        if (szAnsiText.size() < static_cast<std::size_t>(dwAnsiTextLength) + lineEndLength) {
            szAnsiText.resize(static_cast<std::size_t>(dwAnsiTextLength) + lineEndLength, 0);
        }
        std::memcpy(szAnsiText.data() + dwAnsiTextLength, lineEnd, lineEndLength);
        dwAnsiTextLength += lineEndLength;
    } catch (const std::bad_alloc&) {
        command.clear();
        DebugLogA("GetDevFontCommand : Failed to allocate the buffer. (pbyBuffer)");
        return 0;
    }
    DebugLogA("GetDevFontCommand : FEED COMMANDS ADDED : 1B 4A %x", static_cast<unsigned>(feed));
    return static_cast<DWORD>(command.size());
}
