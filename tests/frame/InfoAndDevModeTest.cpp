// GetInfo and the private DEVMODE part.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "oemuni/frame/OemInfo.h"
#include "platform/LastError.h"

namespace {

class InfoAndDevMode : public MachineTest {};

TEST_F(InfoAndDevMode, GetInfoModesAndBufferErrors) {
    PluginDevice dev;
    struct Case {
        DWORD mode;
        DWORD cbSize;
        bool withBuffer;
        HRESULT hr;
        DWORD needed;     // expected *pcbNeeded (0xFFFF: untouched)
        DWORD lastError;  // expected last error (0xFFFF: untouched)
        std::vector<BYTE> bytes;
    };
    const Case cases[] = {
        {1, 4, true, S_OK, 4, 0xFFFF, {0x54, 0x46, 0x53, 0x4D}},
        {3, 8, true, S_OK, 4, 0xFFFF, {0x01, 0x00, 0x00, 0x00}},
        {1, 3, true, E_FAIL, 4, 122, {}},
        {3, 4, false, E_FAIL, 4, 122, {}},
        {4, 100, true, E_FAIL, 8, 0xFFFF, {}},
        {2, 4, true, E_FAIL, 0xFFFF, 87, {}},
        {9, 4, true, E_FAIL, 0xFFFF, 87, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " cbSize " + std::to_string(c.cbSize));
        BYTE buffer[8];
        std::memset(buffer, 0xCC, sizeof buffer);
        DWORD needed = 0xFFFF;
        SetLastError(0xFFFF);
        EXPECT_EQ(dev.oem->GetInfo(c.mode, c.withBuffer ? buffer : nullptr, c.cbSize, &needed), c.hr);
        EXPECT_EQ(needed, c.needed);
        EXPECT_EQ(GetLastError(), c.lastError);
        if (!c.bytes.empty()) {
            EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 4), c.bytes);
        }
    }
    SetLastError(0);
    BYTE buffer[4];
    EXPECT_EQ(dev.oem->GetInfo(1, buffer, 4, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), 87u);
}

OEMDEVMODE Part(DWORD size, DWORD signature, DWORD version, DWORD v1, DWORD v2, DWORD reserved = 0) {
    OEMDEVMODE dm{};
    dm.dmOEMExtra = {size, signature, version};
    dm.dwValue1 = v1;
    dm.dwValue2 = v2;
    dm.dwReserved = reserved;
    return dm;
}

void ExpectPart(const OEMDEVMODE& dm, DWORD size, DWORD signature, DWORD version, DWORD v1, DWORD v2) {
    EXPECT_EQ(dm.dmOEMExtra.dwSize, size);
    EXPECT_EQ(dm.dmOEMExtra.dwSignature, signature);
    EXPECT_EQ(dm.dmOEMExtra.dwVersion, version);
    EXPECT_EQ(dm.dwValue1, v1);
    EXPECT_EQ(dm.dwValue2, v2);
}

TEST_F(InfoAndDevMode, SizeAndDefault) {
    PluginDevice dev;
    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, 24u);

    OEMDEVMODE out = Part(1, 2, 3, 4, 5);
    param.pOEMDMOut = &out;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_DEFAULT, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 0, 0);
    // The signature is stored as the bytes 54 46 53 4D.
    const auto* raw = reinterpret_cast<const BYTE*>(&out);
    EXPECT_EQ(std::vector<BYTE>(raw + 4, raw + 8), Bytes({0x54, 0x46, 0x53, 0x4D}));

    SetLastError(0);
    EXPECT_EQ(dev.oem->DevMode(5, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), 87u);
    SetLastError(0);
    EXPECT_EQ(dev.oem->DevMode(0, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), 87u);
    SetLastError(0);
    EXPECT_EQ(dev.oem->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), 87u);
}

TEST_F(InfoAndDevMode, MergeClampsValuesAbove100) {
    PluginDevice dev;
    OEMDEVMODE in = Part(24, OEM_SIGNATURE, 1, 101, 100);
    OEMDEVMODE out = Part(24, OEM_SIGNATURE, 1, 7, 7);
    OEMDMPARAM param{};
    param.pOEMDMIn = &in;
    param.pOEMDMOut = &out;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_MERGE, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 0, 100);

    // A foreign output part is re-stamped with this plug-in's header, its values cleared.
    in = Part(24, 0x11111111, 9, 50, 60);
    out = Part(24, 0x22222222, 9, 7, 7);
    EXPECT_EQ(dev.oem->DevMode(OEMDM_MERGE, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 0, 0);

    // Parts of equal signature copy the bytes both have (16 here), then get the header.
    out = Part(16, 0x11111111, 9, 7, 7);
    EXPECT_EQ(dev.oem->DevMode(OEMDM_MERGE, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 50, 0);
}

TEST_F(InfoAndDevMode, ConvertCopiesOnlyMatchingParts) {
    PluginDevice dev;
    OEMDMPARAM param{};

    // Equal signatures: the input is copied, the header fixed.
    OEMDEVMODE in = Part(24, OEM_SIGNATURE, 7, 33, 44, 0x55);
    OEMDEVMODE out = Part(24, OEM_SIGNATURE, 1, 1, 2, 0);
    param.pOEMDMIn = &in;
    param.pOEMDMOut = &out;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_CONVERT, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 33, 44);
    EXPECT_EQ(out.dwReserved, 0x55u);

    // Differing signatures: nothing copied, values 0, header {24, signature, 1}.
    in = Part(24, 0xABCDEF01, 1, 33, 44);
    out = Part(20, 0x22222222, 5, 9, 9, 0x66);
    EXPECT_EQ(dev.oem->DevMode(OEMDM_CONVERT, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 0, 0);
    EXPECT_EQ(out.dwReserved, 0x66u);

    // A shorter input part copies only its own bytes.
    in = Part(12, OEM_SIGNATURE, 3, 33, 44);
    out = Part(24, OEM_SIGNATURE, 1, 9, 9);
    EXPECT_EQ(dev.oem->DevMode(OEMDM_CONVERT, &param), S_OK);
    ExpectPart(out, 24, OEM_SIGNATURE, 1, 0, 0);

    // A missing part: nothing happens.
    out = Part(1, 2, 3, 4, 5);
    param.pOEMDMIn = nullptr;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_CONVERT, &param), S_OK);
    ExpectPart(out, 1, 2, 3, 4, 5);
}

TEST_F(InfoAndDevMode, ConvertNeverCopiesBeyondThePart) {
    PluginDevice dev;
    // Both parts claim to be far larger than they are: only the 24 bytes of the part are copied,
    // the bytes behind the output part stay as they were.
    struct Guarded {
        OEMDEVMODE part;
        BYTE guard[64];
    };
    Guarded in{};
    Guarded out{};
    in.part = Part(4000, OEM_SIGNATURE, 1, 10, 20);
    std::memset(in.guard, 0xAA, sizeof in.guard);
    out.part = Part(4000, OEM_SIGNATURE, 1, 0, 0);
    std::memset(out.guard, 0x5A, sizeof out.guard);
    OEMDMPARAM param{};
    param.pOEMDMIn = &in.part;
    param.pOEMDMOut = &out.part;
    EXPECT_EQ(dev.oem->DevMode(OEMDM_CONVERT, &param), S_OK);
    ExpectPart(out.part, 24, OEM_SIGNATURE, 1, 10, 20);
    for (BYTE b : out.guard) ASSERT_EQ(b, 0x5A);
}

}  // namespace
