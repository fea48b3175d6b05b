#include "host/print/PluginLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace mkt::host {

PluginLibrary::PluginLibrary(const std::filesystem::path& file) {
    m_handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = dlerror();
        throw std::runtime_error("cannot load the plug-in " + file.string() + ": " + (why ? why : "unknown error"));
    }
    m_getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(m_handle, "DllGetClassObject"));
    m_canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(m_handle, "DllCanUnloadNow"));
    if (!m_getClassObject) {
        dlclose(m_handle);
        m_handle = nullptr;
        throw std::runtime_error("the plug-in " + file.string() + " does not export DllGetClassObject");
    }
}

PluginLibrary::~PluginLibrary() {
    if (m_handle) dlclose(m_handle);
}

std::filesystem::path DefaultPluginPath(const std::filesystem::path& programDir) {
    if (const char* env = std::getenv("MKT_PLUGIN"); env && *env) return env;
    return programDir / "MKUNI450.so";
}

}  // namespace mkt::host
