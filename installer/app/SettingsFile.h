// The package settings file "MKTG450_Config.VKR", section "MKTG450": the installer's
// own keys (PORTDLG, PORT, IP_ADDRESS, PORT_NUMBER).
#pragma once

#include "platform/Win32Types.h"

namespace installer {

inline constexpr const char16_t* kSettingsFileName = u"MKTG450_Config.VKR";
inline constexpr const char16_t* kSettingsSection = u"MKTG450";

// Reads lpKeyName from the settings file in the current folder, else from the one
// next to the running program, into lpReturnedString (dwSize characters). Returns
// lpReturnedString, or null when neither file gave a non-empty value.
LPWSTR GetDriverInfoFromFile(LPCWSTR lpKeyName, LPWSTR lpReturnedString, DWORD dwSize);

}  // namespace installer
