// The job's output channels: the job command buffer (one page's commands, written to the
// spooler at the end of the page), direct spooler writes for document-level blocks, and the
// journal file that receives every block written to the spooler.
#pragma once

#include <span>
#include <string>

#include "oemuni/frame/ByteBuffer.h"
#include "oemuni/frame/UnidrvTypes.h"
#include "platform/Files.h"
#include "platform/Win32Types.h"

// Spooler writes are cut into chunks of at most this many bytes.
inline constexpr DWORD SPOOL_CHUNK_SIZE = 4096;
// A spooler that answers S_OK but takes no bytes this many times in a row has failed the write.
inline constexpr int MAX_ZERO_PROGRESS_WRITES = 3;
// The journal path keeps at most this many characters (plus the terminator).
inline constexpr size_t JOURNAL_PATH_CHARS = 511;

class JobOutput {
public:
    // Appends bytes to the job command buffer. FALSE (buffer unchanged) when pBuffer is null or
    // memory runs out.
    BOOL AddPrintDataTobeSent(const BYTE* pBuffer, DWORD dwLength);
    // Empties the job command buffer (its count becomes 0; the memory is kept for the next page).
    void InitPrintCommandsBuffer();
    // Writes the whole buffer to the spooler in chunks of at most 4096 bytes, then journals it.
    BOOL SendPrintDataToPrinter(PDEVOBJ pdevobj);
    // Writes a block straight to the spooler (document-level blocks, coupons) with one call;
    // TRUE when all bytes were accepted. Does not journal.
    BOOL WriteToSpooler(PDEVOBJ pdevobj, const BYTE* pBuffer, DWORD dwLength);
    // Appends a block to the open journal; FALSE without one.
    BOOL WritePrintDataToFile(const BYTE* pBuffer, DWORD dwNumberOfBytes);

    // Creates or opens the journal named after the local time (appending to an existing file of
    // that name) and records its path. Returns the handle, or nullptr when it cannot be opened.
    HANDLE GetFileHandle(PDEVOBJ pdevobj);
    bool IsJournalOpen() const { return m_hFileHandle.valid(); }
    // Closes the journal (the path stays recorded).
    void CloseJournal() { m_hFileHandle.reset(); }

    DWORD m_dwTotalBufSize() const { return m_pTotalBuf.size(); }
    const ByteBuffer& buffer() const { return m_pTotalBuf; }

    ByteBuffer m_pTotalBuf;
    IPrintOemDriverUni* m_pDriverUni = nullptr;  // not owned here; the plug-in object holds the reference
    FileHandle m_hFileHandle;                    // the open journal, or none
    std::u16string m_szFileName;                 // the journal's full path
};
