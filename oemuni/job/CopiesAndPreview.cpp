#include "oemuni/job/CopiesAndPreview.h"

#include <new>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/job/JobOutput.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Shell.h"

namespace {

constexpr size_t kMaxWorkDirChars = 259;

// Reads the whole journal; false (logged) when it cannot be sized or read.
bool ReadJournal(HANDLE hFile, std::vector<BYTE>& content) {
    const DWORD dwSize = SetFilePointer(hFile, 0, nullptr, FILE_END);
    if (dwSize == INVALID_SET_FILE_POINTER) {
        DebugLogA("SendMultipleCopies : INVALID_FILE_SIZE || INVALID_SET_FILE_POINTER");
        return false;
    }
    try {
        content.assign(dwSize, 0);
    } catch (const std::bad_alloc&) {
        DebugLogA("SendMultipleCopies : pSendbuf is NULL.");
        return false;
    }
    DWORD dwRead = 0;
    if (SetFilePointer(hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(hFile, content.data(), dwSize, &dwRead, nullptr) || dwRead != dwSize) {
        DebugLogA("SendMultipleCopies : ReadFile failed with (%d)", GetLastError());
        return false;
    }
    return true;
}

}  // namespace

void SendMultipleCopies(JobOutput& jobOutput, PDEVOBJ pdevobj) {
    DebugLogA("SendMultipleCopies : START");
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) {
        DebugLogA("SendMultipleCopies : pOemPDEV is NULL.");
        return;
    }
    const BYTE* bv = pOemPDEV->m_UIInfo.byteValue;
    DebugLogA("SendMultipleCopies : byteValue[19] = %d", bv[19]);
    const DEVMODEW* pdm = pdevobj->pPublicDM;
    if (pdm != nullptr) DebugLogA("SendMultipleCopies : dmCopies = %d", pdm->dmCopies);

    if (!jobOutput.IsJournalOpen()) {
        DebugLogA("SendMultipleCopies : m_hFileHandle is NULL.");
        return;
    }
    if (pdm == nullptr) {
        DebugLogA("SendMultipleCopies : pDevObj->pPublicDM is NULL.");
        return;
    }

    const int nCopies = pdm->dmCopies > 1 ? pdm->dmCopies : bv[19];
    if (nCopies >= 2) {
        DebugLogA("SendMultipleCopies : nCopies : %d", nCopies);
        std::vector<BYTE> content;
        if (!ReadJournal(jobOutput.m_hFileHandle.get(), content)) return;
        // The read left the position at the end of the journal.
        for (int i = 1; i < nCopies; ++i) {
            jobOutput.WritePrintDataToFile(content.data(), static_cast<DWORD>(content.size()));
        }
    }

    jobOutput.CloseJournal();
    const std::u16string& journal = jobOutput.m_szFileName;
    if (bv[29] != 0) {
        const std::u16string preview = GetProductFolder() + u"\\VKRPreview.prn";
        if (!CopyFileW(journal.c_str(), preview.c_str(), FALSE)) {
            DebugLogA("SendMultipleCopies : CopyFile failed. (%d)", GetLastError());
        }
    }
    if (bv[30] == 0) DeleteFileW(journal.c_str());
    DebugLogA("SendMultipleCopies : END");
}

void StartPreviewProgram(PDEVOBJ pdevobj) {
    const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj);
    if (pOemPDEV == nullptr) return;
    std::u16string workDir = GetProductFolder() + u"\\";
    if (workDir.size() > kMaxWorkDirChars) workDir.resize(kMaxWorkDirChars);
    const HINSTANCE hInst = ShellExecuteW(nullptr, nullptr, u"VKRPreview.exe", pOemPDEV->szPrinterName,
                                          workDir.c_str(), SW_SHOWNORMAL);
    const INT_PTR nResult = reinterpret_cast<INT_PTR>(hInst);
    if (nResult > 32) {
        DebugLogA("CommandCallback : VKR_ENDDOC / ShellExecute succeeded. (%d)", static_cast<int>(nResult));
    } else {
        DebugLogA("CommandCallback : VKR_ENDDOC / ShellExecute failed. (ErrCode : %d), (%d)",
                  static_cast<int>(nResult), GetLastError());
    }
}
