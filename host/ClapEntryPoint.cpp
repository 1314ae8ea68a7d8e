#include "ClapEntryPoint.h"
#include "ClapCapabilities.h"
#include "ClapProcessorWrapper.h"
#include "LooperAudioProcessor.h"

#include <cstdio>
#include <cstring>
#include <memory>

bool clap_capabilities::clap_properties::building_clap = false;
std::uint32_t clap_capabilities::clap_properties::clap_version_major = 0;
std::uint32_t clap_capabilities::clap_properties::clap_version_minor = 0;
std::uint32_t clap_capabilities::clap_properties::clap_version_revision = 0;
const clap_host* clap_capabilities::audio_processor_capabilities::clapHostStatic = nullptr;

namespace ClapEntryPoint
{
bool clap_init (const char*)
{
    return true;
}

void clap_deinit() {}

std::uint32_t clap_get_plugin_count (const clap_plugin_factory*)
{
    return 1;
}

const clap_plugin_descriptor* clap_get_plugin_descriptor (const clap_plugin_factory*, std::uint32_t)
{
    return &ClapProcessorWrapper::desc;
}

const clap_plugin* clap_create_plugin (const clap_plugin_factory*, const clap_host* host, const char* pluginId)
{
    // Keeps JUCE's GUI subsystem up while the processor is made, even when
    // no instance exists yet.
    const juce::ScopedJuceInitialiser_GUI guiInitialiser;

    if (pluginId == nullptr || std::strcmp (pluginId, ClapProcessorWrapper::desc.id) != 0)
    {
        std::printf ("Warning: CLAP asked for plugin_id '%s' and this plug-in's ID is '%s'\n", pluginId != nullptr ? pluginId : "",
                     ClapProcessorWrapper::desc.id);
        std::fflush (stdout);
        return nullptr;
    }

    // Nothing may escape into the host's call: a failed construction is a failed creation.
    try
    {
        clap_capabilities::clap_properties::building_clap = true;
        clap_capabilities::clap_properties::clap_version_major = CLAP_VERSION_MAJOR;
        clap_capabilities::clap_properties::clap_version_minor = CLAP_VERSION_MINOR;
        clap_capabilities::clap_properties::clap_version_revision = CLAP_VERSION_REVISION;
        clap_capabilities::audio_processor_capabilities::clapHostStatic = host;

        std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());

        clap_capabilities::clap_properties::building_clap = false;
        clap_capabilities::audio_processor_capabilities::clapHostStatic = nullptr;

        auto* wrapper = new ClapProcessorWrapper (host, std::move (processor));
        return wrapper->clapPlugin();
    }
    catch (...)
    {
        clap_capabilities::clap_properties::building_clap = false;
        clap_capabilities::audio_processor_capabilities::clapHostStatic = nullptr;
        return nullptr;
    }
}

const clap_plugin_factory plugin_factory { clap_get_plugin_count, clap_get_plugin_descriptor, clap_create_plugin };

const void* clap_get_factory (const char* factoryId)
{
    if (factoryId != nullptr && std::strcmp (factoryId, CLAP_PLUGIN_FACTORY_ID) == 0)
        return &plugin_factory;

    return nullptr;
}
} // namespace ClapEntryPoint

extern "C"
{
CLAP_EXPORT extern const clap_plugin_entry clap_entry;
const clap_plugin_entry clap_entry { CLAP_VERSION_INIT, ClapEntryPoint::clap_init, ClapEntryPoint::clap_deinit, ClapEntryPoint::clap_get_factory };
}
