#include <array>
#include <cstring>
#include <vector>

#include "TempMachine.h"
#include "platform/LastError.h"
#include "platform/Printers.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

class PrintersTest : public TempMachine {
protected:
    void SetUp() override {
        TempMachine::SetUp();
        plat::SetSpoolerRunningProbe(nullptr);
        ASSERT_EQ(plat::EnsurePrinterQueue(u"MKT-G450", u"MKT-G450 Driver", u"COM1:"), ERROR_SUCCESS);
    }
    void TearDown() override {
        plat::SetSpoolerRunningProbe(nullptr);
        TempMachine::TearDown();
    }
    fs::path QueueDir() const {
        return root / "registry" / "HKLM" / "SYSTEM" / "CurrentControlSet" / "Control" / "Print" / "Printers" /
               "MKT-G450";
    }
    PrinterHandle Open(const char16_t* name, DWORD access) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        PrinterHandle h;
        EXPECT_TRUE(OpenPrinterW(name, h.put(), &defaults)) << GetLastError();
        return h;
    }
};

TEST_F(PrintersTest, PrinterDataRoundTripUnderThePrintersKey) {
    PrinterHandle admin = Open(u"mkt-g450", PRINTER_ALL_ACCESS);
    const BYTE pages[2] = {0x2A, 0x00};
    ASSERT_EQ(SetPrinterDataExW(admin.get(), u"PrinterDriverData\\Properties", u"PAGES", REG_BINARY, pages, 2),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadHost(QueueDir() / "PrinterDriverData" / "Properties" / "PAGES.binary"), std::string("\x2A\0", 2));

    PrinterHandle user = Open(u"MKT-G450", PRINTER_ACCESS_USE);
    DWORD type = 0, needed = 0;
    std::array<BYTE, 47> misc{};
    EXPECT_EQ(GetPrinterDataExW(user.get(), u"PrinterDriverData\\Properties", u"pages", &type, misc.data(),
                                static_cast<DWORD>(misc.size()), &needed),
              ERROR_SUCCESS);
    EXPECT_EQ(needed, 2u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(misc[0], 0x2A);
    // Too small: 234 with the size needed; missing: 2 (key or value).
    EXPECT_EQ(GetPrinterDataExW(user.get(), u"PrinterDriverData\\Properties", u"PAGES", &type, misc.data(), 1, &needed),
              ERROR_MORE_DATA);
    EXPECT_EQ(needed, 2u);
    EXPECT_EQ(GetPrinterDataExW(user.get(), u"PrinterDriverData\\Properties", u"MISC", &type, misc.data(), 47, &needed),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetPrinterDataExW(user.get(), u"DsSpooler", u"printerName", &type, misc.data(), 47, &needed),
              ERROR_FILE_NOT_FOUND);
    // Writing needs administer access.
    EXPECT_EQ(SetPrinterDataExW(user.get(), u"PrinterDriverData\\Properties", u"PAGES", REG_BINARY, pages, 2),
              ERROR_ACCESS_DENIED);
    PrinterHandle readOnly = Open(u"MKT-G450", PRINTER_READ);
    EXPECT_EQ(SetPrinterDataExW(readOnly.get(), u"PrinterDriverData\\Properties", u"PAGES", REG_BINARY, pages, 2),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(DeletePrinterDataExW(admin.get(), u"PrinterDriverData\\Properties", u"PAGES"), ERROR_SUCCESS);
    EXPECT_EQ(DeletePrinterDataExW(admin.get(), u"PrinterDriverData\\Properties", u"PAGES"), ERROR_FILE_NOT_FOUND);
}

TEST_F(PrintersTest, NonExCallsUseThePrinterDriverDataKey) {
    PrinterHandle admin = Open(u"MKT-G450", PRINTER_ALL_ACCESS);
    const BYTE v[4] = {1, 0, 0, 0};
    ASSERT_EQ(SetPrinterDataW(admin.get(), u"MajorVersion", REG_DWORD, v, 4), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(QueueDir() / "PrinterDriverData" / "MajorVersion.dword"));
    DWORD type = 0, needed = 0, out = 0;
    EXPECT_EQ(GetPrinterDataW(admin.get(), u"MajorVersion", &type, reinterpret_cast<BYTE*>(&out), 4, &needed),
              ERROR_SUCCESS);
    EXPECT_EQ(out, 1u);
}

TEST_F(PrintersTest, UnknownPrinterAndStoppedSpooler) {
    HANDLE h = reinterpret_cast<HANDLE>(0x1);
    EXPECT_FALSE(OpenPrinterW(u"Other Printer", &h, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(h, nullptr);

    PrinterHandle open = Open(u"MKT-G450", PRINTER_ALL_ACCESS);
    bool running = false;
    plat::SetSpoolerRunningProbe([&] { return running; });
    EXPECT_FALSE(OpenPrinterW(u"MKT-G450", &h, nullptr));
    EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE);
    BYTE buf[4];
    DWORD type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataExW(open.get(), u"PrinterDriverData\\Properties", u"MISC", &type, buf, 4, &needed),
              RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(SetPrinterDataExW(open.get(), u"PrinterDriverData\\Properties", u"MISC", REG_BINARY, buf, 4),
              RPC_S_SERVER_UNAVAILABLE);
    EXPECT_FALSE(GetPrinterW(open.get(), 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), RPC_S_SERVER_UNAVAILABLE);
    running = true;
    EXPECT_EQ(SetPrinterDataExW(open.get(), u"PrinterDriverData\\Properties", u"MISC", REG_BINARY, buf, 4),
              ERROR_SUCCESS);
}

TEST_F(PrintersTest, LevelTwoInformationPackedIntoTheCallersBuffer) {
    PrinterHandle h = Open(u"MKT-G450", PRINTER_ACCESS_USE);
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterW(h.get(), 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, sizeof(PRINTER_INFO_2W));
    std::vector<BYTE> small(needed - 1);
    EXPECT_FALSE(GetPrinterW(h.get(), 2, small.data(), needed - 1, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetPrinterW(h.get(), 2, buf.data(), needed, &needed));
    PRINTER_INFO_2W info;
    std::memcpy(&info, buf.data(), sizeof info);
    EXPECT_EQ(info.pServerName, nullptr);
    EXPECT_EQ(std::u16string(info.pPrinterName), u"MKT-G450");
    EXPECT_EQ(std::u16string(info.pDriverName), u"MKT-G450 Driver");
    EXPECT_EQ(std::u16string(info.pPortName), u"COM1:");
    EXPECT_EQ(std::u16string(info.pPrintProcessor), u"winprint");
    EXPECT_EQ(std::u16string(info.pDatatype), u"RAW");
    EXPECT_EQ(info.Attributes, 0x40u);
    EXPECT_EQ(info.Priority, 1u);
    auto direct = plat::GetPrinterInfo2(h.get());
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->portName, u"COM1:");
    EXPECT_FALSE(GetPrinterW(h.get(), 1, buf.data(), needed, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
}

TEST_F(PrintersTest, PrintProcessorDirectory) {
    DWORD needed = 0;
    EXPECT_FALSE(GetPrintProcessorDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetPrintProcessorDirectoryW(nullptr, nullptr, 1, buf.data(), needed, &needed));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf.data())),
              u"C:\\Windows\\System32\\spool\\prtprocs\\x64");
    EXPECT_EQ(needed, sizeof(u"C:\\Windows\\System32\\spool\\prtprocs\\x64"));
}

TEST_F(PrintersTest, ChannelAndServerHandlesKeepTheirNames) {
    PrinterHandle xcv = Open(u",XcvMonitor Standard TCP/IP Port", SERVER_ACCESS_ADMINISTER);
    EXPECT_EQ(plat::GetPrinterHandleName(xcv.get()), u",XcvMonitor Standard TCP/IP Port");
    EXPECT_EQ(plat::GetPrinterHandleAccess(xcv.get()), SERVER_ACCESS_ADMINISTER);
    BYTE b[1];
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataExW(xcv.get(), u"K", u"V", nullptr, b, 1, &needed), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ClosePrinter(reinterpret_cast<HANDLE>(0x99)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
