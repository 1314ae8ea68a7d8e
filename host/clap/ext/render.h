#pragma once

// CLAP 1.2.7 render extension: realtime or offline rendering (no host side).

#include "clap/abi-check.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_RENDER[] = "clap.render";

typedef int32_t clap_plugin_render_mode;

enum
{
    CLAP_RENDER_REALTIME = 0, // default
    CLAP_RENDER_OFFLINE = 1,  // no realtime pressure; more expensive algorithms allowed
};

// Plug-in side of the render extension.
typedef struct clap_plugin_render
{
    // [main-thread] True if the plug-in must process in real time (e.g. a hardware proxy).
    bool (CLAP_ABI* has_hard_realtime_requirement) (const clap_plugin_t* plugin);

    // [main-thread] True if the mode could be applied.
    bool (CLAP_ABI* set) (const clap_plugin_t* plugin, clap_plugin_render_mode mode);
} clap_plugin_render_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_render_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_render_t, has_hard_realtime_requirement, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_render_t, set, 8);
#endif
