#pragma once

// CLAP 1.2.7 log extension (host side only).

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_LOG[] = "clap.log";

typedef int32_t clap_log_severity;

enum
{
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,
    CLAP_LOG_HOST_MISBEHAVING = 5,   // report host misbehaviour
    CLAP_LOG_PLUGIN_MISBEHAVING = 6, // report plug-in misbehaviour
};

// Host side of the log extension.
typedef struct clap_host_log
{
    // [thread-safe]
    void (CLAP_ABI* log) (const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_host_log_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_log_t, log, 0);
#endif
