// A stand-in rendering plug-in for testing the host without MKUNI450: it records every call the
// host makes, hooks a chosen set of drawing indices (chaining to the host's entry points, as the
// real plug-in does), and writes a marker to the spooler at each command callback.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

namespace mkt::host::test {

struct TextCall {
    std::u16string text;
    RECTL bkGround{};
    FLONG fontType = 0;
    std::u16string family;
    USHORT fsSelection = 0;
    USHORT weight = 0;
    BYTE charset = 0;
    BYTE pitch = 0;
    SHORT unitsPerEm = 0;
    XFORML xform{};
};

struct BandCall {
    std::vector<BYTE> bytes;
    BITMAPINFOHEADER header{};
    DWORD callbackId = 0;
    IPPARAMS params{};
};

struct FakeRecord {
    std::vector<std::string> calls;
    std::vector<TextCall> texts;
    std::vector<BandCall> bands;
    std::vector<RECTL> blitRects;
    std::map<ULONG, PFN> hostEntries;  // what EnablePDEV received
    std::string inputBin;              // DrvGetDriverSetting answers
    std::string orientation;
    HRESULT inputBinResult = S_OK;
    DEVMODEW devmode{};
    bool passTextOn = false;           // device text too goes on to the host's DrvTextOut
};

// Set before calling FakeDllGetClassObject: where to record, and which indices to hook.
void ConfigureFakePlugin(FakeRecord* record, std::vector<ULONG> hookedIndices);

HRESULT FakeDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

}  // namespace mkt::host::test
