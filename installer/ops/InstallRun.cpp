// The installation run: the printer-setup utility installs driver and queue from
// the package INF; the INF is registered, the utility files copied, the uninstall
// information recorded.
#include <string>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/PlatformChecks.h"
#include "installer/ops/SpoolerControl.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/SystemPrograms.h"

namespace installer {

namespace {

constexpr DWORD STARTF_FORCEONFEEDBACK = 0x40;
constexpr DWORD kSetupWaitLimit = 120000;

std::u16string Quoted(std::u16string_view s) { return u"\"" + std::u16string(s) + u"\""; }

}  // namespace

std::u16string PortNameForType(int nPortType, std::u16string_view ipAddress) {
    if (nPortType >= 0 && nPortType <= 17) return FormatLogText(u"COM%d", {nPortType + 1});
    if (nPortType == PORT_TYPE_NETWORK) return u"IP_" + std::u16string(ipAddress);
    return {};
}

std::u16string BuildPrinterSetupCommand(int nPortType, std::u16string_view printerName,
                                        std::u16string_view infPath,
                                        std::u16string_view portName, bool driverExists) {
    std::u16string cmd = u"cmd /c RUNDLL32 printui.dll,PrintUIEntry ";
    if (nPortType == PORT_TYPE_USB) {
        cmd += u"/ia /m " + Quoted(printerName) + u" /f " + std::u16string(infPath);
    } else {
        const std::u16string port =
            nPortType == PORT_TYPE_NETWORK ? std::u16string(portName) : std::u16string(portName) + u":";
        cmd += u"/if /b " + Quoted(printerName) + u" /f " + std::u16string(infPath) + u" /r " +
               Quoted(port) + u" /m " + Quoted(printerName);
    }
    if (driverExists) cmd += u" /u";
    return cmd;
}

int CDriverInstaller::InstallUsingCmdPrompt(int nPortType, BOOL bInteractive) {
    WriteLog(u"\r\n");
    WriteLog(u"InstallUsingCmdPrompt START");
    const bool exists = PrinterDrvExist(m_strPrinterName) != FALSE;

    StepMessage(u"Preparing for installation...\r\n");
    m_clock.Sleep(250);
    if (!exists) {
        DeleteVidPid();
        DeletePrnDrvPnPDirectory();
        if (m_nOSVersion < OS_CODE_VISTA) Delete_USB_Info();
    }

    StepMessage(u"Installing printer...\r\n");
    m_clock.Sleep(250);
    const std::u16string port = PortNameForType(nPortType, m_strIPAddress);
    WriteLog(u"InstallUsingCmdPrompt : strPort = %s", port);
    if (nPortType >= 0 && nPortType <= 17 && !PrinterPortExist(port))
        RestartSpooler(m_nOSVersion, m_clock);

    const std::u16string infPath = u".\\" + m_strInfFile;
    if (m_nOSVersion < OS_CODE_VISTA && m_bWow64) CopyFilesToDest(u".\\Driver64\\", u".\\Driver32\\");

    const std::u16string command =
        BuildPrinterSetupCommand(nPortType, m_strPrinterName, infPath, port, exists);
    WriteLog(u"COMMAND LINE : %s\r\n", command);

    StepMessage(u"Creates a new process \r\n");
    m_clock.Sleep(250);

    if (!(nPortType == PORT_TYPE_USB && exists)) {
        if (!exists) CopyFilesOfUtilities();
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
        startup.wShowWindow = SW_HIDE;
        plat::SystemProcess setup;
        if (!setup.Start(command, startup)) {
            WriteLog(u"CreateProcess failed. (%d)", GetLastError());
            if (bInteractive) m_boxes.Show(u"CreateProcess failed.\r\n", MB_OK);
        } else {
            StepMessage(u"The new process is running...\r\n");
            m_clock.Sleep(500);
            StepMessage(u"Waiting until the process has finished processing ...\r\n");
            if (setup.Wait(kSetupWaitLimit) == WAIT_TIMEOUT) WriteLog(u"WAIT_TIMEOUT");
            if (!INFFileExist(m_strMfgName, m_strPrinterName)) CopyINFFile();
        }
    }

    if (!exists) {
        RestartSpooler(m_nOSVersion, m_clock);
        RegisterUninstallInfo();
        FinalMessage(u"The driver has been successfully installed.");
        if (nPortType == PORT_TYPE_USB) {
            if (bInteractive)
                m_boxes.Show(u"Please turn-off the printer and then turn-on again.",
                             MB_OK | MB_ICONINFORMATION);
            ScanForHardwareChanges();
        } else if (bInteractive) {
            const int answer = m_boxes.Show(
                u"Restarting your computer can take effect.\nPlease restart your computer."
                u"\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer "
                u"later.",
                MB_YESNO | MB_ICONQUESTION);
            if (answer == IDYES) {
                WriteLog(u"InstallUsingWin32APIs END");
                RestartComputer();
            }
        }
    } else if (m_nOSVersion < OS_CODE_SERVICE_MANAGER || !StartSpoolerService(m_clock)) {
        RunNetCommand("net start spooler");
        m_clock.Sleep(2000);
    }

    WriteLog(u"InstallUsingCmdPrompt END");
    FinalMessage(u"Completed.");
    RunNetCommand("net start spooler");
    m_clock.Sleep(1000);
    return 1;
}

}  // namespace installer
