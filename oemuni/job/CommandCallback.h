// The work behind IPrintOemUni::CommandCallback: the document and page boundaries of a job.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

class JobOutput;

// Dispatches VKR_STARTDOC, VKR_STARTPAGE, VKR_ENDPAGE and VKR_ENDDOC; other identifiers are only
// logged. Failures are logged and the job goes on.
void CommandCallback(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID);
