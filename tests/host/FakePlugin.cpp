#include "FakePlugin.h"

#include <cstring>

namespace mkt::host::test {
namespace {

FakeRecord* g_record = nullptr;
std::vector<ULONG> g_hooked;
IPrintOemDriverUni* g_driverUni = nullptr;

template <typename Fn>
Fn HostEntry(ULONG index) {
    auto it = g_record->hostEntries.find(index);
    return it == g_record->hostEntries.end() ? nullptr : reinterpret_cast<Fn>(it->second);
}

BOOL HookStartDoc(SURFOBJ* pso, PWSTR name, DWORD jobId) {
    g_record->calls.push_back("OEMStartDoc:" + std::to_string(jobId));
    return HostEntry<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(pso, name, jobId);
}
BOOL HookStartPage(SURFOBJ* pso) {
    g_record->calls.push_back("OEMStartPage");
    return HostEntry<PFN_DrvStartPage>(INDEX_DrvStartPage)(pso);
}
BOOL HookSendPage(SURFOBJ* pso) {
    g_record->calls.push_back("OEMSendPage");
    return HostEntry<PFN_DrvSendPage>(INDEX_DrvSendPage)(pso);
}
BOOL HookEndDoc(SURFOBJ* pso, FLONG fl) {
    g_record->calls.push_back("OEMEndDoc");
    return HostEntry<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(pso, fl);
}
BOOL HookStartBanding(SURFOBJ* pso, POINTL* p) {
    g_record->calls.push_back("OEMStartBanding");
    return HostEntry<PFN_DrvStartBanding>(INDEX_DrvStartBanding)(pso, p);
}
BOOL HookNextBand(SURFOBJ* pso, POINTL* p) {
    g_record->calls.push_back("OEMNextBand");
    return HostEntry<PFN_DrvNextBand>(INDEX_DrvNextBand)(pso, p);
}
BOOL HookBitBlt(SURFOBJ* a, SURFOBJ* b, SURFOBJ* c, CLIPOBJ* d, XLATEOBJ* e, RECTL* r, POINTL* f, POINTL* g,
                BRUSHOBJ* h, POINTL* i, ROP4 rop) {
    g_record->calls.push_back("OEMBitBlt");
    g_record->blitRects.push_back(*r);
    return HostEntry<PFN_DrvBitBlt>(INDEX_DrvBitBlt)(a, b, c, d, e, r, f, g, h, i, rop);
}
BOOL HookStretchBlt(SURFOBJ* a, SURFOBJ* b, SURFOBJ* c, CLIPOBJ* d, XLATEOBJ* e, COLORADJUSTMENT* f, POINTL* g,
                    RECTL* r, RECTL* s, POINTL* h, ULONG mode) {
    g_record->calls.push_back("OEMStretchBlt");
    g_record->blitRects.push_back(*r);
    return HostEntry<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt)(a, b, c, d, e, f, g, r, s, h, mode);
}
BOOL HookStretchBltROP(SURFOBJ* a, SURFOBJ* b, SURFOBJ* c, CLIPOBJ* d, XLATEOBJ* e, COLORADJUSTMENT* f,
                       POINTL* g, RECTL* r, RECTL* s, POINTL* h, ULONG mode, BRUSHOBJ* bo, ROP4 rop) {
    g_record->calls.push_back("OEMStretchBltROP");
    g_record->blitRects.push_back(*r);
    return HostEntry<PFN_DrvStretchBltROP>(INDEX_DrvStretchBltROP)(a, b, c, d, e, f, g, r, s, h, mode, bo, rop);
}
BOOL HookTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* a, RECTL* b, BRUSHOBJ* c,
                 BRUSHOBJ* d, POINTL* e, MIX mix) {
    g_record->calls.push_back("OEMTextOut");
    TextCall t;
    t.text.assign(pstro->pwszOrg, pstro->cGlyphs);
    t.bkGround = pstro->rclBkGround;
    t.fontType = pfo->flFontType;
    IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
    t.family = IFIFamilyName(ifi);
    t.fsSelection = ifi->fsSelection;
    t.weight = ifi->usWinWeight;
    t.charset = ifi->jWinCharSet;
    t.pitch = ifi->jWinPitchAndFamily;
    t.unitsPerEm = ifi->fwdUnitsPerEm;
    XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(pfo), &t.xform);
    g_record->texts.push_back(t);
    if ((pfo->flFontType & FO_TYPE_DEVICE) && !g_record->passTextOn) return FALSE;  // captured
    return HostEntry<PFN_DrvTextOut>(INDEX_DrvTextOut)(pso, pstro, pfo, pco, a, b, c, d, e, mix);
}

class FakeOemUni final : public IPrintOemUni {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IPrintOemUni) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG Release() override {
        const long n = --m_refs;
        if (n == 0) {
            g_record->calls.push_back("destroyed");
            if (g_driverUni) g_driverUni->Release();
            g_driverUni = nullptr;
            delete this;
        }
        return static_cast<ULONG>(n);
    }
    HRESULT GetInfo(DWORD, PVOID, DWORD, PDWORD) override { return E_NOTIMPL; }
    HRESULT DevMode(DWORD, OEMDMPARAM*) override { return E_NOTIMPL; }
    HRESULT EnableDriver(DWORD, DWORD, DRVENABLEDATA* pded) override {
        g_record->calls.push_back("EnableDriver");
        m_table.clear();
        for (ULONG index : g_hooked) {
            PFN fn = nullptr;
            switch (index) {
                case INDEX_DrvStartDoc: fn = reinterpret_cast<PFN>(&HookStartDoc); break;
                case INDEX_DrvStartPage: fn = reinterpret_cast<PFN>(&HookStartPage); break;
                case INDEX_DrvSendPage: fn = reinterpret_cast<PFN>(&HookSendPage); break;
                case INDEX_DrvEndDoc: fn = reinterpret_cast<PFN>(&HookEndDoc); break;
                case INDEX_DrvStartBanding: fn = reinterpret_cast<PFN>(&HookStartBanding); break;
                case INDEX_DrvNextBand: fn = reinterpret_cast<PFN>(&HookNextBand); break;
                case INDEX_DrvBitBlt: fn = reinterpret_cast<PFN>(&HookBitBlt); break;
                case INDEX_DrvStretchBlt: fn = reinterpret_cast<PFN>(&HookStretchBlt); break;
                case INDEX_DrvStretchBltROP: fn = reinterpret_cast<PFN>(&HookStretchBltROP); break;
                case INDEX_DrvTextOut: fn = reinterpret_cast<PFN>(&HookTextOut); break;
                default: break;
            }
            if (fn) m_table.push_back(DRVFN{index, fn});
        }
        pded->iDriverVersion = PRINTER_OEMINTF_VERSION;
        pded->c = static_cast<ULONG>(m_table.size());
        pded->pdrvfn = m_table.data();
        return S_OK;
    }
    HRESULT DisableDriver() override {
        g_record->calls.push_back("DisableDriver");
        if (g_driverUni) g_driverUni->Release();
        g_driverUni = nullptr;
        return S_OK;
    }
    HRESULT EnablePDEV(PDEVOBJ pdevobj, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*, DRVENABLEDATA* pded,
                       PDEVOEM* pDevOem) override {
        g_record->calls.push_back("EnablePDEV");
        for (ULONG i = 0; i < pded->c; ++i) g_record->hostEntries[pded->pdrvfn[i].iFunc] = pded->pdrvfn[i].pfn;
        char buf[256] = {};
        DWORD needed = 0, options = 0;
        g_record->inputBinResult = g_driverUni->DrvGetDriverSetting(pdevobj, "InputBin", buf, sizeof buf, &needed, &options);
        if (SUCCEEDED(g_record->inputBinResult)) g_record->inputBin = buf;
        std::memset(buf, 0, sizeof buf);
        if (SUCCEEDED(g_driverUni->DrvGetDriverSetting(pdevobj, "Orientation", buf, sizeof buf, &needed, &options))) {
            g_record->orientation = buf;
        }
        if (pdevobj->pPublicDM) g_record->devmode = *pdevobj->pPublicDM;
        *pDevOem = g_record;
        return S_OK;
    }
    HRESULT DisablePDEV(PDEVOBJ) override {
        g_record->calls.push_back("DisablePDEV");
        return S_OK;
    }
    HRESULT ResetPDEV(PDEVOBJ, PDEVOBJ) override { return S_OK; }
    HRESULT PublishDriverInterface(IUnknown* unknown) override {
        g_record->calls.push_back("PublishDriverInterface");
        if (g_driverUni) return S_OK;
        return unknown->QueryInterface(IID_IPrintOemDriverUni, reinterpret_cast<void**>(&g_driverUni));
    }
    HRESULT GetImplementedMethod(PSTR) override { return S_FALSE; }
    HRESULT DriverDMS(PVOID, PVOID, DWORD, PDWORD) override { return E_NOTIMPL; }
    HRESULT CommandCallback(PDEVOBJ pdevobj, DWORD id, DWORD, PDWORD, INT*) override {
        g_record->calls.push_back("CommandCallback:" + std::to_string(id));
        BYTE marker[2] = {0xC0, static_cast<BYTE>(id)};
        DWORD written = 0;
        g_driverUni->DrvWriteSpoolBuf(pdevobj, marker, sizeof marker, &written);
        return S_OK;
    }
    HRESULT ImageProcessing(PDEVOBJ, PBYTE bits, BITMAPINFOHEADER* bih, PBYTE, DWORD id, IPPARAMS* ipp,
                            INT* result) override {
        g_record->calls.push_back("ImageProcessing");
        BandCall b;
        b.bytes.assign(bits, bits + bih->biSizeImage);
        b.header = *bih;
        b.callbackId = id;
        b.params = *ipp;
        g_record->bands.push_back(std::move(b));
        *result = 1;
        return S_OK;
    }
    HRESULT FilterGraphics(PDEVOBJ, PBYTE, DWORD) override { return E_NOTIMPL; }
    HRESULT Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) override { return E_NOTIMPL; }
    HRESULT HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) override { return E_NOTIMPL; }
    HRESULT MemoryUsage(PDEVOBJ, OEMMEMORYUSAGE*) override { return E_NOTIMPL; }
    HRESULT TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT DownloadFontHeader(PDEVOBJ, UNIFONTOBJ*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DownloadCharGlyph(PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT TTDownloadMethod(PDEVOBJ, UNIFONTOBJ*, DWORD*) override { return S_OK; }
    HRESULT OutputCharStr(PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID) override { return E_NOTIMPL; }
    HRESULT SendFontCmd(PDEVOBJ, UNIFONTOBJ*, FINVOCATION*) override { return E_NOTIMPL; }
    HRESULT TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*,
                            MIX) override {
        return E_NOTIMPL;
    }

private:
    long m_refs = 1;
    std::vector<DRVFN> m_table;
};

class FakeFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG Release() override {
        const long n = --m_refs;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* obj = new FakeOemUni();
        const HRESULT hr = obj->QueryInterface(riid, ppv);
        obj->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    long m_refs = 1;
};

}  // namespace

void ConfigureFakePlugin(FakeRecord* record, std::vector<ULONG> hookedIndices) {
    g_record = record;
    g_hooked = std::move(hookedIndices);
    g_driverUni = nullptr;
}

HRESULT FakeDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!(rclsid == CLSID_OEMRENDER)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new FakeFactory();
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace mkt::host::test
