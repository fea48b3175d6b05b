// The feed to the tear position (with the page identifier after a page) and the buzzer.
#pragma once

#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

class JobOutput;

// VKR_ENDPAGE: tear-position feed + page identifier (15 bytes); VKR_ENDDOC: the feed alone
// (11 bytes); any other identifier: nothing.
std::vector<BYTE> BuildFeedCommand(const UIInfo& ui, DWORD dwCallbackID);

// Appends the feed block to the job command buffer.
BOOL AddFeedCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID);
// Writes the feed block straight to the spooler and journals it.
BOOL SendFeedCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID);

// Start-of-document buzzer (settings byte 44): appended to the job command buffer.
BOOL AddBuzzerCommand(JobOutput& jobOutput, PDEVOBJ pdevobj);
// End-of-document buzzer (settings byte 45): written straight to the spooler and journaled.
BOOL SendBuzzerCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID);
