// UTF-8 <-> UTF-16 for job text (invalid UTF-8 sequences become U+FFFD).
#pragma once

#include <string>
#include <string_view>

namespace mkt::host {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace mkt::host
