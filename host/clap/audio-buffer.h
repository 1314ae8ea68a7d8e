#pragma once

// CLAP 1.2.7 audio buffer of one port, as passed to clap_plugin.process.

#include "clap/abi-check.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// The channels of one audio port; either data32 or data64 is set.
typedef struct clap_audio_buffer
{
    float** data32;  // channel_count channel pointers, 32-bit samples
    double** data64; // channel_count channel pointers, 64-bit samples
    uint32_t channel_count;
    uint32_t latency;       // latency from/to the audio interface
    uint64_t constant_mask; // bit i set: channel i holds one constant value (a hint; the buffer is still filled)
} clap_audio_buffer_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_audio_buffer_t, 32, 8);
CLAP_ABI_CHECK_OFFSET (clap_audio_buffer_t, data32, 0);
CLAP_ABI_CHECK_OFFSET (clap_audio_buffer_t, data64, 8);
CLAP_ABI_CHECK_OFFSET (clap_audio_buffer_t, channel_count, 16);
CLAP_ABI_CHECK_OFFSET (clap_audio_buffer_t, latency, 20);
CLAP_ABI_CHECK_OFFSET (clap_audio_buffer_t, constant_mask, 24);
#endif
