#include "oemuni/frame/CurrentJob.h"

#include <atomic>

namespace {
// One job at a time per device; relaxed ordering is all a plain shared value needs.
std::atomic<DWORD> g_dwCurrentJobId{0};
}  // namespace

DWORD GetCurrentJobId() { return g_dwCurrentJobId.load(std::memory_order_relaxed); }

void SetCurrentJobId(DWORD dwJobId) { g_dwCurrentJobId.store(dwJobId, std::memory_order_relaxed); }
