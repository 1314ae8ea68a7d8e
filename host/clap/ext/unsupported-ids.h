#pragma once

// IDs of CLAP 1.2.7 extensions the Looper does not implement:
// clap_plugin.get_extension answers null for each of them (as for any other
// unknown ID). Only the IDs are declared here, no interfaces.

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load/2";
static const char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";

static const char CLAP_EXT_VOICE_INFO[] = "clap.voice-info";

static const char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";
static const char CLAP_EXT_AUDIO_PORTS_CONFIG_INFO[] = "clap.audio-ports-config-info/1";
static const char CLAP_EXT_AUDIO_PORTS_CONFIG_INFO_COMPAT[] = "clap.audio-ports-config-info/draft-0";

static const char CLAP_EXT_STATE_CONTEXT[] = "clap.state-context/2";

static const char CLAP_EXT_REMOTE_CONTROLS[] = "clap.remote-controls/2";
static const char CLAP_EXT_REMOTE_CONTROLS_COMPAT[] = "clap.remote-controls.draft/2";

static const char CLAP_EXT_PARAM_INDICATION[] = "clap.param-indication/4";
static const char CLAP_EXT_PARAM_INDICATION_COMPAT[] = "clap.param-indication.draft/4";

static const char CLAP_EXT_THREAD_POOL[] = "clap.thread-pool";

#ifdef __cplusplus
}
#endif
