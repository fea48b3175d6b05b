#include "installer/app/PortDialog.h"

#include <string>

#include "installer/app/InstallMode.h"
#include "installer/app/InstallerLog.h"
#include "installer/app/SettingsFile.h"
#include "installer/ops/StringTable.h"
#include "platform/MachineRoot.h"

namespace installer {

namespace {

constexpr UINT MB_ICONEXCLAMATION = 0x30;

std::u16string FormatAddress(const std::array<int, 4>& octets) {
    std::u16string out;
    for (size_t i = 0; i < octets.size(); ++i) {
        if (i) out += u'.';
        out += plat::FromUtf8(std::to_string(octets[i]));
    }
    return out;
}

std::u16string SettingsValue(const char16_t* key) {
    std::array<char16_t, 256> buffer{};
    if (GetDriverInfoFromFile(key, buffer.data(), static_cast<DWORD>(buffer.size())) == nullptr)
        return {};
    return std::u16string(buffer.data());
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

std::u16string TrimBlanks(std::u16string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::u16string(text.substr(b, e - b));
}

BOOL ParseDialogInteger(std::u16string_view text, int& value) {
    const std::u16string t = TrimBlanks(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
    if (i == t.size()) return FALSE;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') return FALSE;
        v = v * 10 + (t[i] - u'0');
        if (v > 0x80000000LL) return FALSE;
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFLL || v < -0x80000000LL) return FALSE;
    value = static_cast<int>(v);
    return TRUE;
}

int RadioControlId(int index) {
    if (index >= 0 && index <= 16) return IDC_RADIO_COM1 + index;
    if (index == 17) return IDC_RADIO_COM18;
    if (index == 18) return IDC_RADIO_USB;
    if (index == 19) return IDC_RADIO_WLAN;
    return 0;
}

std::u16string RadioCaption(int index) {
    if (index >= 0 && index <= 17) return u"COM" + plat::FromUtf8(std::to_string(index + 1));
    if (index == 18) return u"USB";
    if (index == 19) return u"Wireless LAN";
    return {};
}

CPort_Dlg::CPort_Dlg(std::vector<std::u16string> args, IMessageBoxes& boxes)
    : m_args(std::move(args)), m_boxes(boxes) {}

BOOL CPort_Dlg::UpdateData(BOOL bSaveAndValidate) {
    if (!bSaveAndValidate) {
        m_controls.nCheckedRadio = m_nPort_Type >= 0 && m_nPort_Type < RADIO_COUNT ? m_nPort_Type : -1;
        m_controls.strPortNumber = plat::FromUtf8(std::to_string(m_nPortNumber));
        return TRUE;
    }
    // The radio group, validated to 0..100; then the port number, 0..10000.
    const int nRadio = m_controls.nCheckedRadio;
    if (nRadio < 0 || nRadio > 100) {
        m_boxes.Show(u"Please enter an integer between 0 and 100.", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_nPort_Type = nRadio;
    int nPortNumber = 0;
    if (!ParseDialogInteger(m_controls.strPortNumber, nPortNumber)) {
        m_boxes.Show(u"Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (nPortNumber < 0 || nPortNumber > 10000) {
        m_boxes.Show(u"Please enter an integer between 0 and 10000.", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_nPortNumber = nPortNumber;
    return TRUE;
}

void CPort_Dlg::InitNetworkSettings(std::u16string strIPAddress, std::u16string strPortNumber) {
    strIPAddress = TrimBlanks(strIPAddress);
    strPortNumber = TrimBlanks(strPortNumber);

    if (!strPortNumber.empty()) {
        m_nPortNumber = DecimalValue(strPortNumber);
    } else {
        const std::u16string value = SettingsValue(u"PORT_NUMBER");
        if (!value.empty()) m_nPortNumber = DecimalValue(value);
    }
    if (m_nPortNumber <= 0) m_nPortNumber = 9100;

    if (strIPAddress.empty()) strIPAddress = SettingsValue(u"IP_ADDRESS");

    std::array<int, 4> octets{};
    size_t taken = 0, pos = 0;
    while (taken < octets.size() && pos < strIPAddress.size()) {
        while (pos < strIPAddress.size() && strIPAddress[pos] == u'.') ++pos;
        if (pos >= strIPAddress.size()) break;
        const size_t end = strIPAddress.find(u'.', pos);
        const std::u16string token =
            strIPAddress.substr(pos, end == std::u16string::npos ? std::u16string::npos : end - pos);
        const int v = DecimalValue(token);
        octets[taken++] = (v < 0 || v > 255) ? 0 : v;
        pos = end == std::u16string::npos ? strIPAddress.size() : end;
    }
    m_strIPAddress = FormatAddress(octets);
    m_controls.ipFields = octets;
}

BOOL CPort_Dlg::OnInitDialog() {
    m_nPort_Type = 0;
    m_nPortNumber = 9100;
    WriteLog(u"CPort_Dlg::OnInitDialog : START");
    WriteLog(u"CPort_Dlg::OnInitDialog : __argc = %d", static_cast<int>(m_args.size()));
    std::u16string strPort, strIP, strPortNumber;
    for (size_t i = 0; i < m_args.size(); ++i) {
        WriteLog(u"CPort_Dlg::OnInitDialog : __targv[%d] = %s", static_cast<int>(i), m_args[i]);
        if (i == 2) strPort = m_args[i];
        if (i == 3) strIP = m_args[i];
        if (i == 4) strPortNumber = m_args[i];
    }
    InitNetworkSettings(strIP, strPortNumber);

    if (strPort.empty()) strPort = SettingsValue(u"PORT");
    if (!strPort.empty()) {
        strPort = ToUpperAscii(TrimBlanks(strPort));
        if (strPort.starts_with(u"COM")) {
            const std::u16string strPortNumberText = strPort.substr(3);
            const int n = DecimalValue(strPortNumberText);
            WriteLog(u"CPort_Dlg::OnInitDialog : strPortNumber = %s", strPortNumberText);
            WriteLog(u"CPort_Dlg::OnInitDialog : nPortNumber = %d", n);
            m_nPort_Type = (n >= 1 && n <= 18) ? n - 1 : 0;
        } else if (strPort.starts_with(u"USB")) {
            m_nPort_Type = 18;
        } else if (strPort.starts_with(u"WLAN") || strPort.starts_with(u"ETHERNET")) {
            m_nPort_Type = 19;
        } else {
            m_nPort_Type = 18;
        }
    }
    m_controls.bNetworkEnabled = m_nPort_Type == 19 ? TRUE : FALSE;
    UpdateData(FALSE);
    WriteLog(u"CPort_Dlg::OnInitDialog : END");
    return TRUE;
}

void CPort_Dlg::ReadAddressControl() { m_strIPAddress = FormatAddress(m_controls.ipFields); }

void CPort_Dlg::OnBnClickedRadio() {
    UpdateData(TRUE);
    WriteLog(u"CPort_Dlg::OnBnClickedRadio : START");
    WriteLog(u"CPort_Dlg::OnBnClickedRadio : m_nPort_Type = %d", m_nPort_Type);
    ReadAddressControl();
    WriteLog(u"CPort_Dlg::OnBnClickedRadio :IP ADDRESS = %s", m_strIPAddress);
    WriteLog(u"CPort_Dlg::OnBnClickedRadio :PORT NUMBER = %d", m_nPortNumber);
    if (m_nPort_Type >= 0 && m_nPort_Type <= 18) m_controls.bNetworkEnabled = FALSE;
    else if (m_nPort_Type == 19) m_controls.bNetworkEnabled = TRUE;
    UpdateData(FALSE);
    if (m_nPort_Type >= 0 && m_nPort_Type <= 17) PrintDeviceInformation();
    WriteLog(u"CPort_Dlg::OnBnClickedRadio : END");
}

BOOL CPort_Dlg::OnBnClickedNext() {
    // A value the data exchange refuses keeps the dialog open after one range message
    // (rather than the same message once more from the OK path).
    if (!UpdateData(TRUE)) return FALSE;
    WriteLog(u"CPort_Dlg::OnBnClickedNext : START");
    ReadAddressControl();
    WriteLog(u"CPort_Dlg::OnBnClickedNext :IP ADDRESS : %s", m_strIPAddress);
    WriteLog(u"CPort_Dlg::OnBnClickedNext :PORT NUMBER : %d", m_nPortNumber);
    UpdateData(FALSE);
    WriteLog(u"CPort_Dlg::OnBnClickedNext : END");
    return UpdateData(TRUE);
}

}  // namespace installer
