// Trimming of the diagnostic log folder: by total size and by age, and the removal of every
// diagnostic file when logging is switched off.
#pragma once

// Creates the drive's "temp" folder and the log folder when missing, then applies the size
// rule and the age rule. Called once at the start of every device enable.
void DebugLogCleanup();

// Size rule: when the 32-bit sum of the entry sizes exceeds 300 MB, every diagnostic file goes.
void DebugDeleteFilesbySize();

// Age rule: diagnostic files written in another month or year, or more than 3 days away from
// today's day of the month, are deleted.
void DebugDeleteFilesbyDate();

// Deletes every file of the log folder whose name contains ".BIN", ".BMP" or ".LOG".
void DebugDeleteAllFiles();
