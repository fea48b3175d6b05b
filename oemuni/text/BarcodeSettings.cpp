// Get1d2dCodeSetting: the user-defined barcode records and the per-type 2D completion.
#include <cstring>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/text/BarcodeSettings.h"

namespace {

// The number of "BarcodeN" / "2D-CodeN": the decimal digits from character 7 on. A name too
// short to have that character, or with no digit there, gives 0 (no such barcode); at most
// three digits are read so that a long run of digits cannot overflow.
int UserBarcodeNumber(const char* familyName) {
    const size_t length = std::strlen(familyName);
    if (length <= 7) return 0;
    int number = 0;
    for (size_t i = 7; i < length && i < 10 && familyName[i] >= '0' && familyName[i] <= '9'; ++i) {
        number = number * 10 + (familyName[i] - '0');
    }
    return number;
}

struct TypeSetting {
    DWORD type;
    BYTE kind;
    int otherIndex;  // -1: no other byte
    BYTE otherValue;
    const char* logLine;
};

constexpr TypeSetting kTypeSettings[] = {
    {0x82, 0, -1, 0, "Get1d2dCodeSetting : BARTYPE_PDF417"},
    {0x83, 1, -1, 0, "Get1d2dCodeSetting : BARTYPE_QRCODE"},
    {0x84, 2, -1, 0, "Get1d2dCodeSetting : BARTYPE_DATAMATRIX"},
    {0x85, 3, 10, 0x34, "Get1d2dCodeSetting : BARTYPE_MAXICODE_1"},
    {0x86, 3, 10, 0x32, "Get1d2dCodeSetting : BARTYPE_MAXICODE_2"},
    {0x87, 3, 10, 0x33, "Get1d2dCodeSetting : BARTYPE_MAXICODE_3"},
    {0x88, 3, 10, 0x34, "Get1d2dCodeSetting : BARTYPE_MAXICODE_4"},
    {0x89, 4, 12, 0x32, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_1"},
    {0x8A, 4, 12, 0x32, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_2"},
    {0x8B, 4, 12, 0x33, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_3"},
    {0x8C, 4, 12, 0x34, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_4"},
    {0x8D, 4, 12, 0x35, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_5"},
    {0x8E, 4, 12, 0x38, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_6"},
    {0x8F, 4, 12, 0x39, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_7"},
    {0x90, 4, 12, 0x3A, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_8"},
    {0x91, 4, 12, 0x3B, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_9"},
    {0x92, 4, 12, 0x3C, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_10"},
    {0x93, 4, 12, 0x3D, "Get1d2dCodeSetting : BARTYPE_GS1_DATABAR_11"},
    {0x94, 5, 19, 0, "Get1d2dCodeSetting : BARTYPE_AZTEC_1"},
    {0x95, 5, 19, 0, "Get1d2dCodeSetting : BARTYPE_AZTEC_2"},
    {0x96, 5, 19, 1, "Get1d2dCodeSetting : BARTYPE_AZTEC_3"},
    {0x97, 5, 19, 2, "Get1d2dCodeSetting : BARTYPE_AZTEC_4"},
};

}  // namespace

DWORD Get1d2dCodeSetting(const OemPDEV* pOemPDEV, const char* familyName, DWORD type,
                         BarInfo* pbyBarInfo, Code2dInfo* pby2dCodeInfo) {
    if (familyName == nullptr) {
        DebugLogA("Get1d2dCodeSetting : END");
        return 0;
    }
    if (pbyBarInfo != nullptr) {
        for (size_t i = 0; i < BAR_INFO_SIZE; ++i) {
            DebugLogA("Get1d2dCodeSetting : Default pbyBarInfo[%d] : %02x", static_cast<int>(i), (*pbyBarInfo)[i]);
        }
    } else if (pby2dCodeInfo != nullptr) {
        for (size_t i = 0; i < CODE_2D_INFO_SIZE; ++i) {
            DebugLogA("Get1d2dCodeSetting : Default pby2dCodeInfo[%d] : %02x", static_cast<int>(i),
                      (*pby2dCodeInfo)[i]);
        }
    }

    if (type == BARTYPE_USER_1D && pbyBarInfo != nullptr) {
        const int number = UserBarcodeNumber(familyName);
        DebugLogA("Get1d2dCodeSetting : Bar-Code Number = %d", number);
        if (number < 1 || number > USER_1D_COUNT || pOemPDEV == nullptr) {
            DebugLogA("Get1d2dCodeSetting : NOT SUPPORTTED BARCODE NUMBER");
            return 0;
        }
        const BYTE* record = pOemPDEV->m_UIInfo.byBarcodeInfo + (number - 1) * BAR_INFO_SIZE;
        for (size_t i = 0; i < BAR_INFO_SIZE; ++i) {
            (*pbyBarInfo)[i] = record[i];
            DebugLogA("Get1d2dCodeSetting : pbyBarInfo[%d] : %02x", static_cast<int>(i), record[i]);
        }
    } else if (type == BARTYPE_USER_2D && pby2dCodeInfo != nullptr) {
        const int number = UserBarcodeNumber(familyName);
        DebugLogA("Get1d2dCodeSetting : Bar-Code Number = %d", number);
        if (number < 1 || number > USER_2D_COUNT || pOemPDEV == nullptr) {
            DebugLogA("Get1d2dCodeSetting : NOT SUPPORTTED BARCODE NUMBER");
            return 0;
        }
        const BYTE* record = pOemPDEV->m_UIInfo.byCodeData + (number - 1) * CODE_2D_INFO_SIZE;
        for (size_t i = 0; i < CODE_2D_INFO_SIZE; ++i) {
            (*pby2dCodeInfo)[i] = record[i];
            DebugLogA("Get1d2dCodeSetting : pby2dCodeInfo[%d] : %02x", static_cast<int>(i), record[i]);
        }
    } else if (pby2dCodeInfo != nullptr) {
        for (const TypeSetting& setting : kTypeSettings) {
            if (setting.type != type) continue;
            (*pby2dCodeInfo)[0] = setting.kind;
            if (setting.otherIndex >= 0) (*pby2dCodeInfo)[setting.otherIndex] = setting.otherValue;
            DebugLogA("%s", setting.logLine);
            break;
        }
    }
    DebugLogA("Get1d2dCodeSetting : END");
    return 1;
}
