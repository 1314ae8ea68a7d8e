#pragma once

// CLAP 1.2.7 note-name extension: names for notes (e.g. drum pads).

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

static const char CLAP_EXT_NOTE_NAME[] = "clap.note-name";

// The name of a note, for a port, key and channel (-1 = every one).
typedef struct clap_note_name
{
    char name[CLAP_NAME_SIZE];
    int16_t port;
    int16_t key;
    int16_t channel;
} clap_note_name_t;

// Plug-in side of the note-name extension.
typedef struct clap_plugin_note_name
{
    // [main-thread]
    uint32_t (CLAP_ABI* count) (const clap_plugin_t* plugin);

    // [main-thread] Fills *note_name; true on success.
    bool (CLAP_ABI* get) (const clap_plugin_t* plugin, uint32_t index, clap_note_name_t* note_name);
} clap_plugin_note_name_t;

// Host side of the note-name extension.
typedef struct clap_host_note_name
{
    // [main-thread] The note names changed.
    void (CLAP_ABI* changed) (const clap_host_t* host);
} clap_host_note_name_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_note_name_t, 262, 2);
CLAP_ABI_CHECK_OFFSET (clap_note_name_t, name, 0);
CLAP_ABI_CHECK_OFFSET (clap_note_name_t, port, 256);
CLAP_ABI_CHECK_OFFSET (clap_note_name_t, key, 258);
CLAP_ABI_CHECK_OFFSET (clap_note_name_t, channel, 260);

CLAP_ABI_CHECK_SIZE (clap_plugin_note_name_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_note_name_t, count, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_note_name_t, get, 8);

CLAP_ABI_CHECK_SIZE (clap_host_note_name_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_note_name_t, changed, 0);
#endif
