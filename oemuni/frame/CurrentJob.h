// The process-wide identifier of the job being printed: set by OEMStartDoc, cleared at the end
// of the document; 0 outside a job. Log file names and diagnostic page images use it.
#pragma once

#include "platform/Win32Types.h"

DWORD GetCurrentJobId();
void SetCurrentJobId(DWORD dwJobId);
