// The printer description's font list: which family names Unidrv reports as device fonts
// (resident, control and barcode fonts). Every other name is a TrueType font.
#pragma once

#include <span>
#include <string_view>

namespace mkt::host {

// The barcode font names of the printer description, in table order.
std::span<const std::string_view> BarcodeFontNames();

// True for "FontControl", "Control", "FontControlA" (exact), names containing FontA, FontB,
// FontC, Chinese, Korean or Japanese (any case), and barcode font names (whole name, any case).
bool IsDeviceFontName(std::string_view familyName);

}  // namespace mkt::host
