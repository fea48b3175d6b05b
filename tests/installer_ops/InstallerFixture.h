// A fresh stand-in machine for each test: machine root in a temporary folder, a copy
// of the driver package as the current folder C:\Package, the installer log opened,
// message boxes answered from a script and pauses run on a fake clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installer/app/InstallerLog.h"
#include "installer/ops/UserInterface.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace fs = std::filesystem;

class FakeClock final : public installer::IClock {
public:
    void Sleep(DWORD ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    DWORD GetTickCount() override { return now; }
    DWORD total() const {
        DWORD t = 0;
        for (DWORD s : sleeps) t += s;
        return t;
    }
    std::vector<DWORD> sleeps;
    DWORD now = 100000;
};

class FakeBoxes final : public installer::IMessageBoxes {
public:
    struct Shown {
        std::u16string text;
        UINT type;
    };
    int Show(std::u16string_view text, UINT type) override {
        shown.push_back({std::u16string(text), type});
        if (answers.empty()) return installer::IDOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<Shown> shown;
    std::deque<int> answers;
};

class RecordingSink final : public installer::IStepMessageSink {
public:
    void SetMessageText(std::u16string_view text) override { messages.emplace_back(text); }
    void StepProgress() override { position += 10; ++steps; }
    void SetProgressPosition(int pos) override { position = pos; }
    void PostRefresh() override { ++refreshes; }
    std::vector<std::u16string> messages;
    int position = 0, steps = 0, refreshes = 0;
};

class InstallerMachine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ =
            (fs::temp_directory_path() / "mkt-installer-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        root = templ;
        fs::create_directories(root / "C" / "Windows" / "System32");
        plat::SetMachineRoot(root);
        plat::SetWindowsDirectory(u"C:\\Windows");
        package = root / "C" / "Package";
        fs::copy(MKT_PACKAGE_DIR, package, fs::copy_options::recursive);
        // The preview images come from elsewhere in the package build; one sample
        // is enough to follow the copy.
        fs::create_directories(package / "PreviewBin");
        WriteHost(package / "PreviewBin" / "Code128.bin", std::string("\x1d\x28\x6b", 3));
        ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Package"));
        plat::SetModuleFileName(u"C:\\Package\\MKTG450_Installer.exe");
        installer::OpenInstallerLog();
    }
    void TearDown() override {
        installer::CloseInstallerLog();
        plat::SetModuleFileName(u"");
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static std::string ReadHost(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteHost(const fs::path& p, const std::string& data) {
        fs::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << data;
    }

    // The log's messages, without the time stamp and the " \r\n" line end.
    std::vector<std::u16string> LogMessages() const {
        const std::string bytes = ReadHost(root / "C" / "Temp" / "MKT-G450_Installer.txt");
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        std::vector<std::u16string> out;
        size_t start = 0;
        while (start < text.size()) {
            // Each line is "hh:mm:ss: " + message + " \r\n"; messages may hold \r\n too.
            size_t next = text.find(u" \r\n", start);
            while (next != std::u16string::npos && next + 3 < text.size() &&
                   !(text.size() > next + 13 && text[next + 5] == u':' && text[next + 8] == u':' &&
                     text[next + 11] == u':'))
                next = text.find(u" \r\n", next + 1);
            const size_t end = next == std::u16string::npos ? text.size() : next;
            out.push_back(text.substr(start + 10, end - start - 10));
            start = end + 3;
        }
        return out;
    }
    bool Logged(std::u16string_view message) const {
        for (const auto& m : LogMessages())
            if (m == message) return true;
        return false;
    }
    size_t CountLogged(std::u16string_view message) const {
        size_t n = 0;
        for (const auto& m : LogMessages())
            if (m == message) ++n;
        return n;
    }
    // Index of the first message equal to `message` at or after `from`; npos if none.
    size_t IndexOf(std::u16string_view message, size_t from = 0) const {
        const auto msgs = LogMessages();
        for (size_t i = from; i < msgs.size(); ++i)
            if (msgs[i] == message) return i;
        return std::string::npos;
    }

    // Host path of a Windows path in the machine root.
    fs::path Host(std::u16string_view winPath) const { return plat::MapWindowsPath(winPath); }

    // A registry value as stored: type and bytes.
    static bool RegValue(std::u16string_view key, std::u16string_view name, DWORD& type,
                         std::vector<BYTE>& data) {
        RegKey k;
        const std::u16string kk(key), nn(name);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kk.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        if (RegQueryValueExW(k.get(), nn.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        return RegQueryValueExW(k.get(), nn.c_str(), nullptr, &type, data.data(), &size) ==
               ERROR_SUCCESS;
    }
    static std::u16string RegText(std::u16string_view key, std::u16string_view name) {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!RegValue(key, name, type, data)) return u"<missing>";
        std::u16string s;
        for (size_t i = 0; i + 1 < data.size(); i += 2)
            s.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        while (!s.empty() && s.back() == 0) s.pop_back();
        return s;
    }
    static bool KeyExists(std::u16string_view key) {
        RegKey k;
        const std::u16string kk(key);
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kk.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
    }

    fs::path root;
    fs::path package;
    FakeClock clock;
    FakeBoxes boxes;
};

inline std::string U8(std::u16string_view s) { return plat::ToUtf8(s); }
