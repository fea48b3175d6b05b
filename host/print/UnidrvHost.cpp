#include "host/print/UnidrvHost.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <optional>

#include "host/print/BandBuilder.h"
#include "host/print/ImageFiles.h"
#include "host/print/JobError.h"
#include "host/print/PageRaster.h"
#include "host/print/TextPainter.h"
#include "host/print/Utf.h"

namespace mkt::host {
namespace {

constexpr ULONG kHookedIndices[] = {
    INDEX_DrvAlphaBlend, INDEX_DrvBitBlt, INDEX_DrvCopyBits, INDEX_DrvDitherColor, INDEX_DrvEndDoc,
    INDEX_DrvEscape, INDEX_DrvFillPath, INDEX_DrvFontManagement, INDEX_DrvGetGlyphMode,
    INDEX_DrvGradientFill, INDEX_DrvLineTo, INDEX_DrvNextBand, INDEX_DrvPaint, INDEX_DrvPlgBlt,
    INDEX_DrvQueryAdvanceWidths, INDEX_DrvQueryFont, INDEX_DrvQueryFontData, INDEX_DrvQueryFontTree,
    INDEX_DrvRealizeBrush, INDEX_DrvSendPage, INDEX_DrvStartBanding, INDEX_DrvStartDoc,
    INDEX_DrvStartPage, INDEX_DrvStretchBlt, INDEX_DrvStretchBltROP, INDEX_DrvStrokeAndFillPath,
    INDEX_DrvStrokePath, INDEX_DrvTextOut, INDEX_DrvTransparentBlt};
static_assert(std::size(kHookedIndices) == 29);

constexpr ROP4 kRopSourceCopy = 0xCCCC;
constexpr ULONG kColorOnColor = 3;
constexpr MIX kMixCopyPen = 0x0D0D;
constexpr LONG kPelsPerMeter203Dpi = 7992;
constexpr USHORT kSelUnderscore = 0x0002;
constexpr USHORT kSelStrikeout = 0x0010;

// DEVMODE dmFields bits of the fields the host fills.
constexpr DWORD DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
                DM_SCALE = 0x10, DM_COPIES = 0x100, DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400,
                DM_COLOR = 0x800, DM_DUPLEX = 0x1000, DM_YRESOLUTION = 0x2000, DM_TTOPTION = 0x4000,
                DM_COLLATE = 0x8000;

constexpr DWORD kOemSignature = 0x4D534654;

std::string RectText(const RECTL* r) {
    if (!r) return "none";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

// The font metrics record with the family name stored after it, as the engine hands it out.
class FontMetrics {
public:
    FontMetrics(const std::u16string& family, const DrawOp& op) {
        const std::size_t bytes = sizeof(IFIMETRICS) + (family.size() + 1) * sizeof(char16_t);
        m_storage.assign((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
        auto* ifi = reinterpret_cast<IFIMETRICS*>(m_storage.data());
        ifi->cjThis = static_cast<ULONG>(bytes);
        ifi->dpwszFamilyName = static_cast<LONG>(sizeof(IFIMETRICS));
        ifi->fsSelection = static_cast<USHORT>((op.underline ? kSelUnderscore : 0) | (op.strikeout ? kSelStrikeout : 0));
        ifi->usWinWeight = static_cast<USHORT>(op.weight);
        ifi->jWinCharSet = static_cast<BYTE>(op.charset);
        ifi->jWinPitchAndFamily = static_cast<BYTE>(op.pitchAndFamily);
        ifi->fwdUnitsPerEm = 2048;
        std::memcpy(reinterpret_cast<BYTE*>(ifi) + sizeof(IFIMETRICS), family.c_str(),
                    (family.size() + 1) * sizeof(char16_t));
    }
    IFIMETRICS* get() { return reinterpret_cast<IFIMETRICS*>(m_storage.data()); }

private:
    std::vector<std::uint64_t> m_storage;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The engine: device, surface, the service interface and the host's entry points
// ---------------------------------------------------------------------------------------------
struct UnidrvHost::Engine final : IPrintOemDriverUni {
    const JobDescription& job;
    SpoolOutput& spool;
    HANDLE hPrinter = nullptr;
    std::u16string printerName;
    std::vector<std::string> trace;
    std::atomic<long> refs{1};

    IPrintOemUni* plugin = nullptr;
    std::map<ULONG, PFN> hooks;

    DEVMODEW devmode{};
    OEMDEVMODE oemDevmode{};
    PALETTE palette;
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    DEVOBJ devobj{};
    SURFOBJ surface{};
    std::vector<DRVFN> hostEntries;

    std::optional<PageRaster> page;
    TextPainter painter;

    Engine(const JobDescription& j, SpoolOutput& s) : job(j), spool(s) {}

    // IUnknown / IPrintOemDriverUni -------------------------------------------------------
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPrintOemDriverUni) {
            *ppv = static_cast<IPrintOemDriverUni*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }  // owned by UnidrvHost

    HRESULT DrvGetDriverSetting(PVOID, PCSTR feature, PVOID pOutput, DWORD cbSize, PDWORD pcbNeeded,
                                PDWORD pdwOptionsReturned) override {
        trace.push_back(std::string("DrvGetDriverSetting:") + (feature ? feature : "(null)"));
        if (!feature) return E_INVALIDARG;
        auto it = job.features.find(feature);
        if (it == job.features.end()) return E_INVALIDARG;
        if (!it->second) return E_FAIL;
        const std::string& answer = *it->second;
        const DWORD needed = static_cast<DWORD>(answer.size() + 1);
        if (pcbNeeded) *pcbNeeded = needed;
        if (!pOutput || cbSize < needed) return E_OUTOFMEMORY;
        std::memcpy(pOutput, answer.c_str(), needed);
        if (pdwOptionsReturned) *pdwOptionsReturned = 1;
        return S_OK;
    }

    HRESULT DrvWriteSpoolBuf(PDEVOBJ, PVOID pBuffer, DWORD cbSize, PDWORD pdwResult) override {
        DWORD accepted = 0;
        const HRESULT hr = spool.Write(pBuffer, cbSize, &accepted);
        if (pdwResult) *pdwResult = accepted;
        return hr;
    }

    // Finding the engine from what the plug-in passes on ---------------------------------
    static Engine* FromDevObj(const void* dhpdev) {
        const auto* devobj = static_cast<const DEVOBJ*>(dhpdev);
        return devobj ? static_cast<Engine*>(devobj->hEngine) : nullptr;
    }
    static Engine* FromSurface(const SURFOBJ* pso) { return pso ? FromDevObj(pso->dhpdev) : nullptr; }

    template <typename Fn>
    Fn Entry(ULONG index, Fn own, const char* name) {
        auto it = hooks.find(index);
        if (it != hooks.end() && it->second != nullptr) {
            trace.push_back(std::string("hook:") + name);
            return reinterpret_cast<Fn>(it->second);
        }
        trace.push_back(std::string("direct:") + name);
        return own;
    }

    void Callback(DWORD id) {
        trace.push_back("CommandCallback:" + std::to_string(id));
        INT result = 0;
        if (plugin) plugin->CommandCallback(&devobj, id, 0, nullptr, &result);
    }

    void PaintSurface(const SURFOBJ* src, const RECTL* dest) {
        if (!page || !src || !dest || !src->pvScan0 || src->iBitmapFormat != BMF_8BPP) return;
        page->DrawPixels(static_cast<const std::uint8_t*>(src->pvScan0), src->sizlBitmap.cx, src->sizlBitmap.cy,
                         src->lDelta, *dest);
    }

    // The host's own drawing entry points (what Unidrv does behind the plug-in's hooks) --
    static BOOL DrvAlphaBlend(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, BLENDOBJ*) { return TRUE; }
    static BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL* prclTrg,
                          POINTL*, POINTL*, BRUSHOBJ*, POINTL*, ROP4) {
        Engine* e = FromSurface(psoTrg);
        if (!e) return FALSE;
        e->trace.push_back("Drv:BitBlt:" + RectText(prclTrg));
        e->PaintSurface(psoSrc, prclTrg);
        return TRUE;
    }
    static BOOL DrvCopyBits(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*) { return TRUE; }
    static ULONG DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return 0; }
    static BOOL DrvEndDoc(SURFOBJ* pso, FLONG) {
        Engine* e = FromSurface(pso);
        if (!e) return FALSE;
        e->trace.push_back("Drv:EndDoc");
        e->Callback(VKR_ENDDOC);
        return TRUE;
    }
    static ULONG DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return 0; }
    static BOOL DrvFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG) { return TRUE; }
    static ULONG DrvFontManagement(SURFOBJ*, FONTOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return 0; }
    static ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return 0; }
    static BOOL DrvGradientFill(SURFOBJ*, CLIPOBJ*, XLATEOBJ*, TRIVERTEX*, ULONG, PVOID, ULONG, RECTL*, POINTL*,
                                ULONG) {
        return TRUE;
    }
    static BOOL DrvLineTo(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, LONG, LONG, LONG, LONG, RECTL*, MIX) { return TRUE; }
    static BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
        Engine* e = FromSurface(pso);
        if (e) e->trace.push_back("Drv:NextBand");
        if (pptl) *pptl = POINTL{-1, -1};  // no further band of the surface
        return TRUE;
    }
    static BOOL DrvPaint(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX) { return TRUE; }
    static BOOL DrvPlgBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, POINTFIX*,
                          RECTL*, POINTL*, ULONG) {
        return TRUE;
    }
    static BOOL DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }
    static IFIMETRICS* DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }
    static LONG DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) { return -1; }
    static PVOID DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }
    static BOOL DrvRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return TRUE; }
    static BOOL DrvSendPage(SURFOBJ* pso) {
        Engine* e = FromSurface(pso);
        if (!e) return FALSE;
        e->trace.push_back("Drv:SendPage");
        e->Callback(VKR_ENDPAGE);
        return TRUE;
    }
    static BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
        Engine* e = FromSurface(pso);
        if (e) e->trace.push_back("Drv:StartBanding");
        if (pptl) *pptl = POINTL{0, 0};
        return TRUE;
    }
    static BOOL DrvStartDoc(SURFOBJ* pso, PWSTR, DWORD jobId) {
        Engine* e = FromSurface(pso);
        if (!e) return FALSE;
        e->trace.push_back("Drv:StartDoc:" + std::to_string(jobId));
        e->Callback(VKR_STARTDOC);
        return TRUE;
    }
    static BOOL DrvStartPage(SURFOBJ* pso) {
        Engine* e = FromSurface(pso);
        if (!e) return FALSE;
        e->trace.push_back("Drv:StartPage");
        e->Callback(VKR_STARTPAGE);
        return TRUE;
    }
    static BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*,
                              POINTL*, RECTL* prclDest, RECTL*, POINTL*, ULONG) {
        Engine* e = FromSurface(psoDest);
        if (!e) return FALSE;
        e->trace.push_back("Drv:StretchBlt:" + RectText(prclDest));
        e->PaintSurface(psoSrc, prclDest);
        return TRUE;
    }
    static BOOL DrvStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                 COLORADJUSTMENT*, POINTL*, RECTL* prclDest, RECTL*, POINTL*, ULONG, BRUSHOBJ*,
                                 ROP4) {
        Engine* e = FromSurface(psoDest);
        if (!e) return FALSE;
        e->trace.push_back("Drv:StretchBltROP:" + RectText(prclDest));
        e->PaintSurface(psoSrc, prclDest);
        return TRUE;
    }
    static BOOL DrvStrokeAndFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*,
                                     POINTL*, MIX, FLONG) {
        return TRUE;
    }
    static BOOL DrvStrokePath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*, MIX) {
        return TRUE;
    }
    static BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                           BRUSHOBJ*, POINTL*, MIX) {
        Engine* e = FromSurface(pso);
        if (!e || !pstro || !pfo) return FALSE;
        IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
        XFORML xform{};
        if (XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(pfo), &xform) == DDI_ERROR || !ifi) return FALSE;
        TextStyle style;
        const char16_t* family = IFIFamilyName(ifi);
        style.family = family ? std::u16string(family) : std::u16string();
        // Device fonts have no outline of their own here; a fixed-pitch face stands in for them.
        if (pfo->flFontType & FO_TYPE_DEVICE) style.family = u"DejaVu Sans Mono";
        const float scale = std::sqrt(xform.eM21 * xform.eM21 + xform.eM22 * xform.eM22);
        style.height = static_cast<int>(static_cast<double>(ifi->fwdUnitsPerEm) * scale + 0.5);
        style.weight = ifi->usWinWeight;
        style.italic = (pfo->flFontType & FO_SIM_ITALIC) != 0;
        style.underline = (ifi->fsSelection & kSelUnderscore) != 0;
        style.strikeout = (ifi->fsSelection & kSelStrikeout) != 0;
        std::u16string_view text = pstro->pwszOrg ? std::u16string_view(pstro->pwszOrg, pstro->cGlyphs)
                                                  : std::u16string_view();
        e->trace.push_back("Drv:TextOut:" + std::to_string(pstro->rclBkGround.left) + "," +
                           std::to_string(pstro->rclBkGround.top));
        if (e->page) e->painter.Draw(e->page->image(), style, text, pstro->rclBkGround.left, pstro->rclBkGround.top);
        return TRUE;
    }
    static BOOL DrvTransparentBlt(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, ULONG, ULONG) {
        return TRUE;
    }

    void BuildHostEntries() {
        auto add = [&](ULONG index, auto fn) { hostEntries.push_back(DRVFN{index, reinterpret_cast<PFN>(fn)}); };
        add(INDEX_DrvAlphaBlend, &DrvAlphaBlend);
        add(INDEX_DrvBitBlt, &DrvBitBlt);
        add(INDEX_DrvCopyBits, &DrvCopyBits);
        add(INDEX_DrvDitherColor, &DrvDitherColor);
        add(INDEX_DrvEndDoc, &DrvEndDoc);
        add(INDEX_DrvEscape, &DrvEscape);
        add(INDEX_DrvFillPath, &DrvFillPath);
        add(INDEX_DrvFontManagement, &DrvFontManagement);
        add(INDEX_DrvGetGlyphMode, &DrvGetGlyphMode);
        add(INDEX_DrvGradientFill, &DrvGradientFill);
        add(INDEX_DrvLineTo, &DrvLineTo);
        add(INDEX_DrvNextBand, &DrvNextBand);
        add(INDEX_DrvPaint, &DrvPaint);
        add(INDEX_DrvPlgBlt, &DrvPlgBlt);
        add(INDEX_DrvQueryAdvanceWidths, &DrvQueryAdvanceWidths);
        add(INDEX_DrvQueryFont, &DrvQueryFont);
        add(INDEX_DrvQueryFontData, &DrvQueryFontData);
        add(INDEX_DrvQueryFontTree, &DrvQueryFontTree);
        add(INDEX_DrvRealizeBrush, &DrvRealizeBrush);
        add(INDEX_DrvSendPage, &DrvSendPage);
        add(INDEX_DrvStartBanding, &DrvStartBanding);
        add(INDEX_DrvStartDoc, &DrvStartDoc);
        add(INDEX_DrvStartPage, &DrvStartPage);
        add(INDEX_DrvStretchBlt, &DrvStretchBlt);
        add(INDEX_DrvStretchBltROP, &DrvStretchBltROP);
        add(INDEX_DrvStrokeAndFillPath, &DrvStrokeAndFillPath);
        add(INDEX_DrvStrokePath, &DrvStrokePath);
        add(INDEX_DrvTextOut, &DrvTextOut);
        add(INDEX_DrvTransparentBlt, &DrvTransparentBlt);
    }

    // Device set-up -------------------------------------------------------------------------
    void BuildDevice() {
        const DevModeFields& dm = job.devmode;
        devmode.dmSpecVersion = 0x0401;
        devmode.dmDriverVersion = 0x0100;
        devmode.dmSize = sizeof(DEVMODEW);
        devmode.dmDriverExtra = sizeof(OEMDEVMODE);
        devmode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE | DM_COPIES |
                           DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION |
                           DM_TTOPTION | DM_COLLATE;
        const std::size_t nameLen = std::min<std::size_t>(printerName.size(), 31);
        std::copy_n(printerName.begin(), nameLen, devmode.dmDeviceName);
        devmode.dmOrientation = static_cast<SHORT>(dm.orientation);
        devmode.dmPaperSize = static_cast<SHORT>(dm.paperSize);
        devmode.dmPaperLength = static_cast<SHORT>(dm.paperLength);
        devmode.dmPaperWidth = static_cast<SHORT>(dm.paperWidth);
        devmode.dmScale = static_cast<SHORT>(dm.scale);
        devmode.dmCopies = static_cast<SHORT>(dm.copies);
        devmode.dmDefaultSource = static_cast<SHORT>(dm.defaultSource);
        devmode.dmPrintQuality = static_cast<SHORT>(dm.printQuality);
        devmode.dmColor = static_cast<SHORT>(dm.color);
        devmode.dmDuplex = static_cast<SHORT>(dm.duplex);
        devmode.dmYResolution = static_cast<SHORT>(dm.yResolution);
        devmode.dmTTOption = static_cast<SHORT>(dm.ttOption);
        devmode.dmCollate = static_cast<SHORT>(dm.collate);

        oemDevmode.dmOEMExtra = {sizeof(OEMDEVMODE), kOemSignature, 1};

        // The device palette: grey at 8 bits a pixel (entry i = (i, i, i)), black and white at 1.
        if (job.bitsPerPixel == 8) {
            for (int i = 0; i < 256; ++i) {
                const BYTE v = static_cast<BYTE>(i);
                palette.entries.push_back(PALETTEENTRY{v, v, v, 0});
            }
        } else {
            palette.entries = {PALETTEENTRY{0, 0, 0, 0}, PALETTEENTRY{255, 255, 255, 0}};
        }
        gdiInfo.ulVersion = 0x5000;
        gdiInfo.ulTechnology = 2;  // raster printer
        gdiInfo.ulHorzSize = static_cast<ULONG>(job.pageWidth * 254 / 2030);
        gdiInfo.ulHorzRes = static_cast<ULONG>(job.pageWidth);
        gdiInfo.cBitsPixel = static_cast<ULONG>(job.bitsPerPixel);
        gdiInfo.cPlanes = 1;
        gdiInfo.ulLogPixelsX = 203;
        gdiInfo.ulLogPixelsY = static_cast<ULONG>(dm.yResolution > 0 ? dm.yResolution : 203);
        devInfo.iDitherFormat = job.bitsPerPixel == 8 ? BMF_8BPP : BMF_1BPP;
        devInfo.hpalDefault = &palette;

        devobj.dwSize = sizeof(DEVOBJ);
        devobj.hEngine = this;
        devobj.hPrinter = hPrinter;
        devobj.pPublicDM = &devmode;
        devobj.pOEMDM = &oemDevmode;

        surface.dhpdev = &devobj;
        surface.iType = static_cast<USHORT>(STYPE_BITMAP);
        surface.iBitmapFormat = job.bitsPerPixel == 8 ? BMF_8BPP : BMF_1BPP;
        surface.sizlBitmap = SIZEL{job.pageWidth, 0};
    }

    // One page --------------------------------------------------------------------------------
    void DrawText(const DrawOp& op) {
        std::u16string family = Utf8ToUtf16(op.font);
        FontMetrics metrics(family, op);
        XFORMOBJ xo{};
        const float em = static_cast<float>(op.size) / 2048.0f;
        xo.xform = XFORML{em, 0.0f, 0.0f, em, 0.0f, 0.0f};
        xo.flAccel = GX_SCALE;
        FONTOBJ fo{};
        fo.iUniq = 1;
        fo.iFace = 1;
        fo.cxMax = static_cast<ULONG>(op.size);
        fo.flFontType = (op.device ? FO_TYPE_DEVICE : FO_TYPE_TRUETYPE) | (op.italic ? FO_SIM_ITALIC : 0);
        fo.sizLogResPpi = SIZEL{203, 203};
        fo.pifi_ = metrics.get();
        fo.pxo_ = &xo;
        std::u16string text = op.text;
        STROBJ so{};
        so.cGlyphs = static_cast<ULONG>(text.size());
        so.pwszOrg = text.data();
        so.rclBkGround = RECTL{op.x, op.y, op.x + static_cast<LONG>(text.size()) * op.size / 2, op.y + op.size};
        POINTL origin{op.x, op.y};
        trace.push_back("text:" + op.font + ":" + std::to_string(op.x) + "," + std::to_string(op.y) +
                        (op.device ? ":device" : ":truetype"));
        auto fn = Entry<PFN_DrvTextOut>(INDEX_DrvTextOut, &DrvTextOut, "TextOut");
        fn(&surface, &so, &fo, nullptr, nullptr, nullptr, nullptr, nullptr, &origin, kMixCopyPen);
    }

    void DrawImage(const DrawOp& op) {
        RECTL dest{op.x, op.y, op.x + op.width, op.y + op.height};
        const GreyImage& original = *op.image;
        GreyImage scaled;
        const GreyImage* source = &original;
        if (op.call == BlitCall::BitBlt && (original.width != op.width || original.height != op.height)) {
            // A bit-block transfer copies pixels one to one: the application has scaled first.
            scaled = ScaleNearest(original, op.width, op.height);
            source = &scaled;
        }
        SURFOBJ src{};
        src.dhpdev = &devobj;
        src.iType = static_cast<USHORT>(STYPE_BITMAP);
        src.iBitmapFormat = BMF_8BPP;
        src.sizlBitmap = SIZEL{source->width, source->height};
        src.cjBits = static_cast<ULONG>(source->pixels.size());
        src.pvBits = const_cast<std::uint8_t*>(source->pixels.data());
        src.pvScan0 = src.pvBits;
        src.lDelta = source->width;
        RECTL srcRect{0, 0, source->width, source->height};
        POINTL srcOrigin{0, 0};
        POINTL htOrigin{0, 0};
        switch (op.call) {
            case BlitCall::BitBlt: {
                auto fn = Entry<PFN_DrvBitBlt>(INDEX_DrvBitBlt, &DrvBitBlt, "BitBlt");
                fn(&surface, &src, nullptr, nullptr, nullptr, &dest, &srcOrigin, nullptr, nullptr, nullptr,
                   kRopSourceCopy);
                break;
            }
            case BlitCall::StretchBlt: {
                auto fn = Entry<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt, &DrvStretchBlt, "StretchBlt");
                fn(&surface, &src, nullptr, nullptr, nullptr, nullptr, &htOrigin, &dest, &srcRect, nullptr,
                   kColorOnColor);
                break;
            }
            case BlitCall::StretchBltROP: {
                auto fn = Entry<PFN_DrvStretchBltROP>(INDEX_DrvStretchBltROP, &DrvStretchBltROP, "StretchBltROP");
                fn(&surface, &src, nullptr, nullptr, nullptr, nullptr, &htOrigin, &dest, &srcRect, nullptr,
                   kColorOnColor, nullptr, kRopSourceCopy);
                break;
            }
        }
    }

    void DeliverBands() {
        const int bpp = job.bitsPerPixel;
        const DWORD callbackId = bpp == 8 ? 3 : 1;
        std::vector<RGBQUAD_> colorTable;
        for (const PALETTEENTRY& e : palette.entries) colorTable.push_back({e.peBlue, e.peGreen, e.peRed, 0});
        std::vector<std::uint8_t> band;
        const GreyImage& img = page->image();
        for (int top = 0; top < img.height; top += job.bandHeight) {
            const int rows = std::min(job.bandHeight, img.height - top);
            const bool blank = BuildBand(img, top, rows, bpp, band);
            BITMAPINFOHEADER bih{};
            bih.biSize = sizeof(BITMAPINFOHEADER);
            bih.biWidth = img.width;
            bih.biHeight = rows;
            bih.biPlanes = 1;
            bih.biBitCount = static_cast<WORD>(bpp);
            bih.biCompression = 0;
            bih.biSizeImage = static_cast<DWORD>(band.size());
            bih.biXPelsPerMeter = kPelsPerMeter203Dpi;
            bih.biYPelsPerMeter = kPelsPerMeter203Dpi;
            bih.biClrUsed = static_cast<DWORD>(palette.entries.size());
            IPPARAMS ipp{};
            ipp.dwSize = sizeof(IPPARAMS);
            ipp.ptOffset = POINTL{0, top};
            ipp.bBanding = TRUE;
            ipp.bBlankBand = blank ? TRUE : FALSE;
            INT result = 0;
            trace.push_back("ImageProcessing:top=" + std::to_string(top) + ",rows=" + std::to_string(rows) +
                            ",blank=" + (blank ? "1" : "0"));
            plugin->ImageProcessing(&devobj, band.data(), &bih, reinterpret_cast<PBYTE>(colorTable.data()),
                                    callbackId, &ipp, &result);
        }
    }

    struct RGBQUAD_ {
        BYTE b, g, r, reserved;
    };

    void PrintPage(const PageDescription& pageDesc, std::size_t index) {
        try {
            page.emplace(job.pageWidth, pageDesc.height);
        } catch (const std::bad_alloc&) {
            throw JobError(job.source.string(), "page " + std::to_string(index + 1) + " too large to allocate (" +
                                                    std::to_string(job.pageWidth) + " x " +
                                                    std::to_string(pageDesc.height) + " dots)");
        }
        surface.sizlBitmap = SIZEL{job.pageWidth, pageDesc.height};
        trace.push_back("page:" + std::to_string(index + 1));
        Entry<PFN_DrvStartPage>(INDEX_DrvStartPage, &DrvStartPage, "StartPage")(&surface);
        POINTL bandOrigin{0, 0};
        Entry<PFN_DrvStartBanding>(INDEX_DrvStartBanding, &DrvStartBanding, "StartBanding")(&surface, &bandOrigin);
        for (const DrawOp& op : pageDesc.draw) {
            switch (op.kind) {
                case DrawKind::Text: DrawText(op); break;
                case DrawKind::Image: DrawImage(op); break;
                case DrawKind::Fill:
                    trace.push_back("fill:" + std::to_string(op.x) + "," + std::to_string(op.y));
                    page->Fill(op.x, op.y, op.width, op.height, static_cast<std::uint8_t>(op.gray));
                    break;
            }
        }
        Entry<PFN_DrvNextBand>(INDEX_DrvNextBand, &DrvNextBand, "NextBand")(&surface, &bandOrigin);
        DeliverBands();
        Entry<PFN_DrvSendPage>(INDEX_DrvSendPage, &DrvSendPage, "SendPage")(&surface);
        page.reset();
    }
};

UnidrvHost::UnidrvHost(const JobDescription& job, SpoolOutput& spool)
    : m_engine(std::make_unique<Engine>(job, spool)) {}

UnidrvHost::~UnidrvHost() = default;

void UnidrvHost::SetPrinter(HANDLE hPrinter, std::u16string printerName) {
    m_engine->hPrinter = hPrinter;
    m_engine->printerName = std::move(printerName);
}

const std::vector<std::string>& UnidrvHost::trace() const { return m_engine->trace; }

long UnidrvHost::driverInterfaceReferencesLeft() const { return m_engine->refs.load() - 1; }

bool UnidrvHost::Run(PFN_DllGetClassObject getClassObject, std::string* error) {
    Engine& e = *m_engine;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!getClassObject) return fail("no DllGetClassObject");
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    e.trace.push_back("DllGetClassObject");
    if (FAILED(hr) || !factory) return fail("DllGetClassObject failed (" + std::to_string(hr) + ")");
    IPrintOemUni* plugin = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IPrintOemUni, reinterpret_cast<void**>(&plugin));
    factory->Release();
    e.trace.push_back("CreateInstance");
    if (FAILED(hr) || !plugin) return fail("the class factory made no plug-in object (" + std::to_string(hr) + ")");
    e.plugin = plugin;

    e.trace.push_back("PublishDriverInterface");
    plugin->PublishDriverInterface(static_cast<IPrintOemDriverUni*>(&e));

    DRVENABLEDATA pluginHooks{};
    e.trace.push_back("EnableDriver");
    hr = plugin->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof(DRVENABLEDATA), &pluginHooks);
    if (SUCCEEDED(hr) && pluginHooks.pdrvfn) {
        for (ULONG i = 0; i < pluginHooks.c; ++i) e.hooks[pluginHooks.pdrvfn[i].iFunc] = pluginHooks.pdrvfn[i].pfn;
    }

    e.BuildDevice();
    e.BuildHostEntries();
    DRVENABLEDATA hostData{PRINTER_OEMINTF_VERSION, static_cast<ULONG>(e.hostEntries.size()), e.hostEntries.data()};
    std::u16string name = e.printerName;
    PDEVOEM pdevOem = nullptr;
    e.trace.push_back("EnablePDEV");
    hr = plugin->EnablePDEV(&e.devobj, name.data(), 0, nullptr, sizeof(GDIINFO), &e.gdiInfo, sizeof(DEVINFO),
                            &e.devInfo, &hostData, &pdevOem);
    if (FAILED(hr) || !pdevOem) {
        e.trace.push_back("DisableDriver");
        plugin->DisableDriver();
        plugin->Release();
        e.plugin = nullptr;
        return fail("EnablePDEV failed (" + std::to_string(hr) + ")");
    }
    e.devobj.pdevOEM = pdevOem;

    struct Finish {
        Engine& e;
        ~Finish() {
            e.trace.push_back("DisablePDEV");
            e.plugin->DisablePDEV(&e.devobj);
            e.devobj.pdevOEM = nullptr;
            e.trace.push_back("DisableDriver");
            e.plugin->DisableDriver();
            e.trace.push_back("Release");
            e.plugin->Release();
            e.plugin = nullptr;
        }
    } finish{e};

    std::u16string document = Utf8ToUtf16(e.job.document);
    e.Entry<PFN_DrvStartDoc>(INDEX_DrvStartDoc, &Engine::DrvStartDoc, "StartDoc")(&e.surface, document.data(),
                                                                                 e.job.jobId);
    for (std::size_t i = 0; i < e.job.pages.size(); ++i) e.PrintPage(e.job.pages[i], i);
    e.Entry<PFN_DrvEndDoc>(INDEX_DrvEndDoc, &Engine::DrvEndDoc, "EndDoc")(&e.surface, 0);
    return true;
}

}  // namespace mkt::host
