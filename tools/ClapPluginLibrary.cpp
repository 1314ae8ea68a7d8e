#include "ClapPluginLibrary.h"

#include <dlfcn.h>

ClapPluginLibrary::ClapPluginLibrary (const std::string& bundlePath)
    : path (bundlePath)
{
    handle = dlopen (path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        const char* reason = dlerror();
        loadError = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return;
    }

    entry = static_cast<const clap_plugin_entry*> (dlsym (handle, "clap_entry"));
    if (entry == nullptr)
    {
        loadError = path + " exports no clap_entry";
        return;
    }

    if (! clap_version_is_compatible (entry->clap_version))
    {
        loadError = path + " was built for an incompatible CLAP version";
        entry = nullptr;
        return;
    }

    if (entry->init == nullptr || ! entry->init (path.c_str()))
    {
        loadError = path + ": clap_entry.init failed";
        entry = nullptr;
        return;
    }
    entryInitialised = true;

    if (entry->get_factory != nullptr)
        factory = static_cast<const clap_plugin_factory*> (entry->get_factory (CLAP_PLUGIN_FACTORY_ID));

    if (factory == nullptr)
        loadError = path + " offers no plug-in factory";
}

ClapPluginLibrary::~ClapPluginLibrary()
{
    if (entryInitialised && entry->deinit != nullptr)
        entry->deinit();

    if (handle != nullptr)
        dlclose (handle);
}

std::vector<const clap_plugin_descriptor*> ClapPluginLibrary::descriptors() const
{
    std::vector<const clap_plugin_descriptor*> list;

    if (factory == nullptr || factory->get_plugin_count == nullptr || factory->get_plugin_descriptor == nullptr)
        return list;

    const auto count = factory->get_plugin_count (factory);
    for (std::uint32_t i = 0; i < count; ++i)
        if (const auto* descriptor = factory->get_plugin_descriptor (factory, i))
            list.push_back (descriptor);

    return list;
}
