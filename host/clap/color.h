#pragma once

// CLAP 1.2.7 ARGB color.

#include "clap/abi-check.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// An 8-bit-per-channel color with alpha, e.g. a track's color.
typedef struct clap_color
{
    uint8_t alpha;
    uint8_t red;
    uint8_t green;
    uint8_t blue;
} clap_color_t;

static const clap_color_t CLAP_COLOR_TRANSPARENT = { 0, 0, 0, 0 };

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_color_t, 4, 1);
CLAP_ABI_CHECK_OFFSET (clap_color_t, alpha, 0);
CLAP_ABI_CHECK_OFFSET (clap_color_t, red, 1);
CLAP_ABI_CHECK_OFFSET (clap_color_t, green, 2);
CLAP_ABI_CHECK_OFFSET (clap_color_t, blue, 3);
#endif
