#pragma once

// CLAP 1.2.7 state extension: save and load parameter values and other data.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"
#include "clap/plugin.h"
#include "clap/stream.h"

#include <stdbool.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_STATE[] = "clap.state";

// Plug-in side of the state extension.
typedef struct clap_plugin_state
{
    // [main-thread] True on success.
    bool (CLAP_ABI* save) (const clap_plugin_t* plugin, const clap_ostream_t* stream);

    // [main-thread] True on success.
    bool (CLAP_ABI* load) (const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

// Host side of the state extension.
typedef struct clap_host_state
{
    // [main-thread] The state changed and needs saving.
    void (CLAP_ABI* mark_dirty) (const clap_host_t* host);
} clap_host_state_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_state_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_state_t, save, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_state_t, load, 8);

CLAP_ABI_CHECK_SIZE (clap_host_state_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_state_t, mark_dirty, 0);
#endif
