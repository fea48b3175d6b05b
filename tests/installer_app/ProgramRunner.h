// Runs a program through the shell in a folder and collects its status and output.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "platform/MachineRoot.h"

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string SlurpFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `command` runs in `folder` with a 60-second limit; output files go to `scratch`.
inline ProgramRun RunProgram(const std::filesystem::path& folder, const std::string& command,
                             const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "run.out", err = scratch / "run.err";
    const std::string line = "cd '" + folder.string() + "' && timeout 60 " + command + " >'" +
                             out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(line.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.out = SlurpFile(out);
    run.err = SlurpFile(err);
    return run;
}

inline std::string Utf16FileAsUtf8(const std::filesystem::path& p) {
    const std::string bytes = SlurpFile(p);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return plat::ToUtf8(text);
}
