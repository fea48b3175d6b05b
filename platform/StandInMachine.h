// First-use set-up of a stand-in machine: a fresh machine root gets what a freshly
// installed Windows has that the installer side relies on: the "Spooler" service
// (running), the local ports COM1: to COM4:, LPT1: to LPT3: and FILE:, the port
// monitors "Local Port" and "Standard TCP/IP Port", the print processor "winprint",
// the INF folder and the printer-driver folders, and a Windows 10 (64-bit)
// workstation description. Existing state is never overwritten: the set-up runs
// once per root, marked by the key HKLM\SYSTEM\Setup.
#pragma once

namespace plat {

// Sets up the machine root if it has not been set up; cheap when it has.
void EnsureStandInMachine();

}  // namespace plat
