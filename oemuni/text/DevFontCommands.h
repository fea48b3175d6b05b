// Printer commands for text in the resident fonts and the two control fonts.
#pragma once

#include <span>
#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"

// Builds the command that selects the resident font named `familyName` (terminated UTF-8),
// its code table and size, and moves to X; `command` receives exactly the returned number of
// bytes (9, 12 or 14; 0 on failure). Appends the line end ([1C 2E] 1B 4A h) to szAnsiText at
// dwAnsiTextLength and adds its length; szAnsiText is grown when fewer than 5 spare bytes
// remain (its size is the buffer capacity).
DWORD GetDevFontCommand(std::vector<BYTE>& command, const char* familyName,
                        std::vector<BYTE>& szAnsiText, DWORD& dwAnsiTextLength, LONG X,
                        FONTOBJ* pfo);

// Translates text in the control font "FontControl"/"Control" through the built-in table.
// `command` receives exactly the returned number of bytes; 0 when nothing applies.
DWORD GetFontControlCommand(OemPDEV* pOemPDEV, std::vector<BYTE>& command,
                            std::span<const BYTE> szAnsiText);

// Translates text in the control font "FontControlA" through section [FontControlA] of
// "MKTG450.INI" in the print-processor folder. `command` receives exactly the returned
// number of bytes; 0 when nothing applies.
DWORD GetCommandFromFile(OemPDEV* pOemPDEV, std::vector<BYTE>& command,
                         std::span<const BYTE> szAnsiText);
