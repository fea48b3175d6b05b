// The network port: a "Standard TCP/IP Port" created through the monitor's
// configuration channel with a PORT_DATA_1 record.
#include <algorithm>

#include "installer/app/InstallerLog.h"
#include "installer/ops/DriverInstaller.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Spooler.h"

namespace installer {

namespace {

constexpr size_t kPortNameOffset = 0, kPortNameChars = 64;
constexpr size_t kVersionOffset = 128;
constexpr size_t kProtocolOffset = 132;
constexpr size_t kSizeOffset = 136;
constexpr size_t kHostOffset = 144, kHostChars = 49;
constexpr size_t kCommunityOffset = 242, kCommunityChars = 33;
constexpr size_t kPortNumberOffset = 952;
constexpr size_t kSnmpEnabledOffset = 956;
constexpr size_t kSnmpIndexOffset = 960;
constexpr DWORD kProtocolRaw = 1;

// Copies text into a zero-terminated UTF-16LE field of `chars` characters, cut to fit.
void PutText(std::array<BYTE, PORT_DATA_1_SIZE>& rec, size_t offset, size_t chars,
             std::u16string_view text) {
    const size_t n = std::min(text.size(), chars - 1);
    for (size_t i = 0; i < n; ++i) {
        rec[offset + 2 * i] = static_cast<BYTE>(text[i] & 0xFF);
        rec[offset + 2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
    }
}

void PutDword(std::array<BYTE, PORT_DATA_1_SIZE>& rec, size_t offset, DWORD v) {
    rec[offset] = static_cast<BYTE>(v);
    rec[offset + 1] = static_cast<BYTE>(v >> 8);
    rec[offset + 2] = static_cast<BYTE>(v >> 16);
    rec[offset + 3] = static_cast<BYTE>(v >> 24);
}

std::u16string FieldText(const std::array<BYTE, PORT_DATA_1_SIZE>& rec, size_t offset,
                         size_t chars) {
    std::u16string s;
    for (size_t i = 0; i < chars; ++i) {
        const char16_t c =
            static_cast<char16_t>(rec[offset + 2 * i] | (rec[offset + 2 * i + 1] << 8));
        if (!c) break;
        s.push_back(c);
    }
    return s;
}

}  // namespace

std::array<BYTE, PORT_DATA_1_SIZE> BuildPortData1(std::u16string_view ipAddress,
                                                  int nPortNumber) {
    std::array<BYTE, PORT_DATA_1_SIZE> rec{};
    PutText(rec, kPortNameOffset, kPortNameChars, u"IP_" + std::u16string(ipAddress));
    PutDword(rec, kVersionOffset, 1);
    PutDword(rec, kProtocolOffset, kProtocolRaw);
    PutDword(rec, kSizeOffset, static_cast<DWORD>(PORT_DATA_1_SIZE));
    PutText(rec, kHostOffset, kHostChars, ipAddress);
    PutText(rec, kCommunityOffset, kCommunityChars, u"zovave");
    PutDword(rec, kPortNumberOffset, static_cast<DWORD>(nPortNumber));
    PutDword(rec, kSnmpEnabledOffset, 0);
    PutDword(rec, kSnmpIndexOffset, 1);
    return rec;
}

BOOL CDriverInstaller::AddEthernetPort(int nPortNumber, std::u16string_view ipAddress) {
    WriteLog(u"\r\n");
    WriteLog(u"AddEthernetPort BEGIN");
    m_strIPAddress = ipAddress;
    m_nPortNumber = nPortNumber;
    WriteLog(u"IP ADDRESS : %s", m_strIPAddress);
    WriteLog(u"PORT NUMBER : %d", m_nPortNumber);

    const std::array<BYTE, PORT_DATA_1_SIZE> input = BuildPortData1(m_strIPAddress, m_nPortNumber);
    std::array<BYTE, PORT_DATA_1_SIZE> output{};
    WriteLog(u"pData.sztPortName : %s", FieldText(input, kPortNameOffset, kPortNameChars));
    WriteLog(u"pData.sztHostAddress : %s", FieldText(input, kHostOffset, kHostChars));
    WriteLog(u"pData.sztSNMPCommunity : %s",
             FieldText(input, kCommunityOffset, kCommunityChars));

    BOOL result = FALSE;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    PrinterHandle monitor;
    if (!OpenPrinterW(u",XcvMonitor Standard TCP/IP Port", monitor.put(), &defaults)) {
        WriteLog(u"OpenPrinter failed. (%d)", GetLastError());
    } else {
        DWORD needed = 0, status = 0;
        result = XcvDataW(monitor.get(), u"AddPort", input.data(), PORT_DATA_1_SIZE,
                          output.data(), PORT_DATA_1_SIZE, &needed, &status);
        if (result) WriteLog(u"XcvData succeeded.");
        else WriteLog(u"XcvData failed. (%d)", GetLastError());
        monitor.reset();
    }
    WriteLog(u"AddEthernetPort END");
    return result;
}

}  // namespace installer
