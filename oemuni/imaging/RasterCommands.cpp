#include "oemuni/imaging/RasterCommands.h"

#include <array>
#include <new>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/RasterPlanes.h"
#include "oemuni/imaging/RunLengthCode.h"
#include "oemuni/imaging/image/CxImage.h"
#include "oemuni/job/JobOutput.h"

namespace {

constexpr std::array<BYTE, 6> kSliceTrailer = {0x08, 0x43, 0x52, 0xFF, 0x00, 0x00};

BYTE Lo(DWORD v) { return static_cast<BYTE>(v & 0xFF); }
BYTE Hi(DWORD v) { return static_cast<BYTE>((v >> 8) & 0xFF); }

// Shared slice loop of both command forms. `emitPlane(plane index, dots, rows)` appends one
// plane's command; `endSlice()` runs after the planes of each slice.
template <typename EmitPlane, typename EndSlice>
bool ForEachSlice(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight, BOOL bFourLevel,
                  const char* who, EmitPlane emitPlane, EndSlice endSlice) {
    const DWORD width = pImage->GetWidth();
    const DWORD wb = RasterBytesPerRow(width);
    const DWORD planes = bFourLevel ? 4 : 1;
    const DWORD divCount = (dwDivHeight + RASTER_SLICE_ROWS - 1) / RASTER_SLICE_ROWS;
    DebugLogA("%s : Width = %u, Height = %u", who, width, pImage->GetHeight());
    DebugLogA("%s : dwBmWidth_Byte = %u, dwColorCount = %u, dwDivCount = %u", who, wb, planes, divCount);

    std::array<std::vector<BYTE>, 4> planeBuffers;
    for (DWORD p = 0; p < planes; ++p) planeBuffers[p].assign(static_cast<size_t>(wb) * RASTER_SLICE_ROWS, 0);

    DWORD first = dwStartY;
    DWORD remaining = dwDivHeight;
    while (remaining > 0) {
        const DWORD n = remaining < RASTER_SLICE_ROWS ? remaining : RASTER_SLICE_ROWS;
        const DWORD bytes = CreateImageBuffer(pdevobj, std::span(planeBuffers.data(), planes), pImage, first, n,
                                              bFourLevel);
        if (bytes != wb * n) return false;
        for (DWORD p = 0; p < planes; ++p) {
            emitPlane(p, std::span<const BYTE>(planeBuffers[p].data(), bytes), n);
        }
        endSlice();
        first += n;
        remaining -= n;
    }
    return true;
}

}  // namespace

HRESULT MakeImageCommands(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                          BOOL bFourLevel, std::vector<BYTE>& out) {
    out.clear();
    if (pImage == nullptr || !pImage->IsValid()) return E_FAIL;
    const DWORD wb = RasterBytesPerRow(pImage->GetWidth());
    try {
        const bool ok = ForEachSlice(
            pdevobj, pImage, dwStartY, dwDivHeight, bFourLevel, "MakeImageCommands",
            [&](DWORD, std::span<const BYTE> dots, DWORD n) {
                const BYTE header[14] = {0x00, 0x00, 0x00, 0x1B, 0x4A, 0x00, 0x1D, 0x76, 0x30, 0x00,
                                         Lo(wb), Hi(wb), Lo(n), Hi(n)};
                out.insert(out.end(), header, header + sizeof header);
                out.insert(out.end(), dots.begin(), dots.end());
                out.push_back(0x00);
            },
            [] {});
        if (!ok) out.clear();
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    DebugLogA("MakeImageCommands : dwMakedBufSize = %u", static_cast<unsigned>(out.size()));
    return out.empty() ? E_FAIL : S_OK;
}

HRESULT MakeImageCommandsWithRLE(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                                 BOOL bFourLevel, std::vector<BYTE>& out) {
    out.clear();
    if (pImage == nullptr || !pImage->IsValid()) return E_FAIL;
    const DWORD dotsWide = RasterBytesPerRow(pImage->GetWidth()) * 8;
    try {
        const bool ok = ForEachSlice(
            pdevobj, pImage, dwStartY, dwDivHeight, bFourLevel, "MakeImageCommandsWithRLE",
            [&](DWORD plane, std::span<const BYTE> dots, DWORD n) {
                const BYTE selector = bFourLevel ? static_cast<BYTE>(4 + plane) : 0;
                const BYTE header[15] = {0x00, 0x00, 0x00, 0x08, 0x43, 0x52, selector, 0x00, 0x00, 0x00,
                                         0x00, Lo(dotsWide), Hi(dotsWide), Lo(n), Hi(n)};
                out.insert(out.end(), header, header + sizeof header);
                AppendRunLengthCode(dots, out);
            },
            [&] { out.insert(out.end(), kSliceTrailer.begin(), kSliceTrailer.end()); });
        if (!ok) out.clear();
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    DebugLogA("MakeImageCommandsWithRLE : dwReturnBufSize = %u", static_cast<unsigned>(out.size()));
    return out.empty() ? E_FAIL : S_OK;
}

HRESULT AddImageCommands(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                         BOOL bCompressed, BOOL bFourLevel) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    DebugLogA("AddImageCommands : START");
    DebugLogA("AddImageCommands : dwStartY = %u, dwDivHeight = %u", dwStartY, dwDivHeight);
    if (pOemPDEV != nullptr) {
        DebugLogA("AddImageCommands : pUIInfo->byteValue[31] = %x", pOemPDEV->m_UIInfo.byteValue[31]);
    }
    std::vector<BYTE> commands;
    HRESULT hr = bCompressed ? MakeImageCommandsWithRLE(pdevobj, pImage, dwStartY, dwDivHeight, bFourLevel, commands)
                             : MakeImageCommands(pdevobj, pImage, dwStartY, dwDivHeight, bFourLevel, commands);
    if (hr != S_OK) {
        DebugLogA("AddImageCommands : MakeImageCommandsWithRLE failed.");
    } else if (!commands.empty()) {
        if (pOemPDEV == nullptr || pOemPDEV->pJobOutput == nullptr ||
            !pOemPDEV->pJobOutput->AddPrintDataTobeSent(commands.data(), static_cast<DWORD>(commands.size()))) {
            hr = E_FAIL;
        }
    }
    DebugLogA("AddImageCommands : END");
    return hr;
}
