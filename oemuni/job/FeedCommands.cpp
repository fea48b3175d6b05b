#include "oemuni/job/FeedCommands.h"

#include "oemuni/frame/DebugLog.h"
#include "oemuni/job/JobOutput.h"

namespace {

constexpr BYTE kBuzzer[6] = {0x1B, 0x23, 0x6D, 0x00, 0x60, 0x00};
constexpr BYTE kTearFeedDots = 0xAF;  // 175 dots

}  // namespace

std::vector<BYTE> BuildFeedCommand(const UIInfo& ui, DWORD dwCallbackID) {
    if (dwCallbackID != VKR_ENDPAGE && dwCallbackID != VKR_ENDDOC) return {};
    const BYTE f = ui.byteValue[37] != 0 ? kTearFeedDots : 0x00;
    std::vector<BYTE> cmd = {0x00, 0x1B, 0x33, 0x00, 0x00, 0x1B, 0x4A, f, 0x1B, 0x32, 0x0C};
    if (dwCallbackID == VKR_ENDPAGE) cmd.insert(cmd.end(), {0x00, 0x08, ui.byPage[0], ui.byPage[1]});
    return cmd;
}

BOOL AddFeedCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID) {
    DebugLogA("AddFeedCommand : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr) {
        DebugLogA("AddFeedCommand : byteValue[31] = %d", pOemPDEV->m_UIInfo.byteValue[31]);
        const std::vector<BYTE> cmd = BuildFeedCommand(pOemPDEV->m_UIInfo, dwCallbackID);
        if (!cmd.empty()) bResult = jobOutput.AddPrintDataTobeSent(cmd.data(), static_cast<DWORD>(cmd.size()));
    }
    DebugLogA("AddFeedCommand : END");
    return bResult;
}

BOOL SendFeedCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD dwCallbackID) {
    DebugLogA("SendFeedCommand : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr) {
        DebugLogA("SendFeedCommand : byteValue[31] = %d", pOemPDEV->m_UIInfo.byteValue[31]);
        const std::vector<BYTE> cmd = BuildFeedCommand(pOemPDEV->m_UIInfo, dwCallbackID);
        if (!cmd.empty()) {
            bResult = jobOutput.WriteToSpooler(pdevobj, cmd.data(), static_cast<DWORD>(cmd.size()));
            jobOutput.WritePrintDataToFile(cmd.data(), static_cast<DWORD>(cmd.size()));
        }
    }
    DebugLogA("SendFeedCommand : END");
    return bResult;
}

BOOL AddBuzzerCommand(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("AddBuzzerCommand : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr && pOemPDEV->m_UIInfo.byteValue[44] != 0) {
        bResult = jobOutput.AddPrintDataTobeSent(kBuzzer, sizeof kBuzzer);
    }
    DebugLogA("AddBuzzerCommand : END");
    return bResult;
}

BOOL SendBuzzerCommand(JobOutput& jobOutput, PDEVOBJ pdevobj, DWORD /*dwCallbackID*/) {
    DebugLogA("SendBuzzerCommand : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr && pOemPDEV->m_UIInfo.byteValue[45] != 0) {
        bResult = jobOutput.WriteToSpooler(pdevobj, kBuzzer, sizeof kBuzzer);
        jobOutput.WritePrintDataToFile(kBuzzer, sizeof kBuzzer);
    }
    DebugLogA("SendBuzzerCommand : END");
    return bResult;
}
