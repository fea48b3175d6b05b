// SendCouponImageData: the coupon images collected during the document, sent once each, in
// the order their names were collected, straight to the spooler after the last page.
#include "oemuni/text/CouponImages.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/job/JobOutput.h"
#include "oemuni/text/TextKeyImages.h"

bool SendCouponImageData(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("SendCouponImageData : START");
    OemPDEV* dev = GetOemPDEV(pdevobj);
    if (dev == nullptr || dev->szCouponImgName.empty() || dev->dwCouponImgNameLength == 0) return false;

    // Take the list over; the next document starts with an empty one.
    ByteBuffer taken;
    std::swap(taken, dev->szCouponImgName);
    const DWORD listLength = std::min(dev->dwCouponImgNameLength, taken.size());
    dev->dwCouponImgNameLength = 0;
    std::string_view list(reinterpret_cast<const char*>(taken.data()), listLength);
    list = list.substr(0, list.find('\0'));
    DebugLogA("SendCouponImageData : pbyCouponImgName = %.*s", static_cast<int>(list.size()), list.data());

    std::vector<BYTE> combined;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t next = list.find('/', pos);
        if (next == std::string_view::npos) next = list.size();
        const std::string_view name = list.substr(pos, next - pos);
        pos = next + 1;
        if (name.empty()) continue;
        std::vector<BYTE> image;
        const std::span<const BYTE> nameBytes(reinterpret_cast<const BYTE*>(name.data()), name.size());
        if (GetTextKeyImgBufFromFile(pdevobj, nameBytes, image) != 0) {
            combined.insert(combined.end(), image.begin(), image.end());
        }
    }

    bool bResult = false;
    if (!combined.empty()) {
        const DWORD size = static_cast<DWORD>(combined.size());
        DWORD dwResult = 0;
        HRESULT hr = E_FAIL;
        if (jobOutput.m_pDriverUni != nullptr) {
            hr = jobOutput.m_pDriverUni->DrvWriteSpoolBuf(pdevobj, combined.data(), size, &dwResult);
        }
        DebugLogA("SendCouponImageData : dwCouponImgBufSize : %u", size);
        DebugLogA("SendCouponImageData : dwResult : %u", dwResult);
        if (jobOutput.IsJournalOpen()) jobOutput.WritePrintDataToFile(combined.data(), size);
        bResult = hr == S_OK && dwResult == size;
    }
    DebugLogA("SendCouponImageData : END");
    return bResult;
}
