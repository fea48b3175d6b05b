// The diagnostic page image: with logging on and a job running, each composed page is also
// written as a BMP file into the log folder, named after the product, the local time and the
// job identifier. Best effort: a file that cannot be created is skipped silently.
#pragma once

#include <string>

#include "oemuni/frame/OemPDEV.h"

class CxImage;

// The file's Windows path, "c:\temp\MKT-G450\MKT-G450_MMDD_hhmm_JJJJJ.bmp".
std::string PageDumpPath(DWORD dwJobId);

void WritePageDumpIfDue(const OemPDEV* pOemPDEV, CxImage& image);
