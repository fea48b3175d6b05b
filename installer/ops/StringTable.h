// The installer's string table.
#pragma once

#include <string>

#include "platform/Win32Types.h"

namespace installer {

constexpr UINT IDS_PRINT_PROCESSOR = 104;
constexpr UINT IDS_PRINT_PROCESSOR_DLL = 105;
constexpr UINT IDS_INF_FILE = 106;
constexpr UINT IDS_MODEL_NAME = 107;
constexpr UINT IDS_UNINSTALLER = 108;
constexpr UINT IDS_MFG_NAME = 109;
constexpr UINT IDS_VID_PID = 110;
constexpr UINT IDS_USBPRINT_ENUM_KEY = 111;
constexpr UINT IDS_PRINTER_NAME = 112;
constexpr UINT IDS_PNP_DRIVER_DIR_1 = 113;
constexpr UINT IDS_PNP_DRIVER_DIR_2 = 114;
constexpr UINT IDS_NOT_USED_1 = 115;
constexpr UINT IDS_NOT_USED_2 = 116;
constexpr UINT IDS_PUBLISHER = 117;
constexpr UINT IDS_UNINSTALL_ICON = 118;
constexpr UINT IDS_LANGUAGE_MONITOR_DLL = 121;
constexpr UINT IDS_CORE_DLL = 122;
constexpr UINT IDS_UI_DLL = 123;
constexpr UINT IDS_RENDER_DLL = 124;
constexpr UINT IDS_GPD_FILE = 125;
constexpr UINT IDS_LANGUAGE_MONITOR = 126;
constexpr UINT IDS_UNINSTALL_REG = 201;
constexpr UINT IDS_MAJOR_VERSION = 301;
constexpr UINT IDS_MINOR_VERSION = 302;
constexpr UINT IDS_BUILD_VERSION = 303;
constexpr UINT IDS_EXTRA_VERSION = 304;

// The text of a string-table entry; empty for an unknown id.
std::u16string LoadInstallerString(UINT id);

// Decimal text-to-integer conversion as the installer uses it: optional blanks and
// sign, then digits; 0 when the text does not start with a number.
int DecimalValue(std::u16string_view text);

}  // namespace installer
