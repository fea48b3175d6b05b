#include "platform/StandInMachine.h"

#include <mutex>
#include <string>

#include "platform/Files.h"
#include "platform/MachineRoot.h"
#include "platform/Spooler.h"
#include "platform/posix/RegHelpers.h"

namespace {

using plat::reg::Join;

void CreateFolderPath(const std::u16string& winPath) {
    for (size_t pos = winPath.find(u'\\', 3); ; pos = winPath.find(u'\\', pos + 1)) {
        const std::u16string part = winPath.substr(0, pos);
        CreateDirectoryW(part.c_str(), nullptr);
        if (pos == std::u16string::npos) break;
    }
}

void Seed() {
    namespace reg = plat::reg;
    // The Windows description: Windows 10, 64-bit, workstation.
    const std::u16string version = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    reg::WriteDword(version, u"CurrentMajorVersionNumber", 10);
    reg::WriteDword(version, u"CurrentMinorVersionNumber", 0);
    reg::WriteString(version, u"CurrentBuildNumber", u"19045");
    reg::WriteDword(version, u"MktPlatformId", 2);
    reg::WriteDword(version, u"MktServerR2", 0);
    reg::WriteString(u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", u"ProductType",
                     u"WinNT");
    reg::WriteString(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                     u"PROCESSOR_ARCHITECTURE", u"AMD64");

    // The print spooler service, running.
    const std::u16string spooler = u"SYSTEM\\CurrentControlSet\\Services\\Spooler";
    reg::WriteString(spooler, u"DisplayName", u"Print Spooler");
    reg::WriteDword(spooler, u"Start", 2);
    reg::WriteDword(spooler, u"Type", 0x10);
    reg::WriteMultiString(spooler, u"DependOnService", {u"RPCSS", u"http"});
    reg::WriteDword(spooler, u"MktState", 4);
    reg::WriteDword(spooler, u"MktCheckPoint", 0);
    reg::WriteDword(spooler, u"MktWaitHint", 2000);
    reg::WriteDword(spooler, u"MktPendingLeft", 0);
    reg::WriteDword(spooler, u"MktStartQueries", 1);
    reg::WriteDword(spooler, u"MktStopQueries", 1);

    // Local ports and the two port monitors.
    for (const char16_t* p : {u"COM1:", u"COM2:", u"COM3:", u"COM4:", u"LPT1:", u"LPT2:",
                              u"LPT3:", u"FILE:"})
        reg::WriteString(plat::kLocalPortsKey, p, u"");
    const std::u16string monitors = Join(plat::kPrintKey, u"Monitors");
    reg::WriteString(Join(monitors, plat::kLocalMonitorName), u"Driver", u"localspl.dll");
    reg::WriteString(Join(monitors, plat::kTcpMonitorName), u"Driver", u"tcpmon.dll");
    reg::CreateKey(Join(Join(monitors, plat::kTcpMonitorName), u"Ports"));

    // Environments with their default print processor.
    for (const char16_t* env : {u"Windows x64", u"Windows NT x86"}) {
        const std::u16string e = Join(Join(plat::kPrintKey, u"Environments"), env);
        reg::CreateKey(Join(e, u"Drivers\\Version-3"));
        reg::WriteString(Join(e, u"Print Processors\\winprint"), u"Driver", u"winprint.dll");
    }
    reg::CreateKey(plat::kPrintersKey);

    // Folders the installation touches.
    const std::u16string win = plat::GetWindowsDirectoryString();
    const std::u16string sys = plat::GetSystemDirectoryString();
    CreateFolderPath(win + u"\\INF");
    CreateFolderPath(sys + u"\\spool\\drivers\\x64\\3");
    CreateFolderPath(sys + u"\\spool\\drivers\\W32X86\\3");
    CreateFolderPath(sys + u"\\spool\\prtprocs\\x64");
    CreateFolderPath(sys + u"\\spool\\prtprocs\\W32X86");

    reg::WriteDword(u"SYSTEM\\Setup", u"SystemSetupInProgress", 0);
}

}  // namespace

namespace plat {

void EnsureStandInMachine() {
    if (!HasMachineRoot()) return;
    static std::recursive_mutex mutex;
    static thread_local bool seeding = false;
    std::lock_guard lock(mutex);
    if (seeding) return;
    if (reg::KeyExists(u"SYSTEM\\Setup")) return;
    seeding = true;
    Seed();
    seeding = false;
}

}  // namespace plat
