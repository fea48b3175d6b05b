// mkt450: print, preview, send and demo.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "host/cli/CommandLine.h"
#include "host/print/MachineSetup.h"
#include "host/print/PrintJob.h"

#ifdef MKT_HAVE_PREVIEW
#include "PreviewCommand.h"
#endif
#ifdef MKT_HAVE_SEND
#include "SendCommand.h"
#endif

namespace fs = std::filesystem;
using namespace mkt::host;

namespace {

fs::path ProgramDir(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path();
}

int RunDemo(const std::vector<std::string>& args, const fs::path& programDir) {
    cli::ParsedDemo demo = cli::ParseDemoArguments(args);
    if (demo.help) {
        std::cout << cli::kDemoUsage;
        return 0;
    }
    if (!demo.error.empty()) {
        std::cerr << "mkt450: " << demo.error << "\n";
        return 2;
    }
    const fs::path examples = FindExamplesDir(programDir);
    if (examples.empty()) {
        std::cerr << "mkt450: examples/receipt.json: the examples folder was not found\n";
        return 2;
    }
    std::error_code ec;
    fs::create_directories(demo.outputDir, ec);
    if (ec) {
        std::cerr << "mkt450: " << demo.outputDir << ": cannot create the folder (" << ec.message() << ")\n";
        return 2;
    }
    PrintOptions options;
    options.job = examples / "receipt.json";
    options.output = fs::path(demo.outputDir) / "receipt.prn";
    if (demo.machine) options.machine = *demo.machine;
    if (demo.time) options.time = *demo.time;
    options.programDir = programDir;
    const int rc = RunPrint(options, std::cout, std::cerr);
    if (rc != 0) return rc;
#ifdef MKT_HAVE_PREVIEW
    const fs::path png = fs::path(demo.outputDir) / "receipt.png";
    if (RenderPreview(*options.output, png, std::cerr)) std::cout << png.string() << ": preview\n";
#endif
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path programDir = ProgramDir(argv[0]);
    if (argc < 2) {
        std::cerr << cli::kMainUsage;
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << cli::kMainUsage;
        return 0;
    }
    if (command == "print") {
        cli::ParsedPrint parsed = cli::ParsePrintArguments(args);
        if (parsed.help) {
            std::cout << cli::kPrintUsage;
            return 0;
        }
        if (!parsed.error.empty()) {
            std::cerr << "mkt450: " << parsed.error << "\n";
            return 2;
        }
        parsed.options.programDir = programDir;
        return RunPrint(parsed.options, std::cout, std::cerr);
    }
    if (command == "demo") return RunDemo(args, programDir);
    if (command == "preview") {
#ifdef MKT_HAVE_PREVIEW
        return mkt::preview::PreviewMain(argc, argv);
#else
        std::cerr << "mkt450: preview is not built into this mkt450\n";
        return 1;
#endif
    }
    if (command == "send") {
#ifdef MKT_HAVE_SEND
        return mkt::send::SendMain(argc, argv);
#else
        std::cerr << "mkt450: send is not built into this mkt450\n";
        return 1;
#endif
    }
    std::cerr << "mkt450: " << command << ": unknown command\n" << cli::kMainUsage;
    return 2;
}
