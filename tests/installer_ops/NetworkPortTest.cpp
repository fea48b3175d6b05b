#include "InstallerFixture.h"
#include "installer/ops/DriverInstaller.h"
#include "platform/ServiceManager.h"
#include "platform/Spooler.h"

using namespace installer;

namespace {

void PutText(std::vector<BYTE>& r, size_t off, std::u16string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        r[off + 2 * i] = static_cast<BYTE>(s[i]);
        r[off + 2 * i + 1] = 0;
    }
}

}  // namespace

TEST(PortData1, RecordFor192_168_0_50_Port9100ByteByByte) {
    std::vector<BYTE> expected(964, 0);
    PutText(expected, 0, u"IP_192.168.0.50");
    expected[128] = 1;                     // version
    expected[132] = 1;                     // protocol: raw TCP
    expected[136] = 0xC4;                  // record size 964 = 0x03C4
    expected[137] = 0x03;
    PutText(expected, 144, u"192.168.0.50");
    PutText(expected, 242, u"zovave");
    expected[952] = 0x8C;                  // port 9100 = 0x238C
    expected[953] = 0x23;
    expected[960] = 1;                     // SNMP device index; SNMP disabled (956 = 0)
    const auto rec = BuildPortData1(u"192.168.0.50", 9100);
    ASSERT_EQ(rec.size(), 964u);
    for (size_t i = 0; i < 964; ++i) ASSERT_EQ(rec[i], expected[i]) << "offset " << i;
}

TEST(PortData1, FieldsAreCutToTheirCapacity) {
    const std::u16string longHost(80, u'9');
    const auto rec = BuildPortData1(longHost, 1);
    plat::PortData1 d;
    ASSERT_TRUE(plat::ParsePortData1(rec, d));
    EXPECT_EQ(d.portName.size(), 63u);
    EXPECT_EQ(d.hostAddress.size(), 48u);
    EXPECT_EQ(rec[242 - 2], 0);  // the host field keeps its terminator
    EXPECT_EQ(d.snmpCommunity, u"zovave");
}

class NetworkPortTest : public InstallerMachine {};

TEST_F(NetworkPortTest, CreatesTheTcpPortThroughTheMonitor) {
    CDriverInstaller engine(boxes, clock);
    ASSERT_TRUE(engine.AddEthernetPort(9100, u"192.168.0.50"));
    EXPECT_EQ(engine.m_strIPAddress, u"192.168.0.50");
    EXPECT_EQ(engine.m_nPortNumber, 9100);
    const std::u16string key =
        u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.50";
    EXPECT_EQ(RegText(key, u"HostName"), u"192.168.0.50");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(RegValue(key, u"Port Number", type, data));
    EXPECT_EQ(data, (std::vector<BYTE>{0x8C, 0x23, 0, 0}));
    ASSERT_TRUE(RegValue(key, u"SNMP Enabled", type, data));
    EXPECT_EQ(data, (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_TRUE(PrinterPortExist(u"IP_192.168.0.50"));
    for (const char16_t* line :
         {u"AddEthernetPort BEGIN", u"IP ADDRESS : 192.168.0.50", u"PORT NUMBER : 9100",
          u"pData.sztPortName : IP_192.168.0.50", u"pData.sztHostAddress : 192.168.0.50",
          u"pData.sztSNMPCommunity : zovave", u"XcvData succeeded.", u"AddEthernetPort END"})
        EXPECT_TRUE(Logged(line)) << U8(line);

    // A second AddPort for the same port is delivered; the monitor keeps the port.
    EXPECT_TRUE(engine.AddEthernetPort(9100, u"192.168.0.50"));
}

TEST_F(NetworkPortTest, MonitorThatCannotBeOpenedStopsEverything) {
    CDriverInstaller engine(boxes, clock);
    plat::ServiceDefinition stopped;
    stopped.name = u"Spooler";
    stopped.state = SERVICE_STOPPED;
    plat::DefineService(stopped);
    EXPECT_FALSE(engine.AddEthernetPort(9100, u"192.168.0.50"));
    EXPECT_TRUE(Logged(u"OpenPrinter failed. (1722)"));
    for (const auto& m : LogMessages()) EXPECT_EQ(m.find(u"XcvData"), std::u16string::npos);
    EXPECT_EQ(engine.m_strIPAddress, u"192.168.0.50");  // still stored for the run
}
