// Traces of earlier USB installations: device nodes, plug-and-play driver folders,
// the USB printing enumeration key; and the hardware re-scan after a USB install.
#include <string>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "installer/ops/StringTable.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/SetupApi.h"
#include "platform/Spooler.h"
#include "platform/SystemInfo.h"

namespace installer {

namespace {

constexpr size_t kIdChars = 21;          // "USB\Vid_xxxx&Pid_yyyy"
constexpr DWORD kHardwareIdBytes = 256;

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SamePrefix(std::u16string_view a, std::u16string_view b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = i < a.size() ? a[i] : u'\0';
        const char16_t y = i < b.size() ? b[i] : u'\0';
        if (Fold(x) != Fold(y)) return false;
        if (x == u'\0') return true;
    }
    return true;
}

// Owner of a device information set.
class DeviceSet {
public:
    explicit DeviceSet(HDEVINFO h) : m_h(h) {}
    DeviceSet(const DeviceSet&) = delete;
    DeviceSet& operator=(const DeviceSet&) = delete;
    ~DeviceSet() {
        if (valid()) SetupDiDestroyDeviceInfoList(m_h);
    }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    HDEVINFO get() const { return m_h; }

private:
    HDEVINFO m_h;
};

std::u16string ToLower(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return s;
}

}  // namespace

BOOL RemoveUsbDevices(std::u16string_view hardwareId) {
    const std::u16string id(hardwareId.substr(0, 49));  // 50-character buffer
    DeviceSet devices(SetupDiGetClassDevsW(nullptr, u"USB", nullptr, DIGCF_ALLCLASSES));
    if (!devices.valid()) return FALSE;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(devices.get(), index, &device))
            return GetLastError() == ERROR_NO_MORE_ITEMS ? TRUE : FALSE;
        BYTE buffer[kHardwareIdBytes] = {};
        DWORD type = 0;
        if (!SetupDiGetDeviceRegistryPropertyW(devices.get(), &device, SPDRP_HARDWAREID, &type,
                                               buffer, kHardwareIdBytes, nullptr))
            continue;
        std::u16string deviceId;
        for (DWORD i = 0; i + 1 < kHardwareIdBytes; i += 2) {
            const char16_t c = static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
            if (!c) break;
            deviceId.push_back(c);
        }
        if (!SamePrefix(deviceId, id, kIdChars)) continue;
        if (!SetupDiRemoveDevice(devices.get(), &device)) return FALSE;
        WriteLog(u"SetupDiRemoveDevice : devicename = %s", id);
    }
}

void CDriverInstaller::DeleteVidPid() {
    WriteLog(u"\r\n");
    WriteLog(u"DeleteVidPid BEGIN");
    std::u16string id = u"USB\\" + LoadInstallerString(IDS_VID_PID);
    if (id.size() > 511) id.resize(511);
    RemoveUsbDevices(id);
    WriteLog(u"VID&PID : %s", id);
    WriteLog(u"DeleteVidPid END");
}

void CDriverInstaller::DeletePrnDrvPnPDirectory() {
    WriteLog(u"\r\n");
    WriteLog(u"DeletePrnDrvPnPDirectory BEGIN");
    char16_t folder[256] = {};  // 512 bytes
    DWORD needed = 0;
    if (GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                   sizeof folder, &needed)) {
        const std::u16string base = std::u16string(folder) + u"\\";
        const std::u16string first = LoadInstallerString(IDS_PNP_DRIVER_DIR_1);
        if (!first.empty()) {
            const std::u16string path = base + ToLower(first);
            DeleteDirectoryTree(path);
            WriteLog(u"DIR PATH-1 : %s", path);
        }
        const std::u16string second = LoadInstallerString(IDS_PNP_DRIVER_DIR_2);
        if (!second.empty()) {
            const std::u16string path = base + ToLower(second);
            DeleteDirectoryTree(path);
            WriteLog(u"DIR PATH-2 : %s", path);
        }
    }
    WriteLog(u"DeletePrnDrvPnPDirectory END");
}

void CDriverInstaller::Delete_USB_Info() {
    WriteLog(u"\r\n");
    WriteLog(u"Delete_USB_Info BEGIN");
    std::u16string key = LoadInstallerString(IDS_USBPRINT_ENUM_KEY);
    if (key.size() > 511) key.resize(511);
    if (m_bWow64) {
        LPFN_REGDELETEKEYEXW regDeleteKeyEx = LookupRegDeleteKeyExW();
        const LONG rc = regDeleteKeyEx
                            ? regDeleteKeyEx(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0)
                            : 127;  // ERROR_PROC_NOT_FOUND
        if (rc != ERROR_SUCCESS) WriteLog(u"MyRegDeleteKeyEx failed : %s (%d)", key, rc);
    } else {
        const LONG rc = SHDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
        if (rc != ERROR_SUCCESS) WriteLog(u"SHDeleteKey failed : %s (%d)", key, rc);
    }
    WriteLog(u"Delete_USB_Info END");
}

BOOL CDriverInstaller::ScanForHardwareChanges() {
    WriteLog(u"\r\n");
    WriteLog(u"ScanForHardwareChanges : BEGIN");
    DEVINST root = 0;
    if (CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
        WriteLog(u"ScanForHardwareChanges : CM_Locate_DevNode failed with %d", GetLastError());
        WriteLog(u"ScanForHardwareChanges : END");
        return FALSE;
    }
    if (CM_Reenumerate_DevNode(root, CM_REENUMERATE_NORMAL) != CR_SUCCESS) {
        WriteLog(u"ScanForHardwareChanges : CM_Reenumerate_DevNode failed with %d",
                 GetLastError());
        WriteLog(u"ScanForHardwareChanges : END");
        return FALSE;
    }
    WriteLog(u"ScanForHardwareChanges : END");
    return TRUE;
}

}  // namespace installer
