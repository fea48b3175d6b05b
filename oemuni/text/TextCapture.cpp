#include "oemuni/text/TextCapture.h"

#include <array>
#include <new>
#include <string>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/ImageRectangles.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/text/FontHeight.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextConversion.h"
#include "oemuni/text/TextReduction.h"
#include "oemuni/text/Utf16Bytes.h"
#include "platform/CodePage.h"

namespace {

constexpr DWORD kLogTextBufSize = 4096;

void LogTextOut(STROBJ* pstro, FONTOBJ* pfo) {
    if (!IsDebugLogEnabled()) return;
    const char16_t* familyName = IFIFamilyName(FONTOBJ_pifi(pfo));
    if (familyName == nullptr) familyName = u"";
    const std::u16string data(pstro->pwszOrg, pstro->cGlyphs);
    const int x = static_cast<int>(pstro->rclBkGround.left);
    const int y = static_cast<int>(pstro->rclBkGround.top);
    const int cxMax = static_cast<int>(pfo->cxMax);
    DebugLogW(u"(%d, %d) Font Name = %ws, cxMax = %d, Data = %ws", x, y, familyName, cxMax, data.c_str());

    std::array<BYTE, 512> name{};
    std::array<BYTE, kLogTextBufSize> text{};
    ConvertWideToMultiByte(familyName, name, CP_ACP);
    ConvertWideToMultiByte(data.c_str(), text, CP_ACP);
    DebugLogA("OEMTextOut : (%d, %d) Font Name = %s, cxMax = %d, Data = %s (%d)", x, y,
              reinterpret_cast<const char*>(name.data()), cxMax,
              reinterpret_cast<const char*>(text.data()), static_cast<int>(pstro->cGlyphs));
}

}  // namespace

BOOL OEMTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    if (pstro == nullptr || pfo == nullptr) return FALSE;
    if (pstro->pwszOrg != nullptr) LogTextOut(pstro, pfo);

    ClearPendingImageRect();

    OemPDEV* pOemPDEV = GetOemPDEV(pso);
    if (pOemPDEV == nullptr) {
        DebugLogA("OEMTextOut : pOemPDEV is NULL.");
        return FALSE;
    }
    const float fReduceRate = GetTextReduceRate(*pOemPDEV, 10);
    const BYTE* byteValue = pOemPDEV->m_UIInfo.byteValue;
    // Landscape pages, unreduced non-device text and glyph-only calls are Unidrv's to draw.
    if (byteValue[42] != 0 || (fReduceRate >= 1.0f && (pfo->flFontType & FO_TYPE_DEVICE) == 0) ||
        pstro->pwszOrg == nullptr) {
        if (pOemPDEV->m_pfnDrvTextOut == nullptr) return FALSE;
        return pOemPDEV->m_pfnDrvTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore,
                                         pboOpaque, pptlOrg, mix);
    }
    AddFontsInfoToBuf(pso, pstro, pfo, pco);
    return FALSE;
}

DWORD AddFontsInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* /*pco*/) {
    if (pfo == nullptr) return 0;
    if ((pfo->flFontType & FO_TYPE_DEVICE) != 0) {
        DebugLogA("AddFontsInfoToBuf : flFontType = FO_TYPE_DEVICE");
        AddDevFontInfoToBuf(pso, pstro, pfo);
        return 0;
    }
    if ((pfo->flFontType & FO_TYPE_OPENTYPE) != 0) DebugLogA("AddFontsInfoToBuf : flFontType = FO_TYPE_OPENTYPE");
    if ((pfo->flFontType & FO_TYPE_RASTER) != 0) DebugLogA("AddFontsInfoToBuf : flFontType = FO_TYPE_RASTER");
    if ((pfo->flFontType & FO_TYPE_TRUETYPE) != 0) DebugLogA("AddFontsInfoToBuf : flFontType = FO_TYPE_TRUETYPE");
    AddTtfFontInfoToBuf(pso, pstro, pfo);
    return 0;
}

DWORD AddTtfFontInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo) {
    if (pstro == nullptr || pstro->pwszOrg == nullptr) return 0;
    const char16_t* familyName = IFIFamilyName(FONTOBJ_pifi(pfo));
    // Fields longer than a record can hold are not recorded (AddFontDataToBuf would refuse
    // them too); checked first so that no oversized copy is made.
    if (2ull * pstro->cGlyphs + 1 > FONT_RECORD_MAX_FIELD ||
        2ull * Utf16Length(familyName) + 1 > FONT_RECORD_MAX_FIELD) {
        DebugLogA("AddTtfFontInfoToBuf : the string (%u characters) is too long for a record, not recorded.",
                  static_cast<unsigned>(pstro->cGlyphs));
        return 0;
    }
    try {
        const std::vector<BYTE> fieldA = Utf16LeBytes(familyName, Utf16Length(familyName), 1);
        const std::vector<BYTE> fieldB = Utf16LeBytes(pstro->pwszOrg, pstro->cGlyphs, 1);
        return AddFontDataToBuf(pso, pstro, pfo, FTYPE_TRUETYPE, GetFontHeight(pfo), fieldA, fieldB);
    } catch (const std::bad_alloc&) {
        DebugLogA("AddTtfFontInfoToBuf : failed to allocate the buffer.");
        return 0;
    }
}
