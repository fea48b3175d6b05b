// The job command buffer, its spooler write loop and the journal.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "PluginHarness.h"
#include "oemuni/job/JobOutput.h"

namespace {

class SpoolWrite : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        SetMisc({});
        ASSERT_EQ(dev.Enable(m_hUsePrinter), S_OK);
        job = dev.pdev()->pJobOutput;
        ASSERT_NE(job, nullptr);
    }
    std::vector<BYTE> Pattern(size_t n) const {
        std::vector<BYTE> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i * 7 + i / 256);
        return v;
    }
    std::vector<BYTE> Journal() const { return ReadHostFile(u"C:\\Windows\\MKT-G450\\20170621_082157.jnl").value_or(std::vector<BYTE>{}); }

    PluginDevice dev;
    JobOutput* job = nullptr;
};

TEST_F(SpoolWrite, TenThousandBytesGoOutInThreeChunksAndOneJournalBlock) {
    ASSERT_NE(job->GetFileHandle(&dev.devobj), nullptr);
    EXPECT_EQ(job->m_szFileName, u"C:\\Windows\\MKT-G450\\20170621_082157.jnl");
    const std::vector<BYTE> data = Pattern(10000);
    ASSERT_TRUE(job->AddPrintDataTobeSent(data.data(), 6000));
    ASSERT_TRUE(job->AddPrintDataTobeSent(data.data() + 6000, 4000));
    EXPECT_EQ(job->m_dwTotalBufSize(), 10000u);
    EXPECT_TRUE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_EQ(dev.driver.callSizes, (std::vector<DWORD>{4096, 4096, 1808}));
    EXPECT_EQ(dev.driver.stream, data);
    EXPECT_EQ(Journal(), data);
    EXPECT_EQ(job->m_dwTotalBufSize(), 10000u);  // the caller empties it
    job->InitPrintCommandsBuffer();
    EXPECT_EQ(job->m_dwTotalBufSize(), 0u);
    EXPECT_EQ(job->buffer().data(), nullptr);
}

TEST_F(SpoolWrite, PartialAcceptanceResumesAtTheFirstUnacceptedByte) {
    dev.driver.maxPerCall = 1000;
    const std::vector<BYTE> data = Pattern(5000);
    job->AddPrintDataTobeSent(data.data(), 5000);
    EXPECT_TRUE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_EQ(dev.driver.stream, data);
    EXPECT_EQ(dev.driver.callSizes, (std::vector<DWORD>{4096, 4000, 3000, 2000, 1000}));
    EXPECT_EQ(dev.driver.callOffsets, (std::vector<DWORD>{0, 1000, 2000, 3000, 4000}));
}

TEST_F(SpoolWrite, ZeroByteSuccessCannotHangTheJob) {
    ASSERT_NE(job->GetFileHandle(&dev.devobj), nullptr);
    dev.driver.acceptNothing = true;
    const std::vector<BYTE> data = Pattern(10000);
    job->AddPrintDataTobeSent(data.data(), 10000);
    EXPECT_FALSE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_EQ(dev.driver.callSizes.size(), static_cast<size_t>(MAX_ZERO_PROGRESS_WRITES));
    EXPECT_EQ(Journal(), data);  // the journal still gets the whole buffer
}

TEST_F(SpoolWrite, ZeroProgressCountResetsWhenBytesMoveAgain) {
    // A spooler that stalls twice, then moves on, is not given up on.
    int calls = 0;
    const std::vector<BYTE> data = Pattern(8192);
    job->AddPrintDataTobeSent(data.data(), 8192);
    // Alternate: nothing, nothing, everything.
    class Alternating final : public IPrintOemDriverUni {
    public:
        explicit Alternating(int& n) : m_n(n) {}
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override { return E_FAIL; }
        HRESULT DrvWriteSpoolBuf(PDEVOBJ, PVOID p, DWORD n, PDWORD got) override {
            ++m_n;
            *got = (m_n % 3 == 0) ? n : 0;
            if (*got) out.insert(out.end(), static_cast<BYTE*>(p), static_cast<BYTE*>(p) + n);
            return S_OK;
        }
        std::vector<BYTE> out;

    private:
        int& m_n;
    };
    Alternating spooler(calls);
    IPrintOemDriverUni* saved = job->m_pDriverUni;
    job->m_pDriverUni = &spooler;
    EXPECT_TRUE(job->SendPrintDataToPrinter(&dev.devobj));
    job->m_pDriverUni = saved;
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(spooler.out, data);
}

TEST_F(SpoolWrite, SpoolerFailureStopsTheLoopButJournalsEverything) {
    ASSERT_NE(job->GetFileHandle(&dev.devobj), nullptr);
    dev.driver.failAfter = 5000;
    const std::vector<BYTE> data = Pattern(10000);
    job->AddPrintDataTobeSent(data.data(), 10000);
    EXPECT_FALSE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_EQ(dev.driver.callSizes, (std::vector<DWORD>{4096, 4096}));
    EXPECT_EQ(dev.driver.stream.size(), 5000u);
    EXPECT_EQ(Journal(), data);
}

TEST_F(SpoolWrite, EmptyBufferWritesNothing) {
    ASSERT_NE(job->GetFileHandle(&dev.devobj), nullptr);
    EXPECT_TRUE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_TRUE(dev.driver.callSizes.empty());
    EXPECT_TRUE(Journal().empty());
}

TEST_F(SpoolWrite, AppendRules) {
    const BYTE one[1] = {0x42};
    EXPECT_FALSE(job->AddPrintDataTobeSent(nullptr, 5));
    EXPECT_TRUE(job->AddPrintDataTobeSent(one, 0));
    EXPECT_EQ(job->m_dwTotalBufSize(), 0u);
    EXPECT_TRUE(job->AddPrintDataTobeSent(one, 1));
    EXPECT_TRUE(job->AddPrintDataTobeSent(one, 0));
    EXPECT_EQ(job->m_dwTotalBufSize(), 1u);
    EXPECT_EQ(job->buffer()[0], 0x42);
    // Without a journal, journal writes fail and change nothing.
    EXPECT_FALSE(job->WritePrintDataToFile(one, 1));
}

TEST_F(SpoolWrite, JournalOfTheSameSecondIsSharedOnlyOneAtATime) {
    ASSERT_NE(job->GetFileHandle(&dev.devobj), nullptr);
    const BYTE a[2] = {0xA1, 0xA2};
    EXPECT_TRUE(job->WritePrintDataToFile(a, 2));

    PluginDevice second;
    ASSERT_EQ(second.Enable(m_hUsePrinter), S_OK);
    JobOutput* other = second.pdev()->pJobOutput;
    EXPECT_EQ(other->GetFileHandle(&second.devobj), nullptr);  // held by the first job
    EXPECT_FALSE(other->IsJournalOpen());
    EXPECT_EQ(other->m_szFileName, job->m_szFileName);

    job->CloseJournal();
    ASSERT_NE(other->GetFileHandle(&second.devobj), nullptr);
    const BYTE b[1] = {0xB1};
    EXPECT_TRUE(other->WritePrintDataToFile(b, 1));
    other->CloseJournal();
    EXPECT_EQ(Journal(), Bytes({0xA1, 0xA2, 0xB1}));  // appended, not replaced
}

TEST_F(SpoolWrite, MissingProductFolderMeansNoJournal) {
    std::filesystem::remove_all(HostPath(u"C:\\Windows\\MKT-G450"));
    EXPECT_EQ(job->GetFileHandle(&dev.devobj), nullptr);
    EXPECT_FALSE(job->IsJournalOpen());
    const BYTE a[1] = {1};
    job->AddPrintDataTobeSent(a, 1);
    EXPECT_TRUE(job->SendPrintDataToPrinter(&dev.devobj));
    EXPECT_EQ(dev.driver.stream, Bytes({1}));
}

}  // namespace
