#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "installer/crash/CrashReport.h"

namespace {

// Collects the report as UTF-8 again (the report text is ASCII here).
struct Capture {
    std::string text;
    int writes = 0;
    ReportBuffer buffer{[this](const void* bytes, size_t count) {
        ++writes;
        const auto* p = static_cast<const unsigned char*>(bytes);
        for (size_t i = 0; i + 1 < count; i += 2) text.push_back(static_cast<char>(p[i] | (p[i + 1] << 8)));
    }};
};

// Fake memory: a map of readable bytes.
CrashFacts FactsWithMemory(std::map<ULONG_PTR, unsigned char> memory) {
    CrashFacts facts;
    facts.readMemory = [memory](ULONG_PTR address, void* out, size_t count) {
        auto* o = static_cast<unsigned char*>(out);
        for (size_t i = 0; i < count; ++i) {
            auto it = memory.find(address + i);
            if (it == memory.end()) return false;
            o[i] = it->second;
        }
        return true;
    };
    return facts;
}

}  // namespace

TEST(CrashReport, StackOfTwentyBytesGivesOneFullAndOnePaddedLine) {
    std::map<ULONG_PTR, unsigned char> memory;
    const char* bytes = "ABCDEFGHIJKLMNOP\x01xyz";
    for (ULONG_PTR i = 0; i < 20; ++i) memory[0x1000 + i] = static_cast<unsigned char>(bytes[i]);
    CrashFacts facts = FactsWithMemory(memory);
    facts.context.Rsp = 0x1000;
    facts.stackBase = 0x1014;
    Capture c;
    WriteStackDump(c.buffer, facts);
    c.buffer.Flush();
    // The short line: one word, three paddings of nine blanks, then its four characters.
    EXPECT_EQ(c.text, "\r\n\r\nStack:\r\n"
                      "0x00001000: 44434241 48474645 4c4b4a49 504f4e4d ABCDEFGHIJKLMNOP\r\n"
                      "0x00001010: 7a797801 " + std::string(3 * 9, ' ') + ".xyz\r\n"
                      "\r\n");
}

TEST(CrashReport, StackDumpIsLimitedAndStopsAtUnreadableMemory) {
    std::map<ULONG_PTR, unsigned char> memory;
    for (ULONG_PTR i = 0; i < 8; ++i) memory[0x2000 + i] = 0;
    CrashFacts facts = FactsWithMemory(memory);
    facts.context.Rsp = 0x2000;
    facts.stackBase = 0x2000 + 100000;  // far away: the dump stops at 12288 bytes or the fault
    Capture c;
    WriteStackDump(c.buffer, facts);
    c.buffer.Flush();
    EXPECT_NE(c.text.find("0x00002000: 00000000 00000000 Exception encountered during stack dump.\r\n"),
              std::string::npos)
        << c.text;
}

TEST(CrashReport, CodeBytesShowUnreadableBytesAsQuestionMarks) {
    std::map<ULONG_PTR, unsigned char> memory = {{0x4000, 0xF7}, {0x4001, 0x3D}};
    CrashFacts facts = FactsWithMemory(memory);
    facts.context.Rip = 0x4000;
    Capture c;
    WriteCodeBytes(c.buffer, facts);
    c.buffer.Flush();
    EXPECT_EQ(c.text, "\r\nBytes at CS:RIP:\r\nf7 3d ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ");
}

TEST(CrashReport, HeaderAndAccessViolationLines) {
    CrashFacts facts;
    facts.programName = "MKTG450_Installer";
    facts.record.ExceptionCode = 0xC0000005u;
    facts.record.ExceptionAddress = reinterpret_cast<void*>(0x401a2b);
    facts.record.NumberParameters = 2;
    facts.record.ExceptionInformation[0] = 1;
    facts.record.ExceptionInformation[1] = 0;
    facts.context.SegCs = 0x33;
    Capture c;
    WriteReportHeader(c.buffer, facts);
    WriteAccessViolation(c.buffer, facts);
    facts.record.ExceptionInformation[0] = 0;
    facts.record.ExceptionInformation[1] = 0x10;
    WriteAccessViolation(c.buffer, facts);
    facts.record.NumberParameters = 1;
    WriteAccessViolation(c.buffer, facts);  // too few parameters: no line
    c.buffer.Flush();
    EXPECT_EQ(c.text,
              "MKTG450_Installer caused an Access Violation (0xc0000005) \r\n"
              "in module Unknown at 0033:00401a2b.\r\n\r\n"
              "Exception handler called in ExceptionAttacher - AfxWinMain.\r\n"
              "Write to location 00000000 caused an access violation.\r\n"
              "Read from location 00000010 caused an access violation.\r\n");
}

TEST(CrashReport, SystemDetailsRoundMemoryUpAndUseEvenSeconds) {
    CrashFacts facts;
    facts.localTime = SYSTEMTIME{2017, 6, 3, 21, 8, 21, 57, 0};
    facts.programPath = "/opt/pkg/MKTG450_Installer";
    facts.osPlatform = OsPlatform::WindowsNT;
    facts.osMajor = 10;
    facts.osMinor = 0;
    facts.osBuild = 0x10000 + 19045;
    facts.system.processors = 2;
    facts.system.processorType = 8664;
    facts.system.memoryLoad = 37;
    facts.system.totalPhys = (1ull << 20) + 1;  // rounds up to 2
    Capture c;
    WriteSystemDetails(c.buffer, facts);
    c.buffer.Flush();
    EXPECT_NE(c.text.find("Error occurred at 6/21/2017 08:21:56.\r\n"), std::string::npos) << c.text;
    EXPECT_NE(c.text.find("/opt/pkg/MKTG450_Installer, run by Unknown.\r\n"), std::string::npos);
    EXPECT_NE(c.text.find("Operating system:  unknown Windows version (10.0.19045).\r\n"), std::string::npos);
    EXPECT_NE(c.text.find("2 processor(s), type 8664.\r\n37% memory in use.\r\n2 MBytes physical memory.\r\n"),
              std::string::npos);
}

TEST(CrashReport, BufferWritesOutOnlyAboveTheThreshold) {
    Capture c;
    const std::string block(1000, 'x');
    for (int i = 0; i < 7; ++i) c.buffer.Add(block);  // 7000 waiting: below the threshold
    c.buffer.Add(block);                              // still added without a write
    EXPECT_EQ(c.writes, 0);
    c.buffer.Add("y");  // 8000 waiting > 7168: written out first
    EXPECT_EQ(c.writes, 1);
    EXPECT_EQ(c.text.size(), 8000u);
    c.buffer.Flush();
    EXPECT_EQ(c.text.back(), 'y');
}
