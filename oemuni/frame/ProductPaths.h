// Folders and files of the product on the Windows drive: the product folder in the Windows
// directory (settings file, journals, preview file) and the diagnostic log folder.
#pragma once

#include <string>

// Windows directory + "\MKT-G450" (no trailing separator); empty when it cannot be read.
std::u16string GetProductFolder();

// The settings file "MKTG450_Config.VKR" in the product folder.
std::u16string GetSettingsFilePath();

// The drive of the Windows directory + "\temp".
std::u16string GetDebugTempFolder();

// The diagnostic log folder: drive + "\temp\MKT-G450".
std::u16string GetDebugLogFolder();
