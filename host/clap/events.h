#pragma once

// CLAP 1.2.7 core events and the input/output event lists.
// Every event starts with clap_event_header; header.size is the whole event
// size, header included, so an event can be copied with memcpy.

#include "clap/abi-check.h"
#include "clap/fixedpoint.h"
#include "clap/id.h"
#include "clap/macros.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// Common start of every event.
typedef struct clap_event_header
{
    uint32_t size;     // whole event size in bytes, header included
    uint32_t time;     // sample offset within the block
    uint16_t space_id; // CLAP_CORE_EVENT_SPACE_ID for the core events
    uint16_t type;     // CLAP_EVENT_*
    uint32_t flags;    // clap_event_flags bits
} clap_event_header_t;

// The core event space.
static const uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

// Bits of clap_event_header.flags.
enum clap_event_flags
{
    CLAP_EVENT_IS_LIVE = 1 << 0,     // live user event (physical knob, key, ...)
    CLAP_EVENT_DONT_RECORD = 1 << 1, // must not be recorded (e.g. a parameter change caused by a MIDI CC)
};

// Values of clap_event_header.type in the core space.
enum
{
    CLAP_EVENT_NOTE_ON = 0,             // clap_event_note; velocity 0 is a note-on, not a note-off
    CLAP_EVENT_NOTE_OFF = 1,            // clap_event_note
    CLAP_EVENT_NOTE_CHOKE = 2,          // clap_event_note; host -> plug-in
    CLAP_EVENT_NOTE_END = 3,            // clap_event_note; plug-in -> host
    CLAP_EVENT_NOTE_EXPRESSION = 4,     // clap_event_note_expression
    CLAP_EVENT_PARAM_VALUE = 5,         // clap_event_param_value
    CLAP_EVENT_PARAM_MOD = 6,           // clap_event_param_mod
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7, // clap_event_param_gesture
    CLAP_EVENT_PARAM_GESTURE_END = 8,   // clap_event_param_gesture
    CLAP_EVENT_TRANSPORT = 9,           // clap_event_transport
    CLAP_EVENT_MIDI = 10,               // clap_event_midi
    CLAP_EVENT_MIDI_SYSEX = 11,         // clap_event_midi_sysex
    CLAP_EVENT_MIDI2 = 12,              // clap_event_midi2
};

// Note addressing below: note_id, port_index, channel and key are >= 0 when
// given, or -1 as a wildcard; channel 0..15, key 0..127 as in MIDI 1.

// Note on, off, choke and end (types 0-3).
typedef struct clap_event_note
{
    clap_event_header_t header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double velocity; // 0..1; ignored for choke and end
} clap_event_note_t;

typedef int32_t clap_note_expression;

// Values of clap_event_note_expression.expression_id.
enum
{
    CLAP_NOTE_EXPRESSION_VOLUME = 0,     // linear gain x in (0, 4]
    CLAP_NOTE_EXPRESSION_PAN = 1,        // 0 left, 0.5 center, 1 right
    CLAP_NOTE_EXPRESSION_TUNING = 2,     // semitones, -120..+120
    CLAP_NOTE_EXPRESSION_VIBRATO = 3,    // 0..1
    CLAP_NOTE_EXPRESSION_EXPRESSION = 4, // 0..1
    CLAP_NOTE_EXPRESSION_BRIGHTNESS = 5, // 0..1
    CLAP_NOTE_EXPRESSION_PRESSURE = 6,   // 0..1
};

// Per-note expression (type 4).
typedef struct clap_event_note_expression
{
    clap_event_header_t header;
    clap_note_expression expression_id;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value; // range depends on expression_id
} clap_event_note_expression_t;

// Parameter value change (type 5).
typedef struct clap_event_param_value
{
    clap_event_header_t header;
    clap_id param_id;
    void* cookie; // clap_param_info.cookie as issued, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value; // plain value
} clap_event_param_value_t;

// Parameter modulation (type 6); the effective value is value + amount.
typedef struct clap_event_param_mod
{
    clap_event_header_t header;
    clap_id param_id;
    void* cookie; // clap_param_info.cookie as issued, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double amount;
} clap_event_param_mod_t;

// Begin or end of a parameter gesture (types 7 and 8).
typedef struct clap_event_param_gesture
{
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

// Bits of clap_event_transport.flags.
enum clap_transport_flags
{
    CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7,
};

// Transport state (type 9, and clap_process.transport).
typedef struct clap_event_transport
{
    clap_event_header_t header;
    uint32_t flags; // clap_transport_flags bits
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;     // BPM
    double tempo_inc; // tempo increment per sample until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start; // start of the current bar
    int32_t bar_number;      // the bar at song position 0 is bar 0
    uint16_t tsig_num;       // time-signature numerator
    uint16_t tsig_denom;     // time-signature denominator
} clap_event_transport_t;

// A MIDI 1 message (type 10).
typedef struct clap_event_midi
{
    clap_event_header_t header;
    uint16_t port_index;
    uint8_t data[3];
} clap_event_midi_t;

// A MIDI system-exclusive message (type 11). buffer is only valid during
// the process (or try_push) call that carries it.
typedef struct clap_event_midi_sysex
{
    clap_event_header_t header;
    uint16_t port_index;
    const uint8_t* buffer;
    uint32_t size; // bytes at buffer
} clap_event_midi_sysex_t;

// A MIDI 2 packet (type 12).
typedef struct clap_event_midi2
{
    clap_event_header_t header;
    uint16_t port_index;
    uint32_t data[4];
} clap_event_midi2_t;

// Events the host hands to the plug-in, sorted by sample time.
typedef struct clap_input_events
{
    void* ctx;

    // (no thread tag) Number of events in the list.
    uint32_t (CLAP_ABI* size) (const struct clap_input_events* list);

    // (no thread tag) The event at index; owned by the list, never freed by the plug-in.
    const clap_event_header_t*(CLAP_ABI* get) (const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

// Queue the plug-in pushes events to, in sample-time order.
typedef struct clap_output_events
{
    void* ctx;

    // (no thread tag) Copies header.size bytes; false if the event could not be queued.
    bool (CLAP_ABI* try_push) (const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_event_header_t, 16, 4);
CLAP_ABI_CHECK_OFFSET (clap_event_header_t, size, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_header_t, time, 4);
CLAP_ABI_CHECK_OFFSET (clap_event_header_t, space_id, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_header_t, type, 10);
CLAP_ABI_CHECK_OFFSET (clap_event_header_t, flags, 12);

CLAP_ABI_CHECK_SIZE (clap_event_note_t, 40, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, note_id, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, port_index, 20);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, channel, 22);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, key, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_note_t, velocity, 32);

CLAP_ABI_CHECK_SIZE (clap_event_note_expression_t, 40, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, expression_id, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, note_id, 20);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, port_index, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, channel, 26);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, key, 28);
CLAP_ABI_CHECK_OFFSET (clap_event_note_expression_t, value, 32);

CLAP_ABI_CHECK_SIZE (clap_event_param_value_t, 56, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, param_id, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, cookie, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, note_id, 32);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, port_index, 36);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, channel, 38);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, key, 40);
CLAP_ABI_CHECK_OFFSET (clap_event_param_value_t, value, 48);

CLAP_ABI_CHECK_SIZE (clap_event_param_mod_t, 56, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, param_id, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, cookie, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, note_id, 32);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, port_index, 36);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, channel, 38);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, key, 40);
CLAP_ABI_CHECK_OFFSET (clap_event_param_mod_t, amount, 48);

CLAP_ABI_CHECK_SIZE (clap_event_param_gesture_t, 20, 4);
CLAP_ABI_CHECK_OFFSET (clap_event_param_gesture_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_param_gesture_t, param_id, 16);

CLAP_ABI_CHECK_SIZE (clap_event_transport_t, 104, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, flags, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, song_pos_beats, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, song_pos_seconds, 32);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, tempo, 40);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, tempo_inc, 48);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, loop_start_beats, 56);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, loop_end_beats, 64);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, loop_start_seconds, 72);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, loop_end_seconds, 80);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, bar_start, 88);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, bar_number, 96);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, tsig_num, 100);
CLAP_ABI_CHECK_OFFSET (clap_event_transport_t, tsig_denom, 102);

CLAP_ABI_CHECK_SIZE (clap_event_midi_t, 24, 4);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_t, port_index, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_t, data, 18);

CLAP_ABI_CHECK_SIZE (clap_event_midi_sysex_t, 40, 8);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_sysex_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_sysex_t, port_index, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_sysex_t, buffer, 24);
CLAP_ABI_CHECK_OFFSET (clap_event_midi_sysex_t, size, 32);

CLAP_ABI_CHECK_SIZE (clap_event_midi2_t, 36, 4);
CLAP_ABI_CHECK_OFFSET (clap_event_midi2_t, header, 0);
CLAP_ABI_CHECK_OFFSET (clap_event_midi2_t, port_index, 16);
CLAP_ABI_CHECK_OFFSET (clap_event_midi2_t, data, 20);

CLAP_ABI_CHECK_SIZE (clap_input_events_t, 24, 8);
CLAP_ABI_CHECK_OFFSET (clap_input_events_t, ctx, 0);
CLAP_ABI_CHECK_OFFSET (clap_input_events_t, size, 8);
CLAP_ABI_CHECK_OFFSET (clap_input_events_t, get, 16);

CLAP_ABI_CHECK_SIZE (clap_output_events_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_output_events_t, ctx, 0);
CLAP_ABI_CHECK_OFFSET (clap_output_events_t, try_push, 8);
#endif
