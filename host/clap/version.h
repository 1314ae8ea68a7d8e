#pragma once

// CLAP 1.2.7 version triple and the compatibility rule.

#include "clap/abi-check.h"
#include "clap/macros.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// Version of the CLAP ABI an entry, descriptor or host was built against.
typedef struct clap_version
{
    uint32_t major;    // 1 in CLAP 1.2.7
    uint32_t minor;    // 2 in CLAP 1.2.7
    uint32_t revision; // 7 in CLAP 1.2.7
} clap_version_t;

#define CLAP_VERSION_MAJOR 1
#define CLAP_VERSION_MINOR 2
#define CLAP_VERSION_REVISION 7

#define CLAP_VERSION_INIT                                                                              \
    {                                                                                                  \
        (uint32_t) CLAP_VERSION_MAJOR, (uint32_t) CLAP_VERSION_MINOR, (uint32_t) CLAP_VERSION_REVISION \
    }

// Compare the compiled-in version with (maj, min, rev); usable in #if.
#define CLAP_VERSION_LT(maj, min, rev)                                                           \
    ((CLAP_VERSION_MAJOR < (maj)) || ((maj) == CLAP_VERSION_MAJOR && CLAP_VERSION_MINOR < (min)) \
     || ((maj) == CLAP_VERSION_MAJOR && (min) == CLAP_VERSION_MINOR && CLAP_VERSION_REVISION < (rev)))
#define CLAP_VERSION_EQ(maj, min, rev) \
    ((maj) == CLAP_VERSION_MAJOR && (min) == CLAP_VERSION_MINOR && (rev) == CLAP_VERSION_REVISION)
#define CLAP_VERSION_GE(maj, min, rev) (! CLAP_VERSION_LT (maj, min, rev))

// The version this project is built against: {1, 2, 7}.
static const clap_version_t CLAP_VERSION = CLAP_VERSION_INIT;

// 0.x.y were development versions; every 1.x.y and later is compatible.
static inline CLAP_CONSTEXPR bool clap_version_is_compatible (const clap_version_t v)
{
    return v.major >= 1;
}

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_version_t, 12, 4);
CLAP_ABI_CHECK_OFFSET (clap_version_t, major, 0);
CLAP_ABI_CHECK_OFFSET (clap_version_t, minor, 4);
CLAP_ABI_CHECK_OFFSET (clap_version_t, revision, 8);
#endif
