// Comparison of an installed driver's version with the package's.
#pragma once

#include <string_view>

#include "installer/ops/UserInterface.h"
#include "platform/Win32Types.h"

namespace installer {

class CDriverVersion {
public:
    explicit CDriverVersion(IClock& clock) : m_clock(clock) {}

    // OLDER_DRIVER (0), NEWER_DRIVER (1), NO_DRIVER (2) or EQUAL_DRIVER (3): see
    // DriverInstaller.h. Names are compared exactly (case-sensitive).
    int CheckDriverVersion(std::u16string_view driverName, std::u16string_view processorName,
                           DWORD major, DWORD minor, DWORD build, DWORD extra);

private:
    IClock& m_clock;
};

}  // namespace installer
