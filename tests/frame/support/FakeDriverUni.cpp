#include "FakeDriverUni.h"

#include <algorithm>
#include <cstring>

HRESULT FakeDriverUni::QueryInterface(REFIID riid, void** ppv) {
    if (!refuseInterface && (riid == IID_IUnknown || riid == IID_IPrintOemDriverUni)) {
        *ppv = static_cast<IPrintOemDriverUni*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeDriverUni::DrvGetDriverSetting(PVOID, PCSTR Feature, PVOID pOutput, DWORD cbSize, PDWORD pcbNeeded,
                                           PDWORD pdwOptionsReturned) {
    const auto it = features.find(Feature != nullptr ? Feature : "");
    if (it == features.end() || !it->second) return E_FAIL;
    const std::string& text = *it->second;
    const DWORD need = static_cast<DWORD>(text.size() + 2);  // keyword list ends with two zeros
    if (pcbNeeded != nullptr) *pcbNeeded = need;
    if (pdwOptionsReturned != nullptr) *pdwOptionsReturned = 1;
    if (cbSize < need || pOutput == nullptr) return E_FAIL;
    std::memset(pOutput, 0, need);
    std::memcpy(pOutput, text.data(), text.size());
    return S_OK;
}

HRESULT FakeDriverUni::DrvWriteSpoolBuf(PDEVOBJ, PVOID pBuffer, DWORD cbSize, PDWORD pdwResult) {
    callSizes.push_back(cbSize);
    callOffsets.push_back(static_cast<DWORD>(stream.size()));
    DWORD take = cbSize;
    if (acceptNothing) take = 0;
    if (maxPerCall) take = std::min(take, *maxPerCall);
    HRESULT hr = S_OK;
    if (failAfter) {
        const DWORD room = *failAfter > stream.size() ? *failAfter - static_cast<DWORD>(stream.size()) : 0;
        if (take > room) {
            take = room;
            hr = E_FAIL;
        }
    }
    const auto* p = static_cast<const BYTE*>(pBuffer);
    stream.insert(stream.end(), p, p + take);
    if (pdwResult != nullptr) *pdwResult = take;
    return hr;
}
