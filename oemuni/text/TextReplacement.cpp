// TextReplacementWithText: keys with an alternate text are replaced in the captured text.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextKeyRecords.h"
#include "oemuni/text/TextKeys.h"
#include "platform/CodePage.h"

namespace {

// A text that no record field could hold is not grown any further: an alternate text longer
// than its key multiplies the text with every occurrence.
constexpr DWORD kMaxReplacedTextLength = FONT_RECORD_MAX_FIELD;

// Replaces every occurrence of `key` in the first `length` bytes of `text` by `alternate`.
// Scanning resumes right after each inserted alternate text, so an alternate text that
// contains its key is inserted once per occurrence in the original text. The capacity changes
// by the same amount as the length; bytes beyond the text stay zero.
void ReplaceKey(std::vector<BYTE>& text, DWORD& length, DWORD& capacity, std::span<const BYTE> key,
                std::span<const BYTE> alternate) {
    const DWORD keyLength = static_cast<DWORD>(key.size());
    const DWORD altLength = static_cast<DWORD>(alternate.size());
    if (keyLength == 0 || keyLength > length) return;

    if (altLength == keyLength) {
        for (DWORD pos = 0; pos + keyLength <= length;) {
            if (std::memcmp(text.data() + pos, key.data(), keyLength) == 0) {
                DebugLogA("TextReplacementWithText : dwStartIndex : %u", pos);
                std::memcpy(text.data() + pos, alternate.data(), altLength);
                pos += altLength;
            } else {
                ++pos;
            }
        }
        return;
    }

    // One pass builds the result: each match of the old text becomes the alternate text.
    std::vector<BYTE> out;
    out.reserve(length);
    DWORD pos = 0;
    bool changed = false;
    while (pos < length) {
        if (pos + keyLength <= length && std::memcmp(text.data() + pos, key.data(), keyLength) == 0) {
            const size_t rest = length - pos - keyLength;
            if (altLength > keyLength && out.size() + altLength + rest > kMaxReplacedTextLength) {
                DebugLogA("TextReplacementWithText : the text would grow beyond %u bytes, not replaced further.",
                          kMaxReplacedTextLength);
                out.insert(out.end(), text.begin() + pos, text.begin() + length);
                pos = length;
                break;
            }
            DebugLogA("TextReplacementWithText : dwStartIndex : %u", static_cast<unsigned>(out.size()));
            out.insert(out.end(), alternate.begin(), alternate.end());
            pos += keyLength;
            changed = true;
        } else {
            out.push_back(text[pos]);
            ++pos;
        }
    }
    if (!changed) return;
    const long long diff = static_cast<long long>(out.size()) - static_cast<long long>(length);
    const DWORD newCapacity = static_cast<DWORD>(static_cast<long long>(capacity) + diff);
    out.resize(newCapacity, 0);  // the old capacity's spare bytes, all zero
    text.swap(out);
    length = static_cast<DWORD>(static_cast<long long>(length) + diff);
    capacity = newCapacity;
}

}  // namespace

BOOL TextReplacementWithText(PDEVOBJ pdevobj, std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength,
                             DWORD& dwAnsiTextBufSize) {
    const auto count = ReadNumTextKey(pdevobj);
    if (!count) {
        DebugLogA("TextReplacementWithText : GetPrinterDataFromReg returned NULL. (NumTextKey)");
        return 0;
    }
    // Counts the buffer cannot hold are not believed.
    dwAnsiTextBufSize = std::min<DWORD>(dwAnsiTextBufSize, static_cast<DWORD>(szAnsiText.size()));
    szAnsiText.resize(dwAnsiTextBufSize);
    dwAnsiTextLength = std::min(dwAnsiTextLength, dwAnsiTextBufSize);

    for (DWORD i = 0; i < *count; ++i) {
        const auto record = ReadTextKeyRecord(pdevobj, i, CP_OEMCP);
        if (!record) {
            DebugLogA("TextReplacementWithText : GetPrinterDataFromReg returned NULL. (TextKey%02u)",
                      static_cast<unsigned>(i));
            continue;
        }
        DWORD keyLength = 0;
        DWORD altLength = 0;
        const auto key = GetTokenFromTextKeyData(*record, keyLength, TEXT_KEY);
        const auto alternate = GetTokenFromTextKeyData(*record, altLength, ALTERNATE_TEXT);
        if (!IsUsableToken(key, keyLength)) {
            DebugLogA("TextReplacementWithText : szTextKey is NULL or dwTextKeyLength is ZERO");
            continue;
        }
        if (!IsUsableToken(alternate, altLength)) {
            DebugLogA("TextReplacementWithText : szAlternateText is NULL or dwAlternateTextLength is ZERO");
            continue;
        }
        DebugLogA("TextReplacementWithText : szAnsiText : %.*s", static_cast<int>(dwAnsiTextLength),
                  reinterpret_cast<const char*>(szAnsiText.data()));
        DebugLogA("TextReplacementWithText : szTextKey : %.*s, szAlternateText : %.*s", static_cast<int>(keyLength),
                  reinterpret_cast<const char*>(key->data()), static_cast<int>(altLength),
                  reinterpret_cast<const char*>(alternate->data()));
        try {
            ReplaceKey(szAnsiText, dwAnsiTextLength, dwAnsiTextBufSize, std::span<const BYTE>(key->data(), keyLength),
                       std::span<const BYTE>(alternate->data(), altLength));
        } catch (const std::bad_alloc&) {
            DebugLogA("TextReplacementWithText : failed to allocate the buffer.");
        }
    }
    return 1;
}
