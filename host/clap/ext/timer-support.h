#pragma once

// CLAP 1.2.7 timer-support extension: periodic main-thread timers run by the host.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/id.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

// Plug-in side of the timer-support extension.
typedef struct clap_plugin_timer_support
{
    // [main-thread] The timer timer_id fired.
    void (CLAP_ABI* on_timer) (const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;

// Host side of the timer-support extension.
typedef struct clap_host_timer_support
{
    // [main-thread] Writes the new timer's ID to *timer_id; true on success.
    // The host may adjust short periods, but 30 Hz should be allowed.
    bool (CLAP_ABI* register_timer) (const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);

    // [main-thread] True on success.
    bool (CLAP_ABI* unregister_timer) (const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_timer_support_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_timer_support_t, on_timer, 0);

CLAP_ABI_CHECK_SIZE (clap_host_timer_support_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_timer_support_t, register_timer, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_timer_support_t, unregister_timer, 8);
#endif
