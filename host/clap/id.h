#pragma once

// CLAP 1.2.7 object IDs and the capacities of fixed string buffers.

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// Identifies parameters, ports, timers and the like.
typedef uint32_t clap_id;

// A clap_id meaning "none".
static const clap_id CLAP_INVALID_ID = UINT32_MAX;

enum
{
    // Bytes in a null-terminated, user-visible name buffer.
    CLAP_NAME_SIZE = 256,

    // Bytes in a null-terminated hierarchical path buffer such as a
    // parameter's module path (not a file-system path).
    CLAP_PATH_SIZE = 1024,
};

#ifdef __cplusplus
}
#endif
