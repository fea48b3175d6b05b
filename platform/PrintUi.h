// The printer-setup utility of the stand-in machine (printui.dll, entry PrintUIEntry).
// Understood switches:
//   /ia        install a printer driver from an INF (needs /m, /f)
//   /if        install a printer queue from an INF (needs /b, /f, /r, /m)
//   /b "name"  queue name          /f file   INF file (relative to the current folder)
//   /r "port"  port name            /m "model" driver model (the INF's model line)
//   /u         use the driver already installed, if any
//   /q         quiet (accepted; the stand-in never shows anything)
// The INF's [Manufacturer] lines name the models sections; on a 64-bit machine a
// section decorated ".NTamd64" is preferred. The model line's first field names the
// install section, whose CopyFiles lists are copied from the INF's source folder
// ([SourceDisksNames.amd64] / [SourceDisksNames.x86] path, else the INF's folder) into
// the driver folder\3; DataSection/DriverFile/ConfigFile/DataFile/HelpFile name the
// driver files; PrintProcessor and LanguageMonitor ("name,file") are registered too.
// The INF itself is not put into the INF store (that is the installer's own step).
// A new queue is initialised the way the driver's settings module initialises it on
// Windows: the four parts of the INF's DriverVer version are written as the printer
// data values "MajorVersion", "MinorVersion", "BuildVersion", "ExtraVersion"
// (REG_DWORD) under "PrinterDriverData\Properties".
#pragma once

#include <string_view>

#include "platform/Win32Types.h"

namespace plat {

// Runs PrintUIEntry with its argument text (what follows "printui.dll,PrintUIEntry").
// Returns 0 on success or the failure's system error: ERROR_INVALID_PARAMETER for
// bad switches, ERROR_FILE_NOT_FOUND for a missing INF or driver file,
// ERROR_UNKNOWN_PRINTER_DRIVER for a model the INF does not list,
// ERROR_UNKNOWN_PORT, ERROR_PRINTER_ALREADY_EXISTS, RPC_S_SERVER_UNAVAILABLE.
DWORD RunPrintUiEntry(std::u16string_view arguments);

}  // namespace plat
