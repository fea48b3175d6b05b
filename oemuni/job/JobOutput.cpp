#include "oemuni/job/JobOutput.h"

#include <algorithm>
#include <cstdio>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/frame/WideText.h"
#include "platform/LastError.h"
#include "platform/LocalTime.h"

BOOL JobOutput::AddPrintDataTobeSent(const BYTE* pBuffer, DWORD dwLength) {
    if (pBuffer == nullptr) {
        DebugLogA("AddPrintDataTobeSent : pBuffer is NULL.");
        return FALSE;
    }
    if (dwLength == 0) return TRUE;
    const DWORD dwOldSize = m_pTotalBuf.size();
    if (dwOldSize + dwLength < dwOldSize) {  // the count is 32 bits
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("AddPrintDataTobeSent : LocalAlloc failed (%d)", ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!m_pTotalBuf.append(pBuffer, dwLength)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        DebugLogA("AddPrintDataTobeSent : LocalAlloc failed (%d)", ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

// The count goes to 0 and the buffer reads as none; its memory is kept for the next page, so a
// long job does not pay for growing a page-sized block from nothing again on every page.
void JobOutput::InitPrintCommandsBuffer() { m_pTotalBuf.clear(); }

BOOL JobOutput::SendPrintDataToPrinter(PDEVOBJ pdevobj) {
    const DWORD dwTotal = m_pTotalBuf.size();
    if (dwTotal == 0 || m_pTotalBuf.data() == nullptr) return TRUE;

    DWORD dwWritten = 0;
    DWORD dwRemaining = dwTotal;
    int nZeroProgress = 0;
    if (m_pDriverUni == nullptr) {
        DebugLogA("SendPrintDataToPrinter : m_pDriverUni is NULL.");
    } else {
        while (dwRemaining != 0) {
            const DWORD dwChunk = std::min(dwRemaining, SPOOL_CHUNK_SIZE);
            DWORD dwAccepted = 0;
            const HRESULT hr =
                m_pDriverUni->DrvWriteSpoolBuf(pdevobj, m_pTotalBuf.data() + dwWritten, dwChunk, &dwAccepted);
            // A spooler cannot take more than it was offered.
            dwAccepted = std::min(dwAccepted, dwChunk);
            dwWritten += dwAccepted;
            dwRemaining -= dwAccepted;
            if (hr != S_OK) break;
            if (dwAccepted == 0) {
                // S_OK without progress: give up after a few tries instead of spinning.
                if (++nZeroProgress >= MAX_ZERO_PROGRESS_WRITES) {
                    DebugLogA("SendPrintDataToPrinter : DrvWriteSpoolBuf accepted no bytes %d times.",
                              nZeroProgress);
                    break;
                }
            } else {
                nZeroProgress = 0;
            }
        }
    }

    BOOL bResult = TRUE;
    if (dwWritten != dwTotal) {
        DebugLogA("SendPrintDataToPrinter : DrvWriteSpoolBuf failed. (dwWritten = %u, m_dwTotalBufSize = %u)",
                  dwWritten, dwTotal);
        bResult = FALSE;
    }
    if (IsJournalOpen()) WritePrintDataToFile(m_pTotalBuf.data(), dwTotal);
    return bResult;
}

BOOL JobOutput::WriteToSpooler(PDEVOBJ pdevobj, const BYTE* pBuffer, DWORD dwLength) {
    if (m_pDriverUni == nullptr || pBuffer == nullptr) return FALSE;
    DWORD dwAccepted = 0;
    // The service interface takes a non-const pointer but only reads the bytes.
    const HRESULT hr =
        m_pDriverUni->DrvWriteSpoolBuf(pdevobj, const_cast<BYTE*>(pBuffer), dwLength, &dwAccepted);
    return hr == S_OK && dwAccepted == dwLength ? TRUE : FALSE;
}

BOOL JobOutput::WritePrintDataToFile(const BYTE* pBuffer, DWORD dwNumberOfBytes) {
    if (!IsJournalOpen()) return FALSE;
    DWORD dwWritten = 0;
    const BOOL bOk = WriteFile(m_hFileHandle.get(), pBuffer, dwNumberOfBytes, &dwWritten, nullptr);
    DebugLogA("WritePrintDataToFile : dwNumberOfBytes = %u, dwNumberOfBytesWritten = %u",
              dwNumberOfBytes, dwWritten);
    return bOk && dwWritten == dwNumberOfBytes ? TRUE : FALSE;
}

HANDLE JobOutput::GetFileHandle(PDEVOBJ pdevobj) {
    DebugLogA("GetFileHandle : START");
    SYSTEMTIME st{};
    GetLocalTime(&st);
    char szName[64];
    std::snprintf(szName, sizeof szName, "\\%02u%02u%02u_%02u%02u%02u.jnl", unsigned{st.wYear},
                  unsigned{st.wMonth}, unsigned{st.wDay}, unsigned{st.wHour}, unsigned{st.wMinute},
                  unsigned{st.wSecond});
    std::u16string path = GetProductFolder() + WidenAscii(szName);

    m_hFileHandle.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (path.size() > JOURNAL_PATH_CHARS) path.resize(JOURNAL_PATH_CHARS);
    m_szFileName = path;

    HANDLE hResult = nullptr;
    if (m_hFileHandle) {
        SetFilePointer(m_hFileHandle.get(), 0, nullptr, FILE_END);
        hResult = m_hFileHandle.get();
        DebugLogW(u"GetFileHandle : m_szFileName = %s", m_szFileName.c_str());
    } else {
        m_hFileHandle.reset();
        DebugLogA("GetFileHandle : CreateFile failed.");
    }

    if (const OemPDEV* pOemPDEV = GetOemPDEV(pdevobj)) {
        const BYTE* bv = pOemPDEV->m_UIInfo.byteValue;
        DebugLogA("GetFileHandle : byteValue[19] = %d, byteValue[29] = %d, byteValue[30] = %d", bv[19],
                  bv[29], bv[30]);
    }
    DebugLogA("GetFileHandle : END");
    return hResult;
}
