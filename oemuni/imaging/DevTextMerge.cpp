#include "oemuni/imaging/DevTextMerge.h"

#include <cstring>
#include <new>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/FontRecordView.h"
#include "oemuni/imaging/ImageRectSort.h"
#include "oemuni/imaging/RasterCommands.h"
#include "oemuni/imaging/ReduceRate.h"
#include "oemuni/imaging/image/CxImage.h"
#include "oemuni/job/JobOutput.h"

namespace {

struct MergeContext {
    PDEVOBJ pdevobj;
    OemPDEV* pOemPDEV;
    const CxImage* pImage;
    float fReduceRate;

    HRESULT EmitRows(DWORD dwStartY, DWORD dwRows) const {
        const BYTE* b = pOemPDEV->m_UIInfo.byteValue;
        return AddImageCommands(pdevobj, pImage, dwStartY, dwRows, b[36] == 1, b[33] == 1);
    }
    // Appends the record's fields A and B and one 00 byte.
    bool EmitRecord(const FontRecordView& rec) const {
        std::vector<BYTE> bytes;
        try {
            const auto fields = rec.Fields();
            bytes.reserve(fields.size() + 1);
            bytes.assign(fields.begin(), fields.end());
            bytes.push_back(0x00);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return pOemPDEV->pJobOutput != nullptr &&
               pOemPDEV->pJobOutput->AddPrintDataTobeSent(bytes.data(), static_cast<DWORD>(bytes.size())) != FALSE;
    }
};

// Height of the text band a record occupies on the page.
DWORD TextBandHeight(const FontRecordView& rec, const MergeContext& ctx) {
    const BYTE type = rec.Type();
    if (type == FTYPE_DEVICE_BARCODE) {
        DebugLogA("AddImageAndDevFontData : uiFontType : FTYPE_DEVICE_BARCODE");
        return 0;
    }
    DebugLogA("AddImageAndDevFontData : uiFontType : %x", type);
    if ((type == FTYPE_DEVICE_FONT_CONTROL || type == FTYPE_DEVICE_FONT_CONTROL_A) &&
        ctx.pOemPDEV->m_UIInfo.byteValue[21] != 0) {
        return 0;
    }
    return ScaledValue(rec.Height(), ctx.fReduceRate);
}

// Image drawn inside the text band: the rows from the record's Y that belong to the first
// image area whose top lies at the record's Y or inside the band.
void DevTextInImage(const MergeContext& ctx, DWORD dwY_DevFont, DWORD h) {
    DebugLogA("DevTextInImage START");
    const ByteBuffer& rects = ctx.pOemPDEV->pImgRectBufStart;
    const DWORD count = rects.size() / IMAGE_RECT_SIZE;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD top = ReadLe16(rects.data() + i * IMAGE_RECT_SIZE + 2);
        DWORD corrected = 0;
        if (top == dwY_DevFont) {
            corrected = h;
        } else if (top > dwY_DevFont && top < dwY_DevFont + h) {
            corrected = h - (top - dwY_DevFont);
        } else {
            continue;
        }
        DebugLogA("AddImageAndDevFontData : The corrected image height = %u", corrected);
        ctx.EmitRows(dwY_DevFont, corrected);
        return;
    }
    DebugLogA("DevTextInImage END");
}

HRESULT MergeWithDeviceText(const MergeContext& ctx) {
    OemPDEV* pOemPDEV = ctx.pOemPDEV;
    const std::span<const BYTE> devTxt = pOemPDEV->pDevTxtBufStart.span();
    const DWORD dwDevTxtBufSize = pOemPDEV->dwDevTxtBufSize();
    const DWORD H = ctx.pImage->GetHeight();
    const BYTE* b = pOemPDEV->m_UIInfo.byteValue;

    DWORD dwY_ImgStart = 0;
    DWORD dwY_ImgHeight = 0;
    DWORD dwDevTxtStart = 0;
    HRESULT hResult = E_FAIL;

    while (dwY_ImgHeight < H) {
        if (dwDevTxtStart >= dwDevTxtBufSize) {
            DebugLogA("AddImageAndDevFontData : dwDevTxtStart >= pOemPDEV->dwDevTxtBufSize");
            break;
        }
        const auto rec = RecordAt(devTxt, dwDevTxtStart);
        if (!rec) {
            DebugLogA("AddImageAndDevFontData : damaged device-text record at %u", dwDevTxtStart);
            dwDevTxtStart = dwDevTxtBufSize;
            break;
        }
        const DWORD dwY_DevFont = ScaledValue(rec->PosY(), ctx.fReduceRate);
        DebugLogA("AddImageAndDevFontData : dwY_DevFont = %u, dwY_ImgHeight = %u, dwY_ImgStart = %u", dwY_DevFont,
                  dwY_ImgHeight, dwY_ImgStart);
        if (dwY_DevFont > dwY_ImgHeight) {
            // Walk down to the record (or to the bottom of the image, where a record lower
            // than the image is never reached); nothing else happens on the rows between.
            dwY_ImgHeight = dwY_DevFont < H ? dwY_DevFont : H;
            continue;
        }
        if (dwY_DevFont != 0 && dwY_DevFont > dwY_ImgStart + 1) {
            DebugLogA("AddImageAndDevFontData : dwY_DevFont > 0 : StartY = %u, Height = %u", dwY_ImgStart,
                      dwY_DevFont - dwY_ImgStart - 1);
            // The row just above the record is not emitted.
            ctx.EmitRows(dwY_ImgStart, dwY_DevFont - dwY_ImgStart - 1);
        }
        DebugLogA("AddImageAndDevFontData : Adding Device font TEXT - Y = %u", dwY_DevFont);
        if (!ctx.EmitRecord(*rec)) {
            // The rest of the page cannot follow a record that is missing.
            return 1;
        }
        const DWORD h = TextBandHeight(*rec, ctx);
        DevTextInImage(ctx, dwY_DevFont, h);
        dwY_ImgHeight += h;
        dwY_ImgStart = dwY_ImgHeight;
        dwDevTxtStart += rec->Length();
        hResult = S_OK;
    }

    // Records already due when the walk reached the bottom of the image (a second record at
    // the same Y near the bottom, say) still print, right after the walk, without image rows.
    // Records whose Y lies below the image stay unprinted.
    while (dwDevTxtStart < dwDevTxtBufSize) {
        const auto rec = RecordAt(devTxt, dwDevTxtStart);
        if (!rec) break;
        const DWORD dwY_DevFont = ScaledValue(rec->PosY(), ctx.fReduceRate);
        if (dwY_DevFont < H) {
            DebugLogA("AddImageAndDevFontData : Adding Device font TEXT after the walk - Y = %u", dwY_DevFont);
            if (!ctx.EmitRecord(*rec)) return 1;
            hResult = S_OK;
        }
        dwDevTxtStart += rec->Length();
    }

    DebugLogA("AddImageAndDevFontData : The buffer remained : dwImgStartY = %u, ImageHeight = %u", dwY_ImgStart, H);
    DWORD dwRemainHeight = 0;
    if (b[21] != 0) {
        dwRemainHeight = dwY_ImgStart < H ? H - dwY_ImgStart : 0;
    } else {
        DWORD E = H;
        if (pOemPDEV->bBlankBand != 0) {
            const DWORD blank = ScaledValue(pOemPDEV->dwBlankHeight, ctx.fReduceRate);
            E = blank < H ? H - blank : 0;
        }
        if (dwY_ImgStart < E) {
            dwRemainHeight = E - dwY_ImgStart;
        } else if (ScaledValue(pOemPDEV->dwLastTxt_PosY, ctx.fReduceRate) < dwY_ImgStart) {
            dwRemainHeight = 0;
        } else {
            dwRemainHeight =
                ScaledValue(pOemPDEV->dwLastTxt_PosY + pOemPDEV->dwLastTxt_Height, ctx.fReduceRate) - dwY_ImgStart;
        }
    }
    DebugLogA("AddImageAndDevFontData : dwY_ImgStart = %u, dwRemainHeight = %u", dwY_ImgStart, dwRemainHeight);
    if (dwRemainHeight != 0) hResult = ctx.EmitRows(dwY_ImgStart, dwRemainHeight);
    return hResult;
}

HRESULT MergeWithoutDeviceText(const MergeContext& ctx) {
    OemPDEV* pOemPDEV = ctx.pOemPDEV;
    const BYTE* b = pOemPDEV->m_UIInfo.byteValue;
    DebugLogA("AddImageAndDevFontData : Device Fonts does not exist.");
    DebugLogA("AddImageAndDevFontData : pOemPDEV->pDevTxtBufStart is NULL");
    DWORD c = ctx.pImage->GetHeight();
    DebugLogA("AddImageAndDevFontData : dwRemainHeight #1 = %u", c);
    if (b[21] == 0) {
        if (pOemPDEV->bBlankBand != 0) {
            const DWORD dwBlankBandHeight = ScaledValue(pOemPDEV->dwBlankHeight, ctx.fReduceRate);
            DebugLogA("AddImageAndDevFontData : dwBlankBandHeight = %u", dwBlankBandHeight);
            c = dwBlankBandHeight < c ? c - dwBlankBandHeight : 0;
            DebugLogA("AddImageAndDevFontData : dwRemainHeight #2 = %u", c);
        }
        if (ScaledValue(pOemPDEV->dwLastTxt_PosY, ctx.fReduceRate) >= c) {
            c = ScaledValue(pOemPDEV->dwLastTxt_PosY + pOemPDEV->dwLastTxt_Height, ctx.fReduceRate);
            DebugLogA("AddImageAndDevFontData : dwRemainHeight #3 = %u", c);
            if (b[23] != 0 && b[24] != 0 && c > b[24]) {
                c -= b[24];
                DebugLogA("AddImageAndDevFontData : dwRemainHeight #4 = %u", c);
            }
            if (b[25] != 0 && b[26] != 0 && c > b[26]) {
                c -= b[26];
                DebugLogA("AddImageAndDevFontData : dwRemainHeight #5 = %u", c);
            }
        }
    }
    return ctx.EmitRows(0, c);
}

}  // namespace

HRESULT AddImageAndDevFontData(PDEVOBJ pdevobj, const CxImage* pImage, float fReduceRate) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pImage == nullptr || !pImage->IsValid()) return E_FAIL;
    const BYTE* b = pOemPDEV->m_UIInfo.byteValue;
    DebugLogA("AddImageAndDevFontData : START");
    DebugLogA("AddImageAndDevFontData : Width = %u, Height = %u", pImage->GetWidth(), pImage->GetHeight());
    DebugLogA("AddImageAndDevFontData : byteValue[33] = %d, byteValue[36] = %d", b[33], b[36]);
    const MergeContext ctx{pdevobj, pOemPDEV, pImage, fReduceRate};
    const HRESULT hResult =
        pOemPDEV->pDevTxtBufStart.empty() ? MergeWithoutDeviceText(ctx) : MergeWithDeviceText(ctx);
    DebugLogA("AddImageAndDevFontData : END");
    return hResult;
}

void RePositionDevTxt_R180(ByteBuffer& devTxt, DWORD dwLastPosY) {
    DebugLogA("RePositionDevTxt_R180 START");
    const DWORD size = devTxt.size();
    if (size == 0) {
        DebugLogA("RePositionDevTxt_R180 END");
        return;
    }
    // Every record must lie whole inside the buffer before any is moved.
    for (DWORD p = 0; p < size;) {
        const auto rec = RecordAt(devTxt.span(), p);
        if (!rec) {
            DebugLogA("RePositionDevTxt_R180 : damaged record at %u", p);
            return;
        }
        p += rec->Length();
    }
    std::vector<BYTE> copy;
    try {
        copy.assign(devTxt.data(), devTxt.data() + size);
    } catch (const std::bad_alloc&) {
        DebugLogA("RePositionDevTxt_R180 : LocalAlloc failed with (%d)", 8);
        return;
    }
    BYTE* out = devTxt.data();
    std::memset(out, 0, size);
    for (DWORD p = 0; p < size;) {
        const FontRecordView rec{copy.data() + p};
        const DWORD L = rec.Length();
        const DWORD y = rec.PosY();
        // A record below the last content row would wrap to the top of the 16-bit range and
        // vanish; it is placed on the first row instead.
        const DWORD mirrored = y <= dwLastPosY ? dwLastPosY - y : 0;
        DebugLogA("RePositionDevTxt_R180 : Original PosY = %u", y);
        DebugLogA("RePositionDevTxt_R180 : New PosY = %u", mirrored & 0xFFFF);
        BYTE* dst = out + (size - (p + L));
        std::memcpy(dst, copy.data() + p, L);
        WriteLe16(dst + 15, static_cast<WORD>(mirrored & 0xFFFF));
        p += L;
    }
    DebugLogA("RePositionDevTxt_R180 END");
}
