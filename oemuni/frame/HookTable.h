// The 29 drawing hooks the plug-in puts in front of Unidrv's own entry points.
#pragma once

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

inline constexpr ULONG HOOK_COUNT = 29;

// The hook table handed to Unidrv by EnableDriver (function index, hook), in table order.
const DRVFN* GetHookTable();

// Keeps Unidrv's entry point for each hooked index listed in pded; other indices are ignored.
void SaveUnidrvEntryPoints(OemPDEV& oemPDEV, const DRVENABLEDATA* pded);
