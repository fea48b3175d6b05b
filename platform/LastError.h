// The calling thread's last system error, as GetLastError/SetLastError keep it.
#pragma once

#include "platform/Win32Types.h"

// Sets the calling thread's last error code.
void SetLastError(DWORD dwErrCode);

// Returns the calling thread's last error code (0 on a new thread).
DWORD GetLastError();
