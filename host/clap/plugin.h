#pragma once

// CLAP 1.2.7 plug-in descriptor and plug-in instance (both provided by the plug-in).

#include "clap/abi-check.h"
#include "clap/macros.h"
#include "clap/process.h"
#include "clap/version.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// Static description of a plug-in, owned by the plug-in and never freed by the host.
typedef struct clap_plugin_descriptor
{
    clap_version_t clap_version; // CLAP_VERSION
    const char* id;              // mandatory, non-blank, unique
    const char* name;            // mandatory, non-blank
    const char* vendor;          // optional (null or blank)
    const char* url;             // optional
    const char* manual_url;      // optional
    const char* support_url;     // optional
    const char* version;         // optional, e.g. "1.4.2" or "1.0 Beta 3"
    const char* description;     // optional
    const char* const* features; // null-terminated array of feature strings, e.g. "audio-effect"
} clap_plugin_descriptor_t;

// A plug-in instance, created by clap_plugin_factory.create_plugin.
typedef struct clap_plugin
{
    const clap_plugin_descriptor_t* desc;
    void* plugin_data; // reserved for the plug-in

    // [main-thread] False: the host destroys the instance. Host access starts here.
    bool (CLAP_ABI* init) (const struct clap_plugin* plugin);

    // [main-thread & !active] Frees the instance.
    void (CLAP_ABI* destroy) (const struct clap_plugin* plugin);

    // [main-thread & !active] May allocate. Every process frame count lies within
    // [min_frames_count, max_frames_count]; latency and ports stay fixed until deactivate.
    bool (CLAP_ABI* activate) (const struct clap_plugin* plugin,
                               double sample_rate,
                               uint32_t min_frames_count,
                               uint32_t max_frames_count);

    // [main-thread & active]
    void (CLAP_ABI* deactivate) (const struct clap_plugin* plugin);

    // [audio-thread & active & !processing]
    bool (CLAP_ABI* start_processing) (const struct clap_plugin* plugin);

    // [audio-thread & active & processing]
    void (CLAP_ABI* stop_processing) (const struct clap_plugin* plugin);

    // [audio-thread & active] Clears buffers and kills voices; parameter values stay.
    void (CLAP_ABI* reset) (const struct clap_plugin* plugin);

    // [audio-thread & active & processing]
    clap_process_status (CLAP_ABI* process) (const struct clap_plugin* plugin, const clap_process_t* process);

    // [thread-safe] Plug-in-owned extension struct for id, or null. Not before init.
    const void*(CLAP_ABI* get_extension) (const struct clap_plugin* plugin, const char* id);

    // [main-thread] Answer to clap_host.request_callback.
    void (CLAP_ABI* on_main_thread) (const struct clap_plugin* plugin);
} clap_plugin_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_descriptor_t, 88, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, clap_version, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, id, 16);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, name, 24);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, vendor, 32);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, url, 40);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, manual_url, 48);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, support_url, 56);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, version, 64);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, description, 72);
CLAP_ABI_CHECK_OFFSET (clap_plugin_descriptor_t, features, 80);

CLAP_ABI_CHECK_SIZE (clap_plugin_t, 96, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, desc, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, plugin_data, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, init, 16);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, destroy, 24);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, activate, 32);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, deactivate, 40);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, start_processing, 48);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, stop_processing, 56);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, reset, 64);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, process, 72);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, get_extension, 80);
CLAP_ABI_CHECK_OFFSET (clap_plugin_t, on_main_thread, 88);
#endif
