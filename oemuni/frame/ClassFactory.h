// The class factory of the plug-in and the work behind the two library exports.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

// DllGetClassObject: a class factory for the plug-in's class, asked for riid.
HRESULT OemDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// DllCanUnloadNow: S_OK when no server lock is held, else S_FALSE.
HRESULT OemDllCanUnloadNow();
