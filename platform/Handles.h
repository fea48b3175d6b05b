// Closing kernel-object handles (files, processes, threads).
#pragma once

#include "platform/Win32Types.h"

// Closes any handle of this platform's kernel objects; FALSE with
// ERROR_INVALID_HANDLE for an unknown one.
BOOL CloseHandle(HANDLE hObject);
