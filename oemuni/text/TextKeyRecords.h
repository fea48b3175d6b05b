// Text-key records from printer data (key "TextKeyFunction"): reading and converting a value,
// and splitting a record into its tab-separated tokens.
//
// A record holds up to four tokens: the key, the replacement image name, the alternate text
// and the coupon image name. Runs of tabs count as one separator, so an unwanted action is
// written "_NULL_". Beyond four tokens, every fifth token is dropped and the next three take
// the places of tokens 2 to 4 again.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

inline constexpr int TEXT_KEY = 0;
inline constexpr int REPLACE_IMAGE = 1;
inline constexpr int ALTERNATE_TEXT = 2;
inline constexpr int COUPON_IMAGE = 3;

// Reads value `valueName` under "TextKeyFunction" with the device's printer handle. A value
// of more than one byte is UTF-16 text converted to `codePage` (it must fit into its byte
// size + 1 bytes, else it reads as empty); a value of 0 or 1 bytes is returned as stored.
// The result always ends with a zero byte; `size` receives its byte count, terminator
// included (for a 0- or 1-byte value, the stored size). None when the value cannot be read.
// Only the value's own bytes are read: a missing UTF-16 terminator or an odd byte count
// ends the text at the last whole code unit.
std::optional<std::vector<BYTE>> GetPrinterDataFromReg(PDEVOBJ pdevobj, const char16_t* valueName, DWORD& size,
                                                       UINT codePage);

// A copy of token `which` (TEXT_KEY .. COUPON_IMAGE) of the record (read up to its first zero
// byte or its end), with a terminating zero; `length` receives the token's length without
// it. None when the record has no tokens or not that one.
std::optional<std::vector<BYTE>> GetTokenFromTextKeyData(std::span<const BYTE> record, DWORD& length, int which);

// A token that exists and does not begin with "_NULL_".
bool IsUsableToken(const std::optional<std::vector<BYTE>>& token, DWORD length);

// The number of key records: the first byte of "NumTextKey" read as UTF-8. None when it
// cannot be read.
std::optional<DWORD> ReadNumTextKey(PDEVOBJ pdevobj);

// Record "TextKey%02d" of index `index`, converted to `codePage`; none when unreadable (logged
// by the caller with its own message).
std::optional<std::vector<BYTE>> ReadTextKeyRecord(PDEVOBJ pdevobj, DWORD index, UINT codePage);

// The name of record `index`: "TextKey%02d".
void TextKeyValueName(DWORD index, char (&name)[16]);
