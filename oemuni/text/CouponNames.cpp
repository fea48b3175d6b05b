// SaveCouponImgName and CheckCouponNameAlreadyExist: collecting the coupon names of the keys
// found in the document's text.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/text/CouponNames.h"
#include "oemuni/text/TextKeyRecords.h"
#include "oemuni/text/TextKeys.h"
#include "platform/CodePage.h"

namespace {

std::string_view AsText(std::span<const BYTE> bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Stores the first name of the list, or appends "/" and the name. The list stays terminated
// and dwCouponImgNameLength counts the terminator.
bool AddCouponName(OemPDEV& dev, std::span<const BYTE> name) {
    ByteBuffer& list = dev.szCouponImgName;
    if (list.empty() || dev.dwCouponImgNameLength == 0) {
        list.release();
        if (!list.append(name) || !list.grow(1)) {
            list.release();
            dev.dwCouponImgNameLength = 0;
            return false;
        }
    } else {
        // The old terminator becomes "/", a new terminator follows the name.
        const DWORD oldSize = list.size();
        if (!list.grow(static_cast<DWORD>(name.size()) + 1)) {
            dev.dwCouponImgNameLength = 0;
            return false;
        }
        list[oldSize - 1] = '/';
        std::memcpy(list.data() + oldSize, name.data(), name.size());
    }
    dev.dwCouponImgNameLength = list.size();
    return true;
}

}  // namespace

BOOL CheckCouponNameAlreadyExist(PDEVOBJ pdevobj, std::span<const BYTE> name) {
    const OemPDEV* dev = GetOemPDEV(pdevobj);
    if (dev == nullptr || dev->szCouponImgName.empty()) {
        DebugLogA("pOemPDEV->szCouponImgName == NULL");
        return 0;
    }
    if (dev->dwCouponImgNameLength == 0) {
        DebugLogA("pOemPDEV->dwCouponImgNameLength == 0");
        return 0;
    }
    const DWORD length = std::min(dev->dwCouponImgNameLength, dev->szCouponImgName.size());
    std::string_view list = AsText(dev->szCouponImgName.span().first(length));
    list = list.substr(0, list.find('\0'));
    const std::string_view wanted = AsText(name);
    size_t pos = 0;
    while (pos < list.size()) {
        size_t next = list.find('/', pos);
        if (next == std::string_view::npos) next = list.size();
        const std::string_view entry = list.substr(pos, next - pos);
        pos = next + 1;
        if (entry.empty()) continue;
        DebugLogA("CheckCouponNameAlreadyExist : TOKEN = %.*s , (%d)", static_cast<int>(entry.size()), entry.data(),
                  static_cast<int>(entry.size()));
        if (entry == wanted) return 1;
    }
    return 0;
}

BOOL SaveCouponImgName(PDEVOBJ pdevobj, std::span<const BYTE> szAnsiText) {
    const auto count = ReadNumTextKey(pdevobj);
    if (!count) {
        DebugLogA("GetPrinterDataFromReg returned NULL. (NumTextKey)");
        return 0;
    }
    DebugLogA("SaveCouponImgName : pbyNumTextKey[0] = %d", static_cast<int>(*count));
    OemPDEV* dev = GetOemPDEV(pdevobj);
    if (dev == nullptr) return 1;

    for (DWORD i = 0; i < *count; ++i) {
        const auto record = ReadTextKeyRecord(pdevobj, i, CP_UTF8);
        if (!record) {
            DebugLogA("SaveCouponImgName : GetPrinterDataFromReg returned NULL. (TextKey%02u)", static_cast<unsigned>(i));
            continue;
        }
        DWORD keyLength = 0;
        DWORD couponLength = 0;
        const auto key = GetTokenFromTextKeyData(*record, keyLength, TEXT_KEY);
        const auto coupon = GetTokenFromTextKeyData(*record, couponLength, COUPON_IMAGE);
        if (!IsUsableToken(key, keyLength)) {
            DebugLogA("SaveCouponImgName : szTextKey is NULL or dwTextKeyLength is ZERO");
            continue;
        }
        if (!IsUsableToken(coupon, couponLength)) {
            DebugLogA("SaveCouponImgName : szCouponImgName is NULL or dwCouponImgNameLength is ZERO");
            continue;
        }
        const std::span<const BYTE> keyBytes(key->data(), keyLength);
        const std::span<const BYTE> couponName(coupon->data(), couponLength);
        // "/" separates the list's entries: such a name could never be found in it again and
        // would be added (and sent) once per occurrence.
        if (std::memchr(couponName.data(), '/', couponName.size()) != nullptr) {
            DebugLogA("SaveCouponImgName : the coupon name '%.*s' contains '/', ignored.",
                      static_cast<int>(couponLength), reinterpret_cast<const char*>(couponName.data()));
            continue;
        }
        if (keyLength > szAnsiText.size()) continue;
        for (size_t pos = 0; pos + keyLength <= szAnsiText.size(); ++pos) {
            if (std::memcmp(szAnsiText.data() + pos, keyBytes.data(), keyLength) != 0) continue;
            DebugLogA("SaveCouponImgName :---MATCHING TEXT KEY---");
            DebugLogA("SaveCouponImgName : szTextKey = %.*s, nIndex = %d, szCouponImgName = %.*s",
                      static_cast<int>(keyLength), reinterpret_cast<const char*>(keyBytes.data()),
                      static_cast<int>(pos), static_cast<int>(couponLength),
                      reinterpret_cast<const char*>(couponName.data()));
            if (dev->szCouponImgName.empty() || dev->dwCouponImgNameLength == 0) {
                DebugLogA("SaveCouponImgName : adding a coupon name without checking at first time.");
                if (!AddCouponName(*dev, couponName)) break;
            } else if (CheckCouponNameAlreadyExist(pdevobj, couponName)) {
                DebugLogA("SaveCouponImgName : The coupon name, '%.*s' already exist.", static_cast<int>(couponLength),
                          reinterpret_cast<const char*>(couponName.data()));
                break;
            } else if (!AddCouponName(*dev, couponName)) {
                break;
            }
        }
    }
    return 1;
}
