// Shell program start (the preview program, the uninstaller).
#pragma once

#include "platform/Win32Types.h"

constexpr INT SW_HIDE = 0;
constexpr INT SW_SHOWNORMAL = 1;
constexpr INT SW_NORMAL = 1;
constexpr INT SW_SHOW = 5;

constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_PNF = 3;
constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
constexpr INT_PTR SE_ERR_OOM = 8;

// Starts lpFile (a Windows path, or a bare name looked for in lpDirectory, the
// current directory and the system directory) with lpParameters split into
// arguments by the Windows rules, working directory lpDirectory (mapped), detached,
// with MKT_MACHINE set to the machine root. lpOperation null or "open" only.
// Returns a value > 32 on success; SE_ERR_FNF (2) when the file is missing,
// SE_ERR_PNF (3) when the directory is missing, with the last error set.
// The result is a number in the shape of a module handle: compare
// reinterpret_cast<INT_PTR>(result) > 32.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                        LPCWSTR lpDirectory, INT nShowCmd);
