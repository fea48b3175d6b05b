// The installer log: one UTF-16LE file (byte-order mark FF FE) in the Temp folder of
// the Windows drive, one time-stamped line per call, each call opening, appending
// and closing the file so that the log survives an abnormal end up to its last line.
#pragma once

#include <string>
#include <string_view>

#include "installer/app/LogFormat.h"

namespace installer {

// Prepares the log at start-up: <drive of the Windows folder>\Temp\MKT-G450_Installer.txt,
// created afresh. Until it has run (or when the folder cannot be had) lines are dropped.
void OpenInstallerLog();

// Appends "hh:mm:ss: <message> \r\n" (message at most 1022 characters, line at most
// 511). Lines of several threads are appended whole, one after the other.
void WriteLogV(std::u16string_view format, std::initializer_list<LogArg> args);

template <class... Args>
void WriteLog(std::u16string_view format, const Args&... args) {
    WriteLogV(format, {LogArg(args)...});
}

// The log path fixed by OpenInstallerLog (empty before).
std::u16string GetInstallerLogPath();

// Forgets the log path, so that later lines are dropped (tests start each case clean).
void CloseInstallerLog();

}  // namespace installer
