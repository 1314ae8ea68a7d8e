#pragma once

// CLAP 1.2.7 params extension: parameter list, values, text conversion and flush.

#include "clap/abi-check.h"
#include "clap/events.h"
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

static const char CLAP_EXT_PARAMS[] = "clap.params";

typedef uint32_t clap_param_info_flags;

// Bits of clap_param_info.flags.
enum
{
    CLAP_PARAM_IS_STEPPED = 1 << 0,     // integer values; double -> integer by truncation
    CLAP_PARAM_IS_PERIODIC = 1 << 1,    // e.g. a phase
    CLAP_PARAM_IS_HIDDEN = 1 << 2,      // currently unused
    CLAP_PARAM_IS_READONLY = 1 << 3,    // the host cannot change it
    CLAP_PARAM_IS_BYPASS = 1 << 4,      // merges with the host bypass; implies stepped
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5, // automation can be recorded and played back
    CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1 << 6,
    CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1 << 7,
    CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1 << 8,
    CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1 << 9,
    CLAP_PARAM_IS_MODULATABLE = 1 << 10, // supports CLAP_EVENT_PARAM_MOD
    CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1 << 11,
    CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1 << 12,
    CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1 << 13,
    CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1 << 14,
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15, // changes must go through process() while active
    CLAP_PARAM_IS_ENUM = 1 << 16,          // requires IS_STEPPED; every value in range has text
};

// Description of one parameter.
typedef struct clap_param_info
{
    clap_id id;                  // stable, never changes
    clap_param_info_flags flags; // CLAP_PARAM_* bits
    void* cookie;                // echoed in parameter events, or null
    char name[CLAP_NAME_SIZE];   // display name without the module
    char module[CLAP_PATH_SIZE]; // "/"-separated module path
    double min_value;            // plain value, finite
    double max_value;            // plain value, finite
    double default_value;        // plain value in [min_value, max_value]
} clap_param_info_t;

// Plug-in side of the params extension.
typedef struct clap_plugin_params
{
    // [main-thread]
    uint32_t (CLAP_ABI* count) (const clap_plugin_t* plugin);

    // [main-thread] True on success.
    bool (CLAP_ABI* get_info) (const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);

    // [main-thread] True on success.
    bool (CLAP_ABI* get_value) (const clap_plugin_t* plugin, clap_id param_id, double* out_value);

    // [main-thread] Writes null-terminated UTF-8 of at most out_buffer_capacity bytes.
    bool (CLAP_ABI* value_to_text) (const clap_plugin_t* plugin,
                                    clap_id param_id,
                                    double value,
                                    char* out_buffer,
                                    uint32_t out_buffer_capacity);

    // [main-thread] Parses null-terminated UTF-8.
    bool (CLAP_ABI* text_to_value) (const clap_plugin_t* plugin,
                                    clap_id param_id,
                                    const char* param_value_text,
                                    double* out_value);

    // [active ? audio-thread : main-thread] Never concurrently with process.
    void (CLAP_ABI* flush) (const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
} clap_plugin_params_t;

typedef uint32_t clap_param_rescan_flags;

enum
{
    CLAP_PARAM_RESCAN_VALUES = 1 << 0, // values changed (e.g. preset load); not recorded as automation
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,   // value-to-text conversion changed
    CLAP_PARAM_RESCAN_INFO = 1 << 2,   // name, module, periodic or hidden flag changed
    CLAP_PARAM_RESCAN_ALL = 1 << 3,    // invalidates everything; only while deactivated
};

typedef uint32_t clap_param_clear_flags;

enum
{
    CLAP_PARAM_CLEAR_ALL = 1 << 0,         // every reference to the parameter
    CLAP_PARAM_CLEAR_AUTOMATIONS = 1 << 1, // its automations
    CLAP_PARAM_CLEAR_MODULATIONS = 1 << 2, // its modulations
};

// Host side of the params extension.
typedef struct clap_host_params
{
    // [main-thread]
    void (CLAP_ABI* rescan) (const clap_host_t* host, clap_param_rescan_flags flags);

    // [main-thread]
    void (CLAP_ABI* clear) (const clap_host_t* host, clap_id param_id, clap_param_clear_flags flags);

    // [thread-safe,!audio-thread] Asks for a flush (or a process call).
    void (CLAP_ABI* request_flush) (const clap_host_t* host);
} clap_host_params_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_param_info_t, 1320, 8);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, id, 0);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, flags, 4);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, cookie, 8);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, name, 16);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, module, 272);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, min_value, 1296);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, max_value, 1304);
CLAP_ABI_CHECK_OFFSET (clap_param_info_t, default_value, 1312);

CLAP_ABI_CHECK_SIZE (clap_plugin_params_t, 48, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, count, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, get_info, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, get_value, 16);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, value_to_text, 24);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, text_to_value, 32);
CLAP_ABI_CHECK_OFFSET (clap_plugin_params_t, flush, 40);

CLAP_ABI_CHECK_SIZE (clap_host_params_t, 24, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_params_t, rescan, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_params_t, clear, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_params_t, request_flush, 16);
#endif
