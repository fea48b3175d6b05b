// The installation engine: the string-table values and the state of one
// installation run, the step messages that report progress, and every operation
// the run performs on the machine.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "installer/ops/UserInterface.h"
#include "platform/Win32Types.h"

namespace installer {

// Port types: 0..17 COM1..COM18, 18 USB, 19 network.
constexpr int PORT_TYPE_USB = 18;
constexpr int PORT_TYPE_NETWORK = 19;

// Result codes of CDriverVersion::CheckDriverVersion.
constexpr int OLDER_DRIVER = 0;
constexpr int NEWER_DRIVER = 1;
constexpr int NO_DRIVER = 2;
constexpr int EQUAL_DRIVER = 3;

constexpr size_t PORT_DATA_1_SIZE = 964;

// The "Standard TCP/IP Port" monitor's PORT_DATA_1 record for an address and port.
std::array<BYTE, PORT_DATA_1_SIZE> BuildPortData1(std::u16string_view ipAddress,
                                                  int nPortNumber);

// The port name for a port type: "COM1".."COM18", "IP_" + address, "" for USB.
std::u16string PortNameForType(int nPortType, std::u16string_view ipAddress);

// The printer-setup command line for a port type (" /u" appended when the driver
// already exists).
std::u16string BuildPrinterSetupCommand(int nPortType, std::u16string_view printerName,
                                        std::u16string_view infPath,
                                        std::u16string_view portName, bool driverExists);

// Nonzero when the spooler knows a port of exactly this name.
BOOL PrinterPortExist(std::u16string_view portName);

// Removes every USB device node whose hardware id starts with the first 21
// characters of hardwareId (case-insensitive); nonzero when the scan ended normally.
BOOL RemoveUsbDevices(std::u16string_view hardwareId);

// Deletes a folder with all its content (failures ignored).
void DeleteDirectoryTree(std::u16string_view path);

class CDriverInstaller {
public:
    // Loads the strings, asks IsWow64 and CheckOS and logs the source folder.
    CDriverInstaller(IMessageBoxes& boxes, IClock& clock);

    // Connects the progress display (the dialog's message text and progress bar).
    void Connect(IStepMessageSink* sink) { m_pSink = sink; }

    // Step message: text, one progress step, refresh. Final message: bar at 100.
    void StepMessage(std::u16string_view text);
    void FinalMessage(std::u16string_view text);

    // File operations.
    BOOL CopyINFFile();
    void CopyFilesToDest(std::u16string_view source, std::u16string_view destination);
    void CopyAllFilesToTargetDirectory(std::u16string_view source, std::u16string_view target);
    void CopyFilesOfUtilities();
    BOOL CreateDirectoryWithSA(std::u16string_view path);

    // Network port.
    BOOL AddEthernetPort(int nPortNumber, std::u16string_view ipAddress);

    // Existing driver and version.
    BOOL CheckDriverVersion();
    BOOL PrinterDrvExist(std::u16string_view driverName);
    BOOL INFFileExist(std::u16string_view sectionName, std::u16string_view keyName);

    // Clean-up and registration.
    void DeleteVidPid();
    void DeletePrnDrvPnPDirectory();
    void Delete_USB_Info();
    BOOL ScanForHardwareChanges();
    void RegisterUninstallInfo();

    // The installation run; returns 1.
    int InstallUsingCmdPrompt(int nPortType, BOOL bInteractive);

    // State of the run (read by the dialog and by tests).
    std::u16string m_strMfgName;
    std::u16string m_strInfFile;
    std::u16string m_strPrinterName;
    std::u16string m_strIPAddress;
    std::u16string m_strSourceDir;
    BOOL m_bWow64 = FALSE;
    int m_nOSVersion = 0;
    int m_nPortNumber = 0;

private:
    IMessageBoxes& m_boxes;
    IClock& m_clock;
    IStepMessageSink* m_pSink = nullptr;
};

}  // namespace installer
