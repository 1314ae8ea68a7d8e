#pragma once

// CLAP 1.2.7 thread-check extension (host side only).
// The main thread is one fixed OS thread. The audio thread is symbolic: process
// may move between OS threads but never runs on two at once for one instance.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"

#include <stdbool.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

// Host side of the thread-check extension.
typedef struct clap_host_thread_check
{
    // [thread-safe] True if called on the main thread.
    bool (CLAP_ABI* is_main_thread) (const clap_host_t* host);

    // [thread-safe] True if called on one of the audio threads.
    bool (CLAP_ABI* is_audio_thread) (const clap_host_t* host);
} clap_host_thread_check_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_host_thread_check_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_thread_check_t, is_main_thread, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_thread_check_t, is_audio_thread, 8);
#endif
