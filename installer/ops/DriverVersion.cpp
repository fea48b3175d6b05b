#include "installer/ops/DriverVersion.h"

#include <optional>
#include <string>
#include <vector>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/PlatformChecks.h"
#include "installer/ops/SpoolerControl.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Spooler.h"

namespace installer {

namespace {

// Reads one 32-bit version value: under "PrinterDriverData\Properties", else by
// its name alone. nullopt when neither read works.
std::optional<DWORD> ReadVersionValue(HANDLE printer, LPCWSTR name) {
    BYTE data[4] = {};
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataExW(printer, u"PrinterDriverData\\Properties", name, &type, data,
                                 sizeof data, &needed);
    if (rc != ERROR_SUCCESS) {
        rc = GetPrinterDataW(printer, name, &type, data, sizeof data, &needed);
        if (rc != ERROR_SUCCESS) return std::nullopt;
    }
    return static_cast<DWORD>(data[0] | (data[1] << 8) | (data[2] << 16) |
                              (static_cast<DWORD>(data[3]) << 24));
}

}  // namespace

int CDriverVersion::CheckDriverVersion(std::u16string_view driverName,
                                       std::u16string_view processorName, DWORD major,
                                       DWORD minor, DWORD build, DWORD extra) {
    std::vector<plat::PrinterInfo2> printers;
    if (!plat::EnumLocalPrinters(printers) && GetLastError() == RPC_S_SERVER_UNAVAILABLE) {
        StartSpooler(CheckOS(), m_clock);
        plat::EnumLocalPrinters(printers);
    }

    std::u16string printerName;
    bool found = false;
    for (const auto& p : printers) {
        if (p.driverName == driverName) {
            printerName = p.printerName.substr(0, 255);
            found = true;
            break;
        }
    }

    if (!found) {
        std::vector<plat::DriverInfo> drivers;
        if (plat::EnumDrivers({}, drivers)) {
            for (const auto& d : drivers)
                if (d.name == driverName) return OLDER_DRIVER;
        }
        std::vector<std::u16string> processors;
        if (plat::EnumProcessors({}, processors)) {
            for (const auto& p : processors)
                if (p == processorName) return OLDER_DRIVER;
        }
        return NO_DRIVER;
    }

    DWORD installed[4] = {0, 0, 0, 0};
    bool extraRead = true;
    char16_t raw[] = u"RAW";
    PRINTER_DEFAULTSW defaults{raw, nullptr, PRINTER_ALL_ACCESS};
    PrinterHandle printer;
    if (OpenPrinterW(printerName.c_str(), printer.put(), &defaults)) {
        const char16_t* names[4] = {u"MajorVersion", u"MinorVersion", u"BuildVersion",
                                    u"ExtraVersion"};
        for (int i = 0; i < 4; ++i) {
            const auto v = ReadVersionValue(printer.get(), names[i]);
            installed[i] = v.value_or(0);
            if (i == 3 && !v) extraRead = false;
        }
        WriteLog(u"CDriverVersion::CheckDriverVersion: MajorVersion = %d", installed[0]);
        WriteLog(u"CDriverVersion::CheckDriverVersion: MinorVersion = %d", installed[1]);
        WriteLog(u"CDriverVersion::CheckDriverVersion: BuildVersion = %d", installed[2]);
        WriteLog(u"CDriverVersion::CheckDriverVersion: ExtraVersion = %d", installed[3]);
        printer.reset();
        if (!extraRead) return OLDER_DRIVER;
    } else {
        WriteLog(u"CDriverVersion::CheckDriverVersion: OpenPrinter failed (%d)", GetLastError());
    }

    const DWORD package[4] = {major, minor, build, extra};
    for (int i = 0; i < 4; ++i) {
        if (package[i] > installed[i]) return OLDER_DRIVER;
        if (package[i] < installed[i]) return NEWER_DRIVER;
    }
    return EQUAL_DRIVER;
}

}  // namespace installer
