#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/LastError.h"

namespace {

std::string ToCp(UINT cp, const std::u16string& s, BOOL* usedDefault = nullptr) {
    const int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_EQ(WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                                  cp == CP_UTF8 ? nullptr : usedDefault),
              n);
    return out;
}

std::u16string FromCp(UINT cp, const std::string& s) {
    const int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    EXPECT_EQ(MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n), n);
    return out;
}

}  // namespace

TEST(CodePage, RoundTripsInEveryCodePage) {
    struct Case {
        UINT cp;
        std::u16string text;
        std::string bytes;
    } cases[] = {
        {CP_ACP, u"A\u20AC\u00E9\u0178", "A\x80\xE9\x9F"},
        {1252, u"\u201Cq\u201D", "\x93q\x94"},
        {CP_OEMCP, u"\u2500\u00E9", "\xC4\x82"},
        {932, u"\u65E5\u672C\uFF71A", "\x93\xFA\x96\x7B\xB1" "A"},
        {936, u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
        {949, u"\uD55C\uAE00", "\xC7\xD1\xB1\xDB"},
        {950, u"\u4E2D\u6587", "\xA4\xA4\xA4\xE5"},
        {CP_UTF8, u"\u00E9\u4E2D\U0001F600", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cp);
        EXPECT_EQ(ToCp(c.cp, c.text), c.bytes);
        EXPECT_EQ(FromCp(c.cp, c.bytes), c.text);
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    BOOL used = FALSE;
    EXPECT_EQ(ToCp(1252, u"a\u4E2Db", &used), "a?b");
    EXPECT_TRUE(used);
    used = FALSE;
    EXPECT_EQ(ToCp(949, u"\uD55C\u0E01\U0001F600x", &used), "\xC7\xD1??x");  // Thai, emoji: one ? each
    EXPECT_TRUE(used);
    used = TRUE;
    EXPECT_EQ(ToCp(932, u"abc", &used), "abc");
    EXPECT_FALSE(used);
    // A custom default character.
    char out[8];
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u4E2D", 1, out, 8, "_", &used), 1);
    EXPECT_EQ(out[0], '_');
    // Invalid input: '?' for broken double-byte text, U+FFFD for broken UTF-8.
    EXPECT_EQ(FromCp(932, "A\x82"), u"A?");
    EXPECT_EQ(FromCp(CP_UTF8, "a\xC3(b"), u"a\uFFFD(b");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3(b", 4, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(ToCp(CP_UTF8, std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CodePage, SizesTerminatorsAndSmallBuffers) {
    // -1: the terminator is converted and counted.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(WideCharToMultiByte(949, 0, u"\uD55C\uAE00", -1, nullptr, 0, nullptr, nullptr), 5);
    char16_t w[3];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, w, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    char b[4];
    EXPECT_EQ(WideCharToMultiByte(949, 0, u"\uD55C\uAE00", -1, b, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    char full[5];
    EXPECT_EQ(WideCharToMultiByte(949, 0, u"\uD55C\uAE00", -1, full, 5, nullptr, nullptr), 5);
    EXPECT_EQ(full[4], '\0');
    // Bad arguments.
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "a", 1, w, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    BOOL used;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 4, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetACP(), 1252u);
}
