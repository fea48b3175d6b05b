// The Unidrv- and GDI-side types the plug-in receives from its host, declared here with only
// the members the plug-in and the print host use. Both sides of the seam are built from this
// one header, so the layouts only need to agree with each other, not with any other system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Win32Types.h"

// ---------------------------------------------------------------------------------------------
// Basic handles and small records
// ---------------------------------------------------------------------------------------------
using PVOID = void*;
using PBYTE = BYTE*;
using PDWORD = DWORD*;
using PSTR = char*;
using PCSTR = const char*;
using PWSTR = char16_t*;
using FLONG = ULONG;
using MIX = ULONG;
using ROP4 = ULONG;
using HGLYPH = ULONG;
using FLOATL = float;
using ULONG_PTR = std::uintptr_t;
using HSURF = void*;
using DHSURF = void*;
using HDEV = void*;
using DHPDEV = void*;   // for this plug-in: the DEVOBJ of the device
using PDEVOEM = void*;  // the plug-in's per-device state (OemPDEV)

struct POINTFIX { LONG x; LONG y; };

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    friend bool operator==(const GUID& a, const GUID& b) {
        return std::memcmp(&a, &b, sizeof(GUID)) == 0;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {D67EBBF0-78BF-11D1-9480-00A0C90640B8}
inline constexpr IID IID_IPrintOemUni = {0xD67EBBF0, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// {D67EBBF1-78BF-11D1-9480-00A0C90640B8}
inline constexpr IID IID_IPrintOemDriverUni = {0xD67EBBF1, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// The plug-in's class: {6D6ABF26-9F38-11D1-882A-00C04FB961EC}
inline constexpr CLSID CLSID_OEMRENDER = {0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// ---------------------------------------------------------------------------------------------
// DEVMODE (public part, the fields the plug-in reads and logs) and the plug-in's private part
// ---------------------------------------------------------------------------------------------
struct DEVMODEW {
    char16_t dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    SHORT dmOrientation;   // 1 portrait, 2 landscape
    SHORT dmPaperSize;
    SHORT dmPaperLength;
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality;
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    char16_t dmFormName[32];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
};
inline constexpr SHORT DMORIENT_PORTRAIT = 1;
inline constexpr SHORT DMORIENT_LANDSCAPE = 2;

struct OEM_DMEXTRAHEADER {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
};

// The private DEVMODE part: 24 bytes, little-endian on every platform this builds for.
struct OEMDEVMODE {
    OEM_DMEXTRAHEADER dmOEMExtra;
    DWORD dwValue1;
    DWORD dwValue2;
    DWORD dwReserved;
};
static_assert(sizeof(OEMDEVMODE) == 24);

struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    DEVMODEW* pPublicDMIn;
    DEVMODEW* pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
};

inline constexpr DWORD OEMGI_GETSIGNATURE = 1;
inline constexpr DWORD OEMGI_GETINTERFACEVERSION = 2;
inline constexpr DWORD OEMGI_GETVERSION = 3;
inline constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;
inline constexpr DWORD OEMDM_SIZE = 1;
inline constexpr DWORD OEMDM_DEFAULT = 2;
inline constexpr DWORD OEMDM_CONVERT = 3;
inline constexpr DWORD OEMDM_MERGE = 4;

// ---------------------------------------------------------------------------------------------
// Device object, surfaces, palettes, bitmaps
// ---------------------------------------------------------------------------------------------
struct DEVOBJ {
    DWORD dwSize;
    PDEVOEM pdevOEM;      // the plug-in's OemPDEV
    HANDLE hEngine;
    HANDLE hPrinter;      // spooler handle for printer data (platform/Printers.h)
    HANDLE hOEM;
    DEVMODEW* pPublicDM;  // the job's DEVMODE
    PVOID pOEMDM;         // the plug-in's private DEVMODE part
};
using PDEVOBJ = DEVOBJ*;

inline constexpr ULONG STYPE_BITMAP = 0;
inline constexpr ULONG STYPE_DEVICE = 1;
inline constexpr ULONG BMF_1BPP = 1;
inline constexpr ULONG BMF_4BPP = 2;
inline constexpr ULONG BMF_8BPP = 3;
inline constexpr ULONG BMF_24BPP = 5;

struct SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;  // the DEVOBJ of the device
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// A palette of the stand-in engine. The host owns the device's default palette; the plug-in
// reads it through GetPaletteEntries. `failReads` lets tests make the read fail.
struct PALETTE {
    std::vector<PALETTEENTRY> entries;
    bool failReads = false;
};
using HPALETTE = PALETTE*;

// Copies up to `count` entries starting at `start`; returns the number copied, 0 on failure.
inline UINT GetPaletteEntries(HPALETTE hpal, UINT start, UINT count, PALETTEENTRY* out) {
    if (hpal == nullptr || hpal->failReads || out == nullptr || start >= hpal->entries.size()) {
        return 0;
    }
    UINT n = static_cast<UINT>(hpal->entries.size()) - start;
    if (n > count) n = count;
    std::memcpy(out, hpal->entries.data() + start, n * sizeof(PALETTEENTRY));
    return n;
}

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct IPPARAMS {
    DWORD dwSize;
    POINTL ptOffset;
    PSTR pHalftoneOption;
    BOOL bBanding;
    BOOL bBlankBand;
};

struct GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
};

struct DEVINFO {
    FLONG flGraphicsCaps;
    ULONG iDitherFormat;
    HPALETTE hpalDefault;  // the device's default palette
};

// ---------------------------------------------------------------------------------------------
// Text: string object, font object, font metrics, transform, logical font
// ---------------------------------------------------------------------------------------------
struct STROBJ {
    ULONG cGlyphs;      // UTF-16 code units in pwszOrg
    FLONG flAccel;
    ULONG ulCharInc;
    RECTL rclBkGround;  // left/top: position of the text in device pixels
    PVOID pgp;
    PWSTR pwszOrg;      // the string, UTF-16
};

inline constexpr FLONG FO_TYPE_RASTER = 0x1;
inline constexpr FLONG FO_TYPE_DEVICE = 0x2;
inline constexpr FLONG FO_TYPE_TRUETYPE = 0x4;
inline constexpr FLONG FO_TYPE_OPENTYPE = 0x8;
inline constexpr FLONG FO_SIM_ITALIC = 0x4000;

// Font metrics. The family name is stored after the record, at byte offset dpwszFamilyName
// from its start, as terminated UTF-16 (see IFIFamilyName).
struct IFIMETRICS {
    ULONG cjThis;
    LONG dpwszFamilyName;
    USHORT fsSelection;     // bit 1 underline, bit 4 strike-out
    USHORT usWinWeight;
    BYTE jWinCharSet;
    BYTE jWinPitchAndFamily;
    SHORT fwdUnitsPerEm;
};

inline const char16_t* IFIFamilyName(const IFIMETRICS* pifi) {
    if (pifi == nullptr || pifi->dpwszFamilyName <= 0) return nullptr;
    return reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(pifi) + pifi->dpwszFamilyName);
}

struct XFORML {
    FLOATL eM11;
    FLOATL eM12;
    FLOATL eM21;
    FLOATL eM22;
    FLOATL eDx;
    FLOATL eDy;
};

struct XFORMOBJ {
    XFORML xform;  // the font's notional-to-device transform
    ULONG flAccel;
};

// The font object. pifi_ and pxo_ stand for what the engine keeps behind the object and hands
// out through FONTOBJ_pifi and FONTOBJ_pxoGetXform; the host fills them.
struct FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZEL sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
    IFIMETRICS* pifi_;
    XFORMOBJ* pxo_;
};

inline IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) { return pfo != nullptr ? pfo->pifi_ : nullptr; }
inline XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) { return pfo != nullptr ? pfo->pxo_ : nullptr; }

inline constexpr ULONG GX_IDENTITY = 0;
inline constexpr ULONG GX_OFFSET = 1;
inline constexpr ULONG GX_SCALE = 2;
inline constexpr ULONG GX_GENERAL = 3;
inline constexpr ULONG DDI_ERROR = 0xFFFFFFFF;

// Copies the transform; returns its complexity, DDI_ERROR without one.
inline ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* out) {
    if (pxo == nullptr) return DDI_ERROR;
    if (out != nullptr) *out = pxo->xform;
    const XFORML& x = pxo->xform;
    if (x.eM12 == 0.0f && x.eM21 == 0.0f) {
        return (x.eM11 == 1.0f && x.eM22 == 1.0f) ? GX_IDENTITY : GX_SCALE;
    }
    return GX_GENERAL;
}

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char16_t lfFaceName[32];
};

// Objects the plug-in only passes through to Unidrv.
struct CLIPOBJ;
struct XLATEOBJ;
struct BRUSHOBJ;
struct PATHOBJ;
struct LINEATTRS;
struct COLORADJUSTMENT;
struct BLENDOBJ;
struct TRIVERTEX;
struct GLYPHDATA;
struct UNIFONTOBJ;
struct FINVOCATION;
struct OEMMEMORYUSAGE;

// ---------------------------------------------------------------------------------------------
// Driver entry points (function index, signature) and the enable data that lists them
// ---------------------------------------------------------------------------------------------
using PFN = void (*)();

struct DRVFN {
    ULONG iFunc;
    PFN pfn;
};

struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
};

inline constexpr ULONG PRINTER_OEMINTF_VERSION = 0x00010000;

inline constexpr ULONG INDEX_DrvRealizeBrush = 12;
inline constexpr ULONG INDEX_DrvDitherColor = 13;
inline constexpr ULONG INDEX_DrvStrokePath = 14;
inline constexpr ULONG INDEX_DrvFillPath = 15;
inline constexpr ULONG INDEX_DrvStrokeAndFillPath = 16;
inline constexpr ULONG INDEX_DrvPaint = 17;
inline constexpr ULONG INDEX_DrvBitBlt = 18;
inline constexpr ULONG INDEX_DrvCopyBits = 19;
inline constexpr ULONG INDEX_DrvStretchBlt = 20;
inline constexpr ULONG INDEX_DrvTextOut = 23;
inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvQueryFont = 26;
inline constexpr ULONG INDEX_DrvQueryFontTree = 27;
inline constexpr ULONG INDEX_DrvQueryFontData = 28;
inline constexpr ULONG INDEX_DrvLineTo = 31;
inline constexpr ULONG INDEX_DrvSendPage = 32;
inline constexpr ULONG INDEX_DrvStartPage = 33;
inline constexpr ULONG INDEX_DrvEndDoc = 34;
inline constexpr ULONG INDEX_DrvStartDoc = 35;
inline constexpr ULONG INDEX_DrvGetGlyphMode = 37;
inline constexpr ULONG INDEX_DrvFontManagement = 47;
inline constexpr ULONG INDEX_DrvQueryAdvanceWidths = 53;
inline constexpr ULONG INDEX_DrvStartBanding = 57;
inline constexpr ULONG INDEX_DrvNextBand = 58;
inline constexpr ULONG INDEX_DrvGradientFill = 68;
inline constexpr ULONG INDEX_DrvStretchBltROP = 69;
inline constexpr ULONG INDEX_DrvPlgBlt = 70;
inline constexpr ULONG INDEX_DrvAlphaBlend = 71;
inline constexpr ULONG INDEX_DrvTransparentBlt = 74;

using PFN_DrvAlphaBlend = BOOL (*)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, BLENDOBJ*);
using PFN_DrvBitBlt = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                               XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
using PFN_DrvCopyBits = BOOL (*)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*);
using PFN_DrvDitherColor = ULONG (*)(DHPDEV, ULONG iMode, ULONG rgb, ULONG* pul);
using PFN_DrvEndDoc = BOOL (*)(SURFOBJ*, FLONG);
using PFN_DrvEscape = ULONG (*)(SURFOBJ*, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
using PFN_DrvFillPath = BOOL (*)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG);
using PFN_DrvFontManagement = ULONG (*)(SURFOBJ*, FONTOBJ*, ULONG iMode, ULONG cjIn, PVOID pvIn,
                                        ULONG cjOut, PVOID pvOut);
using PFN_DrvGetGlyphMode = ULONG (*)(DHPDEV, FONTOBJ*);
using PFN_DrvGradientFill = BOOL (*)(SURFOBJ*, CLIPOBJ*, XLATEOBJ*, TRIVERTEX*, ULONG, PVOID, ULONG,
                                     RECTL*, POINTL*, ULONG);
using PFN_DrvLineTo = BOOL (*)(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, LONG, LONG, LONG, LONG, RECTL*, MIX);
using PFN_DrvNextBand = BOOL (*)(SURFOBJ*, POINTL*);
using PFN_DrvPaint = BOOL (*)(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX);
using PFN_DrvPlgBlt = BOOL (*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*,
                               POINTL*, POINTFIX*, RECTL*, POINTL*, ULONG);
using PFN_DrvQueryAdvanceWidths = BOOL (*)(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG);
using PFN_DrvQueryFont = IFIMETRICS* (*)(DHPDEV, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
using PFN_DrvQueryFontData = LONG (*)(DHPDEV, FONTOBJ*, ULONG iMode, HGLYPH, GLYPHDATA*, PVOID, ULONG);
using PFN_DrvQueryFontTree = PVOID (*)(DHPDEV, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
using PFN_DrvRealizeBrush = BOOL (*)(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG);
using PFN_DrvSendPage = BOOL (*)(SURFOBJ*);
using PFN_DrvStartBanding = BOOL (*)(SURFOBJ*, POINTL*);
using PFN_DrvStartDoc = BOOL (*)(SURFOBJ*, PWSTR pwszDocName, DWORD dwJobId);
using PFN_DrvStartPage = BOOL (*)(SURFOBJ*);
using PFN_DrvStretchBlt = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                                   RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
using PFN_DrvStretchBltROP = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                      CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                      POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                      POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4);
using PFN_DrvStrokeAndFillPath = BOOL (*)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*,
                                          LINEATTRS*, BRUSHOBJ*, POINTL*, MIX, FLONG);
using PFN_DrvStrokePath = BOOL (*)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*,
                                   LINEATTRS*, MIX);
using PFN_DrvTextOut = BOOL (*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvTransparentBlt = BOOL (*)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*,
                                       ULONG iTransColor, ULONG ulReserved);

// ---------------------------------------------------------------------------------------------
// COM-shaped interfaces
// ---------------------------------------------------------------------------------------------
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// The host's service interface (only the two methods the plug-in uses).
struct IPrintOemDriverUni : IUnknown {
    virtual HRESULT DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize,
                                        PDWORD pcbNeeded, PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, PDWORD pdwResult) = 0;

protected:
    ~IPrintOemDriverUni() = default;
};

// The plug-in's interface, slots in the order Unidrv expects them.
struct IPrintOemUni : IUnknown {
    virtual HRESULT GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) = 0;
    virtual HRESULT EnableDriver(DWORD DriverVersion, DWORD cbSize, DRVENABLEDATA* pded) = 0;
    virtual HRESULT DisableDriver() = 0;
    virtual HRESULT EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                               HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                               ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                               PDEVOEM* pDevOem) = 0;
    virtual HRESULT DisablePDEV(PDEVOBJ pdevobj) = 0;
    virtual HRESULT ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;
    virtual HRESULT PublishDriverInterface(IUnknown* pIUnknown) = 0;
    virtual HRESULT GetImplementedMethod(PSTR pMethodName) = 0;
    virtual HRESULT DriverDMS(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT CommandCallback(PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD dwCount,
                                    PDWORD pdwParams, INT* piResult) = 0;
    // pResult receives 0, then 1 once the band has been consumed.
    virtual HRESULT ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                                    BITMAPINFOHEADER* pBitmapInfoHeader, PBYTE pColorTable,
                                    DWORD dwCallbackID, IPPARAMS* pIPParams, INT* pResult) = 0;
    virtual HRESULT FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) = 0;
    virtual HRESULT Compression(PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen,
                                DWORD dwOutLen, INT* piResult) = 0;
    virtual HRESULT HalftonePattern(PDEVOBJ pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX,
                                    DWORD dwHTPatternY, DWORD dwHTNumPatterns, DWORD dwCallbackID,
                                    PBYTE pResource, DWORD dwResourceSize) = 0;
    virtual HRESULT MemoryUsage(PDEVOBJ pdevobj, OEMMEMORYUSAGE* pMemoryUsage) = 0;
    virtual HRESULT TTYGetInfo(PDEVOBJ pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize,
                               DWORD* pcbcNeeded) = 0;
    virtual HRESULT DownloadFontHeader(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) = 0;
    virtual HRESULT DownloadCharGlyph(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, HGLYPH hGlyph,
                                      PDWORD pdwWidth, DWORD* pdwResult) = 0;
    virtual HRESULT TTDownloadMethod(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) = 0;
    virtual HRESULT OutputCharStr(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD dwType, DWORD dwCount,
                                  PVOID pGlyph) = 0;
    virtual HRESULT SendFontCmd(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, FINVOCATION* pFInv) = 0;
    virtual HRESULT TextOutAsBitmap(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                    RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                    BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) = 0;

protected:
    ~IPrintOemUni() = default;
};

// The two exports of the plug-in library.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using PFN_DllCanUnloadNow = HRESULT (*)();

// Command callback identifiers named by the printer description.
inline constexpr DWORD VKR_STARTDOC = 1;
inline constexpr DWORD VKR_STARTPAGE = 2;
inline constexpr DWORD VKR_ENDPAGE = 3;
inline constexpr DWORD VKR_ENDDOC = 4;
