// The stand-in machine's side of running the installer program: which Windows folder
// the program runs from, the instance counter shared by all running instances (the
// "SHAREDAT" section), the request of a second instance to activate the first one's
// window, and whether a display is there. This is the only part of the program that
// looks at the host, because the platform layer has no such services.
#pragma once

#include <string>

namespace installer {

// Maps the host's working folder into the machine root (it must lie on one of the
// root's drives), makes it the Windows current folder and the program's folder
// (GetModuleFileNameW answers <folder>\MKTG450_Installer.exe). Sets up a fresh
// root first. False with a reason when the folder is outside the machine root.
bool EnterPackageFolder(std::string& reason);

// Increments the counter shared by the running instances and returns its new value.
// The counter lives as long as some instance runs (like a shared data section):
// it restarts from 0 when the last instance has ended.
long IncrementInstanceCounter();

// Forgets this process's place among the running instances (tests).
void LeaveInstancesForTests();

// Asks the first running instance to bring its window to the front: 0 when one was
// found, 1 when not.
int ActivateRunningInstance();

// True once when another instance asked this one to come to the front.
bool TakeActivationRequest();

// True when a display is there to show windows on.
bool HasDisplay();

}  // namespace installer
