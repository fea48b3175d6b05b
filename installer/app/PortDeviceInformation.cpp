// The serial-device listing written to the log when a COM button is clicked. The
// stand-in machine keeps no device classes, driver lists or device keys: the listing
// covers the present devices with their enumerator names, and the driver list of
// each device is empty.
#include <vector>

#include "installer/app/InstallerLog.h"
#include "installer/app/PortDialog.h"
#include "platform/LastError.h"

namespace installer {

namespace {
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED_CODE = 120;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER_CODE = 122;
}  // namespace

void CPort_Dlg::PrintDeviceInformation() {
    WriteLog(u"PrintDeviceInformation : START");
    HDEVINFO hDevInfo =
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (hDevInfo == INVALID_HANDLE_VALUE) {
        WriteLog(u"PrintDeviceInformation : SetupDiGetClassDevs failed with (%d)",
                 static_cast<int>(GetLastError()));
        return;
    }
    SP_DEVINFO_DATA devInfo{};
    devInfo.cbSize = sizeof(devInfo);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hDevInfo, i, &devInfo); ++i) {
        WriteLog(u"PrintDeviceInformation : SetupDiOpenDevRegKey failed with (%d)",
                 static_cast<int>(ERROR_CALL_NOT_IMPLEMENTED_CODE));
        std::vector<BYTE> buffer(2);
        DWORD required = 0, type = 0;
        while (!SetupDiGetDeviceRegistryPropertyW(hDevInfo, &devInfo, SPDRP_ENUMERATOR_NAME, &type,
                                                  buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  &required)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER_CODE || required <= buffer.size()) break;
            buffer.assign(required, 0);
        }
        std::u16string name;
        for (size_t b = 0; b + 1 < buffer.size(); b += 2) {
            const char16_t c = static_cast<char16_t>(buffer[b] | (buffer[b + 1] << 8));
            if (c == 0) break;
            name.push_back(c);
        }
        WriteLog(u"PrintDeviceInformation : SPDRP_ENUMERATOR_NAME = [%s]", name);
        PrintDriverInformation(hDevInfo, &devInfo);
    }
    SetupDiDestroyDeviceInfoList(hDevInfo);
}

void CPort_Dlg::PrintDriverInformation(HDEVINFO, SP_DEVINFO_DATA*) {
    WriteLog(u"PrintDriverInformation : START");
    const DWORD dwIndex = 0;  // no compatible-driver list on this machine
    WriteLog(u"PrintDriverInformation : dwIndex = %d", static_cast<int>(dwIndex));
    WriteLog(u"PrintDriverInformation : END");
}

}  // namespace installer
