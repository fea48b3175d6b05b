// The per-device state of the plug-in: created at EnablePDEV, found from every entry point
// through DEVOBJ::pdevOEM, released (with every buffer it owns) at DisablePDEV.
#pragma once

#include <memory>

#include "oemuni/frame/ByteBuffer.h"
#include "oemuni/frame/UnidrvTypes.h"
#include "platform/Win32Types.h"

class JobOutput;

inline constexpr int SETTINGS_BYTE_COUNT = 47;
inline constexpr int COMMAND_STRING_SIZE = 512;
inline constexpr int CODE_DATA_SIZE = 160;     // 8 records of 20 bytes (2D barcode settings)
inline constexpr int BARCODE_INFO_SIZE = 45;   // 9 records of 5 bytes (barcode settings)

// The settings block, filled from printer data (or defaults and the settings file) at EnablePDEV.
struct UIInfo {
    BYTE byPage[2] = {0, 0};                  // page counter, low byte first
    BYTE byteValue[SETTINGS_BYTE_COUNT] = {}; // the settings bytes
    BYTE szStartDoc[COMMAND_STRING_SIZE] = {};
    BYTE szStartPage[COMMAND_STRING_SIZE] = {};
    BYTE szEndPage[COMMAND_STRING_SIZE] = {};
    BYTE szEndDoc[COMMAND_STRING_SIZE] = {};
    BYTE byCodeData[CODE_DATA_SIZE] = {};
    BYTE byBarcodeInfo[BARCODE_INFO_SIZE] = {};
    DWORD dwMiscSize = 0;
    DWORD dwStartDoc = 0;   // valid bytes in szStartDoc; 0 = none
    DWORD dwStartPage = 0;
    DWORD dwEndPage = 0;
    DWORD dwEndDoc = 0;
};

struct OemPDEV {
    // Unidrv's own drawing entry points, kept from EnablePDEV's DRVENABLEDATA.
    PFN_DrvAlphaBlend m_pfnDrvAlphaBlend = nullptr;
    PFN_DrvBitBlt m_pfnDrvBitBlt = nullptr;
    PFN_DrvCopyBits m_pfnDrvCopyBits = nullptr;
    PFN_DrvDitherColor m_pfnDrvDitherColor = nullptr;
    PFN_DrvEndDoc m_pfnDrvEndDoc = nullptr;
    PFN_DrvEscape m_pfnDrvEscape = nullptr;
    PFN_DrvFillPath m_pfnDrvFillPath = nullptr;
    PFN_DrvFontManagement m_pfnDrvFontManagement = nullptr;
    PFN_DrvGetGlyphMode m_pfnDrvGetGlyphMode = nullptr;
    PFN_DrvGradientFill m_pfnDrvGradientFill = nullptr;
    PFN_DrvLineTo m_pfnDrvLineTo = nullptr;
    PFN_DrvNextBand m_pfnDrvNextBand = nullptr;
    PFN_DrvPaint m_pfnDrvPaint = nullptr;
    PFN_DrvPlgBlt m_pfnDrvPlgBlt = nullptr;
    PFN_DrvQueryAdvanceWidths m_pfnDrvQueryAdvanceWidths = nullptr;
    PFN_DrvQueryFont m_pfnDrvQueryFont = nullptr;
    PFN_DrvQueryFontData m_pfnDrvQueryFontData = nullptr;
    PFN_DrvQueryFontTree m_pfnDrvQueryFontTree = nullptr;
    PFN_DrvRealizeBrush m_pfnDrvRealizeBrush = nullptr;
    PFN_DrvSendPage m_pfnDrvSendPage = nullptr;
    PFN_DrvStartBanding m_pfnDrvStartBanding = nullptr;
    PFN_DrvStartDoc m_pfnDrvStartDoc = nullptr;
    PFN_DrvStartPage m_pfnDrvStartPage = nullptr;
    PFN_DrvStretchBlt m_pfnDrvStretchBlt = nullptr;
    PFN_DrvStretchBltROP m_pfnDrvStretchBltROP = nullptr;
    PFN_DrvStrokeAndFillPath m_pfnDrvStrokeAndFillPath = nullptr;
    PFN_DrvStrokePath m_pfnDrvStrokePath = nullptr;
    PFN_DrvTextOut m_pfnDrvTextOut = nullptr;
    PFN_DrvTransparentBlt m_pfnDrvTransparentBlt = nullptr;

    DWORD dwJobId = 0;
    char16_t szPrinterName[256] = {};
    char szPrinterNameA[256] = {};

    UIInfo m_UIInfo;

    // Page bitmap being captured (size = dwBufSize), its headers and colour table.
    ByteBuffer pBufStart;
    BITMAPFILEHEADER bmFileHeader = {};
    BITMAPINFOHEADER bmInfoHeader = {};
    INT nColorTableSize = 0;
    ByteBuffer pbyColorTable;
    HPALETTE hPalette = nullptr;              // the device's default palette (not owned)
    std::unique_ptr<PALETTE> ownPalette;      // a palette created by the plug-in itself, if any

    // Trailing blank bands.
    BOOL bBlankBand = 0;
    DWORD dwBlankHeight = 0;
    DWORD dwBlankSize = 0;

    // Text positions.
    DWORD dwLastTxt_PosY = 0;
    DWORD dwLastTxt_Height = 0;
    DWORD dwBottomTxtCoordinate = 0;

    // Image rectangles (8-byte records), text records in capture order, device-text records
    // in ascending Y, coupon image names.
    ByteBuffer pImgRectBufStart;
    ByteBuffer pTxtBufStart;
    ByteBuffer pDevTxtBufStart;
    DWORD dwCouponImgNameLength = 0;
    ByteBuffer szCouponImgName;

    // The job output of the plug-in object that enabled this device (not owned): the job
    // command buffer, the journal and the spooler writes.
    JobOutput* pJobOutput = nullptr;

    // Convenience accessors for the counts that travel with each buffer.
    DWORD dwBufSize() const { return pBufStart.size(); }
    DWORD dwImgRectBufSize() const { return pImgRectBufStart.size(); }
    DWORD dwTxtBufSize() const { return pTxtBufStart.size(); }
    DWORD dwDevTxtBufSize() const { return pDevTxtBufStart.size(); }
};

// The state of a device object, or nullptr.
inline OemPDEV* GetOemPDEV(PDEVOBJ pdevobj) {
    return pdevobj != nullptr ? static_cast<OemPDEV*>(pdevobj->pdevOEM) : nullptr;
}
inline OemPDEV* GetOemPDEV(SURFOBJ* pso) {
    return pso != nullptr ? GetOemPDEV(static_cast<PDEVOBJ>(pso->dhpdev)) : nullptr;
}
