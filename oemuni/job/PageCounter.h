// The page counter of the device, published as the printer data value "PAGES".
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

// Counts the page (16 bits, wrapping) and stores both bytes as "PAGES" (REG_BINARY).
void SetPrintPageNumber(PDEVOBJ pdevobj);
