#include "oemuni/job/CommandCallback.h"

#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/DevModeDump.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/BandCapture.h"
#include "oemuni/job/CopiesAndPreview.h"
#include "oemuni/job/DocumentCommands.h"
#include "oemuni/job/FeedCommands.h"
#include "oemuni/job/JobOutput.h"
#include "oemuni/job/PageCounter.h"
#include "oemuni/text/CouponImages.h"

namespace {

void OnStartDoc(JobOutput& jobOutput, PDEVOBJ pdevobj, const OemPDEV& dev) {
    PrintDevModeInformation(pdevobj);
    for (int n = 0; n < SETTINGS_BYTE_COUNT; ++n) {
        DebugLogA("CommandCallback : pUIInfo->byteValue[%d] : 0x%02x", n, dev.m_UIInfo.byteValue[n]);
    }
    if (!jobOutput.IsJournalOpen()) jobOutput.GetFileHandle(pdevobj);
    if (!SendStartDocCmd(jobOutput, pdevobj)) DebugLogA("CommandCallback : VKR_STARTDOC / SendStartDocCmd failed.");
    // The start buzzer travels with the first page's data.
    AddBuzzerCommand(jobOutput, pdevobj);
}

void OnEndPage(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    SetPrintPageNumber(pdevobj);
    if (AddImageDataPerEachPage(pdevobj) == S_OK) {
        AddEndPageCmd(jobOutput, pdevobj);
        AddFeedCommand(jobOutput, pdevobj, VKR_ENDPAGE);
        if (!jobOutput.SendPrintDataToPrinter(pdevobj)) {
            DebugLogA("CommandCallback : VKR_ENDPAGE / SendPrintDataToPrinter failed.");
        }
    } else {
        DebugLogA("CommandCallback : VKR_ENDPAGE / AddImageDataPerEachPage is not S_OK");
    }
    jobOutput.InitPrintCommandsBuffer();
}

void OnEndDoc(JobOutput& jobOutput, PDEVOBJ pdevobj, const OemPDEV& dev) {
    if (!SendCouponImageData(jobOutput, pdevobj)) DebugLogA("CommandCallback : VKR_ENDDOC / SendCouponImageData failed.");
    SendEndDocCmd(jobOutput, pdevobj);
    SendFeedCommand(jobOutput, pdevobj, VKR_ENDDOC);
    SendMultipleCopies(jobOutput, pdevobj);
    SendBuzzerCommand(jobOutput, pdevobj, VKR_ENDDOC);
    if (jobOutput.IsJournalOpen()) jobOutput.CloseJournal();
    if (dev.m_UIInfo.byteValue[29] != 0) StartPreviewProgram(pdevobj);
    SetCurrentJobId(0);
}

}  // namespace

void CommandCallback(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID) {
    DebugLogA("CommandCallback : START, CallBack ID = %d", static_cast<int>(dwCallbackID));
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) {
        DebugLogA("CommandCallback : pOemPDEV is NULL.");
    } else {
        switch (dwCallbackID) {
        case VKR_STARTDOC: OnStartDoc(jobOutput, pdevobj, *pOemPDEV); break;
        case VKR_STARTPAGE: AddStartPageCmd(jobOutput, pdevobj); break;
        case VKR_ENDPAGE: OnEndPage(jobOutput, pdevobj); break;
        case VKR_ENDDOC: OnEndDoc(jobOutput, pdevobj, *pOemPDEV); break;
        default: break;
        }
    }
    DebugLogA("CommandCallback : END");
}
