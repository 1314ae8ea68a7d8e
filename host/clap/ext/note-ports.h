#pragma once

// CLAP 1.2.7 note-ports extension. Without it a plug-in has no note input or
// output; ports may only change while the plug-in is deactivated.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/id.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";

enum clap_note_dialect
{
    CLAP_NOTE_DIALECT_CLAP = 1 << 0,     // clap_event_note and clap_event_note_expression
    CLAP_NOTE_DIALECT_MIDI = 1 << 1,     // clap_event_midi, no polyphonic expression
    CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2, // clap_event_midi with MPE
    CLAP_NOTE_DIALECT_MIDI2 = 1 << 3,    // clap_event_midi2
};

// Description of one note port.
typedef struct clap_note_port_info
{
    clap_id id;                  // stable; may overlap between inputs and outputs
    uint32_t supported_dialects; // clap_note_dialect bits
    uint32_t preferred_dialect;  // one clap_note_dialect value
    char name[CLAP_NAME_SIZE];   // display name
} clap_note_port_info_t;

// Plug-in side of the note-ports extension.
typedef struct clap_plugin_note_ports
{
    // [main-thread] Number of input or output note ports.
    uint32_t (CLAP_ABI* count) (const clap_plugin_t* plugin, bool is_input);

    // [main-thread] Fills *info; true on success.
    bool (CLAP_ABI* get) (const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_note_port_info_t* info);
} clap_plugin_note_ports_t;

enum
{
    CLAP_NOTE_PORTS_RESCAN_ALL = 1 << 0,   // full rescan; only while not active
    CLAP_NOTE_PORTS_RESCAN_NAMES = 1 << 1, // names changed; the host may rescan right away
};

// Host side of the note-ports extension.
typedef struct clap_host_note_ports
{
    // [main-thread] clap_note_dialect bits the host supports.
    uint32_t (CLAP_ABI* supported_dialects) (const clap_host_t* host);

    // [main-thread] CLAP_NOTE_PORTS_RESCAN_* flags.
    void (CLAP_ABI* rescan) (const clap_host_t* host, uint32_t flags);
} clap_host_note_ports_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_note_port_info_t, 268, 4);
CLAP_ABI_CHECK_OFFSET (clap_note_port_info_t, id, 0);
CLAP_ABI_CHECK_OFFSET (clap_note_port_info_t, supported_dialects, 4);
CLAP_ABI_CHECK_OFFSET (clap_note_port_info_t, preferred_dialect, 8);
CLAP_ABI_CHECK_OFFSET (clap_note_port_info_t, name, 12);

CLAP_ABI_CHECK_SIZE (clap_plugin_note_ports_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_note_ports_t, count, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_note_ports_t, get, 8);

CLAP_ABI_CHECK_SIZE (clap_host_note_ports_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_note_ports_t, supported_dialects, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_note_ports_t, rescan, 8);
#endif
