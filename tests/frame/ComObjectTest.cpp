// The library entry points, the class factory and the COM rules of the plug-in object.
#include <gtest/gtest.h>

#include "PluginHarness.h"
#include "oemuni/frame/ClassFactory.h"

namespace {

TEST(ClassFactory, OnlyThePluginClassIsServed) {
    constexpr CLSID kOther = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* pv = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(OemDllGetClassObject(kOther, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(OemDllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_NE(factory, nullptr);
    // The query's reference is the only one left.
    EXPECT_EQ(factory->AddRef(), 2u);
    EXPECT_EQ(factory->Release(), 1u);

    void* unknown = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<void*>(factory));
    factory->Release();
    void* other = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->QueryInterface(IID_IPrintOemUni, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(factory, IID_IPrintOemUni, &obj), CLASS_E_NOAGGREGATION);  // any outer object

    IPrintOemUni* oem = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni, reinterpret_cast<void**>(&oem)), S_OK);
    ASSERT_NE(oem, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &obj), E_NOINTERFACE);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->Release(), 0u);

    EXPECT_EQ(oem->AddRef(), 2u);
    EXPECT_EQ(oem->Release(), 1u);
    EXPECT_EQ(oem->Release(), 0u);
}

TEST(ClassFactory, ServerLocksKeepTheLibraryLoaded) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(OemDllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(OemDllCanUnloadNow(), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(OemDllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(OemDllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(OemDllCanUnloadNow(), S_OK);
    factory->Release();
}

class PluginObject : public MachineTest {};

TEST_F(PluginObject, QueryInterfaceAnswersOnlyItsOwnInterfaces) {
    PluginDevice dev;
    void* pv = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(dev.oem->QueryInterface(IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(dev.oem->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<void*>(dev.oem));
    dev.oem->Release();
}

TEST_F(PluginObject, ServiceInterfaceIsHeldOnceAndReleased) {
    FakeDriverUni host;
    IClassFactory* factory = nullptr;
    ASSERT_EQ(OemDllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IPrintOemUni* oem = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni, reinterpret_cast<void**>(&oem)), S_OK);
    factory->Release();

    EXPECT_EQ(oem->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.refs, 1);
    EXPECT_EQ(oem->PublishDriverInterface(&host), S_OK);  // already held: no second reference
    EXPECT_EQ(host.refs, 1);
    EXPECT_EQ(oem->DisableDriver(), S_OK);
    EXPECT_EQ(host.refs, 0);

    FakeDriverUni refusing;
    refusing.refuseInterface = true;
    EXPECT_EQ(oem->PublishDriverInterface(&refusing), E_FAIL);
    EXPECT_EQ(oem->PublishDriverInterface(nullptr), E_FAIL);

    EXPECT_EQ(oem->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.refs, 1);
    EXPECT_EQ(oem->Release(), 0u);  // the last Release gives the service interface back
    EXPECT_EQ(host.refs, 0);
}

TEST_F(PluginObject, FixedAnswersOfTheOptionalMethods) {
    PluginDevice dev;
    IPrintOemUni* o = dev.oem;
    EXPECT_EQ(o->ResetPDEV(nullptr, nullptr), S_OK);
    EXPECT_EQ(o->DriverDMS(nullptr, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->Compression(nullptr, nullptr, nullptr, 0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->HalftonePattern(nullptr, nullptr, 0, 0, 0, 0, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(o->MemoryUsage(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->TTYGetInfo(nullptr, 0, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->DownloadFontHeader(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->DownloadCharGlyph(nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
    DWORD untouched = 77;
    EXPECT_EQ(o->TTDownloadMethod(nullptr, nullptr, &untouched), S_OK);
    EXPECT_EQ(untouched, 77u);
    EXPECT_EQ(o->OutputCharStr(nullptr, nullptr, 0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->SendFontCmd(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(o->TextOutAsBitmap(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
              E_NOTIMPL);
}

TEST_F(PluginObject, GetImplementedMethodIsExactAndCaseSensitive) {
    PluginDevice dev;
    const std::pair<const char*, HRESULT> cases[] = {
        {"CommandCallback", S_OK},   {"Compression", S_OK},     {"DownloadCharGlyph", S_OK},
        {"DownloadFontHeader", S_OK}, {"FilterGraphics", S_OK}, {"HalftonePattern", S_OK},
        {"ImageProcessing", S_OK},   {"MemoryUsage", S_OK},     {"OutputCharStr", S_OK},
        {"SendFontCmd", S_OK},       {"TTDownloadMethod", S_OK}, {"TTYGetInfo", S_OK},
        {"TextOutAsBitmap", S_OK},   {"WritePrinter", S_OK},    {"imageprocessing", S_FALSE},
        {"DriverDMS", S_FALSE},      {"ImageProcessing ", S_FALSE}, {"", S_FALSE},
    };
    for (auto [name, expected] : cases) {
        std::string copy = name;
        EXPECT_EQ(dev.oem->GetImplementedMethod(copy.data()), expected) << name;
    }
    EXPECT_EQ(dev.oem->GetImplementedMethod(nullptr), S_FALSE);
}

TEST_F(PluginObject, FilterGraphicsPassesBytesThroughWithoutJournal) {
    PluginDevice dev;
    ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
    std::vector<BYTE> bytes = Bytes({0x1B, 0x2A, 0x00, 0x01, 0x02});
    EXPECT_EQ(dev.oem->FilterGraphics(&dev.devobj, bytes.data(), 5), S_OK);
    EXPECT_EQ(dev.driver.stream, bytes);
    dev.driver.maxPerCall = 3;
    EXPECT_EQ(dev.oem->FilterGraphics(&dev.devobj, bytes.data(), 5), E_FAIL);
}

TEST_F(PluginObject, EnableDriverHandsOutTheHookTable) {
    PluginDevice dev;
    ASSERT_EQ(dev.hooks.iDriverVersion, 0x10000u);
    ASSERT_EQ(dev.hooks.c, 29u);
    const ULONG expected[29] = {71, 18, 19, 13, 15, 47, 37, 68, 31, 17, 70, 53, 26, 28, 27,
                                12, 20, 69, 16, 14, 23, 74, 35, 34, 33, 32, 57, 58, 24};
    for (ULONG i = 0; i < 29; ++i) {
        EXPECT_EQ(dev.hooks.pdrvfn[i].iFunc, expected[i]) << "entry " << i;
        EXPECT_NE(dev.hooks.pdrvfn[i].pfn, nullptr);
    }
}

}  // namespace
