// A stand-in for Unidrv's service interface: records every spooler write and answers feature
// queries from a table. Spooler faults can be injected: accept at most K bytes a call, fail once
// N bytes were taken, or answer S_OK while taking nothing.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

class FakeDriverUni final : public IPrintOemDriverUni {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }

    HRESULT DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize, PDWORD pcbNeeded,
                                PDWORD pdwOptionsReturned) override;
    HRESULT DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, PDWORD pdwResult) override;

    // Feature answers; a feature mapped to nullopt (or missing) makes the query fail.
    std::map<std::string, std::optional<std::string>> features = {{"InputBin", "Option1"},
                                                                   {"Orientation", "PORTRAIT"}};
    // Fault injection.
    std::optional<DWORD> maxPerCall;     // accept at most this many bytes a call (S_OK)
    std::optional<DWORD> failAfter;      // E_FAIL once this many bytes were accepted in total
    bool acceptNothing = false;          // S_OK with 0 bytes accepted
    bool refuseInterface = false;        // QueryInterface fails

    std::vector<BYTE> stream;            // every accepted byte, in order
    std::vector<DWORD> callSizes;        // the count passed to each DrvWriteSpoolBuf call
    std::vector<DWORD> callOffsets;      // stream size at each call (where the call's bytes go)
    long refs = 0;
};
