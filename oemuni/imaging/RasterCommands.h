// Raster commands: a strip of the page image cut into slices of at most 246 rows, each slice
// sent as one plain (1D 76 30) or run-length compressed (08 43 52) command per dot plane.
#pragma once

#include <vector>

#include "oemuni/frame/UnidrvTypes.h"

class CxImage;

inline constexpr DWORD RASTER_SLICE_ROWS = 246;

// Emits rows dwStartY .. dwStartY + dwDivHeight - 1 of the image into the job command buffer.
// E_FAIL when nothing was made (no rows) or the buffer cannot grow.
HRESULT AddImageCommands(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                         BOOL bCompressed, BOOL bFourLevel);

// Plain commands for the rows into `out` (replaced). S_OK when bytes were made, else E_FAIL.
HRESULT MakeImageCommands(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                          BOOL bFourLevel, std::vector<BYTE>& out);
// Compressed commands, each slice closed by 08 43 52 FF 00 00.
HRESULT MakeImageCommandsWithRLE(PDEVOBJ pdevobj, const CxImage* pImage, DWORD dwStartY, DWORD dwDivHeight,
                                 BOOL bFourLevel, std::vector<BYTE>& out);
