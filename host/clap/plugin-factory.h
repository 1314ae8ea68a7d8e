#pragma once

// CLAP 1.2.7 plug-in factory, returned by clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID).

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

// Lists the library's plug-ins and creates instances; everything here must be fast.
typedef struct clap_plugin_factory
{
    // [thread-safe]
    uint32_t (CLAP_ABI* get_plugin_count) (const struct clap_plugin_factory* factory);

    // [thread-safe] Null on error; the descriptor stays owned by the plug-in.
    const clap_plugin_descriptor_t*(CLAP_ABI* get_plugin_descriptor) (const struct clap_plugin_factory* factory,
                                                                      uint32_t index);

    // [thread-safe] Null on error; the host frees it with plugin->destroy(plugin).
    // Must not call the host: host access starts in clap_plugin.init.
    const clap_plugin_t*(CLAP_ABI* create_plugin) (const struct clap_plugin_factory* factory,
                                                   const clap_host_t* host,
                                                   const char* plugin_id);
} clap_plugin_factory_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_factory_t, 24, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_factory_t, get_plugin_count, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_factory_t, get_plugin_descriptor, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_factory_t, create_plugin, 16);
#endif
