// The document's coupon name list: names separated by "/" and terminated by a zero byte, in
// OemPDEV::szCouponImgName (dwCouponImgNameLength bytes, terminator included).
#pragma once

#include <span>

#include "oemuni/frame/UnidrvTypes.h"

// 1 when `name` (without terminator) is an entry of the list, compared in full, else 0.
BOOL CheckCouponNameAlreadyExist(PDEVOBJ pdevobj, std::span<const BYTE> name);
