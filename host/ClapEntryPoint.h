#pragma once

#include "clap/clap.h"

#include <cstdint>

/** The bundle's entry functions and its one plug-in factory; clap_entry
    points at them. [main-thread], except get_factory and the factory's
    functions, which are [thread-safe].
*/
namespace ClapEntryPoint
{
bool clap_init (const char* bundlePath);
void clap_deinit();
const void* clap_get_factory (const char* factoryId);
std::uint32_t clap_get_plugin_count (const clap_plugin_factory* factory);
const clap_plugin_descriptor* clap_get_plugin_descriptor (const clap_plugin_factory* factory, std::uint32_t index);
const clap_plugin* clap_create_plugin (const clap_plugin_factory* factory, const clap_host* host, const char* pluginId);

extern const clap_plugin_factory plugin_factory;
} // namespace ClapEntryPoint
