#pragma once

// CLAP 1.2.7 host interface (provided by the host).

#include "clap/abi-check.h"
#include "clap/macros.h"
#include "clap/version.h"

#ifdef __cplusplus
extern "C"
{
#endif

// The host as seen by one plug-in instance.
typedef struct clap_host
{
    clap_version_t clap_version; // the host's CLAP version
    void* host_data;             // reserved for the host
    const char* name;            // mandatory
    const char* vendor;          // optional
    const char* url;             // optional
    const char* version;         // mandatory

    // [thread-safe] Host-owned extension struct, or null. Not before clap_plugin.init.
    const void*(CLAP_ABI* get_extension) (const struct clap_host* host, const char* extension_id);

    // [thread-safe] Asks for deactivate + activate, possibly later.
    void (CLAP_ABI* request_restart) (const struct clap_host* host);

    // [thread-safe] Asks the host to activate and start processing.
    void (CLAP_ABI* request_process) (const struct clap_host* host);

    // [thread-safe] Asks for clap_plugin.on_main_thread, with no timing guarantee.
    void (CLAP_ABI* request_callback) (const struct clap_host* host);
} clap_host_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_host_t, 88, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_t, clap_version, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_t, host_data, 16);
CLAP_ABI_CHECK_OFFSET (clap_host_t, name, 24);
CLAP_ABI_CHECK_OFFSET (clap_host_t, vendor, 32);
CLAP_ABI_CHECK_OFFSET (clap_host_t, url, 40);
CLAP_ABI_CHECK_OFFSET (clap_host_t, version, 48);
CLAP_ABI_CHECK_OFFSET (clap_host_t, get_extension, 56);
CLAP_ABI_CHECK_OFFSET (clap_host_t, request_restart, 64);
CLAP_ABI_CHECK_OFFSET (clap_host_t, request_process, 72);
CLAP_ABI_CHECK_OFFSET (clap_host_t, request_callback, 80);
#endif
