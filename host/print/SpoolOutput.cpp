#include "host/print/SpoolOutput.h"

#include <algorithm>

#include "host/print/JobError.h"

namespace mkt::host {

SpoolOutput::SpoolOutput(const std::filesystem::path& file, SpoolFaults faults)
    : m_file(std::fopen(file.c_str(), "wb")), m_faults(faults) {
    if (!m_file) throw JobError(file.string(), "cannot create the output file");
}

SpoolOutput::~SpoolOutput() = default;

HRESULT SpoolOutput::Write(const void* data, DWORD size, DWORD* accepted) {
    ++m_calls;
    if (accepted) *accepted = 0;
    if (data == nullptr && size != 0) return E_FAIL;
    std::uint64_t take = size;
    if (m_faults.maxPerCall != 0) take = std::min<std::uint64_t>(take, m_faults.maxPerCall);
    bool fail = false;
    if (m_faults.failAfter) {
        const std::uint64_t room = *m_faults.failAfter > m_total ? *m_faults.failAfter - m_total : 0;
        if (take > room) {
            take = room;
            fail = true;
        }
    }
    if (m_faults.zeroAfter && m_total >= *m_faults.zeroAfter) {
        take = 0;
    } else if (m_faults.zeroAfter) {
        take = std::min<std::uint64_t>(take, *m_faults.zeroAfter - m_total);
    }
    if (take > 0 && m_file) {
        if (std::fwrite(data, 1, static_cast<std::size_t>(take), m_file.get()) != take) {
            m_writeFailed = true;
            return E_FAIL;
        }
    }
    m_total += take;
    if (accepted) *accepted = static_cast<DWORD>(take);
    return fail ? E_FAIL : S_OK;
}

bool SpoolOutput::Close() {
    if (!m_file) return !m_writeFailed;
    const bool ok = std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    const bool closed = std::fclose(m_file.release()) == 0;
    return ok && closed && !m_writeFailed;
}

}  // namespace mkt::host
