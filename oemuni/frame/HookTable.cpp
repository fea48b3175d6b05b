// Each hook finds its device through the surface (or its dhpdev), does its own small piece of
// work and chains to the entry point Unidrv listed for the same index, with the same arguments.
// When Unidrv listed no entry point for a hooked index the hook reports failure (FALSE, 0 or
// nullptr) instead of calling through an empty slot.
#include "oemuni/frame/HookTable.h"

#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/ImageRectangles.h"
#include "oemuni/frame/PendingImageRect.h"
#include "oemuni/frame/WideText.h"
#include "oemuni/text/TextCapture.h"

namespace {

OemPDEV* DevOf(DHPDEV dhpdev) { return GetOemPDEV(static_cast<PDEVOBJ>(dhpdev)); }

BOOL OEMAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, BLENDOBJ* pBlendObj) {
    DebugLogA("OEMAlphaBlend : CALLED");
    OemPDEV* dev = GetOemPDEV(psoDest);
    if (dev == nullptr || dev->m_pfnDrvAlphaBlend == nullptr) return FALSE;
    return dev->m_pfnDrvAlphaBlend(psoDest, psoSrc, pco, pxlo, prclDest, prclSrc, pBlendObj);
}

BOOL OEMBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
               ROP4 rop4) {
    OemPDEV* dev = GetOemPDEV(psoTrg);
    if (dev == nullptr) return FALSE;
    if (prclTrg != nullptr) {
        DebugLogA("OEMBitBlt : prclTrg = (%d, %d, %d, %d)", prclTrg->left, prclTrg->top, prclTrg->right,
                  prclTrg->bottom);
        OnBitBltTarget(dev, *prclTrg);
    }
    if (dev->m_pfnDrvBitBlt == nullptr) return FALSE;
    return dev->m_pfnDrvBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo,
                               pptlBrush, rop4);
}

BOOL OEMCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc) {
    DebugLogA("OEMCopyBits : CALLED");
    OemPDEV* dev = GetOemPDEV(psoDest);
    if (dev == nullptr || dev->m_pfnDrvCopyBits == nullptr) return FALSE;
    return dev->m_pfnDrvCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

ULONG OEMDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgbColor, ULONG* pulDither) {
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvDitherColor == nullptr) return 0;
    return dev->m_pfnDrvDitherColor(dhpdev, iMode, rgbColor, pulDither);
}

BOOL OEMFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions) {
    DebugLogA("OEMFillPath : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvFillPath == nullptr) return FALSE;
    return dev->m_pfnDrvFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

ULONG OEMFontManagement(SURFOBJ* pso, FONTOBJ* pfo, ULONG iMode, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                        PVOID pvOut) {
    DebugLogA("OEMFontManagement : iMode = %u", iMode);
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvFontManagement == nullptr) return 0;
    return dev->m_pfnDrvFontManagement(pso, pfo, iMode, cjIn, pvIn, cjOut, pvOut);
}

ULONG OEMGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) {
    DebugLogA("OEMGetGlyphMode : CALLED");
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvGetGlyphMode == nullptr) return 0;
    return dev->m_pfnDrvGetGlyphMode(dhpdev, pfo);
}

BOOL OEMGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                     PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode) {
    DebugLogA("OEMGradientFill : CALLED");
    OemPDEV* dev = GetOemPDEV(psoDest);
    if (dev == nullptr || dev->m_pfnDrvGradientFill == nullptr) return FALSE;
    return dev->m_pfnDrvGradientFill(psoDest, pco, pxlo, pVertex, nVertex, pMesh, nMesh, prclExtents,
                                     pptlDitherOrg, ulMode);
}

BOOL OEMLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
               RECTL* prclBounds, MIX mix) {
    DebugLogA("OEMLineTo : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvLineTo == nullptr) return FALSE;
    return dev->m_pfnDrvLineTo(pso, pco, pbo, x1, y1, x2, y2, prclBounds, mix);
}

BOOL OEMPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    DebugLogA("OEMPaint : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvPaint == nullptr) return FALSE;
    return dev->m_pfnDrvPaint(pso, pco, pbo, pptlBrushOrg, mix);
}

BOOL OEMPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
               COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
               ULONG iMode) {
    DebugLogA("OEMPlgBlt : CALLED");
    OemPDEV* dev = GetOemPDEV(psoTrg);
    if (dev == nullptr || dev->m_pfnDrvPlgBlt == nullptr) return FALSE;
    return dev->m_pfnDrvPlgBlt(psoTrg, psoSrc, psoMsk, pco, pxlo, pca, pptlBrushOrg, pptfx, prcl, pptl, iMode);
}

BOOL OEMQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                           ULONG cGlyphs) {
    DebugLogA("OEMQueryAdvanceWidths : CALLED");
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvQueryAdvanceWidths == nullptr) return FALSE;
    return dev->m_pfnDrvQueryAdvanceWidths(dhpdev, pfo, iMode, phg, pvWidths, cGlyphs);
}

IFIMETRICS* OEMQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid) {
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvQueryFont == nullptr) return nullptr;
    return dev->m_pfnDrvQueryFont(dhpdev, iFile, iFace, pid);
}

LONG OEMQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                      ULONG cjSize) {
    DebugLogA("OEMQueryFontData : CALLED");
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvQueryFontData == nullptr) return 0;
    return dev->m_pfnDrvQueryFontData(dhpdev, pfo, iMode, hg, pgd, pv, cjSize);
}

PVOID OEMQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
    OemPDEV* dev = DevOf(dhpdev);
    if (dev == nullptr || dev->m_pfnDrvQueryFontTree == nullptr) return nullptr;
    return dev->m_pfnDrvQueryFontTree(dhpdev, iFile, iFace, iMode, pid);
}

BOOL OEMRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) {
    DebugLogA("OEMRealizeBrush : CALLED");
    return TRUE;  // brushes are realised by nobody: the plug-in draws no patterns itself
}

BOOL OEMStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
    OemPDEV* dev = GetOemPDEV(psoDest);
    if (dev == nullptr) return FALSE;
    if (prclDest != nullptr) {
        DebugLogA("OEMStretchBlt : prclDest = (%d, %d, %d, %d)", prclDest->left, prclDest->top,
                  prclDest->right, prclDest->bottom);
        OnStretchBltDestination(dev, *prclDest);
    }
    if (dev->m_pfnDrvStretchBlt == nullptr) return FALSE;
    return dev->m_pfnDrvStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc,
                                   pptlMask, iMode);
}

BOOL OEMStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                      POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4) {
    OemPDEV* dev = GetOemPDEV(psoDest);
    if (dev == nullptr) return FALSE;
    if (prclDest != nullptr) {
        DebugLogA("OEMStretchBltROP : prclDest = (%d, %d, %d, %d)", prclDest->left, prclDest->top,
                  prclDest->right, prclDest->bottom);
        OnStretchBltDestination(dev, *prclDest);
    }
    if (dev->m_pfnDrvStretchBltROP == nullptr) return FALSE;
    return dev->m_pfnDrvStretchBltROP(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc,
                                      pptlMask, iMode, pbo, rop4);
}

BOOL OEMStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions) {
    DebugLogA("OEMStrokeAndFillPath : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvStrokeAndFillPath == nullptr) return FALSE;
    return dev->m_pfnDrvStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg,
                                          mixFill, flOptions);
}

BOOL OEMStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                   POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    DebugLogA("OEMStrokePath : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvStrokePath == nullptr) return FALSE;
    return dev->m_pfnDrvStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL OEMTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                       RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
    DebugLogA("OEMTransparentBlt : CALLED");
    OemPDEV* dev = GetOemPDEV(psoDst);
    if (dev == nullptr || dev->m_pfnDrvTransparentBlt == nullptr) return FALSE;
    return dev->m_pfnDrvTransparentBlt(psoDst, psoSrc, pco, pxlo, prclDst, prclSrc, iTransColor, ulReserved);
}

BOOL OEMStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId) {
    SetCurrentJobId(dwJobId);
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev != nullptr) dev->dwJobId = dwJobId;
    std::string docName = WideToAnsi(std::u16string_view(pwszDocName != nullptr ? pwszDocName : u"",
                                                          WideLength(pwszDocName)));
    if (docName.size() > 4095) docName.resize(4095);  // 4096 bytes with the terminator
    DebugLogW(u"OEMStartDoc : dwJobId = %u, pwszDocName = %s", dwJobId, pwszDocName);
    DebugLogA("OEMStartDoc : dwJobId = %u, DocName = %s", dwJobId, docName.c_str());
    if (dev == nullptr || dev->m_pfnDrvStartDoc == nullptr) return FALSE;
    return dev->m_pfnDrvStartDoc(pso, pwszDocName, dwJobId);
}

BOOL OEMEndDoc(SURFOBJ* pso, FLONG fl) {
    DebugLogW(u"OEMEndDoc : dwJobId = %u", GetCurrentJobId());
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvEndDoc == nullptr) return FALSE;
    return dev->m_pfnDrvEndDoc(pso, fl);
}

BOOL OEMStartPage(SURFOBJ* pso) {
    DebugLogA("OEMStartPage : CALLED");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvStartPage == nullptr) return FALSE;
    return dev->m_pfnDrvStartPage(pso);
}

BOOL OEMSendPage(SURFOBJ* pso) {
    DebugLogW(u"OEMSendPage : dwJobId = %u", GetCurrentJobId());
    if (pso != nullptr && pso->iType == STYPE_BITMAP) DebugLogW(u"OEMSendPage : STYPE_BITMAP");
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvSendPage == nullptr) return FALSE;
    return dev->m_pfnDrvSendPage(pso);
}

BOOL OEMStartBanding(SURFOBJ* pso, POINTL* pptl) {
    ClearPendingImageRect();
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvStartBanding == nullptr) return FALSE;
    return dev->m_pfnDrvStartBanding(pso, pptl);
}

BOOL OEMNextBand(SURFOBJ* pso, POINTL* pptl) {
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr) return FALSE;
    FlushPendingImageRect(dev);
    if (dev->m_pfnDrvNextBand == nullptr) return FALSE;
    return dev->m_pfnDrvNextBand(pso, pptl);
}

ULONG OEMEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    DebugLogW(u"OEMEscape : iEsc = %u", iEsc);
    OemPDEV* dev = GetOemPDEV(pso);
    if (dev == nullptr || dev->m_pfnDrvEscape == nullptr) return 0;
    return dev->m_pfnDrvEscape(pso, iEsc, cjIn, pvIn, cjOut, pvOut);
}

template <typename F>
PFN AsPfn(F f) {
    return reinterpret_cast<PFN>(f);
}

const DRVFN kHookTable[HOOK_COUNT] = {
    {INDEX_DrvAlphaBlend, AsPfn(&OEMAlphaBlend)},
    {INDEX_DrvBitBlt, AsPfn(&OEMBitBlt)},
    {INDEX_DrvCopyBits, AsPfn(&OEMCopyBits)},
    {INDEX_DrvDitherColor, AsPfn(&OEMDitherColor)},
    {INDEX_DrvFillPath, AsPfn(&OEMFillPath)},
    {INDEX_DrvFontManagement, AsPfn(&OEMFontManagement)},
    {INDEX_DrvGetGlyphMode, AsPfn(&OEMGetGlyphMode)},
    {INDEX_DrvGradientFill, AsPfn(&OEMGradientFill)},
    {INDEX_DrvLineTo, AsPfn(&OEMLineTo)},
    {INDEX_DrvPaint, AsPfn(&OEMPaint)},
    {INDEX_DrvPlgBlt, AsPfn(&OEMPlgBlt)},
    {INDEX_DrvQueryAdvanceWidths, AsPfn(&OEMQueryAdvanceWidths)},
    {INDEX_DrvQueryFont, AsPfn(&OEMQueryFont)},
    {INDEX_DrvQueryFontData, AsPfn(&OEMQueryFontData)},
    {INDEX_DrvQueryFontTree, AsPfn(&OEMQueryFontTree)},
    {INDEX_DrvRealizeBrush, AsPfn(&OEMRealizeBrush)},
    {INDEX_DrvStretchBlt, AsPfn(&OEMStretchBlt)},
    {INDEX_DrvStretchBltROP, AsPfn(&OEMStretchBltROP)},
    {INDEX_DrvStrokeAndFillPath, AsPfn(&OEMStrokeAndFillPath)},
    {INDEX_DrvStrokePath, AsPfn(&OEMStrokePath)},
    {INDEX_DrvTextOut, AsPfn(&OEMTextOut)},
    {INDEX_DrvTransparentBlt, AsPfn(&OEMTransparentBlt)},
    {INDEX_DrvStartDoc, AsPfn(&OEMStartDoc)},
    {INDEX_DrvEndDoc, AsPfn(&OEMEndDoc)},
    {INDEX_DrvStartPage, AsPfn(&OEMStartPage)},
    {INDEX_DrvSendPage, AsPfn(&OEMSendPage)},
    {INDEX_DrvStartBanding, AsPfn(&OEMStartBanding)},
    {INDEX_DrvNextBand, AsPfn(&OEMNextBand)},
    {INDEX_DrvEscape, AsPfn(&OEMEscape)},
};

template <typename Slot>
void Keep(Slot& slot, PFN pfn) {
    slot = reinterpret_cast<Slot>(pfn);
}

}  // namespace

const DRVFN* GetHookTable() { return kHookTable; }

void SaveUnidrvEntryPoints(OemPDEV& d, const DRVENABLEDATA* pded) {
    if (pded == nullptr || pded->pdrvfn == nullptr) return;
    for (ULONG i = 0; i < pded->c; ++i) {
        const DRVFN& fn = pded->pdrvfn[i];
        switch (fn.iFunc) {
        case INDEX_DrvAlphaBlend: Keep(d.m_pfnDrvAlphaBlend, fn.pfn); break;
        case INDEX_DrvBitBlt: Keep(d.m_pfnDrvBitBlt, fn.pfn); break;
        case INDEX_DrvCopyBits: Keep(d.m_pfnDrvCopyBits, fn.pfn); break;
        case INDEX_DrvDitherColor: Keep(d.m_pfnDrvDitherColor, fn.pfn); break;
        case INDEX_DrvEndDoc: Keep(d.m_pfnDrvEndDoc, fn.pfn); break;
        case INDEX_DrvEscape: Keep(d.m_pfnDrvEscape, fn.pfn); break;
        case INDEX_DrvFillPath: Keep(d.m_pfnDrvFillPath, fn.pfn); break;
        case INDEX_DrvFontManagement: Keep(d.m_pfnDrvFontManagement, fn.pfn); break;
        case INDEX_DrvGetGlyphMode: Keep(d.m_pfnDrvGetGlyphMode, fn.pfn); break;
        case INDEX_DrvGradientFill: Keep(d.m_pfnDrvGradientFill, fn.pfn); break;
        case INDEX_DrvLineTo: Keep(d.m_pfnDrvLineTo, fn.pfn); break;
        case INDEX_DrvNextBand: Keep(d.m_pfnDrvNextBand, fn.pfn); break;
        case INDEX_DrvPaint: Keep(d.m_pfnDrvPaint, fn.pfn); break;
        case INDEX_DrvPlgBlt: Keep(d.m_pfnDrvPlgBlt, fn.pfn); break;
        case INDEX_DrvQueryAdvanceWidths: Keep(d.m_pfnDrvQueryAdvanceWidths, fn.pfn); break;
        case INDEX_DrvQueryFont: Keep(d.m_pfnDrvQueryFont, fn.pfn); break;
        case INDEX_DrvQueryFontData: Keep(d.m_pfnDrvQueryFontData, fn.pfn); break;
        case INDEX_DrvQueryFontTree: Keep(d.m_pfnDrvQueryFontTree, fn.pfn); break;
        case INDEX_DrvRealizeBrush: Keep(d.m_pfnDrvRealizeBrush, fn.pfn); break;
        case INDEX_DrvSendPage: Keep(d.m_pfnDrvSendPage, fn.pfn); break;
        case INDEX_DrvStartBanding: Keep(d.m_pfnDrvStartBanding, fn.pfn); break;
        case INDEX_DrvStartDoc: Keep(d.m_pfnDrvStartDoc, fn.pfn); break;
        case INDEX_DrvStartPage: Keep(d.m_pfnDrvStartPage, fn.pfn); break;
        case INDEX_DrvStretchBlt: Keep(d.m_pfnDrvStretchBlt, fn.pfn); break;
        case INDEX_DrvStretchBltROP: Keep(d.m_pfnDrvStretchBltROP, fn.pfn); break;
        case INDEX_DrvStrokeAndFillPath: Keep(d.m_pfnDrvStrokeAndFillPath, fn.pfn); break;
        case INDEX_DrvStrokePath: Keep(d.m_pfnDrvStrokePath, fn.pfn); break;
        case INDEX_DrvTextOut: Keep(d.m_pfnDrvTextOut, fn.pfn); break;
        case INDEX_DrvTransparentBlt: Keep(d.m_pfnDrvTransparentBlt, fn.pfn); break;
        default: break;  // not hooked
        }
    }
}
