// A fresh machine root in a temporary folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/MachineRoot.h"

class TempMachine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (std::filesystem::temp_directory_path() / "mkt-machine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        root = templ;
        std::filesystem::create_directories(root / "C" / "Windows");
        plat::SetMachineRoot(root);
        plat::SetWindowsDirectory(u"C:\\Windows");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    static std::string ReadHost(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteHost(const std::filesystem::path& p, const std::string& data) {
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << data;
    }
    std::filesystem::path root;
};
