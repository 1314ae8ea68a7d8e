#include "clap/clap.h"

#include <gtest/gtest.h>

#include <cstdint>

// Numeric constants are compile-time facts; the struct layouts are pinned in the headers.
static_assert (CLAP_INVALID_ID == UINT32_MAX, "CLAP_INVALID_ID is 0xFFFFFFFF");
static_assert (CLAP_BEATTIME_FACTOR == (int64_t { 1 } << 31), "beat time is fixed point with 31 fraction bits");
static_assert (CLAP_SECTIME_FACTOR == (int64_t { 1 } << 31), "seconds are fixed point with 31 fraction bits");
static_assert (CLAP_NAME_SIZE == 256 && CLAP_PATH_SIZE == 1024, "string buffer capacities");
static_assert (CLAP_VERSION_EQ (1, 2, 7) && CLAP_VERSION_GE (1, 2, 0) && CLAP_VERSION_LT (1, 2, 8) && CLAP_VERSION_LT (2, 0, 0),
               "built against CLAP 1.2.7");

TEST (ClapAbi, IdStringsMatchTheStandard)
{
    struct IdCase
    {
        const char* constant;
        const char* actual;
        const char* expected;
    };

    const IdCase cases[] = {
        { "CLAP_PLUGIN_FACTORY_ID", CLAP_PLUGIN_FACTORY_ID, "clap.plugin-factory" },
        { "CLAP_PLUGIN_FEATURE_AUDIO_EFFECT", CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, "audio-effect" },
        { "CLAP_EXT_STATE", CLAP_EXT_STATE, "clap.state" },
        { "CLAP_EXT_RENDER", CLAP_EXT_RENDER, "clap.render" },
        { "CLAP_EXT_TRACK_INFO", CLAP_EXT_TRACK_INFO, "clap.track-info/1" },
        { "CLAP_EXT_TRACK_INFO_COMPAT", CLAP_EXT_TRACK_INFO_COMPAT, "clap.track-info.draft/1" },
        { "CLAP_EXT_LATENCY", CLAP_EXT_LATENCY, "clap.latency" },
        { "CLAP_EXT_AUDIO_PORTS", CLAP_EXT_AUDIO_PORTS, "clap.audio-ports" },
        { "CLAP_PORT_MONO", CLAP_PORT_MONO, "mono" },
        { "CLAP_PORT_STEREO", CLAP_PORT_STEREO, "stereo" },
        { "CLAP_EXT_PARAMS", CLAP_EXT_PARAMS, "clap.params" },
        { "CLAP_EXT_NOTE_PORTS", CLAP_EXT_NOTE_PORTS, "clap.note-ports" },
        { "CLAP_EXT_NOTE_NAME", CLAP_EXT_NOTE_NAME, "clap.note-name" },
        { "CLAP_EXT_TIMER_SUPPORT", CLAP_EXT_TIMER_SUPPORT, "clap.timer-support" },
        { "CLAP_EXT_GUI", CLAP_EXT_GUI, "clap.gui" },
        { "CLAP_WINDOW_API_WIN32", CLAP_WINDOW_API_WIN32, "win32" },
        { "CLAP_WINDOW_API_COCOA", CLAP_WINDOW_API_COCOA, "cocoa" },
        { "CLAP_WINDOW_API_X11", CLAP_WINDOW_API_X11, "x11" },
        { "CLAP_WINDOW_API_WAYLAND", CLAP_WINDOW_API_WAYLAND, "wayland" },
        { "CLAP_EXT_TAIL", CLAP_EXT_TAIL, "clap.tail" },
        { "CLAP_EXT_POSIX_FD_SUPPORT", CLAP_EXT_POSIX_FD_SUPPORT, "clap.posix-fd-support" },
        { "CLAP_EXT_LOG", CLAP_EXT_LOG, "clap.log" },
        { "CLAP_EXT_THREAD_CHECK", CLAP_EXT_THREAD_CHECK, "clap.thread-check" },
        { "CLAP_EXT_CONTEXT_MENU", CLAP_EXT_CONTEXT_MENU, "clap.context-menu/1" },
        { "CLAP_EXT_CONTEXT_MENU_COMPAT", CLAP_EXT_CONTEXT_MENU_COMPAT, "clap.context-menu.draft/0" },
        // Extensions the plug-in answers with null.
        { "CLAP_EXT_PRESET_LOAD", CLAP_EXT_PRESET_LOAD, "clap.preset-load/2" },
        { "CLAP_EXT_PRESET_LOAD_COMPAT", CLAP_EXT_PRESET_LOAD_COMPAT, "clap.preset-load.draft/2" },
        { "CLAP_EXT_VOICE_INFO", CLAP_EXT_VOICE_INFO, "clap.voice-info" },
        { "CLAP_EXT_AUDIO_PORTS_CONFIG", CLAP_EXT_AUDIO_PORTS_CONFIG, "clap.audio-ports-config" },
        { "CLAP_EXT_AUDIO_PORTS_CONFIG_INFO", CLAP_EXT_AUDIO_PORTS_CONFIG_INFO, "clap.audio-ports-config-info/1" },
        { "CLAP_EXT_AUDIO_PORTS_CONFIG_INFO_COMPAT", CLAP_EXT_AUDIO_PORTS_CONFIG_INFO_COMPAT, "clap.audio-ports-config-info/draft-0" },
        { "CLAP_EXT_STATE_CONTEXT", CLAP_EXT_STATE_CONTEXT, "clap.state-context/2" },
        { "CLAP_EXT_REMOTE_CONTROLS", CLAP_EXT_REMOTE_CONTROLS, "clap.remote-controls/2" },
        { "CLAP_EXT_REMOTE_CONTROLS_COMPAT", CLAP_EXT_REMOTE_CONTROLS_COMPAT, "clap.remote-controls.draft/2" },
        { "CLAP_EXT_PARAM_INDICATION", CLAP_EXT_PARAM_INDICATION, "clap.param-indication/4" },
        { "CLAP_EXT_PARAM_INDICATION_COMPAT", CLAP_EXT_PARAM_INDICATION_COMPAT, "clap.param-indication.draft/4" },
        { "CLAP_EXT_THREAD_POOL", CLAP_EXT_THREAD_POOL, "clap.thread-pool" },
    };

    for (const auto& c : cases)
        EXPECT_STREQ (c.actual, c.expected) << c.constant;
}

TEST (ClapAbi, BuiltAgainstOnePointTwoPointSevenAndOnlyVersionZeroIsIncompatible)
{
    EXPECT_EQ (CLAP_VERSION.major, 1u);
    EXPECT_EQ (CLAP_VERSION.minor, 2u);
    EXPECT_EQ (CLAP_VERSION.revision, 7u);

    struct VersionCase
    {
        clap_version_t version;
        bool compatible;
    };

    const VersionCase cases[] = {
        { CLAP_VERSION, true },
        { { 0, 0, 0 }, false },
        { { 0, 99, 99 }, false },
        { { 1, 0, 0 }, true },
        { { 1, 99, 0 }, true },
        { { 2, 0, 0 }, true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (clap_version_is_compatible (c.version), c.compatible)
            << c.version.major << '.' << c.version.minor << '.' << c.version.revision;
}
