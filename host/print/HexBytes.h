// Hex strings of job descriptions ("1B2A00", blanks allowed between bytes).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace mkt::host {

// The bytes of a hex string; nullopt when it holds anything but hex digit pairs and blanks.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);

}  // namespace mkt::host
