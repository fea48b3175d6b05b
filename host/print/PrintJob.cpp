#include "host/print/PrintJob.h"

#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <system_error>

#include "host/print/JobError.h"
#include "host/print/JobInput.h"
#include "host/print/MachineSetup.h"
#include "host/print/PluginLibrary.h"
#include "host/print/UnidrvHost.h"
#include "host/print/Utf.h"
#include "platform/LocalTime.h"
#include "platform/MachineRoot.h"
#include "platform/Printers.h"
#include "platform/Profile.h"

#ifdef MKT_HAVE_PREVIEW
#include "PreviewCommand.h"
#endif

namespace fs = std::filesystem;

namespace mkt::host {
namespace {

// Removes the temporary output unless it was moved into place.
class TemporaryOutput {
public:
    explicit TemporaryOutput(fs::path finalPath)
        : m_final(std::move(finalPath)),
          m_temp(m_final.string() + ".tmp-" + std::to_string(::getpid())) {}
    ~TemporaryOutput() {
        if (!m_committed) {
            std::error_code ec;
            fs::remove(m_temp, ec);
        }
    }
    const fs::path& temp() const { return m_temp; }
    bool Commit() {
        std::error_code ec;
        fs::rename(m_temp, m_final, ec);
        m_committed = !ec;
        return m_committed;
    }

private:
    fs::path m_final;
    fs::path m_temp;
    bool m_committed = false;
};

// The settings byte the plug-in saw: from "MISC" when it is stored, else from the settings
// file of the product folder, else the built-in default.
int EffectiveSetting(HANDLE printer, int n, int fallback) {
    BYTE misc[64] = {};
    DWORD type = 0, needed = 0;
    const DWORD rc = GetPrinterDataExW(printer, u"PrinterDriverData\\Properties", u"MISC", &type, misc,
                                       sizeof(misc), &needed);
    if (rc == ERROR_SUCCESS) return needed > static_cast<DWORD>(n) ? misc[n] : 0;
    char16_t value[64] = {};
    const std::u16string key = u"PREFERENCE[" + Utf8ToUtf16(std::to_string(n)) + u"]";
    if (GetPrivateProfileStringW(u"MKTG450", key.c_str(), u"", value, 64,
                                 u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR") > 0) {
        return std::atoi(Utf16ToUtf8(value).c_str()) & 0xFF;
    }
    return fallback;
}

}  // namespace

bool RenderPreview(const fs::path& stream, const fs::path& png, std::ostream& err, int plainLevels) {
#ifdef MKT_HAVE_PREVIEW
    (void)err;
    // Plain raster carries no level information: tell the renderer when four planes make a slice.
    std::string a0 = "mkt450", a1 = "preview", a2 = stream.string(), a3 = "-o", a4 = png.string(),
                a5 = "--levels", a6 = std::to_string(plainLevels);
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), a6.data(), nullptr};
    return mkt::preview::PreviewMain(7, argv) == 0;
#else
    (void)plainLevels;
    err << "mkt450: " << png.string() << ": the preview renderer is not built into this mkt450\n";
    return false;
#endif
}

int RunPrint(const PrintOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<TemporaryDirectory> tempRoot;
    try {
        LoadOptions load;
        load.width = options.width;
        JobDescription job = LoadJob(options.job, load);
        if (options.printer) job.printer = *options.printer;
        if (options.jobId) job.jobId = *options.jobId;
        if (options.time) job.time = *options.time;
        for (const auto& [n, v] : options.settings) ApplySetting(job, n, v);
        if (options.faultsGiven) job.spooler = options.faults;

        std::optional<SYSTEMTIME> time;
        if (job.time) {
            time = plat::ParseTime(job.time->c_str());
            if (!time) {
                throw JobError(options.time ? "--time" : options.job.string(),
                               "time \"" + *job.time + "\" is not YYYY-MM-DDTHH:MM:SS");
            }
        }

        fs::path output = options.output ? *options.output : fs::path(options.job).replace_extension(".prn");
        TemporaryOutput temporary(output);

        if (options.machine) {
            UseMachineRoot(*options.machine);
        } else {
            tempRoot.emplace("mkt450-machine-");
            UseMachineRoot(tempRoot->path());
        }
        SeedMachineRoot(FindPackageDir(options.programDir));
        plat::SetLocalTimeOverride(time);
        ::setenv("MKT450_BIN", (options.programDir / "mkt450").c_str(), 1);

        PlaceJobFiles(job);
        PrinterHandle printer = PreparePrinter(job);

        const fs::path pluginPath = options.plugin ? *options.plugin : DefaultPluginPath(options.programDir);
        std::optional<PluginLibrary> library;
        try {
            library.emplace(pluginPath);
        } catch (const std::exception& e) {
            err << "mkt450: " << e.what() << "\n";
            return 1;
        }

        SpoolOutput spool(temporary.temp(), job.spooler);
        UnidrvHost host(job, spool);
        host.SetPrinter(printer.get(), Utf8ToUtf16(job.printer));
        std::string problem;
        const bool ran = host.Run(library->DllGetClassObject(), &problem);
        if (!spool.Close()) throw JobError(output.string(), "cannot write the output file");
        if (!ran) {
            err << "mkt450: " << options.job.string() << ": " << problem << "\n";
            return 1;
        }
        if (!temporary.Commit()) throw JobError(output.string(), "cannot write the output file");
        const bool fourLevelPlain =
            EffectiveSetting(printer.get(), 33, 0) == 1 && EffectiveSetting(printer.get(), 36, 1) != 1;
        if (!options.quiet) out << output.string() << ": " << spool.bytesAccepted() << " bytes\n";
        plat::SetLocalTimeOverride(std::nullopt);
        if (options.preview && !RenderPreview(output, *options.preview, err, fourLevelPlain ? 4 : 2)) return 1;
        return 0;
    } catch (const JobError& e) {
        err << "mkt450: " << e.Line() << "\n";
        return 2;
    }
}

}  // namespace mkt::host
