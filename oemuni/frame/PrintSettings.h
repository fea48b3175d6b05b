// Building the per-device state at device enable: settings from printer data, defaults and the
// settings file; the paper-source and orientation selections asked of Unidrv.
#pragma once

#include <memory>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

// Builds the per-device state (nullptr when it cannot be allocated).
std::unique_ptr<OemPDEV> OEMEnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                                       HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                                       ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded);

// 1 when the selected paper source ("InputBin") is the receipt roll ("Option1"), else 0.
// The service interface is the one the device's plug-in object holds.
int IsReceiptPrintSelected(PDEVOBJ pdevobj);
int IsReceiptPrintSelected(PDEVOBJ pdevobj, IPrintOemDriverUni* pDriverUni);

// 1 when the selected orientation is rotated landscape ("LANDSCAPE_CC270"), else 0.
int IsLandscapeMode(PDEVOBJ pdevobj);
int IsLandscapeMode(PDEVOBJ pdevobj, IPrintOemDriverUni* pDriverUni);
