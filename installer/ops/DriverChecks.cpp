// What of the driver is already on the machine: the version check before an
// installation, and the driver, port and INF existence checks of the run.
#include <string>
#include <vector>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/DriverVersion.h"
#include "installer/ops/PlatformChecks.h"
#include "installer/ops/SpoolerControl.h"
#include "installer/ops/StringTable.h"
#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/SetupApi.h"
#include "platform/Shell.h"
#include "platform/Spooler.h"
#include "platform/SystemPrograms.h"

namespace installer {

BOOL CDriverInstaller::CheckDriverVersion() {
    WriteLog(u"\r\n");
    WriteLog(u"CheckDriverVersion : BEGIN");
    const DWORD major = static_cast<DWORD>(DecimalValue(LoadInstallerString(IDS_MAJOR_VERSION)));
    const DWORD minor = static_cast<DWORD>(DecimalValue(LoadInstallerString(IDS_MINOR_VERSION)));
    const DWORD build = static_cast<DWORD>(DecimalValue(LoadInstallerString(IDS_BUILD_VERSION)));
    const DWORD extra = static_cast<DWORD>(DecimalValue(LoadInstallerString(IDS_EXTRA_VERSION)));
    const std::u16string driver = LoadInstallerString(IDS_PRINTER_NAME);
    const std::u16string processor = LoadInstallerString(IDS_PRINT_PROCESSOR);
    WriteLog(u"CheckDriverVersion : IDS_MAJOR_VERSION = %d", major);
    WriteLog(u"CheckDriverVersion : IDS_MINOR_VERSION = %d", minor);
    WriteLog(u"CheckDriverVersion : IDS_BUILD_VERSION = %d", build);
    WriteLog(u"CheckDriverVersion : IDS_EXTRA_VERSION = %d", extra);

    const int code =
        CDriverVersion(m_clock).CheckDriverVersion(driver, processor, major, minor, build, extra);
    if (code >= NO_DRIVER) {
        if (code == NO_DRIVER) WriteLog(u"CheckDriverVersion : NO_DRIVER");
        else if (code == EQUAL_DRIVER) WriteLog(u"CheckDriverVersion : EQUAL_DRIVER");
        WriteLog(u"CheckDriverVersion : END");
        return TRUE;
    }

    WriteLog(u"CheckDriverVersion : OLDER_DRIVER");
    m_boxes.Show(u"There is a different version driver in this system.\r\n"
                 u"\r\nThe installed driver have to be removed.",
                 MB_OK | MB_ICONINFORMATION);
    std::u16string command = u".\\" + LoadInstallerString(IDS_UNINSTALLER) + u" /u";
    if (command.size() > 511) command.resize(511);
    // The command goes to the program start in the ANSI code page.
    char ansi[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, ansi, sizeof ansi - 1, nullptr, nullptr);
    WinExec(ansi, SW_SHOW);
    WriteLog(u"CheckDriverVersion : END");
    return FALSE;
}

BOOL CDriverInstaller::PrinterDrvExist(std::u16string_view driverName) {
    WriteLog(u"\r\n");
    WriteLog(u"PrinterDrvExist BEGIN");
    StepMessage(u"Checking existing drivers...\r\n");
    m_clock.Sleep(250);

    auto notFound = [&] {
        WriteLog(u"%s PRINTER DRIVER DOES NOT EXIST.", driverName);
        WriteLog(u"PrinterDrvExist END");
        return FALSE;
    };
    std::vector<plat::DriverInfo> drivers;
    if (!plat::EnumDrivers({}, drivers)) {
        if (GetLastError() != RPC_S_SERVER_UNAVAILABLE) return notFound();
        StartSpooler(CheckOS(), m_clock);
        if (!plat::EnumDrivers({}, drivers)) return notFound();
    }
    for (const auto& d : drivers) {
        if (d.name == driverName) {
            WriteLog(u"%s PRINTER DRIVER EXISTS.", driverName);
            WriteLog(u"PrinterDrvExist END");
            return TRUE;
        }
    }
    return notFound();
}

BOOL PrinterPortExist(std::u16string_view portName) {
    WriteLog(u"\r\n");
    WriteLog(u"PrinterPortExist : BEGIN");
    std::vector<plat::PortInfo2> ports;
    if (!plat::EnumPortsLevel2(ports))
        WriteLog(u"PrinterPortExist : EnumPorts failed with (%d)", GetLastError());
    BOOL exists = FALSE;
    for (const auto& p : ports) {
        WriteLog(u"PrinterPortExist : pPortInfo2->pPortName = %s", p.portName);
        WriteLog(u"PrinterPortExist : pPortInfo2->pMonitorName = %s", p.monitorName);
        WriteLog(u"PrinterPortExist : pPortInfo2->pDescription = %s", p.description);
        WriteLog(u"PrinterPortExist : pPortInfo2->fPortType = %d", p.portType);
        if (p.portName == portName) {
            WriteLog(u"PrinterPortExist : %s PORT EXISTS.", portName);
            exists = TRUE;
            break;
        }
    }
    WriteLog(u"PrinterPortExist : END");
    return exists;
}

BOOL CDriverInstaller::INFFileExist(std::u16string_view sectionName, std::u16string_view keyName) {
    WriteLog(u"\r\n");
    WriteLog(u"INFFileExist BEGIN");
    std::u16string section(sectionName);
    if (m_bWow64) section += u".NTamd64";
    WriteLog(u"SECTION NAME : %s", section);
    std::u16string key(keyName);
    if (key.size() > 511) key.resize(511);
    WriteLog(u"KEY NAME : %s", key);

    DWORD size = 0;
    if (!SetupGetInfFileListW(nullptr, INF_STYLE_WIN4, nullptr, 0, &size)) {
        WriteLog(u"SetupGetInfFileList failed (%d)", GetLastError());
        return FALSE;
    }
    std::vector<char16_t> list(size + 1, 0);
    if (!SetupGetInfFileListW(nullptr, INF_STYLE_WIN4, list.data(), size, &size)) {
        WriteLog(u"SetupGetInfFileList failed (%d)", GetLastError());
        return FALSE;
    }
    BOOL found = FALSE;
    for (const char16_t* name = list.data(); *name; name += std::u16string_view(name).size() + 1) {
        const std::u16string_view n(name);
        if (n.find(u"oem") == std::u16string_view::npos && n.find(u"OEM") == std::u16string_view::npos)
            continue;
        HINF inf = SetupOpenInfFileW(name, nullptr, INF_STYLE_OLDNT | INF_STYLE_WIN4, nullptr);
        if (inf == INVALID_HANDLE_VALUE) continue;
        INFCONTEXT context{};
        found = SetupFindFirstLineW(inf, section.c_str(), key.c_str(), &context);
        SetupCloseInfFile(inf);
        if (found) {
            WriteLog(u"OEM FILE NAME : %s", n);
            WriteLog(u"End Loop. (break)");
            break;
        }
    }
    WriteLog(u"delete[] pchReturnBuffer");
    WriteLog(u"INFFileExist END");
    return found;
}

}  // namespace installer
