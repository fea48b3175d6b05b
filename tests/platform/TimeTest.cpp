#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/LocalTime.h"

class TimeTest : public ::testing::Test {
protected:
    void TearDown() override { plat::SetLocalTimeOverride(std::nullopt); }
};

TEST_F(TimeTest, OverrideFreezesLocalTimeAndDerivesTheWeekday) {
    plat::SetLocalTimeOverride(SYSTEMTIME{2017, 6, 0, 21, 8, 21, 57, 123});
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 2017);
    EXPECT_EQ(st.wMonth, 6);
    EXPECT_EQ(st.wDay, 21);
    EXPECT_EQ(st.wDayOfWeek, 3);  // Wednesday
    EXPECT_EQ(st.wHour, 8);
    EXPECT_EQ(st.wMinute, 21);
    EXPECT_EQ(st.wSecond, 57);
    EXPECT_EQ(st.wMilliseconds, 123);
    plat::SetLocalTimeOverride(std::nullopt);
    GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2024);
}

TEST_F(TimeTest, SystemTimeIsTheOverrideInUtc) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    plat::SetLocalTimeOverride(SYSTEMTIME{2017, 6, 0, 21, 8, 21, 57, 0});
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    if (oldTz) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(utc.wDay, 20);
    EXPECT_EQ(utc.wHour, 23);
    EXPECT_EQ(utc.wMinute, 21);
}

TEST_F(TimeTest, ParseTimeAcceptsTheTwoForms) {
    auto a = plat::ParseTime("2017-06-21 08:21:57");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->wHour, 8);
    auto b = plat::ParseTime("2017-06-21T08:21:57.5");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->wMilliseconds, 500);
    EXPECT_FALSE(plat::ParseTime("2017-13-01 00:00:00"));
    EXPECT_FALSE(plat::ParseTime("yesterday"));
    EXPECT_FALSE(plat::ParseTime("2017-06-21 08:21:57 junk"));
}

TEST_F(TimeTest, FileTimeRoundTripAndTicks) {
    const SYSTEMTIME st{2020, 2, 6, 29, 13, 14, 15, 678};
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(back.wYear, 2020);
    EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wDayOfWeek, 6);
    EXPECT_EQ(back.wMilliseconds, 678);
    const FILETIME epoch{0xD53E8000u, 0x019DB1DEu};  // 1970-01-01
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &back));
    EXPECT_EQ(back.wYear, 1970);
    EXPECT_EQ(back.wMonth, 1);
    const ULONGLONG t0 = GetTickCount64();
    EXPECT_GE(GetTickCount64(), t0);
}
