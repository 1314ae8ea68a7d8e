#pragma once

// CLAP 1.2.7 tail extension: how long the output rings on (see CLAP_PROCESS_TAIL).

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_TAIL[] = "clap.tail";

// Plug-in side of the tail extension.
typedef struct clap_plugin_tail
{
    // [main-thread,audio-thread] Tail length in samples; >= INT32_MAX means infinite.
    uint32_t (CLAP_ABI* get) (const clap_plugin_t* plugin);
} clap_plugin_tail_t;

// Host side of the tail extension.
typedef struct clap_host_tail
{
    // [audio-thread] The tail length changed.
    void (CLAP_ABI* changed) (const clap_host_t* host);
} clap_host_tail_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_tail_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_tail_t, get, 0);

CLAP_ABI_CHECK_SIZE (clap_host_tail_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_tail_t, changed, 0);
#endif
