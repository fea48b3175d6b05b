// Test-only stand-ins for entry points whose real code is not in the tree yet. Each is
// compiled only while its real definition is missing (see CMakeLists.txt); none of them may
// remain once the barcode, text-key and frame code is in.
#include <cstdarg>
#include <span>
#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

#ifdef MKT_STUB_BARCODE_TYPE
#include "oemuni/text/BarcodeCommands.h"
DWORD GetBarcodeType(const char*) { return 0; }
#endif

#ifdef MKT_STUB_1D_CODE
#include "oemuni/text/BarcodeCommands.h"
DWORD Get1dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD,
                       DWORD&, LONG, float) {
    return 0;
}
#endif

#ifdef MKT_STUB_2D_CODE
#include "oemuni/text/BarcodeCommands.h"
DWORD Get2dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD,
                       DWORD&, LONG, float) {
    return 0;
}
#endif

#ifdef MKT_STUB_BARCODE_PREVIEW
#include "oemuni/text/BarcodeCommands.h"
BOOL AddBarCodePreviewData(PDEVOBJ, const char*, std::vector<BYTE>&, DWORD&, DWORD) { return 0; }
#endif

#ifdef MKT_STUB_TEXT_KEYS
#include "oemuni/text/TextKeys.h"
BOOL SaveCouponImgName(PDEVOBJ, std::span<const BYTE>) { return 0; }
BOOL TextReplacementWithText(PDEVOBJ, std::vector<BYTE>&, DWORD&, DWORD&) { return 0; }
DWORD AddTextKeyImgBufAndDevFontData(PDEVOBJ, SURFOBJ*, STROBJ*, FONTOBJ*, const char*, std::span<const BYTE>,
                                     LONG) {
    return 0;
}
#endif

#ifdef MKT_STUB_DEBUG_LOG
#include "oemuni/frame/DebugLog.h"
void DebugLogA(const char*, ...) {}
void DebugLogW(const char16_t*, ...) {}
bool IsDebugLogEnabled() { return false; }
void DisableDebugLog() {}
#endif

#ifdef MKT_STUB_PENDING_RECT
#include "oemuni/frame/ImageRectangles.h"
void ClearPendingImageRect() {}
#endif
