#pragma once

#include "clap/clap.h"

#include <string>
#include <vector>

/** A CLAP bundle loaded with dlopen: its entry initialised and its plug-in
    factory found. Unloads (deinit, dlclose) when destroyed. [main thread]
*/
class ClapPluginLibrary
{
public:
    explicit ClapPluginLibrary (const std::string& path);
    ~ClapPluginLibrary();

    ClapPluginLibrary (const ClapPluginLibrary&) = delete;
    ClapPluginLibrary& operator= (const ClapPluginLibrary&) = delete;

    /** True when the bundle loaded and offers a plug-in factory. */
    bool isLoaded() const noexcept { return factory != nullptr; }

    /** Why loading failed; empty when it did not. */
    const std::string& error() const noexcept { return loadError; }

    /** The descriptors the factory offers, in its order. */
    std::vector<const clap_plugin_descriptor*> descriptors() const;

    const std::string path;
    const clap_plugin_entry* entry = nullptr;
    const clap_plugin_factory* factory = nullptr;

private:
    void* handle = nullptr;
    bool entryInitialised = false;
    std::string loadError;
};
