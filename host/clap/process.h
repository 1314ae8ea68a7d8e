#pragma once

// CLAP 1.2.7 process call: its status values and the block it processes.

#include "clap/abi-check.h"
#include "clap/audio-buffer.h"
#include "clap/events.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

typedef int32_t clap_process_status;

// Values clap_plugin.process returns.
enum
{
    CLAP_PROCESS_ERROR = 0,                 // processing failed; the output must be discarded
    CLAP_PROCESS_CONTINUE = 1,              // success; keep processing
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2, // success; keep processing while the output is not quiet
    CLAP_PROCESS_TAIL = 3,                  // let the tail extension decide whether to keep processing
    CLAP_PROCESS_SLEEP = 4,                 // success; nothing to do until the next event or input change
};

// One block of audio and events; every pointer is valid only during process().
typedef struct clap_process
{
    int64_t steady_time;                     // steady sample counter, or -1 if unavailable
    uint32_t frames_count;                   // frames in this block
    const clap_event_transport_t* transport; // transport at sample 0; null for a free-running host
    const clap_audio_buffer_t* audio_inputs; // audio_inputs_count buffers, index = input port index
    clap_audio_buffer_t* audio_outputs;      // audio_outputs_count buffers, index = output port index
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;   // sorted by sample time
    const clap_output_events_t* out_events; // pushed in sample-time order
} clap_process_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_process_t, 64, 8);
CLAP_ABI_CHECK_OFFSET (clap_process_t, steady_time, 0);
CLAP_ABI_CHECK_OFFSET (clap_process_t, frames_count, 8);
CLAP_ABI_CHECK_OFFSET (clap_process_t, transport, 16);
CLAP_ABI_CHECK_OFFSET (clap_process_t, audio_inputs, 24);
CLAP_ABI_CHECK_OFFSET (clap_process_t, audio_outputs, 32);
CLAP_ABI_CHECK_OFFSET (clap_process_t, audio_inputs_count, 40);
CLAP_ABI_CHECK_OFFSET (clap_process_t, audio_outputs_count, 44);
CLAP_ABI_CHECK_OFFSET (clap_process_t, in_events, 48);
CLAP_ABI_CHECK_OFFSET (clap_process_t, out_events, 56);
#endif
