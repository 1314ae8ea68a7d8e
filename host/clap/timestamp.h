#pragma once

// CLAP 1.2.7 timestamp (seconds since the UNIX epoch).

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

typedef uint64_t clap_timestamp;

static const clap_timestamp CLAP_TIMESTAMP_UNKNOWN = 0;

#ifdef __cplusplus
}
#endif
