// The mode of a run from argument 1, or from "PORTDLG" of the settings file.
#include <gtest/gtest.h>

#include "installer/app/InstallMode.h"
#include "tests/installer_ops/InstallerFixture.h"

using installer::ChooseMode;
using installer::InstallMode;

class ModeTest : public InstallerMachine {
protected:
    void SetPortDlg(const std::string& line) {
        std::string text = ReadHost(package / "MKTG450_Config.VKR");
        const size_t at = text.find("PORTDLG=");
        ASSERT_NE(at, std::string::npos);
        const size_t end = text.find('\n', at);
        text.replace(at, end - at, line);
        WriteHost(package / "MKTG450_Config.VKR", text);
    }
};

TEST_F(ModeTest, FirstArgumentLowerCasedOnItsFirstThreeCharacters) {
    struct Case {
        const char16_t* arg;
        InstallMode mode;
        const char16_t* line;  // nullptr: no mode line
    } cases[] = {
        {u"/SI", InstallMode::Silent, u"Installprinter : silent installation"},
        {u"/Si", InstallMode::Silent, u"Installprinter : silent installation"},
        {u"/silent", InstallMode::Silent, u"Installprinter : silent installation"},
        {u"/su", InstallMode::Uninstall, u"Installprinter : silent uninstallation"},
        {u"/SUx", InstallMode::Uninstall, u"Installprinter : silent uninstallation"},
        {u"/di", InstallMode::Default, u"Installprinter : default installation"},
        {u"/s", InstallMode::Interactive, nullptr},
        {u"si", InstallMode::Interactive, nullptr},
        {u"install", InstallMode::Interactive, nullptr},
        {u"", InstallMode::Interactive, nullptr},
    };
    for (const auto& c : cases) {
        installer::OpenInstallerLog();
        SCOPED_TRACE(U8(c.arg));
        EXPECT_EQ(ChooseMode({u"MKTG450_Installer", c.arg}), c.mode);
        const auto lines = LogMessages();
        if (c.line) {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0], c.line);
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }
}

TEST_F(ModeTest, WithoutArgumentsTheSettingsFileDecides) {
    struct Case {
        const char* line;
        InstallMode mode;
        const char16_t* logged;
    } cases[] = {
        {"PORTDLG=FALSE", InstallMode::Silent, u"Installprinter : chPortSelection = FALSE"},
        {"PORTDLG=TRUE", InstallMode::Interactive, u"Installprinter : chPortSelection = TRUE"},
        // Case-sensitive: "true" is neither, which gives the interactive mode.
        {"PORTDLG=true", InstallMode::Interactive, u"Installprinter : chPortSelection = true"},
        {"PORTDLG=false", InstallMode::Interactive, u"Installprinter : chPortSelection = false"},
        // "TRUE" is looked for first.
        {"PORTDLG=NOTTRUEFALSE", InstallMode::Interactive, u"Installprinter : chPortSelection = NOTTRUEFALSE"},
        {"PORTDLG=XFALSE", InstallMode::Silent, u"Installprinter : chPortSelection = XFALSE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SetPortDlg(c.line);
        installer::OpenInstallerLog();
        EXPECT_EQ(ChooseMode({u"MKTG450_Installer"}), c.mode);
        std::vector<std::u16string> lines;  // without the settings file's own lines
        for (const auto& m : LogMessages())
            if (m.starts_with(u"Installprinter")) lines.push_back(m);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], u"Installprinter : installation with the file");
        EXPECT_EQ(lines[1], c.logged);
    }
}

TEST_F(ModeTest, MissingKeyGivesTheInteractiveMode) {
    SetPortDlg("NOPORTDLG=FALSE");
    installer::OpenInstallerLog();
    EXPECT_EQ(ChooseMode({u"MKTG450_Installer"}), InstallMode::Interactive);
    EXPECT_TRUE(Logged(u"Installprinter : GetDriverInfoFromFile failed."));
}
