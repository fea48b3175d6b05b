// TEMPORARY, test-only: the barcode and text-key builders are not written yet; text capture
// references them. Page imaging never calls them. Delete this file once they are committed.
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/TextKeys.h"

DWORD GetBarcodeType(const char*) { return 0; }
DWORD Get1dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD, DWORD&,
                       LONG, float) {
    return 0;
}
DWORD Get2dCodeCommand(OemPDEV*, std::vector<BYTE>&, const char*, std::vector<BYTE>&, DWORD&, DWORD, DWORD, DWORD&,
                       LONG, float) {
    return 0;
}
BOOL AddBarCodePreviewData(PDEVOBJ, const char*, std::vector<BYTE>&, DWORD&, DWORD) { return FALSE; }
BOOL SaveCouponImgName(PDEVOBJ, std::span<const BYTE>) { return FALSE; }
BOOL TextReplacementWithText(PDEVOBJ, std::vector<BYTE>&, DWORD&, DWORD&) { return FALSE; }
DWORD AddTextKeyImgBufAndDevFontData(PDEVOBJ, SURFOBJ*, STROBJ*, FONTOBJ*, const char*, std::span<const BYTE>, LONG) {
    return 0;
}
