#include <array>
#include <cstring>
#include <vector>

#include "TempMachine.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {
std::vector<BYTE> Bytes(std::initializer_list<int> v) {
    std::vector<BYTE> out;
    for (int b : v) out.push_back(static_cast<BYTE>(b));
    return out;
}
std::string AsString(const std::vector<BYTE>& v) { return std::string(v.begin(), v.end()); }
}  // namespace

class RegistryTest : public TempMachine {
protected:
    void SetUp() override {
        TempMachine::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.put(), &disposition),
                  ERROR_SUCCESS);
    }
    fs::path KeyDir() const { return root / "registry" / "HKLM" / "SOFTWARE" / "Maker" / "Test"; }
    RegKey key;
    DWORD disposition = 0;
};

TEST_F(RegistryTest, EveryTypeRoundTripsWithExactBytesInItsFile) {
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    struct Case {
        const char16_t* name;
        DWORD type;
        std::vector<BYTE> data;
        const char* file;
    };
    const std::vector<Case> cases = {
        {u"Str", REG_SZ, Bytes({'A', 0, 0xE9, 0, 0, 0}), "Str.sz"},
        {u"Unterminated", REG_SZ, Bytes({'A', 0, 'B', 0}), "Unterminated.sz"},
        {u"Path", REG_EXPAND_SZ, Bytes({'%', 0, 'X', 0, '%', 0, 0, 0}), "Path.expand_sz"},
        {u"Multi", REG_MULTI_SZ, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}), "Multi.multi_sz"},
        {u"Blob", REG_BINARY, Bytes({0, 1, 2, 0xFF}), "Blob.binary"},
        {u"Count", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}), "Count.dword"},
        {u"Big", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}), "Big.qword"},
        {u"Empty", REG_NONE, {}, "Empty.none"},
        {u"", REG_SZ, Bytes({'d', 0, 0, 0}), ".sz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file));
        ASSERT_EQ(RegSetValueExW(key.get(), c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
        EXPECT_EQ(ReadHost(KeyDir() / c.file), AsString(c.data));
        DWORD type = 99, size = 64;
        std::array<BYTE, 64> buf{};
        ASSERT_EQ(RegQueryValueExW(key.get(), c.name, nullptr, &type, buf.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);
    }
}

TEST_F(RegistryTest, SizeQueryAndMoreData) {
    const BYTE data[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(RegSetValueExW(key.get(), u"MISC", 0, REG_BINARY, data, 6), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"misc", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    BYTE small[4] = {9, 9, 9, 9};
    size = 4;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"MISC", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = 4;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Missing", nullptr, nullptr, small, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, NamesMatchIgnoringCaseAndKeepTheFirstCase) {
    RegKey again;
    DWORD disp = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\MAKER\\test", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, again.put(), &disp),
              ERROR_SUCCESS);
    EXPECT_EQ(disp, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    const BYTE one[4] = {1, 0, 0, 0}, two[4] = {2, 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(key.get(), u"MajorVersion", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    // Same name in other case, other type: replaces the value, keeps the name's case.
    ASSERT_EQ(RegSetValueExW(again.get(), u"MAJORVERSION", 0, REG_BINARY, two, 4), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(KeyDir() / "MajorVersion.dword"));
    EXPECT_EQ(ReadHost(KeyDir() / "MajorVersion.binary"), std::string("\x02\0\0\0", 4));
    EXPECT_FALSE(fs::exists(root / "registry" / "HKLM" / "software"));
}

TEST_F(RegistryTest, IllegalFileNameCharactersAreEscapedReversibly) {
    const BYTE v[2] = {0, 0};
    const char16_t* names[] = {u"COM1:", u"a\\b/c*?\"<>|%", u"..", u"Tab\there"};
    for (auto* n : names) ASSERT_EQ(RegSetValueExW(key.get(), n, 0, REG_SZ, v, 2), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(KeyDir() / "COM1%3A.sz"));
    EXPECT_TRUE(fs::exists(KeyDir() / "a%5Cb%2Fc%2A%3F%22%3C%3E%7C%25.sz"));
    std::vector<std::u16string> listed;
    char16_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD cch = 64;
        const LONG rc = RegEnumValueW(key.get(), i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        listed.emplace_back(name, cch);
    }
    EXPECT_EQ(listed, (std::vector<std::u16string>{u"..", u"a\\b/c*?\"<>|%", u"COM1:", u"Tab\there"}));
    // A key name with a slash is one key, not two levels.
    RegKey sub;
    ASSERT_EQ(RegCreateKeyExW(key.get(), u"Standard TCP/IP Port\\Ports", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              sub.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(KeyDir() / "Standard TCP%2FIP Port" / "Ports"));
}

TEST_F(RegistryTest, EnumerateSubkeysSortedAndSizeLimits) {
    for (auto* n : {u"Zeta", u"alpha", u"Beta"}) {
        RegKey k;
        ASSERT_EQ(RegCreateKeyExW(key.get(), n, 0, nullptr, 0, KEY_READ, nullptr, k.put(), nullptr), ERROR_SUCCESS);
    }
    char16_t name[16];
    DWORD cch = 16;
    ASSERT_EQ(RegEnumKeyExW(key.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"alpha");
    EXPECT_EQ(cch, 5u);
    cch = 4;
    EXPECT_EQ(RegEnumKeyExW(key.get(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = 16;
    EXPECT_EQ(RegEnumKeyExW(key.get(), 3, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    DWORD subkeys = 0, values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 3u);
    EXPECT_EQ(values, 0u);
}

TEST_F(RegistryTest, DeleteKeyNeedsNoSubkeysDeleteTreeTakesAll) {
    RegKey child;
    ASSERT_EQ(RegCreateKeyExW(key.get(), u"A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(key.get(), u"A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(key.get(), u"a\\b"), ERROR_SUCCESS);
    // The open handle now points at a deleted key.
    const BYTE v[1] = {1};
    EXPECT_EQ(RegSetValueExW(child.get(), u"x", 0, REG_BINARY, v, 1), static_cast<LONG>(ERROR_KEY_DELETED));
    EXPECT_EQ(RegDeleteKeyW(key.get(), u"Missing"), ERROR_FILE_NOT_FOUND);
    RegKey deep;
    ASSERT_EQ(RegCreateKeyExW(key.get(), u"A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, deep.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SHDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test\\A"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(KeyDir() / "A"));
    RegKey missing;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test\\A", 0, KEY_READ, missing.put()),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ReadOnlyHandleCannotWrite) {
    RegKey ro;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test", 0, KEY_READ, ro.put()), ERROR_SUCCESS);
    const BYTE v[1] = {1};
    EXPECT_EQ(RegSetValueExW(ro.get(), u"x", 0, REG_BINARY, v, 1), ERROR_ACCESS_DENIED);
    RegKey sub;
    EXPECT_EQ(RegCreateKeyExW(ro.get(), u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.put(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, HelpersWriteTerminatedStringsAndDwords) {
    ASSERT_EQ(plat::RegWriteString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test", u"Name", u"Q"), ERROR_SUCCESS);
    ASSERT_EQ(plat::RegWriteDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Test", u"N", 0x01020304), ERROR_SUCCESS);
    EXPECT_EQ(ReadHost(KeyDir() / "Name.sz"), std::string("Q\0\0\0", 4));
    EXPECT_EQ(ReadHost(KeyDir() / "N.dword"), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(plat::UnescapeRegName(plat::EscapeRegName(u"x:y%z")), u"x:y%z");
}
