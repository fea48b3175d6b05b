// The machine root a job runs on, and what the host puts into it before the job, as the
// installer and the printer's settings user interface would have: the package's utility files
// in the product folder, the printer queue, its printer data, text keys and extra files.
#pragma once

#include <filesystem>
#include <string>

#include "host/print/JobDescription.h"
#include "platform/Printers.h"

namespace mkt::host {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryDirectory {
public:
    explicit TemporaryDirectory(const std::string& prefix);
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The package folder: the source tree's package/ when it exists, else package/ next to or
// above the program's folder. Empty when none is found.
std::filesystem::path FindPackageDir(const std::filesystem::path& programDir);

// The examples folder, found the same way.
std::filesystem::path FindExamplesDir(const std::filesystem::path& programDir);

// Makes `root` the machine root of this process (and of the programs it starts).
void UseMachineRoot(const std::filesystem::path& root);

// Copies the package into the current machine root the way the installer lays it out: every
// file of the package folder into C:\Windows\MKT-G450, PreviewBin\ below it, and MKTG450.INI
// into the print-processor folder. Skipped when the product folder exists, unless `force`.
// Returns the number of files copied.
int SeedMachineRoot(const std::filesystem::path& packageDir, bool force = false);

// Writes the job's `files` into the machine root. Throws JobError when one cannot be written.
void PlaceJobFiles(const JobDescription& job);

// Creates the printer queue (when missing) and writes the printer data of the job: "printerName"
// under "DsSpooler", the values under "PrinterDriverData\Properties" (a missing value is
// deleted), and the text keys under "TextKeyFunction". Returns a handle with full access, as the
// plug-in's device object carries it. Throws JobError on failure.
PrinterHandle PreparePrinter(const JobDescription& job);

}  // namespace mkt::host
