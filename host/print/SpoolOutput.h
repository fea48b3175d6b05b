// The job's spool stream: every byte DrvWriteSpoolBuf accepts is appended to the output file in
// call order. For tests the spooler can misbehave (SpoolFaults): accept at most K bytes a call,
// fail once N bytes were accepted, or accept nothing (S_OK, 0 bytes) from some point on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "host/print/JobDescription.h"
#include "platform/Win32Types.h"

namespace mkt::host {

class SpoolOutput {
public:
    // Opens (truncates) the file. Throws JobError when it cannot be created.
    SpoolOutput(const std::filesystem::path& file, SpoolFaults faults);
    ~SpoolOutput();
    SpoolOutput(const SpoolOutput&) = delete;
    SpoolOutput& operator=(const SpoolOutput&) = delete;

    // One DrvWriteSpoolBuf call: S_OK with *accepted bytes taken, or E_FAIL.
    HRESULT Write(const void* data, DWORD size, DWORD* accepted);

    // Flushes and closes; false when the file could not be written completely.
    bool Close();

    std::uint64_t bytesAccepted() const { return m_total; }
    std::uint64_t calls() const { return m_calls; }
    bool writeFailed() const { return m_writeFailed; }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { if (f) std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> m_file;
    SpoolFaults m_faults;
    std::uint64_t m_total = 0;
    std::uint64_t m_calls = 0;
    bool m_writeFailed = false;
};

}  // namespace mkt::host
