#include "oemuni/frame/ImageRectangles.h"

#include "oemuni/frame/PendingImageRect.h"

namespace {
// The destination of the last BitBlt, not yet recorded; all zero when empty. Shared by all
// devices of the process (one job at a time).
RECTL g_rclPending = {0, 0, 0, 0};

bool IsEmpty(const RECTL& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

void PutWordLE(BYTE* p, LONG v) {
    p[0] = static_cast<BYTE>(v & 0xFF);
    p[1] = static_cast<BYTE>((v >> 8) & 0xFF);
}
}  // namespace

void ClearPendingImageRect() { g_rclPending = {0, 0, 0, 0}; }

BOOL AppendImageRect(OemPDEV* pOemPDEV, const RECTL& rect) {
    if (pOemPDEV == nullptr) return FALSE;
    ByteBuffer& list = pOemPDEV->pImgRectBufStart;
    const DWORD dwOld = list.size();
    if (!bGrowBuffer(list, 8)) return FALSE;  // the whole list is gone, its size 0
    BYTE* p = list.data() + dwOld;
    PutWordLE(p + 0, rect.left);
    PutWordLE(p + 2, rect.top);
    PutWordLE(p + 4, rect.right);
    PutWordLE(p + 6, rect.bottom);
    return TRUE;
}

const RECTL& GetPendingImageRect() { return g_rclPending; }

void OnBitBltTarget(OemPDEV* pOemPDEV, const RECTL& rclTrg) {
    if (!IsEmpty(g_rclPending)) AppendImageRect(pOemPDEV, g_rclPending);
    g_rclPending = rclTrg;
}

void OnStretchBltDestination(OemPDEV* pOemPDEV, const RECTL& rclDest) {
    // An earlier BitBlt's rectangle is replaced without being recorded.
    g_rclPending = rclDest;
    AppendImageRect(pOemPDEV, g_rclPending);
    ClearPendingImageRect();
}

void FlushPendingImageRect(OemPDEV* pOemPDEV) {
    if (!IsEmpty(g_rclPending)) AppendImageRect(pOemPDEV, g_rclPending);
    ClearPendingImageRect();
}
