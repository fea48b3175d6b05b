// Profile (INI) strings with the Windows rules: section and key names are
// case-insensitive, values are trimmed of blanks and of one pair of enclosing
// quotes, results are cut to the buffer. A file name without a folder is looked
// for in the Windows directory. Files are read as UTF-16LE when they start with
// FF FE, as UTF-8 when they start with EF BB BF, otherwise as ANSI (code page 1252);
// WritePrivateProfileStringW keeps the file's encoding (ANSI for a new file).
#pragma once

#include "platform/Win32Types.h"

// Copies the value of lpKeyName in section lpAppName to lpReturnedString (at most
// nSize - 1 characters plus terminator) and returns the characters copied. A
// missing file, section or key gives lpDefault (null = ""), trailing blanks removed,
// with the last error ERROR_FILE_NOT_FOUND when the file is missing.
// lpAppName null: all section names, lpKeyName null: all keys of the section, each
// terminated, the list ended by a second zero (cut lists return nSize - 2).
DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                               LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);

// Narrow form: names, default and result in the ANSI code page.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);

// The key's value as an unsigned integer (leading decimal digits, optional sign,
// "0x" hexadecimal), nDefault when missing.
UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                           LPCWSTR lpFileName);

// All "key=value" lines of a section, each terminated, the list ended by a second zero.
DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                LPCWSTR lpFileName);

// Sets a key (creating file and section), deletes it (lpString null) or deletes the
// whole section (lpKeyName null). The file is replaced via temporary file + rename.
BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                LPCWSTR lpFileName);
