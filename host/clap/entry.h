#pragma once

// CLAP 1.2.7 library entry: the exported data object clap_entry.

#include "clap/abi-check.h"
#include "clap/macros.h"
#include "clap/version.h"

#include <stdbool.h>

#ifdef __cplusplus
extern "C"
{
#endif

// What the host finds under the symbol clap_entry.
typedef struct clap_plugin_entry
{
    clap_version_t clap_version; // CLAP_VERSION

    // (no thread tag) Any thread, never concurrently with any other call into the library.
    // Fast, no GUI. True on success and when already initialized; repeated calls
    // (with or without deinit in between) must be tolerated.
    bool (CLAP_ABI* init) (const char* plugin_path);

    // (no thread tag) Any thread, never concurrently with any other call into the library.
    void (CLAP_ABI* deinit) (void);

    // [thread-safe] Null for an unknown factory_id; the factory stays owned by the plug-in.
    const void*(CLAP_ABI* get_factory) (const char* factory_id);
} clap_plugin_entry_t;

// The one exported symbol; its definition must also be extern "C".
CLAP_EXPORT extern const clap_plugin_entry_t clap_entry;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_entry_t, 40, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_entry_t, clap_version, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_entry_t, init, 16);
CLAP_ABI_CHECK_OFFSET (clap_plugin_entry_t, deinit, 24);
CLAP_ABI_CHECK_OFFSET (clap_plugin_entry_t, get_factory, 32);
#endif
