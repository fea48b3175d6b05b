// Setup services of the stand-in machine: the INF store (OEM INF registration as
// C:\Windows\INF\oemNN.inf, the INF file list, opening an INF and finding lines),
// device nodes (the device set of an enumerator, hardware ids, removal) and device
// re-enumeration.
// INF files follow the usual rules: [Section] headers, "key = value, value" lines,
// ';' comments, '\' continuation lines, quoted fields and %string% substitution from
// [Strings]. Section and key names are compared without regard to case.
// Device nodes are the keys HKLM\SYSTEM\CurrentControlSet\Enum\<enumerator>\<device>\<instance>
// with "HardwareID" (multi-string), "DeviceDesc", "Mfg" and, for this platform,
// "MktPresent" (1 when the device is plugged in).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Win32Types.h"

using HINF = void*;
using HDEVINFO = void*;
using DEVINST = DWORD;
using CONFIGRET = DWORD;

constexpr DWORD SP_COPY_REPLACEONLY = 0x0000002;
constexpr DWORD SP_COPY_NOOVERWRITE = 0x0000008;
constexpr DWORD SPOST_NONE = 0;
constexpr DWORD SPOST_PATH = 1;
constexpr DWORD INF_STYLE_NONE = 0x0;
constexpr DWORD INF_STYLE_OLDNT = 0x1;
constexpr DWORD INF_STYLE_WIN4 = 0x2;
constexpr DWORD DIGCF_PRESENT = 0x2;
constexpr DWORD DIGCF_ALLCLASSES = 0x4;
constexpr DWORD SPDRP_DEVICEDESC = 0x0;
constexpr DWORD SPDRP_HARDWAREID = 0x1;
constexpr DWORD SPDRP_MFG = 0xB;
constexpr DWORD SPDRP_ENUMERATOR_NAME = 0x16;
constexpr DWORD CM_LOCATE_DEVNODE_NORMAL = 0;
constexpr DWORD CM_REENUMERATE_NORMAL = 0;
constexpr CONFIGRET CR_SUCCESS = 0;
constexpr CONFIGRET CR_FAILURE = 0x13;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;

constexpr DWORD ERROR_EXPECTED_SECTION_NAME = 0xE0000000;
constexpr DWORD ERROR_SECTION_NOT_FOUND = 0xE0000101;
constexpr DWORD ERROR_LINE_NOT_FOUND = 0xE0000102;
constexpr DWORD ERROR_WRONG_INF_STYLE = 0xE0000100;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;

struct INFCONTEXT {
    void* Inf;
    void* CurrentInf;
    UINT Section;
    UINT Line;
};

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    BYTE ClassGuid[16];
    DWORD DevInst;
    ULONG_PTR Reserved;
};

// Registers an INF in the store. SPOST_PATH only. The store holds each INF once:
// a source whose bytes equal a registered oemNN.inf is that registration. With
// SP_COPY_NOOVERWRITE an INF already registered fails with ERROR_FILE_EXISTS (the
// existing name is still returned); with SP_COPY_REPLACEONLY an INF not yet
// registered fails with ERROR_FILE_NOT_FOUND. A new registration takes the lowest
// free number. DestinationInfFileName receives the full Windows path
// (e.g. "C:\Windows\INF\oem0.inf"); too small a buffer: ERROR_INSUFFICIENT_BUFFER.
// A file that is not an INF (no [Version] signature): ERROR_WRONG_INF_STYLE.
BOOL SetupCopyOEMInfW(LPCWSTR SourceInfFileName, LPCWSTR OEMSourceMediaLocation,
                      DWORD OEMSourceMediaType, DWORD CopyStyle,
                      LPWSTR DestinationInfFileName, DWORD DestinationInfFileNameSize,
                      DWORD* RequiredSize, LPWSTR* DestinationInfFileNameComponent);

// Removes a registered OEM INF (a name like "oem3.inf" or its full path in the INF
// folder). Names that are not oemNN.inf give ERROR_INVALID_PARAMETER.
BOOL SetupUninstallOEMInfW(LPCWSTR InfFileName, DWORD Flags, void* Reserved);

// Names (without folder) of the INF files of DirectoryPath (null: the INF folder)
// of the requested styles, as a list of terminated strings ended by a second zero.
// Sizes in characters; too small a buffer: ERROR_INSUFFICIENT_BUFFER.
BOOL SetupGetInfFileListW(LPCWSTR DirectoryPath, DWORD InfStyle, LPWSTR ReturnBuffer,
                          DWORD ReturnBufferSize, DWORD* RequiredSize);

// Opens an INF; a name without a folder is looked for in the INF folder.
// INVALID_HANDLE_VALUE on failure (ERROR_FILE_NOT_FOUND, ERROR_WRONG_INF_STYLE).
HINF SetupOpenInfFileW(LPCWSTR FileName, LPCWSTR InfClass, DWORD InfStyle, UINT* ErrorLine);
void SetupCloseInfFile(HINF InfHandle);

// First line of a section (with the key, when Key is not null).
// ERROR_SECTION_NOT_FOUND / ERROR_LINE_NOT_FOUND.
BOOL SetupFindFirstLineW(HINF InfHandle, LPCWSTR Section, LPCWSTR Key, INFCONTEXT* Context);
BOOL SetupFindNextLine(const INFCONTEXT* ContextIn, INFCONTEXT* ContextOut);

// Field FieldIndex of a line (0 = the key), strings substituted. Sizes in characters.
BOOL SetupGetStringFieldW(const INFCONTEXT* Context, DWORD FieldIndex, LPWSTR ReturnBuffer,
                          DWORD ReturnBufferSize, DWORD* RequiredSize);

// Device set of an enumerator (e.g. u"USB"); ClassGuid must be null with
// DIGCF_ALLCLASSES. DIGCF_PRESENT keeps only plugged-in devices.
HDEVINFO SetupDiGetClassDevsW(const void* ClassGuid, LPCWSTR Enumerator, HWND hwndParent,
                              DWORD Flags);
BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                           SP_DEVINFO_DATA* DeviceInfoData);
// SPDRP_HARDWAREID (REG_MULTI_SZ), SPDRP_DEVICEDESC, SPDRP_MFG, SPDRP_ENUMERATOR_NAME.
// Too small a buffer: ERROR_INSUFFICIENT_BUFFER with *RequiredSize set.
BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
                                       DWORD Property, DWORD* PropertyRegDataType,
                                       BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                       DWORD* RequiredSize);
// Removes the device node from the machine.
BOOL SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet);

// The root device node and its re-enumeration (counted under
// HKLM\SYSTEM\MktStandIn\PnP, value "Reenumerations").
CONFIGRET CM_Locate_DevNodeW(DEVINST* pdnDevInst, LPCWSTR pDeviceID, ULONG ulFlags);
CONFIGRET CM_Reenumerate_DevNode(DEVINST dnDevInst, ULONG ulFlags);

namespace plat {

// Adds a device node (tests, set-up).
void AddDeviceNode(std::u16string_view enumerator, std::u16string_view deviceId,
                   std::u16string_view instance, const std::vector<std::u16string>& hardwareIds,
                   bool present);

// Folder of the INF store, e.g. "C:\Windows\INF".
std::u16string InfFolder();

}  // namespace plat
