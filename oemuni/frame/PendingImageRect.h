// The pending image rectangle of the blit hooks: a BitBlt destination is held back until the
// next BitBlt or the end of the band; stretched blits are recorded at once.
#pragma once

#include "oemuni/frame/OemPDEV.h"

const RECTL& GetPendingImageRect();
// BitBlt: records a pending rectangle, then holds the target.
void OnBitBltTarget(OemPDEV* pOemPDEV, const RECTL& rclTrg);
// StretchBlt / StretchBltROP: records the destination at once and clears the pending one.
void OnStretchBltDestination(OemPDEV* pOemPDEV, const RECTL& rclDest);
// NextBand: records a pending rectangle and clears it.
void FlushPendingImageRect(OemPDEV* pOemPDEV);
