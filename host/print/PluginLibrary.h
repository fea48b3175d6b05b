// The rendering plug-in as a loaded shared library: its two COM exports, kept loaded for the
// lifetime of this object.
#pragma once

#include <filesystem>
#include <string>

#include "oemuni/frame/UnidrvTypes.h"

namespace mkt::host {

class PluginLibrary {
public:
    // Loads the library; throws std::runtime_error with dlerror's text when it cannot be loaded
    // or lacks DllGetClassObject.
    explicit PluginLibrary(const std::filesystem::path& file);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    PFN_DllGetClassObject DllGetClassObject() const { return m_getClassObject; }
    PFN_DllCanUnloadNow DllCanUnloadNow() const { return m_canUnloadNow; }
    void* handle() const { return m_handle; }

private:
    void* m_handle = nullptr;
    PFN_DllGetClassObject m_getClassObject = nullptr;
    PFN_DllCanUnloadNow m_canUnloadNow = nullptr;
};

// Where the plug-in is looked for: $MKT_PLUGIN when set, else MKUNI450.so beside the program.
std::filesystem::path DefaultPluginPath(const std::filesystem::path& programDir);

}  // namespace mkt::host
