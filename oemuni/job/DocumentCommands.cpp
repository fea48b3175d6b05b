#include "oemuni/job/DocumentCommands.h"

#include <algorithm>
#include <initializer_list>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/job/JobOutput.h"

namespace {

// Line feeds and form feeds come from prepared runs of this many bytes.
constexpr BYTE kMaxFeedRun = 100;

void Put(std::vector<BYTE>& cmd, std::initializer_list<BYTE> bytes) { cmd.insert(cmd.end(), bytes); }

// A user command string: its counted bytes, then the string terminator 1B 4A 00.
void PutUserString(std::vector<BYTE>& cmd, const BYTE (&sz)[COMMAND_STRING_SIZE], DWORD dwLength) {
    if (dwLength == 0) return;
    const DWORD n = std::min<DWORD>(dwLength, COMMAND_STRING_SIZE);
    cmd.insert(cmd.end(), sz, sz + n);
    Put(cmd, {0x1B, 0x4A, 0x00});
}

// Stored logo n: graphics form (bv20 != 0) or bit image form (bv20 == 0).
void PutLogo(std::vector<BYTE>& cmd, BYTE n, BYTE byForm) {
    if (byForm != 0) {
        Put(cmd, {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x30, static_cast<BYTE>(n + 0x2F), 0x01, 0x01});
    } else {
        Put(cmd, {0x1C, 0x70, n, 0x00});
    }
}

void PutDrawerPulse(std::vector<BYTE>& cmd, BYTE pin, BYTE t) { Put(cmd, {0x1B, 0x70, pin, t, 0xFF}); }

std::vector<BYTE> BuildPageCmd(const UIInfo& ui, const BYTE (&sz)[COMMAND_STRING_SIZE], DWORD dwLength,
                               BYTE byLogo) {
    std::vector<BYTE> cmd;
    cmd.reserve(std::min<DWORD>(dwLength, COMMAND_STRING_SIZE) + 277);
    PutUserString(cmd, sz, dwLength);
    if (byLogo != 0) {
        Put(cmd, {0x1B, 0x4A, 0x00});  // each page logo starts on its own line
        PutLogo(cmd, byLogo, ui.byteValue[20]);
    }
    return cmd;
}

// Writes a document block with one spooler call and journals it.
BOOL WriteDocumentBlock(JobOutput& jobOutput, PDEVOBJ pdevobj, const std::vector<BYTE>& cmd, const char* pName) {
    DWORD dwAccepted = 0;
    BOOL bResult = FALSE;
    if (jobOutput.m_pDriverUni != nullptr) {
        jobOutput.m_pDriverUni->DrvWriteSpoolBuf(pdevobj, const_cast<BYTE*>(cmd.data()),
                                                 static_cast<DWORD>(cmd.size()), &dwAccepted);
        bResult = dwAccepted == cmd.size() ? TRUE : FALSE;
    }
    DebugLogA("%s : dwCmdLength : %d", pName, static_cast<int>(cmd.size()));
    DebugLogA("%s : dwResult : %d", pName, static_cast<int>(dwAccepted));
    if (jobOutput.IsJournalOpen()) jobOutput.WritePrintDataToFile(cmd.data(), static_cast<DWORD>(cmd.size()));
    return bResult;
}

}  // namespace

std::vector<BYTE> BuildStartDocCmd(const UIInfo& ui) {
    const BYTE* bv = ui.byteValue;
    std::vector<BYTE> cmd;
    cmd.reserve(std::min<DWORD>(ui.dwStartDoc, COMMAND_STRING_SIZE) + 285);
    Put(cmd, {0x1B, 0x40, 0x1B, 0x3D, 0x01});  // initialise
    if (bv[6] != 0) PutDrawerPulse(cmd, 0x00, bv[7]);
    if (bv[8] != 0) PutDrawerPulse(cmd, 0x01, bv[9]);
    if (bv[10] != 0) Put(cmd, {0x1B, 0x42, 0x00, bv[11]});
    PutUserString(cmd, ui.szStartDoc, ui.dwStartDoc);
    if (bv[15] != 0) PutLogo(cmd, bv[15], bv[20]);
    return cmd;
}

std::vector<BYTE> BuildEndDocCmd(const UIInfo& ui) {
    const BYTE* bv = ui.byteValue;
    std::vector<BYTE> cmd;
    cmd.reserve(std::min<DWORD>(ui.dwEndDoc, COMMAND_STRING_SIZE) + 480);
    PutUserString(cmd, ui.szEndDoc, ui.dwEndDoc);
    if (bv[18] != 0) PutLogo(cmd, bv[18], bv[20]);  // at the end the logo comes before the pulses
    if (bv[1] != 0) PutDrawerPulse(cmd, 0x00, bv[2]);
    if (bv[3] != 0) PutDrawerPulse(cmd, 0x01, bv[4]);
    if (bv[12] != 0) Put(cmd, {0x1B, 0x42, 0x00, bv[13]});
    cmd.insert(cmd.end(), std::min(bv[0], kMaxFeedRun), BYTE{0x0A});
    cmd.insert(cmd.end(), std::min(bv[43], kMaxFeedRun), BYTE{0x0C});
    return cmd;
}

std::vector<BYTE> BuildStartPageCmd(const UIInfo& ui) {
    return BuildPageCmd(ui, ui.szStartPage, ui.dwStartPage, ui.byteValue[16]);
}

std::vector<BYTE> BuildEndPageCmd(const UIInfo& ui) {
    return BuildPageCmd(ui, ui.szEndPage, ui.dwEndPage, ui.byteValue[17]);
}

BOOL SendStartDocCmd(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("SendStartDocCmd : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) {
        DebugLogA("SendStartDocCmd : pOemPDEV is NULL.");
        return FALSE;
    }
    const BOOL bResult = WriteDocumentBlock(jobOutput, pdevobj, BuildStartDocCmd(pOemPDEV->m_UIInfo), "SendStartDocCmd");
    DebugLogA("SendStartDocCmd : END");
    return bResult;
}

BOOL SendEndDocCmd(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("SendEndDocCmd : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) {
        DebugLogA("SendEndDocCmd : pOemPDEV is NULL.");
        return FALSE;
    }
    const std::vector<BYTE> cmd = BuildEndDocCmd(pOemPDEV->m_UIInfo);
    BOOL bResult = FALSE;
    if (!cmd.empty()) bResult = WriteDocumentBlock(jobOutput, pdevobj, cmd, "SendEndDocCmd");
    DebugLogA("SendEndDocCmd : END");
    return bResult;
}

BOOL AddStartPageCmd(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("AddStartPageCmd : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr) {
        const std::vector<BYTE> cmd = BuildStartPageCmd(pOemPDEV->m_UIInfo);
        if (!cmd.empty()) bResult = jobOutput.AddPrintDataTobeSent(cmd.data(), static_cast<DWORD>(cmd.size()));
    }
    DebugLogA("AddStartPageCmd : END");
    return bResult;
}

BOOL AddEndPageCmd(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("AddEndPageCmd : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    BOOL bResult = FALSE;
    if (pOemPDEV != nullptr) {
        const std::vector<BYTE> cmd = BuildEndPageCmd(pOemPDEV->m_UIInfo);
        if (!cmd.empty()) bResult = jobOutput.AddPrintDataTobeSent(cmd.data(), static_cast<DWORD>(cmd.size()));
    }
    DebugLogA("AddEndPageCmd : END");
    return bResult;
}
