// The command blocks at the start and end of the document and of each page.
#pragma once

#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

class JobOutput;

// Start-of-document block, written to the spooler in one call and journaled.
BOOL SendStartDocCmd(JobOutput& jobOutput, PDEVOBJ pdevobj);
// End-of-document block (not written when empty), written the same way.
BOOL SendEndDocCmd(JobOutput& jobOutput, PDEVOBJ pdevobj);
// Page blocks, appended to the job command buffer (nothing when empty).
BOOL AddStartPageCmd(JobOutput& jobOutput, PDEVOBJ pdevobj);
BOOL AddEndPageCmd(JobOutput& jobOutput, PDEVOBJ pdevobj);

// The blocks themselves, built from the settings.
std::vector<BYTE> BuildStartDocCmd(const UIInfo& ui);
std::vector<BYTE> BuildEndDocCmd(const UIInfo& ui);
std::vector<BYTE> BuildStartPageCmd(const UIInfo& ui);
std::vector<BYTE> BuildEndPageCmd(const UIInfo& ui);
