#include <array>

#include "TempMachine.h"
#include "platform/Files.h"
#include "platform/LastError.h"

namespace fs = std::filesystem;

using FilesTest = TempMachine;

TEST_F(FilesTest, CreateDispositionsAndTheirLastErrors) {
    const char16_t* path = u"C:\\Windows\\j.jnl";
    EXPECT_EQ(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileW(u"C:\\Nowhere\\j.jnl", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    {
        FileHandle h(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
        ASSERT_TRUE(h);
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h.get(), "abc", 3, &written, nullptr));
        EXPECT_EQ(written, 3u);
    }
    {
        FileHandle h(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_END), 3u);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h.get(), "de", 2, &written, nullptr));
        // Written without read access: reading is refused.
        char c;
        DWORD read = 0;
        EXPECT_FALSE(ReadFile(h.get(), &c, 1, &read, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "j.jnl"), "abcde");
    EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    {
        FileHandle h(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(h);
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_EQ(GetFileSize(h.get(), nullptr), 0u);
    }
    EXPECT_EQ(CreateFileW(u"C:\\Windows", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, ReadWholeJournalBackAndAppend) {
    FileHandle h = plat::OpenAlwaysAppend(u"C:\\Windows\\copies.jnl");
    ASSERT_TRUE(h);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h.get(), "\x1b@JOB", 5, &n, nullptr));
    EXPECT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_END), 5u);
    ASSERT_EQ(SetFilePointer(h.get(), 0, nullptr, FILE_BEGIN), 0u);
    std::array<char, 16> buf{};
    ASSERT_TRUE(ReadFile(h.get(), buf.data(), 16, &n, nullptr));
    EXPECT_EQ(n, 5u);
    ASSERT_TRUE(ReadFile(h.get(), buf.data(), 16, &n, nullptr));
    EXPECT_EQ(n, 0u);  // end of file is success with nothing read
    EXPECT_EQ(SetFilePointer(h.get(), -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(GetFileSize(reinterpret_cast<HANDLE>(0x7777), nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, NoSharingExcludesASecondOpener) {
    FileHandle first = plat::OpenAlwaysAppend(u"C:\\Windows\\log.LOG");
    ASSERT_TRUE(first);
    FileHandle second = plat::OpenAlwaysAppend(u"C:\\WINDOWS\\LOG.log");
    EXPECT_FALSE(second);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    FileHandle reader(CreateFileW(u"C:\\Windows\\log.LOG", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr));
    EXPECT_FALSE(reader);
    first.reset();
    FileHandle third = plat::OpenForRead(u"C:\\Windows\\log.LOG");
    EXPECT_TRUE(third);
}

TEST_F(FilesTest, FoldersCopyMoveDelete) {
    EXPECT_TRUE(CreateDirectoryW(u"C:\\Windows\\MKT-G450", nullptr));
    EXPECT_FALSE(CreateDirectoryW(u"C:\\Windows\\mkt-g450", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryW(u"C:\\A\\B", nullptr));  // one level only
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    WriteHost(root / "C" / "pkg" / "MKTG450_Config.VKR", "[MKTG450]\r\n");
    fs::permissions(root / "C" / "pkg" / "MKTG450_Config.VKR", fs::perms::owner_exec, fs::perm_options::add);
    ASSERT_TRUE(CopyFileW(u"C:\\PKG\\mktg450_config.vkr", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR", TRUE));
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "MKT-G450" / "MKTG450_Config.VKR"), "[MKTG450]\r\n");
    EXPECT_NE(fs::status(root / "C" / "Windows" / "MKT-G450" / "MKTG450_Config.VKR").permissions() &
                  fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_FALSE(CopyFileW(u"C:\\pkg\\MKTG450_Config.VKR", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR", TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_TRUE(CopyFileW(u"C:\\pkg\\MKTG450_Config.VKR", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR", FALSE));
    EXPECT_FALSE(CopyFileW(u"C:\\pkg\\none", u"C:\\Windows\\x", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_FALSE(RemoveDirectoryW(u"C:\\pkg"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(MoveFileExW(u"C:\\pkg\\MKTG450_Config.VKR", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR", 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileExW(u"C:\\pkg\\MKTG450_Config.VKR", u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR",
                            MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(RemoveDirectoryW(u"C:\\pkg"));
    EXPECT_EQ(GetFileAttributesW(u"C:\\windows\\mkt-g450"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(DeleteFileW(u"C:\\Windows\\MKT-G450"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DeleteFileW(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR"));
    EXPECT_FALSE(PathFileExistsW(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR"));
    EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\MKT-G450\\MKTG450_Config.VKR"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, FindFilesListsSizesAndUtcWriteTimes) {
    fs::create_directories(root / "C" / "temp" / "MKT-G450" / "sub");
    WriteHost(root / "C" / "temp" / "MKT-G450" / "b.LOG", std::string(1000, 'x'));
    WriteHost(root / "C" / "temp" / "MKT-G450" / "A.BIN", "12");
    WriteHost(root / "C" / "temp" / "MKT-G450" / "notes.txt", "");
    const SYSTEMTIME old{2026, 6, 0, 17, 23, 59, 58, 0};
    ASSERT_TRUE(plat::SetFileLastWriteTime(u"C:\\Temp\\MKT-G450\\b.LOG", old));

    auto all = plat::FindFiles(u"C:\\TEMP\\mkt-g450", u"*.*");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].name, u"A.BIN");
    EXPECT_EQ(all[1].name, u"b.LOG");
    EXPECT_EQ(all[1].size, 1000u);
    EXPECT_EQ(all[1].lastWriteTime.wYear, 2026);
    EXPECT_EQ(all[1].lastWriteTime.wMonth, 6);
    EXPECT_EQ(all[1].lastWriteTime.wDay, 17);
    EXPECT_EQ(all[1].lastWriteTime.wHour, 23);
    EXPECT_EQ(all[1].lastWriteTime.wDayOfWeek, 3);  // a Wednesday
    EXPECT_EQ(all[2].name, u"notes.txt");
    EXPECT_TRUE(all[3].isDirectory);

    EXPECT_EQ(plat::FindFiles(u"C:\\Temp\\MKT-G450", u"*.log").size(), 1u);
    EXPECT_TRUE(plat::FindFiles(u"C:\\Temp\\MKT-G450", u"*.bmp").empty());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(plat::FindFiles(u"C:\\Missing", u"*").empty());
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Wildcards, WindowsMatching) {
    struct Case {
        const char16_t* name;
        const char16_t* pattern;
        bool match;
    } cases[] = {
        {u"noext", u"*.*", true},    {u"a.b.c", u"*.c", true},      {u"File.LOG", u"*.log", true},
        {u"File.LOG", u"f?le.*", true}, {u"File", u"File.*", true}, {u"File.txt", u"*.log", false},
        {u"abc", u"a?", false},      {u"abc", u"*b*", true},        {u"", u"*", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::MatchesWildcard(c.name, c.pattern), c.match)
            << plat::ToUtf8(c.name) << " vs " << plat::ToUtf8(c.pattern);
}
