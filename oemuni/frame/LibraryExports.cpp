// The two entry points the plug-in library exports to Unidrv. Everything else stays hidden.
#include "oemuni/frame/ClassFactory.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                                             void** ppv) {
    return OemDllGetClassObject(rclsid, riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return OemDllCanUnloadNow(); }
