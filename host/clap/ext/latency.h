#pragma once

// CLAP 1.2.7 latency extension. Latency may only change while the plug-in is
// being activated; an active plug-in asks for a restart instead.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_LATENCY[] = "clap.latency";

// Plug-in side of the latency extension.
typedef struct clap_plugin_latency
{
    // [main-thread & (being-activated | active)] Latency in samples.
    uint32_t (CLAP_ABI* get) (const clap_plugin_t* plugin);
} clap_plugin_latency_t;

// Host side of the latency extension.
typedef struct clap_host_latency
{
    // [main-thread & being-activated]
    void (CLAP_ABI* changed) (const clap_host_t* host);
} clap_host_latency_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_latency_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_latency_t, get, 0);

CLAP_ABI_CHECK_SIZE (clap_host_latency_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_latency_t, changed, 0);
#endif
