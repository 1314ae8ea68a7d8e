#pragma once

// CLAP 1.2.7 track-info extension: name, color and kind of the plug-in's track.

#include "clap/abi-check.h"
#include "clap/color.h"
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

static const char CLAP_EXT_TRACK_INFO[] = "clap.track-info/1";

// Draft ID of the same interface; may be removed in 2026.
static const char CLAP_EXT_TRACK_INFO_COMPAT[] = "clap.track-info.draft/1";

// Bits of clap_track_info.flags.
enum
{
    CLAP_TRACK_INFO_HAS_TRACK_NAME = 1 << 0,
    CLAP_TRACK_INFO_HAS_TRACK_COLOR = 1 << 1,
    CLAP_TRACK_INFO_HAS_AUDIO_CHANNEL = 1 << 2,
    CLAP_TRACK_INFO_IS_FOR_RETURN_TRACK = 1 << 3,
    CLAP_TRACK_INFO_IS_FOR_BUS = 1 << 4,
    CLAP_TRACK_INFO_IS_FOR_MASTER = 1 << 5,
};

// What the host tells about the track; each field is valid only if its flag is set.
typedef struct clap_track_info
{
    uint64_t flags;              // CLAP_TRACK_INFO_* bits
    char name[CLAP_NAME_SIZE];   // CLAP_TRACK_INFO_HAS_TRACK_NAME
    clap_color_t color;          // CLAP_TRACK_INFO_HAS_TRACK_COLOR
    int32_t audio_channel_count; // CLAP_TRACK_INFO_HAS_AUDIO_CHANNEL
    const char* audio_port_type; // CLAP_TRACK_INFO_HAS_AUDIO_CHANNEL; as clap_audio_port_info.port_type
} clap_track_info_t;

// Plug-in side of the track-info extension.
typedef struct clap_plugin_track_info
{
    // [main-thread] The track info changed.
    void (CLAP_ABI* changed) (const clap_plugin_t* plugin);
} clap_plugin_track_info_t;

// Host side of the track-info extension.
typedef struct clap_host_track_info
{
    // [main-thread] Fills *info; true on success.
    bool (CLAP_ABI* get) (const clap_host_t* host, clap_track_info_t* info);
} clap_host_track_info_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_track_info_t, 280, 8);
CLAP_ABI_CHECK_OFFSET (clap_track_info_t, flags, 0);
CLAP_ABI_CHECK_OFFSET (clap_track_info_t, name, 8);
CLAP_ABI_CHECK_OFFSET (clap_track_info_t, color, 264);
CLAP_ABI_CHECK_OFFSET (clap_track_info_t, audio_channel_count, 268);
CLAP_ABI_CHECK_OFFSET (clap_track_info_t, audio_port_type, 272);

CLAP_ABI_CHECK_SIZE (clap_plugin_track_info_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_track_info_t, changed, 0);

CLAP_ABI_CHECK_SIZE (clap_host_track_info_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_track_info_t, get, 0);
#endif
