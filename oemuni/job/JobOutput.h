// The job's output channels: the job command buffer (one page's commands, written to the
// spooler at the end of the page), direct spooler writes for document-level blocks, and the
// journal file that receives every block written to the spooler.
#pragma once

#include <span>

#include "oemuni/frame/ByteBuffer.h"
#include "oemuni/frame/UnidrvTypes.h"
#include "platform/Files.h"
#include "platform/Win32Types.h"

class JobOutput {
public:
    // Appends bytes to the job command buffer. FALSE (buffer unchanged) when pBuffer is null or
    // memory runs out.
    BOOL AddPrintDataTobeSent(const BYTE* pBuffer, DWORD dwLength);
    // Empties the job command buffer.
    void InitPrintCommandsBuffer();
    // Writes the whole buffer to the spooler in chunks of at most 4096 bytes, then journals it.
    BOOL SendPrintDataToPrinter(PDEVOBJ pdevobj);
    // Writes a block straight to the spooler (document-level blocks, coupons); TRUE when all
    // bytes were accepted. Does not journal.
    BOOL WriteToSpooler(PDEVOBJ pdevobj, const BYTE* pBuffer, DWORD dwLength);
    // Appends a block to the open journal; FALSE without one.
    BOOL WritePrintDataToFile(const BYTE* pBuffer, DWORD dwNumberOfBytes);

    DWORD m_dwTotalBufSize() const { return m_pTotalBuf.size(); }
    const ByteBuffer& buffer() const { return m_pTotalBuf; }

    ByteBuffer m_pTotalBuf;
    IPrintOemDriverUni* m_pDriverUni = nullptr;  // not owned here; the plug-in object holds the reference
    // The journal handle and path are declared by the implementation (platform file handle and
    // a 512-character wide path, m_hFileHandle and m_szFileName).
};
