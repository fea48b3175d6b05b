#include <array>
#include <initializer_list>
#include <new>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/DevFontCommands.h"

namespace {

struct ControlEntry {
    BYTE length = 0;
    std::array<BYTE, 11> bytes = {};
};

constexpr ControlEntry Entry(std::initializer_list<BYTE> bytes) {
    ControlEntry e;
    for (BYTE b : bytes) e.bytes[e.length++] = b;
    return e;
}

// The printer functions of the control font, by character code. Characters without an
// entry (F and f among them) produce nothing. Stored graphics use function 25 here.
constexpr std::array<ControlEntry, 128> MakeControlTable() {
    std::array<ControlEntry, 128> t{};
    t['('] = Entry({0x1B, 0x45, 0x00});  // emphasis off
    t[')'] = Entry({0x1B, 0x45, 0x01});  // emphasis on
    t['+'] = Entry({0x1B, 0x2D, 0x00});  // underline off
    t['-'] = Entry({0x1B, 0x2D, 0x01});  // underline on
    t['5'] = Entry({0x09});              // horizontal tab
    t['6'] = Entry({0x0A});              // line feed
    t['7'] = Entry({0x0D});              // carriage return
    // Drawer pulses, pin 2 (upper case) and pin 5 (lower case), on-time 0x19 to 0x7D.
    const BYTE onTimes[5] = {0x19, 0x32, 0x4B, 0x64, 0x7D};
    for (int i = 0; i < 5; ++i) {
        t['A' + i] = Entry({0x1B, 0x70, 0x00, onTimes[i], 0xFF});
        t['a' + i] = Entry({0x1B, 0x70, 0x01, onTimes[i], 0xFF});
    }
    // Stored bit images 1 to 5, normal size (G to K) and quadruple size ([ ] ^ _ `).
    const char quad[5] = {'[', ']', '^', '_', '`'};
    for (int i = 0; i < 5; ++i) {
        t['G' + i] = Entry({0x1C, 0x70, static_cast<BYTE>(i + 1), 0x00});
        t[static_cast<unsigned char>(quad[i])] = Entry({0x1C, 0x70, static_cast<BYTE>(i + 1), 0x03});
    }
    t['P'] = Entry({0x0A, 0x1D, 0x56, 0x42, 0x00});  // line feed, then feed and cut
    // Stored graphics keys "00" to "04", scale 1 x 1 (R to V) and 2 x 2 (i to m).
    for (int i = 0; i < 5; ++i) {
        const BYTE key = static_cast<BYTE>(0x30 + i);
        t['R' + i] = Entry({0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, key, 0x01, 0x01});
        t['i' + i] = Entry({0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x25, 0x30, key, 0x02, 0x02});
    }
    t['g'] = Entry({0x1D, 0x56, 0x01});              // cut
    t['p'] = Entry({0x1D, 0x48, 0x00});              // barcode text off
    t['q'] = Entry({0x1D, 0x48, 0x01, 0x1D, 0x66, 0x00});
    t['r'] = Entry({0x1D, 0x48, 0x02, 0x1D, 0x66, 0x00});
    t['s'] = Entry({0x1D, 0x48, 0x01, 0x1D, 0x66, 0x01});
    t['t'] = Entry({0x1D, 0x48, 0x02, 0x1D, 0x66, 0x01});
    t['u'] = Entry({0x1D, 0x42, 0x01});              // reverse printing on
    t['v'] = Entry({0x1D, 0x42, 0x00});              // reverse printing off
    t['w'] = Entry({0x1B, 0x61, 0x00});              // align left
    t['x'] = Entry({0x1B, 0x61, 0x01});              // align centre
    t['y'] = Entry({0x1B, 0x61, 0x02});              // align right
    return t;
}

constexpr std::array<ControlEntry, 128> kControlTable = MakeControlTable();

}  // namespace

DWORD GetFontControlCommand(OemPDEV* /*pOemPDEV*/, std::vector<BYTE>& command,
                            std::span<const BYTE> szAnsiText) {
    command.clear();
    if (szAnsiText.empty()) {
        DebugLogA("GetFontControlCommand : dwAnsiTextLength is Zero.");
        return 0;
    }
    try {
        command.reserve(11 * szAnsiText.size() + 1);
    } catch (const std::bad_alloc&) {
        DebugLogA("GetFontControlCommand : Failed to allocate the buffer. (pbyBuffer)");
        return 0;
    }
    for (BYTE c : szAnsiText) {
        if (c < 0x21 || c >= 0x7F) continue;
        const ControlEntry& e = kControlTable[c];
        command.insert(command.end(), e.bytes.begin(), e.bytes.begin() + e.length);
    }
    DebugLogA("GetFontControlCommand : The length to be returned : %d", static_cast<int>(command.size()));
    return static_cast<DWORD>(command.size());
}
