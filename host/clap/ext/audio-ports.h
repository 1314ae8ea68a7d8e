#pragma once

// CLAP 1.2.7 audio-ports extension. Without it a plug-in has no audio ports;
// ports may only change while the plug-in is deactivated.

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

static const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";

// Values of clap_audio_port_info.port_type.
static const char CLAP_PORT_MONO[] = "mono";
static const char CLAP_PORT_STEREO[] = "stereo";

// Bits of clap_audio_port_info.flags.
enum
{
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,                     // at most one main input and output, at index 0
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,             // usable with 64-bit audio
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,              // 64-bit audio preferred
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3, // all ports with this flag use the same sample size
};

// Description of one audio port.
typedef struct clap_audio_port_info
{
    clap_id id;                // stable; may overlap between inputs and outputs
    char name[CLAP_NAME_SIZE]; // display name
    uint32_t flags;            // CLAP_AUDIO_PORT_* bits
    uint32_t channel_count;
    const char* port_type; // null or empty: unspecified; else e.g. CLAP_PORT_STEREO
    clap_id in_place_pair; // port paired for in-place processing, or CLAP_INVALID_ID
} clap_audio_port_info_t;

// Plug-in side of the audio-ports extension.
typedef struct clap_plugin_audio_ports
{
    // [main-thread] Number of input or output ports.
    uint32_t (CLAP_ABI* count) (const clap_plugin_t* plugin, bool is_input);

    // [main-thread] Fills *info; true on success.
    bool (CLAP_ABI* get) (const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

// Flags of clap_host_audio_ports.rescan and is_rescan_flag_supported.
enum
{
    CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,         // names changed; the host may rescan right away
    CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,         // [!active] flags changed
    CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2, // [!active] channel count changed
    CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,     // [!active] port type changed
    CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4, // [!active] in-place pair changed
    CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5,          // [!active] ports added or removed
};

// Host side of the audio-ports extension.
typedef struct clap_host_audio_ports
{
    // [main-thread]
    bool (CLAP_ABI* is_rescan_flag_supported) (const clap_host_t* host, uint32_t flag);

    // [main-thread] Only with flags the host supports.
    void (CLAP_ABI* rescan) (const clap_host_t* host, uint32_t flags);
} clap_host_audio_ports_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_audio_port_info_t, 288, 8);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, id, 0);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, name, 4);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, flags, 260);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, channel_count, 264);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, port_type, 272);
CLAP_ABI_CHECK_OFFSET (clap_audio_port_info_t, in_place_pair, 280);

CLAP_ABI_CHECK_SIZE (clap_plugin_audio_ports_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_audio_ports_t, count, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_audio_ports_t, get, 8);

CLAP_ABI_CHECK_SIZE (clap_host_audio_ports_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_audio_ports_t, is_rescan_flag_supported, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_audio_ports_t, rescan, 8);
#endif
