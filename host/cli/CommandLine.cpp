#include "host/cli/CommandLine.h"

#include <charconv>

namespace mkt::host::cli {

const char* const kMainUsage =
    "mkt450 - print host of the MKT-G450 driver package\n"
    "\n"
    "usage:\n"
    "  mkt450 print JOB [-o OUT.prn] [--preview OUT.png] [--machine DIR] [--printer NAME]\n"
    "                   [--set N=V ...] [--time YYYY-MM-DDTHH:MM:SS] [--job-id N] [--width W]\n"
    "  mkt450 preview STREAM.prn -o OUT.png\n"
    "  mkt450 send STREAM.prn --to tcp://HOST[:PORT] | --to /dev/usb/lp0 | --to FILE\n"
    "  mkt450 demo [-o DIR]\n"
    "  mkt450 COMMAND --help\n"
    "\n"
    "Exit status: 0 done, 1 the job could not be run, 2 unusable input.\n";

const char* const kPrintUsage =
    "usage: mkt450 print JOB [options]\n"
    "\n"
    "Prints JOB through the MKUNI450 plug-in and writes the bytes it sends to the spooler.\n"
    "JOB is a job description (.json) or a page file (.png, .pbm, .pgm, .pdf; each page is\n"
    "scaled to the printer's width).\n"
    "\n"
    "options:\n"
    "  -o OUT.prn            output stream (default: JOB with the extension .prn)\n"
    "  --preview OUT.png     also render the stream to a PNG\n"
    "  --machine DIR         use and keep this machine root (default: a temporary one seeded\n"
    "                        from package/, removed afterwards)\n"
    "  --printer NAME        printer queue name (default: the job's, else \"VARNOKE MKT-G450\")\n"
    "  --set N=V             settings byte N (0..46) of \"MISC\" = V (0..255); repeatable\n"
    "  --time T              local time seen by the plug-in, YYYY-MM-DDTHH:MM:SS\n"
    "  --job-id N            spooler job identifier (default: the job's, else 1)\n"
    "  --width W             printer width in dots for page files (default 576)\n"
    "  --plugin FILE         the plug-in library (default: MKUNI450.so beside mkt450)\n"
    "  --spool-max-chunk K   test spooler: accept at most K bytes a call\n"
    "  --spool-fail-after N  test spooler: fail every call once N bytes were accepted\n"
    "  --spool-zero-after N  test spooler: accept 0 bytes (S_OK) once N bytes were accepted\n"
    "  -q, --quiet           no summary line\n";

const char* const kDemoUsage =
    "usage: mkt450 demo [-o DIR] [--machine DIR] [--time T]\n"
    "\n"
    "Prints the built-in example receipt (examples/receipt.json) to DIR/receipt.prn\n"
    "(default: the current folder), and renders DIR/receipt.png when the preview is built in.\n";

namespace {

bool ParseInt(const std::string& text, long long& out) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, out);
    return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

ParsedPrint ParsePrintArguments(const std::vector<std::string>& args) {
    ParsedPrint r;
    auto& o = r.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                r.error = a + ": a value is missing";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](long long lo, long long hi, long long& out) {
            std::string v;
            if (!value(v)) return false;
            if (!ParseInt(v, out) || out < lo || out > hi) {
                r.error = a + ": \"" + v + "\" is not a number from " + std::to_string(lo) + " to " + std::to_string(hi);
                return false;
            }
            return true;
        };
        std::string v;
        long long n = 0;
        if (a == "-h" || a == "--help") {
            r.help = true;
            return r;
        } else if (a == "-o" || a == "--output") {
            if (!value(v)) return r;
            o.output = v;
        } else if (a == "--preview") {
            if (!value(v)) return r;
            o.preview = v;
        } else if (a == "--machine") {
            if (!value(v)) return r;
            o.machine = v;
        } else if (a == "--printer") {
            if (!value(v)) return r;
            if (v.empty()) {
                r.error = "--printer: the name is empty";
                return r;
            }
            o.printer = v;
        } else if (a == "--set") {
            if (!value(v)) return r;
            const auto eq = v.find('=');
            long long key = 0, val = 0;
            if (eq == std::string::npos || !ParseInt(v.substr(0, eq), key) || !ParseInt(v.substr(eq + 1), val)) {
                r.error = "--set: \"" + v + "\" is not N=V";
                return r;
            }
            if (key < 0 || key > 46) {
                r.error = "--set: settings byte " + std::to_string(key) + " is not 0 to 46";
                return r;
            }
            if (val < 0 || val > 255) {
                r.error = "--set: value " + std::to_string(val) + " is not 0 to 255";
                return r;
            }
            o.settings.emplace_back(static_cast<int>(key), static_cast<int>(val));
        } else if (a == "--time") {
            if (!value(v)) return r;
            o.time = v;
        } else if (a == "--job-id") {
            if (!number(0, 0xFFFFFFFFLL, n)) return r;
            o.jobId = static_cast<std::uint32_t>(n);
        } else if (a == "--width") {
            if (!number(1, 65535, n)) return r;
            o.width = static_cast<int>(n);
        } else if (a == "--plugin") {
            if (!value(v)) return r;
            o.plugin = v;
        } else if (a == "--spool-max-chunk") {
            if (!number(0, 0xFFFFFFFFLL, n)) return r;
            o.faults.maxPerCall = static_cast<std::uint32_t>(n);
            o.faultsGiven = true;
        } else if (a == "--spool-fail-after") {
            if (!number(0, 1LL << 62, n)) return r;
            o.faults.failAfter = static_cast<std::uint64_t>(n);
            o.faultsGiven = true;
        } else if (a == "--spool-zero-after") {
            if (!number(0, 1LL << 62, n)) return r;
            o.faults.zeroAfter = static_cast<std::uint64_t>(n);
            o.faultsGiven = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            r.error = a + ": unknown option (see mkt450 print --help)";
            return r;
        } else if (o.job.empty()) {
            o.job = a;
        } else {
            r.error = a + ": only one job file can be printed at a time";
            return r;
        }
    }
    if (o.job.empty()) r.error = "print: no job file given (see mkt450 print --help)";
    return r;
}

ParsedDemo ParseDemoArguments(const std::vector<std::string>& args) {
    ParsedDemo r;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                r.error = a + ": a value is missing";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            r.help = true;
            return r;
        } else if (a == "-o" || a == "--output") {
            if (!value(v)) return r;
            r.outputDir = v;
        } else if (a == "--machine") {
            if (!value(v)) return r;
            r.machine = v;
        } else if (a == "--time") {
            if (!value(v)) return r;
            r.time = v;
        } else {
            r.error = a + ": unknown argument (see mkt450 demo --help)";
            return r;
        }
    }
    return r;
}

}  // namespace mkt::host::cli
