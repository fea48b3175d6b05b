#include <gtest/gtest.h>

#include <string>

#include "installer/crash/ExceptionTexts.h"
#include "platform/Exceptions.h"

TEST(ExceptionTexts, DescriptionsOfKnownAndUnknownCodes) {
    EXPECT_STREQ(GetExceptionDescription(0xC0000094u), "an Integer Divide by Zero");
    EXPECT_STREQ(GetExceptionDescription(0xC0000005u), "an Access Violation");
    EXPECT_STREQ(GetExceptionDescription(0xC000008Cu), "a Array Bounds Exceeded");
    EXPECT_STREQ(GetExceptionDescription(0xE06D7363u), "a Microsoft C++ Exception");
    EXPECT_STREQ(GetExceptionDescription(0x40010005u), "a Control-C");
    EXPECT_STREQ(GetExceptionDescription(0x12345678u), "an Unknown exception type");
    EXPECT_STREQ(GetExceptionDescription(EXCEPTION_FATAL_APP_EXIT), "an Unknown exception type");
}

TEST(ExceptionTexts, OperatingSystemTable) {
    struct Row {
        OsPlatform platform;
        DWORD major, minor, build;
        const char* name;
    };
    const Row rows[] = {
        {OsPlatform::Windows9x, 4, 0, 950, "Windows 95"},
        {OsPlatform::Windows9x, 4, 0, 951, "Windows 95 SP1"},
        {OsPlatform::Windows9x, 4, 0, 1080, "Windows 95 SP1"},
        {OsPlatform::Windows9x, 4, 0, 1081, "Windows 95 OSR2"},
        {OsPlatform::Windows9x, 4, 0, 949, "unknown Windows version"},
        {OsPlatform::Windows9x, 4, 10, 1998, "Windows 98"},
        {OsPlatform::Windows9x, 4, 10, 2182, "Windows 98 SP1"},
        {OsPlatform::Windows9x, 4, 10, 2183, "Windows 98 SE"},
        {OsPlatform::Windows9x, 4, 90, 3000, "Windows ME"},
        {OsPlatform::WindowsNT, 3, 51, 1057, "Windows NT 3.51"},
        {OsPlatform::WindowsNT, 4, 0, 1381, "Windows NT 4"},
        {OsPlatform::WindowsNT, 5, 0, 2195, "Windows 2000"},
        {OsPlatform::WindowsNT, 5, 1, 2600, "Windows XP"},
        {OsPlatform::WindowsNT, 5, 2, 3790, "Windows 2003 Server"},
        {OsPlatform::WindowsNT, 10, 0, 19045, "unknown Windows version"},
        {OsPlatform::WindowsCE, 6, 0, 0, "Windows CE"},
    };
    for (const Row& r : rows) {
        EXPECT_STREQ(GetOperatingSystemName(r.platform, r.major, r.minor, r.build), r.name)
            << r.major << "." << r.minor << "." << r.build;
    }
}
