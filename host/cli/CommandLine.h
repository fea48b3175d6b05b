// Parsing of mkt450's command lines into options; usage texts of every command.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/print/PrintJob.h"

namespace mkt::host::cli {

extern const char* const kMainUsage;
extern const char* const kPrintUsage;
extern const char* const kDemoUsage;

// Result of parsing: options, or a usage error message (exit 2), or a request for help.
struct ParsedPrint {
    PrintOptions options;
    bool help = false;
    std::string error;  // non-empty: the command line is unusable
};

ParsedPrint ParsePrintArguments(const std::vector<std::string>& args);

struct ParsedDemo {
    std::string outputDir = ".";
    std::optional<std::string> machine;
    std::optional<std::string> time;
    bool help = false;
    std::string error;
};

ParsedDemo ParseDemoArguments(const std::vector<std::string>& args);

}  // namespace mkt::host::cli
