#pragma once

// CLAP 1.2.7 fixed-point time: a time x (beats or seconds) is stored as
// round(x * 2^31). The factor never changes.

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

typedef int64_t clap_beattime; // beats, fixed point
typedef int64_t clap_sectime;  // seconds, fixed point

static const int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const int64_t CLAP_SECTIME_FACTOR = 1LL << 31;

#ifdef __cplusplus
}
#endif
