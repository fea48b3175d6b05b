// The end of a document's journal: copies multiplied into it, the preview file, its removal,
// and the start of the preview program.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

class JobOutput;

// Appends (copies - 1) repetitions of the journal to itself, closes it, copies it to the preview
// file when preview is on and deletes it unless it is to be kept. Stops early (journal left
// open) when there is no journal or no DEVMODE, or the journal cannot be read.
void SendMultipleCopies(JobOutput& jobOutput, PDEVOBJ pdevobj);

// Starts "VKRPreview.exe" in the product folder with the printer name as its command line.
void StartPreviewProgram(PDEVOBJ pdevobj);
