// The port selection dialog (template 130) without its drawing: the fields, the
// state of its controls, the data exchange with range validation and the handlers.
// A window (or a test) shows `m_controls`, copies what the user did back into them
// and calls the handlers; the hidden use only runs OnInitDialog.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "installer/ops/UserInterface.h"
#include "platform/SetupApi.h"
#include "platform/Win32Types.h"

namespace installer {

constexpr int IDD_PORT_DLG = 130;
constexpr int IDC_RADIO_COM1 = 1017;     // first of the group (radio index 0)
constexpr int IDC_RADIO_COM18 = 1037;    // radio index 17
constexpr int IDC_RADIO_USB = 1034;      // radio index 18
constexpr int IDC_RADIO_WLAN = 1038;     // radio index 19
constexpr int IDC_IPADDRESS = 1039;
constexpr int IDC_EDIT_PORT_NUMBER = 1040;
constexpr int RADIO_COUNT = 20;

// Control id of a radio index (the ids are not in index order).
int RadioControlId(int index);
// Caption of a radio index: "COM1".."COM18", "USB", "Wireless LAN".
std::u16string RadioCaption(int index);

// What the controls show.
struct PortDialogControls {
    int nCheckedRadio = -1;                 // radio index, -1 when none is checked
    std::array<int, 4> ipFields{};          // the IP-address control's four fields
    std::u16string strPortNumber;           // edit 1040
    BOOL bNetworkEnabled = FALSE;           // IP-address control and edit 1040
};

class CPort_Dlg {
public:
    // args: the program's command line (args[0] the program); boxes show the
    // range messages of the data exchange.
    CPort_Dlg(std::vector<std::u16string> args, IMessageBoxes& boxes);

    BOOL OnInitDialog();
    void InitNetworkSettings(std::u16string strIPAddress, std::u16string strPortNumber);
    // A click on a radio button: the view has checked it in m_controls first.
    void OnBnClickedRadio();
    // "Next" (and Enter): TRUE when the dialog ends with OK.
    BOOL OnBnClickedNext();

    // Data exchange: bSaveAndValidate TRUE copies the controls into the fields and
    // validates (FALSE after showing the range message); FALSE shows the fields.
    BOOL UpdateData(BOOL bSaveAndValidate);

    static void PrintDeviceInformation();
    static void PrintDriverInformation(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDeviceInfoData);

    int m_nPort_Type = 0;
    int m_nPortNumber = 0;
    std::u16string m_strIPAddress;
    PortDialogControls m_controls;

private:
    void ReadAddressControl();

    std::vector<std::u16string> m_args;
    IMessageBoxes& m_boxes;
};

// Decimal conversion as the data exchange parses an integer: blanks, an optional
// sign and digits, nothing else; FALSE when the text is not such a number.
BOOL ParseDialogInteger(std::u16string_view text, int& value);

// Surrounding blanks (space, tab, CR, LF) removed.
std::u16string TrimBlanks(std::u16string_view text);

}  // namespace installer
