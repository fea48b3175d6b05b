#include "oemuni/frame/ClassFactory.h"

#include <atomic>
#include <memory>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/NoThrowAlloc.h"
#include "oemuni/frame/OemUni.h"

namespace {

std::atomic<LONG> g_cServerLocks{0};

class COemCF final : public IClassFactory {
public:
    COemCF() = default;
    ~COemCF() = default;
    COemCF(const COemCF&) = delete;
    COemCF& operator=(const COemCF&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    ULONG AddRef() override { return static_cast<ULONG>(++m_cRef); }

    ULONG Release() override {
        const LONG n = --m_cRef;
        if (n == 0) {
            std::unique_ptr<COemCF> self(this);  // the last reference owns the factory
        }
        return static_cast<ULONG>(n);
    }

    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
        DebugLogA("CreateInstance : START");
        if (ppv != nullptr) *ppv = nullptr;
        if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
        COemUni* pOemUni = CreateOemUni();
        if (pOemUni == nullptr) {
            DebugLogA("CreateInstance : E_OUTOFMEMORY");
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = pOemUni->QueryInterface(riid, ppv);
        pOemUni->Release();  // the creation reference
        DebugLogA("CreateInstance : END (0x%08X)", static_cast<unsigned>(hr));
        return hr;
    }

    HRESULT LockServer(BOOL fLock) override {
        if (fLock) {
            ++g_cServerLocks;
        } else {
            --g_cServerLocks;
        }
        return S_OK;
    }

private:
    std::atomic<LONG> m_cRef{1};
};

}  // namespace

HRESULT OemDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    DebugLogA("DllGetClassObject : START");
    if (!(rclsid == CLSID_OEMRENDER)) {
        if (ppv != nullptr) *ppv = nullptr;
        DebugLogA("DllGetClassObject : CLASS_E_CLASSNOTAVAILABLE");
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    std::unique_ptr<COemCF> factory = MakeUniqueNoThrow<COemCF>();
    if (!factory) {
        if (ppv != nullptr) *ppv = nullptr;
        return E_OUTOFMEMORY;
    }
    COemCF* pFactory = factory.release();  // owned by its reference count from here
    const HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    DebugLogA("DllGetClassObject : END (0x%08X)", static_cast<unsigned>(hr));
    return hr;
}

HRESULT OemDllCanUnloadNow() { return g_cServerLocks.load() == 0 ? S_OK : S_FALSE; }
