// Starting host programs that stand for Windows programs (shared by process start
// and shell start).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Win32Types.h"

namespace plat::detail {

// Looks a program up: a path is mapped into the machine root; a bare name is
// searched in `firstDir` (a Windows folder, may be empty), the Windows current
// directory, the system directory and the Windows directory. Each candidate is
// tried as given and with ".exe" added. nullopt when nothing is found.
std::optional<std::filesystem::path> FindProgram(std::u16string_view program, std::u16string_view firstDir);

// Starts the host program with the arguments, working directory (empty = inherit)
// and MKT_MACHINE set. A file without execute permission that starts with "#!"
// is run through /bin/sh. With `detach` the process gets its own session and is
// reaped in the background. Returns the pid or an errno value (negated).
pid_t LaunchHost(const std::filesystem::path& program, const std::vector<std::u16string>& args,
                 const std::filesystem::path& workDir, bool detach);

}  // namespace plat::detail
