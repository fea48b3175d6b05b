// Code-page conversion with the Windows rules. Supported: CP_ACP (= 1252),
// CP_OEMCP (= 437), 1252, 437, 932, 936, 949, 950, CP_UTF8 (65001).
// Characters that have no place in the target code page become '?' (or the given
// default character); invalid bytes become '?' (U+FFFD for UTF-8).
#pragma once

#include "platform/Win32Types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

// Converts cbMultiByte bytes (-1: terminated, the terminator converted and counted)
// to UTF-16. cchWideChar 0: returns the characters needed. Too small a buffer:
// 0 with ERROR_INSUFFICIENT_BUFFER. Unknown code page: 0 with ERROR_INVALID_PARAMETER.
// With MB_ERR_INVALID_CHARS, invalid input fails with ERROR_NO_UNICODE_TRANSLATION.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);

// Converts cchWideChar characters (-1: terminated) to the code page. cbMultiByte 0:
// returns the bytes needed. lpDefaultChar (single byte; null = "?") replaces
// unmappable characters and *lpUsedDefaultChar tells whether that happened; for
// CP_UTF8 both must be null (ERROR_INVALID_PARAMETER).
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        BOOL* lpUsedDefaultChar);

// The system ANSI code page: 1252.
UINT GetACP();

// The system OEM code page: 437.
UINT GetOEMCP();
