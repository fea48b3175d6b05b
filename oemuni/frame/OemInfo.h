// The plug-in's identity (GetInfo) and its private DEVMODE part (DevMode).
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

// The plug-in signature, stored as the bytes 54 46 53 4D.
inline constexpr DWORD OEM_SIGNATURE = 0x4D534654;
inline constexpr DWORD OEM_VERSION = 1;
inline constexpr DWORD OEM_DEVMODE_SIZE = sizeof(OEMDEVMODE);  // 24
inline constexpr DWORD OEM_VALUE_MAX = 100;

HRESULT OemGetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded);
HRESULT OemDevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam);
