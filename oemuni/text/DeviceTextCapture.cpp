// The device path of the text capture: a string drawn in a resident, barcode or control font
// becomes one font record holding the printer command bytes that print it.
#include <array>
#include <new>
#include <string_view>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/DevFontCommands.h"
#include "oemuni/text/FontHeight.h"
#include "oemuni/text/FontNames.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextCapture.h"
#include "oemuni/text/TextConversion.h"
#include "oemuni/text/TextKeys.h"
#include "oemuni/text/TextReduction.h"
#include "oemuni/text/Utf16Bytes.h"
#include "platform/CodePage.h"

namespace {

constexpr DWORD kFamilyNameBufSize = 512;

// The code page of the text: from the font's family name, else the system ANSI code page.
UINT CodePageOfFont(std::string_view familyName) {
    if (FindSubstringNoCase(familyName, "Chinese2312")) return 936;
    if (FindSubstringNoCase(familyName, "ChineseBIG5")) return 950;
    if (FindSubstringNoCase(familyName, "Korean")) return 949;
    if (FindSubstringNoCase(familyName, "Japanese")) return 932;
    return CP_ACP;
}

DWORD CaptureDeviceString(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, OemPDEV& oemPDEV, float fReduceRate) {
    const BYTE* byteValue = oemPDEV.m_UIInfo.byteValue;
    const bool bTextKeys = byteValue[27] == 1;
    PDEVOBJ pdevobj = static_cast<PDEVOBJ>(pso->dhpdev);
    const LONG X = pstro->rclBkGround.left;

    // The family name, UTF-16 for a type-5 record and UTF-8 for every name decision.
    const char16_t* wideName = IFIFamilyName(FONTOBJ_pifi(pfo));
    if (wideName == nullptr) wideName = u"";
    const std::size_t nameLength = Utf16Length(wideName);
    std::array<BYTE, kFamilyNameBufSize> nameBuf{};
    ConvertWideToMultiByte(wideName, nameBuf, CP_UTF8);  // a name that does not fit stays empty
    const char* familyName = reinterpret_cast<const char*>(nameBuf.data());

    // The string as drawn, terminated, and its conversion into the font's code page.
    const std::vector<char16_t> wideText = [&] {
        std::vector<char16_t> w(pstro->pwszOrg, pstro->pwszOrg + pstro->cGlyphs);
        w.push_back(0);
        return w;
    }();
    DWORD dwAnsiTextBufSize = 4 * pstro->cGlyphs + 1028;
    std::vector<BYTE> szAnsiText(dwAnsiTextBufSize, 0);
    if (ConvertWideToMultiByte(wideText.data(), szAnsiText, CodePageOfFont(familyName)) == 0) return 0;
    DWORD dwAnsiTextLength = 0;
    while (dwAnsiTextLength < dwAnsiTextBufSize && szAnsiText[dwAnsiTextLength] != 0) ++dwAnsiTextLength;

    DWORD height = GetFontHeight(pfo);
    BYTE type = static_cast<BYTE>(GetDeviceFontType(familyName));
    std::vector<BYTE> command;
    std::vector<BYTE> fieldB;  // used instead of szAnsiText when the record is type 5

    switch (type) {
        case FTYPE_DEVICE_FONT: {
            if (bTextKeys) {
                SaveCouponImgName(pdevobj, std::span<const BYTE>(szAnsiText.data(), dwAnsiTextLength));
                TextReplacementWithText(pdevobj, szAnsiText, dwAnsiTextLength, dwAnsiTextBufSize);
            }
            if (fReduceRate != 1.0f || byteValue[21] != 0 || byteValue[29] != 0) {
                // Reduced, rotated or previewed pages redraw the text into the page image.
                DebugLogA("AddDevFontInfoToBuf : Set the font type as TTF");
                type = FTYPE_TRUETYPE;
                command = Utf16LeBytes(wideName, nameLength, 1);
                fieldB = Utf16LeBytes(pstro->pwszOrg, pstro->cGlyphs, 2);
                break;
            }
            if (bTextKeys && dwAnsiTextLength <= szAnsiText.size() &&
                AddTextKeyImgBufAndDevFontData(pdevobj, pso, pstro, pfo, familyName,
                                               std::span<const BYTE>(szAnsiText.data(), dwAnsiTextLength),
                                               X) != 0) {
                return 1;
            }
            GetDevFontCommand(command, familyName, szAnsiText, dwAnsiTextLength, X, pfo);
            break;
        }
        case FTYPE_DEVICE_BARCODE: {
            const DWORD barType = GetBarcodeType(familyName);
            if (barType == 0) return 0;
            const float factor = byteValue[39] != 0 ? fReduceRate : 1.0f;
            if (barType >= BARTYPE_1D_FIRST && barType <= BARTYPE_1D_LAST) {
                Get1dCodeCommand(&oemPDEV, command, familyName, szAnsiText, dwAnsiTextLength,
                                 dwAnsiTextBufSize, barType, height, X, factor);
            } else if (barType >= BARTYPE_2D_FIRST && barType <= BARTYPE_2D_LAST) {
                Get2dCodeCommand(&oemPDEV, command, familyName, szAnsiText, dwAnsiTextLength,
                                 dwAnsiTextBufSize, barType, height, X, factor);
            }
            if (!command.empty() && byteValue[29] != 0) {
                AddBarCodePreviewData(pdevobj, familyName, szAnsiText, dwAnsiTextLength, barType);
            }
            break;
        }
        case FTYPE_DEVICE_FONT_CONTROL:
            GetFontControlCommand(&oemPDEV, command, std::span<const BYTE>(szAnsiText.data(), dwAnsiTextLength));
            dwAnsiTextLength = 0;
            break;
        case FTYPE_DEVICE_FONT_CONTROL_A:
            GetCommandFromFile(&oemPDEV, command, std::span<const BYTE>(szAnsiText.data(), dwAnsiTextLength));
            dwAnsiTextLength = 0;
            break;
        default:
            return 0;
    }

    if (command.empty()) return 0;
    if (type != FTYPE_TRUETYPE) {
        if (dwAnsiTextLength > szAnsiText.size()) {
            DebugLogA("AddDevFontInfoToBuf : dwAnsiTextLength (%u) exceeds its buffer (%u), not recorded.",
                      static_cast<unsigned>(dwAnsiTextLength), static_cast<unsigned>(szAnsiText.size()));
            return 0;
        }
        fieldB.assign(szAnsiText.begin(), szAnsiText.begin() + dwAnsiTextLength);
    }
    DebugLogA("AddDevFontInfoToBuf : dwPrintCmdBufSize = %d", static_cast<int>(command.size()));
    return AddFontDataToBuf(pso, pstro, pfo, type, height, command, fieldB);
}

}  // namespace

DWORD AddDevFontInfoToBuf(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo) {
    OemPDEV* pOemPDEV = GetOemPDEV(pso);
    if (pOemPDEV != nullptr) {
        const BYTE* byteValue = pOemPDEV->m_UIInfo.byteValue;
        DebugLogA("AddDevFontInfoToBuf : byteValue[27] = %d, byteValue[29] = %d, byteValue[38] = %d, "
                  "byteValue[40] = %d, byteValue[41] = %d",
                  byteValue[27], byteValue[29], byteValue[38], byteValue[40], byteValue[41]);
    }
    if (pOemPDEV == nullptr || pstro == nullptr || pstro->pwszOrg == nullptr || pfo == nullptr) return 0;
    const float fReduceRate = GetTextReduceRate(*pOemPDEV, 25);
    // No field of a record can hold more than 65535 bytes; longer strings are not recorded.
    if (pstro->cGlyphs > FONT_RECORD_MAX_FIELD) {
        DebugLogA("AddDevFontInfoToBuf : the string (%u characters) is too long for a record, not recorded.",
                  static_cast<unsigned>(pstro->cGlyphs));
        return 0;
    }
    try {
        return CaptureDeviceString(pso, pstro, pfo, *pOemPDEV, fReduceRate);
    } catch (const std::bad_alloc&) {
        DebugLogA("AddDevFontInfoToBuf : failed to allocate the buffer.");
        return 0;
    }
}
