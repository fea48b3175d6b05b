#include "platform/LastError.h"

namespace {
thread_local DWORD t_lastError = 0;
}

void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

DWORD GetLastError() { return t_lastError; }
