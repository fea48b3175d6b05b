// `mkt450 print`: one job from its file to the spool stream, with the machine root around it.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/print/JobDescription.h"

namespace mkt::host {

struct PrintOptions {
    std::filesystem::path job;
    std::optional<std::filesystem::path> output;   // default: the job with the extension .prn
    std::optional<std::filesystem::path> preview;  // also render the stream to this PNG
    std::optional<std::filesystem::path> machine;  // kept machine root
    std::optional<std::string> printer;
    std::vector<std::pair<int, int>> settings;     // --set N=V
    std::optional<std::string> time;
    std::optional<std::uint32_t> jobId;
    int width = kDefaultPageWidth;                 // for plain page files
    std::filesystem::path programDir;              // where mkt450 and the plug-in live
    std::optional<std::filesystem::path> plugin;   // the plug-in library (default: beside mkt450)
    SpoolFaults faults;                            // merged over the job's "spooler"
    bool faultsGiven = false;
    bool quiet = false;
};

// Exit status: 0 the job ran, 1 the plug-in could not be driven, 2 unusable input (one line on
// `err` naming the file and the problem; no output file left behind).
int RunPrint(const PrintOptions& options, std::ostream& out, std::ostream& err);

// Renders a stream to a PNG with the preview command when it is built in; false otherwise.
bool RenderPreview(const std::filesystem::path& stream, const std::filesystem::path& png, std::ostream& err,
                   int plainLevels = 2);

}  // namespace mkt::host
