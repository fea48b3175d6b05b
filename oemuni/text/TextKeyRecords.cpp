// Reading text-key records from printer data and splitting them into tokens.
#include "oemuni/text/TextKeyRecords.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "platform/CodePage.h"
#include "platform/Printers.h"

namespace {

constexpr const char16_t* kTextKeyFunction = u"TextKeyFunction";
constexpr const char* kTokenNames[] = {"GetTokenFromTextKeyData : TEXT_KEY", "GetTokenFromTextKeyData : REPLACE_IMAGE",
                                       "GetTokenFromTextKeyData : ALTERNATE_TEXT",
                                       "GetTokenFromTextKeyData : COUPON_IMAGE"};

// The UTF-16 text of a value: its whole code units (little-endian) up to the first zero unit.
std::u16string Utf16OfValue(std::span<const BYTE> value) {
    std::u16string text;
    text.reserve(value.size() / 2);
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::optional<std::vector<BYTE>> GetPrinterDataFromReg(PDEVOBJ pdevobj, const char16_t* valueName, DWORD& size,
                                                       UINT codePage) {
    size = 0;
    if (pdevobj == nullptr || pdevobj->hPrinter == nullptr) {
        DebugLogA("pdevobj->hPrinter is NULL.");
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD needed = 0;
    DWORD result = GetPrinterDataExW(pdevobj->hPrinter, kTextKeyFunction, valueName, &type, nullptr, 0, &needed);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
        DebugLogA("GetPrinterDataFromReg : GetPrinterDataEx failed. (%d)", static_cast<int>(result));
        return std::nullopt;
    }
    DebugLogA("GetPrinterDataFromReg : pdwBufSize needed to allocate :  (%d)", static_cast<int>(needed));

    std::vector<BYTE> raw;
    try {
        raw.assign(static_cast<size_t>(needed) + 1, 0);
    } catch (const std::bad_alloc&) {
        DebugLogA("GetPrinterDataFromReg : failed to allocate the buffer. (dwBufSize : %d)", static_cast<int>(needed));
        return std::nullopt;
    }
    DWORD read = 0;
    result = GetPrinterDataExW(pdevobj->hPrinter, kTextKeyFunction, valueName, &type, raw.data(), needed, &read);
    if (result != ERROR_SUCCESS) {
        DebugLogA("GetPrinterDataFromReg : GetPrinterDataEx failed. (%d)", static_cast<int>(result));
        return std::nullopt;
    }
    if (read > needed) read = needed;  // never trust a count beyond the buffer
    raw.resize(static_cast<size_t>(read) + 1);
    raw[read] = 0;
    if (read <= 1) {
        size = read;
        return raw;
    }

    const std::u16string text = Utf16OfValue(std::span<const BYTE>(raw.data(), read));
    const DWORD capacity = read + 1;
    std::vector<BYTE> converted(capacity, 0);
    int bytes = 0;
    if (!text.empty()) {
        bytes = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
        // The text and its terminator must fit; otherwise the value reads as empty.
        if (bytes <= 0 || static_cast<DWORD>(bytes) + 1 > capacity) {
            bytes = 0;
        } else {
            bytes = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                        reinterpret_cast<char*>(converted.data()), bytes, nullptr, nullptr);
            if (bytes < 0) bytes = 0;
        }
    }
    converted.resize(static_cast<size_t>(bytes) + 1);
    converted[bytes] = 0;
    size = static_cast<DWORD>(bytes) + 1;
    return converted;
}

std::optional<std::vector<BYTE>> GetTokenFromTextKeyData(std::span<const BYTE> record, DWORD& length, int which) {
    length = 0;
    if (record.empty()) {
        DebugLogA("GetTokenFromTextKeyData : pbyTextKeyToken is NULL.");
        return std::nullopt;
    }
    if (which >= TEXT_KEY && which <= COUPON_IMAGE) DebugLogA("%s", kTokenNames[which]);

    // The record ends at its first zero byte or at the end of the value, whichever is first.
    const BYTE* terminator = static_cast<const BYTE*>(std::memchr(record.data(), 0, record.size()));
    const size_t end = terminator != nullptr ? static_cast<size_t>(terminator - record.data()) : record.size();
    const std::string_view text(reinterpret_cast<const char*>(record.data()), end);

    std::string_view tokens[4];
    bool present[4] = {false, false, false, false};
    size_t count = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == '\t') ++pos;
        if (pos >= text.size()) break;
        size_t next = text.find('\t', pos);
        if (next == std::string_view::npos) next = text.size();
        const std::string_view token = text.substr(pos, next - pos);
        pos = next;
        // Token 1 is the key; then tokens 2 to 4, a dropped one, tokens 2 to 4 again, ...
        int slot = -1;
        if (count == 0) {
            slot = 0;
        } else if ((count - 1) % 4 < 3) {
            slot = static_cast<int>((count - 1) % 4) + 1;
        }
        ++count;
        if (slot < 0) continue;
        tokens[slot] = token;
        present[slot] = true;
        DebugLogA("GetTokenFromTextKeyData : TOKEN-%d : %.*s, %d", slot + 1, static_cast<int>(token.size()),
                  token.data(), static_cast<int>(token.size()));
    }
    if (!present[0]) {
        DebugLogA("GetTokenFromTextKeyData :  FIRST TOKEN-1 is NULL");
        return std::nullopt;
    }
    if (which < TEXT_KEY || which > COUPON_IMAGE || !present[which]) return std::nullopt;
    std::vector<BYTE> copy(tokens[which].begin(), tokens[which].end());
    copy.push_back(0);
    length = static_cast<DWORD>(tokens[which].size());
    return copy;
}

bool IsUsableToken(const std::optional<std::vector<BYTE>>& token, DWORD length) {
    if (!token || length == 0) return false;
    return !(length >= 6 && std::memcmp(token->data(), "_NULL_", 6) == 0);
}

std::optional<DWORD> ReadNumTextKey(PDEVOBJ pdevobj) {
    DWORD size = 0;
    const auto value = GetPrinterDataFromReg(pdevobj, u"NumTextKey", size, CP_UTF8);
    if (!value) return std::nullopt;
    return static_cast<DWORD>((*value)[0]);
}

void TextKeyValueName(DWORD index, char (&name)[16]) {
    std::snprintf(name, sizeof name, "TextKey%02u", static_cast<unsigned>(index));
}

std::optional<std::vector<BYTE>> ReadTextKeyRecord(PDEVOBJ pdevobj, DWORD index, UINT codePage) {
    char name[16];
    TextKeyValueName(index, name);
    char16_t wideName[16] = {};
    for (size_t i = 0; i < sizeof name && name[i] != 0; ++i) wideName[i] = static_cast<char16_t>(name[i]);
    DWORD size = 0;
    return GetPrinterDataFromReg(pdevobj, wideName, size, codePage);
}
