#include "oemuni/imaging/PageComposition.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/PrintSettings.h"
#include "oemuni/imaging/DevTextMerge.h"
#include "oemuni/imaging/FontRecordView.h"
#include "oemuni/imaging/ImageRectSort.h"
#include "oemuni/imaging/PageDump.h"
#include "oemuni/imaging/PageInk.h"
#include "oemuni/imaging/ReduceRate.h"
#include "oemuni/imaging/image/CxImage.h"
#include "oemuni/job/JobOutput.h"
#include "oemuni/text/FontRecords.h"

int CropBottomBlankArea(PDEVOBJ pdevobj, CxImage* pImage) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pImage == nullptr || !pImage->IsValid()) return 0;
    const BYTE* b = pOemPDEV->m_UIInfo.byteValue;
    const DWORD W = pImage->GetWidth();
    const DWORD H = pImage->GetHeight();
    DebugLogA("CropBottomBlankArea : Width = %u, Height = %u", W, H);
    DebugLogA("CropBottomBlankArea : byteValue[31] = %d, byteValue[42] = %d", b[31], b[42]);
    if (b[31] != 0) return 0;

    const InkFinder ink(*pImage);
    DWORD y = H;  // H: no ink found
    LONG x = -1;
    for (DWORD row = H - 1; row >= 1; --row) {
        x = ink.FirstInkColumn(row);
        if (x >= 0) {
            y = row;
            break;
        }
    }
    if (y == H) return 0;  // row 0 alone never causes a crop
    const RGBQUAD c = pImage->GetPixelColor(x, static_cast<LONG>(y));
    DebugLogA("CropBottomBlankArea : Red = %d, Green = %d, Blue = %d", c.rgbRed, c.rgbGreen, c.rgbBlue);
    DebugLogA("CropBottomBlankArea : n_xIndex = %d, n_yIndex = %d", static_cast<int>(x), static_cast<int>(y));
    DebugLogA("CropBottomBlankArea : BREAK LOOOP-1");

    // d is signed: text reaching below the page keeps every row.
    LONG d = static_cast<LONG>(H - y);
    if (pOemPDEV->dwTxtBufSize() != 0 && y < pOemPDEV->dwBottomTxtCoordinate) {
        d = static_cast<LONG>(H) - static_cast<LONG>(pOemPDEV->dwBottomTxtCoordinate);
    }
    DebugLogA("CropBottomBlankArea : rectPageArea.bottom = %d", static_cast<int>(d));
    const LONG bottom = d - 2 < 0 ? 0 : d - 2;
    int cropped = 0;
    if (pImage->Crop(0, static_cast<LONG>(H), static_cast<LONG>(W), bottom)) {
        pOemPDEV->bBlankBand = 0;
        pOemPDEV->dwBlankHeight = 0;
        pOemPDEV->dwBlankSize = 0;
        DebugLogA("CropBottomBlankArea : pImage->Crop");
        cropped = 1;
    }
    DebugLogA("CropBottomBlankArea : BREAK LOOOP-2");
    return cropped;
}

int CropImageTopAndBottom(PDEVOBJ pdevobj, CxImage* pImage, DWORD dwOrgWidth, DWORD /*dwOrgHeight*/,
                          DWORD dw_Y_Last) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pImage == nullptr || !pImage->IsValid()) return 0;
    const BYTE* b = pOemPDEV->m_UIInfo.byteValue;
    const DWORD H = pImage->GetHeight();
    const DWORD W = pImage->GetWidth();
    DWORD byTopCrop = b[23] != 0 ? b[24] : 0;
    DWORD byBottomCrop = b[25] != 0 ? b[26] : 0;
    if (byTopCrop + byBottomCrop > H) {
        byTopCrop = 0;
        byBottomCrop = 0;
    }
    if (b[21] == 0 && byTopCrop == 0 && byBottomCrop == 0) {
        DebugLogA("CropImageTopAndBottom : DO NOTHING. (NO CROP)");
        return 1;
    }
    LONG top = 0;
    LONG bottom = 0;
    if (b[21] != 0 && pOemPDEV->bBlankBand != 0) {
        // Case #1, a rotated receipt: keep rows c + 1 to e.
        DWORD c = byTopCrop;
        DWORD e = dw_Y_Last;
        if (b[21] == 1) {
            e = dwOrgWidth + byTopCrop;
        } else if (b[21] == 3) {
            if (H - e <= byBottomCrop) e = H - byBottomCrop;
            c = e - dwOrgWidth;
        } else {
            if (H - e <= byBottomCrop) e = H - byBottomCrop;
        }
        top = static_cast<LONG>(H - c - 1);
        bottom = static_cast<LONG>(H - e - 1);
        if (!pImage->Crop(0, top, static_cast<LONG>(W), bottom)) {
            DebugLogA("CropImageTopAndBottom  : CxImage Crop failed");
            return 0;
        }
        pOemPDEV->bBlankBand = 0;
    } else {
        if (byTopCrop == 0 && byBottomCrop == 0) {
            DebugLogA("CropImageTopAndBottom : CASE #3");
            DebugLogA("CropImageTopAndBottom : DO NOTHING. (NO CROP)");
            return 1;
        }
        // Case #2: the top crop takes rows 0 to N, the bottom crop N - 1 rows.
        top = static_cast<LONG>(H - byTopCrop - 1);
        bottom = static_cast<LONG>(byBottomCrop - 1);
        if (!pImage->Crop(0, top, static_cast<LONG>(W), bottom)) {
            DebugLogA("CropImageTopAndBottom  : CxImage Crop failed.");
            return 0;
        }
    }
    DebugLogA("CropImageTopAndBottom : Width = %u, Height = %u", pImage->GetWidth(), pImage->GetHeight());
    DebugLogA("CropImageTopAndBottom : rcNewRect.top : %d, rcNewRect.bottom : %d", static_cast<int>(top),
              static_cast<int>(bottom));
    DebugLogA("CropImageTopAndBottom : END.");
    return 1;
}

DWORD DrawResizedText(PDEVOBJ pdevobj, CxImage* pImage, float fReduceRate, DWORD dwLastPosY) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr || pImage == nullptr || pOemPDEV->pTxtBufStart.empty()) return dwLastPosY;
    const BYTE rotation = pOemPDEV->m_UIInfo.byteValue[21];
    std::vector<BYTE> text(FONT_RECORD_TEXT_BUF_SIZE);
    DWORD index = 0;
    do {
        LOGFONTW lf{};
        std::fill(text.begin(), text.end(), BYTE{0});
        const std::span<const BYTE> records = pOemPDEV->pTxtBufStart.span();
        if (records.size() - index < 3) break;  // not even a type and a height left
        const BYTE type = records[index];
        const DWORD height = ReadLe16(records.data() + index + 1);
        DWORD positionX = 0;
        DWORD positionY = 0;
        index = ExtractFontInfoFromBuf(pdevobj, index, &lf, &positionX, &positionY, text);
        if (index == 0) {
            DebugLogA("DrawResizedText : CxImage : BREAK LOOP");
            break;
        }
        DWORD dwNewY = 0;
        if (type == FTYPE_TRUETYPE) {
            DebugLogA("DrawResizedText : (positionX = %d, positionY = %d), lfHeight = %d", static_cast<int>(positionX),
                      static_cast<int>(positionY), static_cast<int>(lf.lfHeight));
            std::u16string str;
            for (size_t i = 0; i + 1 < text.size(); i += 2) {
                const char16_t unit = static_cast<char16_t>(text[i] | (text[i + 1] << 8));
                if (unit == 0) break;
                str.push_back(unit);
            }
            const LONG y = pImage->DrawString(static_cast<LONG>(positionX), static_cast<LONG>(positionY), str, lf,
                                              fReduceRate, rotation);
            dwNewY = static_cast<DWORD>(y);
        } else {
            dwNewY = positionY + height;
        }
        if (dwNewY > dwLastPosY) {
            dwLastPosY = dwNewY;
            DebugLogA("DrawResizedText : nPosition_Y : %u", dwLastPosY);
        }
        ++index;
    } while (index < pOemPDEV->dwTxtBufSize());
    return dwLastPosY;
}

namespace {

void LogSettings(const BYTE* b) {
    for (int n : {21, 31, 33, 34, 35, 38, 40, 41, 42}) {
        DebugLogA("CreateImageData : pUIInfo->byteValue[%d] = %d", n, b[n]);
    }
}

// The bytes the page bitmap must hold for its header: composition never reads past them.
bool BitmapHoldsHeaderRows(const OemPDEV* pOemPDEV) {
    const BITMAPINFOHEADER& h = pOemPDEV->bmInfoHeader;
    const std::uint64_t height = h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(h.biWidth < 0 ? 0 : h.biWidth) * h.biBitCount + 31) / 32) * 4;
    const std::uint64_t needed = h.biSizeImage != 0 ? h.biSizeImage : stride * height;
    return needed <= pOemPDEV->dwBufSize();
}

}  // namespace

HRESULT CreateImageData(PDEVOBJ pdevobj) {
    OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) return E_FAIL;
    BYTE* b = pOemPDEV->m_UIInfo.byteValue;
    DebugLogA("CreateImageData : START");
    LogSettings(b);
    CxImage image;

    // Receipt media (its trailing blank rows are trimmed) is marked by bBlankBand from here on.
    pOemPDEV->bBlankBand = 0;
    if (b[31] == 0 || IsReceiptPrintSelected(pdevobj) == 1) {
        pOemPDEV->bBlankBand = 1;
        b[31] = 0;
    }
    const float fReduceRate = GetReduceRate(pOemPDEV->m_UIInfo);
    DebugLogA("CreateImageData : (2) fReduceRate = %f", static_cast<double>(fReduceRate));

    if (!BitmapHoldsHeaderRows(pOemPDEV)) {
        // A band could not be stored (memory ran out): the page is incomplete and is dropped.
        DebugLogA("CreateImageData : the page bitmap holds %u bytes, fewer than its header counts.",
                  pOemPDEV->dwBufSize());
        DebugLogA("CreateImageData : Decode failed.");
        return E_FAIL;
    }
    const BITMAPINFOHEADER header = pOemPDEV->bmInfoHeader;
    const size_t paletteBytes = std::min<size_t>(pOemPDEV->pbyColorTable.size(),
                                                 4u * static_cast<size_t>(std::max(pOemPDEV->nColorTableSize, 0)));
    if (!image.Decode(header, pOemPDEV->pBufStart.span(), pOemPDEV->pbyColorTable.span().first(paletteBytes))) {
        DebugLogA("CreateImageData : Decode failed.");
        return E_FAIL;
    }
    // The image now holds the page: the captured bitmap is not read again (the end of the page
    // releases it anyway), so its memory goes back before the page is worked on.
    pOemPDEV->pBufStart.release();

    if (image.GetHeight() == pOemPDEV->dwBlankHeight && pOemPDEV->dwTxtBufSize() == 0) {
        image.Destroy();
        const BYTE nothing = 0x00;
        if (pOemPDEV->pJobOutput != nullptr) pOemPDEV->pJobOutput->AddPrintDataTobeSent(&nothing, 1);
        DebugLogA("CreateImageData : Nothing to print");
        return S_OK;
    }

    if (b[42] == 1) {
        DebugLogA("CreateImageData : LANDSCAPE_270 MODE");
        if (pdevobj->pPublicDM != nullptr) {
            DebugLogA("CreateImageData : dmYResolution = %d", pdevobj->pPublicDM->dmYResolution);
        }
        image.RotateLeft();
    }

    CropBottomBlankArea(pdevobj, &image);
    WritePageDumpIfDue(pOemPDEV, image);

    DWORD dwLastPosY = image.GetHeight();
    SortImageRects(pOemPDEV->pImgRectBufStart);
    DebugLogA("CreateImageData : pOemPDEV->dwImgRectBufSize = %u", pOemPDEV->dwImgRectBufSize());
    if (pOemPDEV->dwImgRectBufSize() >= IMAGE_RECT_SIZE) {
        const DWORD dwTempY = ReadLe16(pOemPDEV->pImgRectBufStart.data() + pOemPDEV->dwImgRectBufSize() - 2);
        if (dwTempY > dwLastPosY) {
            dwLastPosY = dwTempY;
            DebugLogA("CreateImageData : dwTempY : %u", dwTempY);
        }
    }

    image.AdjustBrightness((10 - static_cast<LONG>(b[35])) * 10);
    if (b[33] == 0) {
        switch (b[34]) {
        case 1: image.Dither(0); break;
        case 2: image.Dither(1); break;
        case 3: image.Dither(7); break;
        case 4: image.Dither(8); break;
        default:
            if (image.GetBpp() > 1) image.DecreaseBpp(1, FALSE, {}, 2);
            break;
        }
    }

    if (fReduceRate < 1.0f) {
        DebugLogA("CreateImageData : before pImage->Resample");
        image.Resample(static_cast<LONG>(ScaledValue(image.GetWidth(), fReduceRate)),
                       static_cast<LONG>(ScaledValue(image.GetHeight(), fReduceRate)), 1);
        DebugLogA("CreateImageData : after pImage->Resample");
    }
    dwLastPosY = ScaledValue(dwLastPosY, fReduceRate);
    const DWORD dwOrgWidth = image.GetWidth();
    const DWORD dwOrgHeight = image.GetHeight();

    if (pOemPDEV->dwTxtBufSize() != 0) {
        dwLastPosY = DrawResizedText(pdevobj, &image, fReduceRate, dwLastPosY);
    }
    CropImageTopAndBottom(pdevobj, &image, dwOrgWidth, dwOrgHeight, dwLastPosY);

    switch (b[21]) {
    case 1:
        DebugLogA("CreateImageData : ROTATE_90");
        image.RotateLeft();
        break;
    case 2:
        DebugLogA("CreateImageData : ROTATE_180");
        image.Rotate180();
        RePositionDevTxt_R180(pOemPDEV->pDevTxtBufStart, dwLastPosY);
        break;
    case 3:
        DebugLogA("CreateImageData : ROTATE_270");
        image.RotateRight();
        break;
    default: break;
    }

    DebugLogA("CreateImageData : Width = %u, Height = %u", image.GetWidth(), image.GetHeight());
    const HRESULT hResult = AddImageAndDevFontData(pdevobj, &image, fReduceRate);
    image.Destroy();
    DebugLogA("CreateImageData : END");
    return hResult;
}
