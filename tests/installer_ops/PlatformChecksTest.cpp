#include "InstallerFixture.h"
#include "installer/ops/PlatformChecks.h"
#include "platform/SystemInfo.h"

using installer::MapOSVersion;

TEST(CheckOSTable, RowsOfTheTable) {
    struct Row {
        DWORD platform, major, minor;
        BYTE product;
        int r2, code;
    };
    const Row rows[] = {
        {1, 4, 0, 1, 0, 2000},  {1, 4, 10, 1, 0, 2001}, {1, 4, 90, 1, 0, 2002},
        {1, 4, 50, 1, 0, 2011},                                      // other 9x minor
        {2, 4, 0, 1, 0, 2003},  {2, 3, 51, 3, 0, 2003},              // NT 4 and older
        {2, 5, 0, 1, 0, 2004},  {2, 5, 1, 1, 0, 2005},               // 2000, XP
        {2, 5, 2, 3, 0, 2006},  {2, 5, 2, 3, 1, 2007}, {2, 5, 2, 1, 1, 2007},
        {2, 5, 3, 1, 0, 2011},
        {2, 6, 0, 1, 0, 2008},  {2, 6, 0, 3, 0, 2009},
        {2, 6, 1, 1, 0, 2011},  {2, 6, 1, 3, 0, 2010}, {2, 6, 1, 2, 0, 2010},  // 7, 2008 R2
        {2, 6, 2, 1, 0, 2012},  {2, 6, 2, 3, 0, 2014},
        {2, 6, 3, 1, 0, 2013},  {2, 6, 3, 3, 0, 2015},
        {2, 6, 4, 1, 0, 2011},  {2, 10, 0, 1, 0, 2016}, {2, 10, 0, 3, 0, 2017},
        {2, 11, 0, 1, 0, 2011}, {2, 7, 0, 1, 0, 2011},  {0, 3, 1, 1, 0, 2011},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MapOSVersion(r.platform, r.major, r.minor, r.product, r.r2), r.code)
            << r.platform << " " << r.major << "." << r.minor << " type " << int(r.product);
}

class PlatformChecksTest : public InstallerMachine {};

TEST_F(PlatformChecksTest, CheckOSReadsTheMachineAndLogsTheRecord) {
    plat::MachineDescription xp;
    xp.major = 5;
    xp.minor = 1;
    xp.build = 2600;
    xp.is64Bit = false;
    plat::SetMachineDescription(xp);
    EXPECT_EQ(installer::CheckOS(), 2005);
    const auto msgs = LogMessages();
    const std::vector<std::u16string> expected = {
        u"\r\n", u"CheckOS : START", u"CheckOS : OSVERSIONINFO",
        u"CheckOS : osvi.dwPlatformId = 2", u"CheckOS : osvi.dwMajorVersion = 5",
        u"CheckOS : osvi.dwMinorVersion = 1", u"CheckOS : osvi.wProductType = 1",
        u"CheckOS : osvi.dwBuildNumber = 2600", u"CheckOS : nOSVersion = 2005", u"CheckOS : END"};
    EXPECT_EQ(msgs, expected);

    plat::MachineDescription r2;
    r2.major = 5;
    r2.minor = 2;
    r2.productType = VER_NT_SERVER;
    r2.serverR2 = 1;
    plat::SetMachineDescription(r2);
    EXPECT_EQ(installer::CheckOS(), 2007);
}

TEST_F(PlatformChecksTest, Wow64FollowsTheMachine) {
    EXPECT_TRUE(installer::IsWow64());  // fresh machine: 64-bit Windows 10
    EXPECT_TRUE(Logged(u"The process is running under WOW64."));
    plat::MachineDescription m;
    m.is64Bit = false;
    plat::SetMachineDescription(m);
    EXPECT_FALSE(installer::IsWow64());
    EXPECT_TRUE(Logged(u"The process is not running under WOW64."));
    m.is64Bit = true;  // Windows 2000 has no IsWow64Process: the answer is 0
    m.major = 5;
    m.minor = 0;
    plat::SetMachineDescription(m);
    EXPECT_FALSE(installer::IsWow64());
}

TEST_F(PlatformChecksTest, RestartComputerAsksForAForcedReboot) {
    EXPECT_TRUE(installer::RestartComputer());
    EXPECT_EQ(RegText(u"SYSTEM\\MktStandIn\\Shutdown", u"Flags").empty(), false);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(RegValue(u"SYSTEM\\MktStandIn\\Shutdown", u"Flags", type, data));
    EXPECT_EQ(data[0], EWX_REBOOT | EWX_FORCE);
}
