// The port dialog's initialisation from the command line and the settings file, its
// enabling rules, its handlers and the range validation of its data exchange.
#include <gtest/gtest.h>

#include "installer/app/PortDialog.h"
#include "tests/installer_ops/InstallerFixture.h"

using installer::CPort_Dlg;

class PortDialogTest : public InstallerMachine {
protected:
    CPort_Dlg Init(std::vector<std::u16string> args) {
        args.insert(args.begin(), u"MKTG450_Installer");
        CPort_Dlg dlg(std::move(args), boxes);
        dlg.OnInitDialog();
        return dlg;
    }
    void RemoveSettingsFile() { fs::remove(package / "MKTG450_Config.VKR"); }
};

TEST_F(PortDialogTest, PortTypeAddressAndNumberFromTheCommandLine) {
    struct Case {
        std::vector<std::u16string> args;
        int type;
        const char16_t* ip;
        int port;
    } cases[] = {
        {{u"/si", u"com3"}, 2, u"0.0.0.0", 9100},
        {{u"/si", u"COM1"}, 0, u"0.0.0.0", 9100},
        {{u"/si", u" COM18 "}, 17, u"0.0.0.0", 9100},
        {{u"/si", u"COM19"}, 0, u"0.0.0.0", 9100},
        {{u"/si", u"COMx"}, 0, u"0.0.0.0", 9100},
        {{u"/si", u"ethernet", u"10.0.0.5", u"9101"}, 19, u"10.0.0.5", 9101},
        {{u"/si", u"wlan", u"10.0.0.6"}, 19, u"10.0.0.6", 9100},
        {{u"/si", u"usb"}, 18, u"0.0.0.0", 9100},
        {{u"/si", u"LPT1"}, 18, u"0.0.0.0", 9100},
        {{u"/si", u"ETHERNET", u"192.168.300.7"}, 19, u"192.168.0.7", 9100},
        {{u"/si", u"ETHERNET", u"10.1"}, 19, u"10.1.0.0", 9100},
        {{u"/si", u"ETHERNET", u"1..2...3.4.5"}, 19, u"1.2.3.4", 9100},
        {{u"/si", u"ETHERNET", u"a.b.1.2"}, 19, u"0.0.1.2", 9100},
        {{u"/si", u"ETHERNET", u"1.2.3.4", u"0"}, 19, u"1.2.3.4", 9100},
        {{u"/si", u"ETHERNET", u"1.2.3.4", u"-5"}, 19, u"1.2.3.4", 9100},
        {{u"/si", u"ETHERNET", u"1.2.3.4", u" 515 "}, 19, u"1.2.3.4", 515},
    };
    RemoveSettingsFile();
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.args[1]) + (c.args.size() > 2 ? " " + U8(c.args[2]) : "") +
                     (c.args.size() > 3 ? " " + U8(c.args[3]) : ""));
        CPort_Dlg dlg = Init(c.args);
        EXPECT_EQ(dlg.m_nPort_Type, c.type);
        EXPECT_EQ(dlg.m_strIPAddress, c.ip);
        EXPECT_EQ(dlg.m_nPortNumber, c.port);
        // The controls show the same values.
        EXPECT_EQ(dlg.m_controls.nCheckedRadio, c.type);
        EXPECT_EQ(dlg.m_controls.strPortNumber, plat::FromUtf8(std::to_string(c.port)));
        // The address fields are enabled only for the network type.
        EXPECT_EQ(dlg.m_controls.bNetworkEnabled, c.type == 19 ? TRUE : FALSE);
    }
}

TEST_F(PortDialogTest, SettingsFileFillsWhatTheCommandLineLeavesOut) {
    // The package's settings file: PORT=ETHERNET, IP_ADDRESS=192.168.0.50, PORT_NUMBER=9100.
    CPort_Dlg fromFile = Init({u"/si"});
    EXPECT_EQ(fromFile.m_nPort_Type, 19);
    EXPECT_EQ(fromFile.m_strIPAddress, u"192.168.0.50");
    EXPECT_EQ(fromFile.m_nPortNumber, 9100);
    EXPECT_EQ(fromFile.m_controls.ipFields, (std::array<int, 4>{192, 168, 0, 50}));
    EXPECT_TRUE(fromFile.m_controls.bNetworkEnabled);

    // The command line wins over the file, field by field.
    CPort_Dlg mixed = Init({u"/si", u"COM2", u"", u"7000"});
    EXPECT_EQ(mixed.m_nPort_Type, 1);
    EXPECT_EQ(mixed.m_strIPAddress, u"192.168.0.50");
    EXPECT_EQ(mixed.m_nPortNumber, 7000);
    EXPECT_FALSE(mixed.m_controls.bNetworkEnabled);
}

TEST_F(PortDialogTest, NoSettingsFileAndNoArgumentsGiveCom1) {
    RemoveSettingsFile();
    CPort_Dlg dlg = Init({});
    EXPECT_EQ(dlg.m_nPort_Type, 0);
    EXPECT_EQ(dlg.m_strIPAddress, u"0.0.0.0");
    EXPECT_EQ(dlg.m_nPortNumber, 9100);
    EXPECT_FALSE(dlg.m_controls.bNetworkEnabled);
}

TEST_F(PortDialogTest, InitialisationLogsEveryArgument) {
    Init({u"/si", u"com3"});
    std::vector<std::u16string> lines;
    for (const auto& m : LogMessages())
        if (m.starts_with(u"CPort_Dlg::")) lines.push_back(m);
    const std::vector<std::u16string> expected = {
        u"CPort_Dlg::OnInitDialog : START",
        u"CPort_Dlg::OnInitDialog : __argc = 3",
        u"CPort_Dlg::OnInitDialog : __targv[0] = MKTG450_Installer",
        u"CPort_Dlg::OnInitDialog : __targv[1] = /si",
        u"CPort_Dlg::OnInitDialog : __targv[2] = com3",
        u"CPort_Dlg::OnInitDialog : strPortNumber = 3",
        u"CPort_Dlg::OnInitDialog : nPortNumber = 3",
        u"CPort_Dlg::OnInitDialog : END",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(PortDialogTest, RadioClicksEnableTheAddressFieldsOnlyForTheNetwork) {
    RemoveSettingsFile();
    CPort_Dlg dlg = Init({u"/x", u"COM3"});
    ASSERT_FALSE(dlg.m_controls.bNetworkEnabled);

    installer::OpenInstallerLog();
    dlg.m_controls.nCheckedRadio = 19;
    dlg.m_controls.ipFields = {10, 0, 0, 7};
    dlg.OnBnClickedRadio();
    EXPECT_EQ(dlg.m_nPort_Type, 19);
    EXPECT_TRUE(dlg.m_controls.bNetworkEnabled);
    EXPECT_EQ(dlg.m_strIPAddress, u"10.0.0.7");
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedRadio : m_nPort_Type = 19"));
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedRadio :IP ADDRESS = 10.0.0.7"));
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedRadio :PORT NUMBER = 9100"));
    // USB and the network do not list the serial devices.
    EXPECT_FALSE(Logged(u"PrintDeviceInformation : START"));

    dlg.m_controls.nCheckedRadio = 18;
    dlg.OnBnClickedRadio();
    EXPECT_FALSE(dlg.m_controls.bNetworkEnabled);
    EXPECT_FALSE(Logged(u"PrintDeviceInformation : START"));

    dlg.m_controls.nCheckedRadio = 5;
    dlg.OnBnClickedRadio();
    EXPECT_EQ(dlg.m_nPort_Type, 5);
    EXPECT_FALSE(dlg.m_controls.bNetworkEnabled);
    // A serial port appends the device listing, inside the handler's lines.
    const size_t start = IndexOf(u"PrintDeviceInformation : START");
    ASSERT_NE(start, std::string::npos);
    const size_t end = IndexOf(u"CPort_Dlg::OnBnClickedRadio : END", start);
    EXPECT_NE(end, std::string::npos);
}

TEST_F(PortDialogTest, DeviceListingNamesThePresentDevices) {
    plat::AddDeviceNode(u"ACPI", u"PNP0501", u"1", {u"ACPI\\PNP0501"}, true);
    plat::AddDeviceNode(u"USB", u"VID_1234&PID_0001", u"2", {u"USB\\VID_1234&PID_0001"}, false);
    installer::OpenInstallerLog();
    CPort_Dlg::PrintDeviceInformation();
    EXPECT_EQ(CountLogged(u"PrintDeviceInformation : SPDRP_ENUMERATOR_NAME = [ACPI]"), 1u);
    EXPECT_EQ(CountLogged(u"PrintDeviceInformation : SPDRP_ENUMERATOR_NAME = [USB]"), 0u);
    EXPECT_TRUE(Logged(u"PrintDriverInformation : END"));
}

TEST_F(PortDialogTest, NextValidatesThePortNumberRange) {
    CPort_Dlg dlg = Init({u"/x", u"ethernet", u"10.0.0.5", u"9101"});
    struct Case {
        const char16_t* text;
        BOOL ok;
        const char16_t* message;
    } cases[] = {
        {u"10001", FALSE, u"Please enter an integer between 0 and 10000."},
        {u"-1", FALSE, u"Please enter an integer between 0 and 10000."},
        {u"12ab", FALSE, u"Please enter an integer."},
        {u"", FALSE, u"Please enter an integer."},
        {u"10000", TRUE, nullptr},
        {u"0", TRUE, nullptr},
        {u" 515", TRUE, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.text));
        boxes.shown.clear();
        dlg.m_controls.strPortNumber = c.text;
        EXPECT_EQ(dlg.OnBnClickedNext(), c.ok);
        if (c.message) {
            ASSERT_EQ(boxes.shown.size(), 1u);  // one message, the dialog stays
            EXPECT_EQ(boxes.shown[0].text, c.message);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
    }
    EXPECT_EQ(dlg.m_nPortNumber, 515);
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedNext :IP ADDRESS : 10.0.0.5"));
    EXPECT_TRUE(Logged(u"CPort_Dlg::OnBnClickedNext :PORT NUMBER : 515"));
}

TEST_F(PortDialogTest, NoRadioCheckedFailsTheGroupRange) {
    CPort_Dlg dlg = Init({u"/x", u"usb"});
    dlg.m_controls.nCheckedRadio = -1;
    EXPECT_FALSE(dlg.OnBnClickedNext());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Please enter an integer between 0 and 100.");
}
