#include "oemuni/frame/OemInfo.h"

#include <algorithm>
#include <cstring>

#include "oemuni/frame/DebugLog.h"
#include "platform/LastError.h"

namespace {

void PutDwordLE(void* p, DWORD v) {
    auto* b = static_cast<BYTE*>(p);
    b[0] = static_cast<BYTE>(v);
    b[1] = static_cast<BYTE>(v >> 8);
    b[2] = static_cast<BYTE>(v >> 16);
    b[3] = static_cast<BYTE>(v >> 24);
}

// Converts the input part into the output part. Only the bytes both parts really have are
// copied: a size field larger than the part itself is not trusted.
void ConvertOemDevMode(const OEMDEVMODE* pIn, OEMDEVMODE* pOut) {
    if (pIn == nullptr || pOut == nullptr) return;
    pOut->dwValue1 = 0;
    pOut->dwValue2 = 0;
    if (pIn->dmOEMExtra.dwSignature == pOut->dmOEMExtra.dwSignature) {
        const DWORD dwCopy = std::min({pIn->dmOEMExtra.dwSize, pOut->dmOEMExtra.dwSize, OEM_DEVMODE_SIZE});
        std::memmove(pOut, pIn, dwCopy);
    } else {
        pOut->dmOEMExtra.dwSignature = OEM_SIGNATURE;
    }
    pOut->dmOEMExtra.dwSize = OEM_DEVMODE_SIZE;
    pOut->dmOEMExtra.dwVersion = OEM_VERSION;
}

}  // namespace

HRESULT OemGetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    DebugLogA("GetInfo : START");
    HRESULT hr = E_FAIL;
    if (pcbNeeded == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (dwMode == OEMGI_GETSIGNATURE || dwMode == OEMGI_GETVERSION) {
        *pcbNeeded = sizeof(DWORD);
        if (cbSize < sizeof(DWORD) || pBuffer == nullptr) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            PutDwordLE(pBuffer, dwMode == OEMGI_GETSIGNATURE ? OEM_SIGNATURE : OEM_VERSION);
            hr = S_OK;
        }
    } else if (dwMode == OEMGI_GETPUBLISHERINFO) {
        *pcbNeeded = 8;  // publisher information is not offered
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    DebugLogA("GetInfo : END");
    return hr;
}

HRESULT OemDevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) {
    DebugLogA("DevMode : START, dwMode = %u", dwMode);
    if (pOemDMParam == nullptr || dwMode < OEMDM_SIZE || dwMode > OEMDM_MERGE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        DebugLogA("DevMode : END (invalid parameter)");
        return E_FAIL;
    }
    auto* pIn = static_cast<const OEMDEVMODE*>(pOemDMParam->pOEMDMIn);
    auto* pOut = static_cast<OEMDEVMODE*>(pOemDMParam->pOEMDMOut);
    HRESULT hr = S_OK;
    switch (dwMode) {
    case OEMDM_SIZE:
        pOemDMParam->cbBufSize = OEM_DEVMODE_SIZE;
        break;
    case OEMDM_DEFAULT:
        if (pOut == nullptr) {
            // nowhere to put the defaults: reported, not pretended
            SetLastError(ERROR_INVALID_PARAMETER);
            hr = E_FAIL;
            break;
        }
        pOut->dmOEMExtra.dwSize = OEM_DEVMODE_SIZE;
        pOut->dmOEMExtra.dwSignature = OEM_SIGNATURE;
        pOut->dmOEMExtra.dwVersion = OEM_VERSION;
        pOut->dwValue1 = 0;
        pOut->dwValue2 = 0;
        break;
    case OEMDM_CONVERT:
        ConvertOemDevMode(pIn, pOut);
        break;
    case OEMDM_MERGE:
        ConvertOemDevMode(pIn, pOut);
        if (pOut != nullptr) {
            pOut->dmOEMExtra.dwSize = OEM_DEVMODE_SIZE;
            pOut->dmOEMExtra.dwSignature = OEM_SIGNATURE;
            pOut->dmOEMExtra.dwVersion = OEM_VERSION;
            if (pOut->dwValue1 > OEM_VALUE_MAX) pOut->dwValue1 = 0;
            if (pOut->dwValue2 > OEM_VALUE_MAX) pOut->dwValue2 = 0;
        }
        break;
    default:
        break;
    }
    DebugLogA("DevMode : END");
    return hr;
}
