#include "TestHost.h"
#include "checked/Plugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace
{
const clap_plugin_descriptor kDescriptor { CLAP_VERSION, "com.ravelwick.test", "Test", "", "", "", "", "0", "", nullptr };

/** A plug-in on the checked base that records the virtual calls it receives
    and answers as the test sets it up.
*/
class ProbePlugin : public clap::checked::Plugin
{
public:
    ProbePlugin (const clap_host* host, std::vector<std::string>& calls)
        : Plugin (&kDescriptor, host), calls (calls) {}

    ~ProbePlugin() override { calls.push_back ("destructor"); }

    using Plugin::active;
    using Plugin::guiCreated;
    using Plugin::hostProxy;
    using Plugin::initialised;
    using Plugin::processing;
    using Plugin::runCallbacksOnMainThread;
    using Plugin::runOnMainThread;

    bool init() override { return record ("init", true); }
    bool activate (double rate, std::uint32_t, std::uint32_t) override { return record ("activate " + std::to_string (static_cast<int> (rate)), activateAnswer); }
    void deactivate() override { calls.push_back ("deactivate"); }
    bool startProcessing() override { return record ("startProcessing", true); }
    void stopProcessing() override { calls.push_back ("stopProcessing"); }
    clap_process_status process (const clap_process*) override { return record ("process", true) ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR; }
    void reset() override { calls.push_back ("reset"); }
    void onMainThread() override { calls.push_back ("onMainThread"); }

    bool implementsLatency() const override { return true; }
    std::uint32_t latencyGet() override { return record ("latencyGet", true) ? 0 : 0; }
    bool implementsTail() const override { return true; }
    std::uint32_t tailGet() override { return record ("tailGet", true) ? 0 : 0; }
    bool implementsRender() const override { return true; }
    bool renderHasHardRealtimeRequirement() override { return hardRealtime; }
    bool renderSetMode (clap_plugin_render_mode) override { return record ("renderSetMode", true); }
    bool implementsState() const override { return true; }
    bool implementsTrackInfo() const override { return true; }
    void trackInfoChanged() override { calls.push_back ("trackInfoChanged"); }
    bool implementsAudioPorts() const override { return true; }
    std::uint32_t audioPortsCount (bool) override { return 1; }
    bool audioPortsInfo (std::uint32_t, bool, clap_audio_port_info*) override { return record ("audioPortsInfo", true); }
    bool implementsParams() const override { return true; }
    std::uint32_t paramsCount() override { return 12; }
    bool paramsInfo (std::uint32_t, clap_param_info*) override { return record ("paramsInfo", true); }
    bool paramsValue (clap_id, double*) override { return record ("paramsValue", true); }
    bool paramsValueToText (clap_id, double, char*, std::uint32_t) override { return record ("paramsValueToText", true); }
    bool paramsTextToValue (clap_id, const char*, double*) override { return record ("paramsTextToValue", true); }
    void paramsFlush (const clap_input_events*, const clap_output_events*) override { calls.push_back ("paramsFlush"); }
    bool isValidParamId (clap_id id) override { return id == 7; }
    bool implementsNotePorts() const override { return true; }
    std::uint32_t notePortsCount (bool isInput) override { return isInput ? 1 : 0; }
    bool notePortsInfo (std::uint32_t, bool, clap_note_port_info*) override { return record ("notePortsInfo", true); }
    bool implementsNoteName() const override { return true; }
    bool implementsTimerSupport() const override { return true; }
    void onTimer (clap_id) override { calls.push_back ("onTimer"); }
    bool implementsPosixFdSupport() const override { return true; }
    void onPosixFd (int fd, clap_posix_fd_flags_t flags) override { calls.push_back ("onPosixFd " + std::to_string (fd) + " " + std::to_string (flags)); }
    bool implementsGui() const override { return true; }
    bool guiCreate (const char*, bool) override { return record ("guiCreate", true); }
    void guiDestroy() override { calls.push_back ("guiDestroy"); }
    bool guiSetScale (double) override { return record ("guiSetScale", true); }
    bool guiCanResize() override { return resizable; }
    bool guiAdjustSize (std::uint32_t* w, std::uint32_t* h) override
    {
        *w = *h = std::min (*w, *h);
        return true;
    }
    bool guiSetSize (std::uint32_t, std::uint32_t) override { return record ("guiSetSize", true); }
    bool guiSetParent (const clap_window*) override { return record ("guiSetParent", true); }
    bool guiSetTransient (const clap_window*) override { return record ("guiSetTransient", true); }
    void guiSuggestTitle (const char*) override { calls.push_back ("guiSuggestTitle"); }
    void logTee (clap_log_severity severity, const char* message) override { teed.push_back (std::to_string (severity) + " " + message); }

    std::vector<std::string> teed;

    bool activateAnswer = true;
    bool hardRealtime = false;
    bool resizable = true;

private:
    bool record (const std::string& call, bool answer)
    {
        calls.push_back (call);
        return answer;
    }

    std::vector<std::string>& calls;
};

/** Captures what is written to standard error while it exists. */
class StandardErrorCapture
{
public:
    StandardErrorCapture()
    {
        std::fflush (stderr);
        file = std::tmpfile();
        saved = dup (STDERR_FILENO);
        dup2 (fileno (file), STDERR_FILENO);
    }

    ~StandardErrorCapture()
    {
        restore();
        std::fclose (file);
    }

    std::string text()
    {
        restore();
        std::string captured;
        std::rewind (file);
        for (int c; (c = std::fgetc (file)) != EOF;)
            captured += static_cast<char> (c);
        return captured;
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush (stderr);
        dup2 (saved, STDERR_FILENO);
        close (saved);
        saved = -1;
    }

    std::FILE* file = nullptr;
    int saved = -1;
};

/** A test host and a probe plug-in, with helpers for the CLAP calls. */
struct Session
{
    Session()
        : probe (new ProbePlugin (&host.host, calls)), plugin (probe->clapPlugin()) {}

    ~Session()
    {
        if (plugin != nullptr)
            plugin->destroy (plugin);
    }

    template <typename Extension>
    const Extension* extension (const char* id)
    {
        return static_cast<const Extension*> (plugin->get_extension (plugin, id));
    }

    void init() { plugin->init (plugin); }
    void activate() { plugin->activate (plugin, 48000.0, 1, 512); }
    void startProcessing()
    {
        host.onMainThread = false;
        host.onAudioThread = true;
        plugin->start_processing (plugin);
        host.onMainThread = true;
        host.onAudioThread = false;
    }
    void createGui (bool floating) { extension<clap_plugin_gui> (CLAP_EXT_GUI)->create (plugin, floating ? nullptr : CLAP_WINDOW_API_X11, floating); }

    TestHost host;
    std::vector<std::string> calls;
    ProbePlugin* probe;
    const clap_plugin* plugin;
};

using Arrange = std::function<void (Session&)>;
using Act = std::function<long long (Session&)>;

const Arrange initialised = [] (Session& s) { s.init(); };
const Arrange activated = [] (Session& s) {
    s.init();
    s.activate();
};
const Arrange onAudioThread = [] (Session& s) {
    s.init();
    s.activate();
    s.host.onMainThread = false;
    s.host.onAudioThread = true;
};
const Arrange editorCreated = [] (Session& s) {
    s.init();
    s.createGui (false);
};
const Arrange floatingEditorCreated = [] (Session& s) {
    s.init();
    s.createGui (true);
};

const clap_plugin_gui* gui (Session& s)
{
    return s.extension<clap_plugin_gui> (CLAP_EXT_GUI);
}
const clap_plugin_params* params (Session& s)
{
    return s.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
}
} // namespace

TEST (CheckedPlugin, ReportsMisbehavingHostsAndGivesNeutralAnswers)
{
    const clap_window window { CLAP_WINDOW_API_X11, { nullptr } };
    char display[64];
    double value = 0.0;
    clap_param_info paramInfo {};
    clap_audio_port_info portInfo {};
    clap_note_port_info notePortInfo {};
    clap_note_name noteName {};

    const struct Case
    {
        const char* name;
        Arrange arrange;
        Act act;
        long long result;
        std::vector<std::string> messages;
        const char* standardError = "";
    } cases[] = {
        // Before init the plug-in has not asked for the host's log: reports go to standard error.
        { "activate before init", nullptr, [] (Session& s) { return s.plugin->activate (s.plugin, 44100.0, 1, 64); }, true, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.activate() was called before clap_plugin.init()\n" },
        { "process before init", nullptr, [] (Session& s) { return s.plugin->process (s.plugin, nullptr); }, CLAP_PROCESS_ERROR, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.process() was called before clap_plugin.init()\n"
                                                                                                                                     "Host called clap_plugin.process() on a deactivated plugin\n" },
        { "on_main_thread before init", nullptr, [] (Session& s) { s.plugin->on_main_thread (s.plugin); return 0; }, 0, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.on_maint_thread() was called before clap_plugin.init()\n" },
        { "extension before init", nullptr, [] (Session& s) { return s.plugin->get_extension (s.plugin, CLAP_EXT_STATE) != nullptr; }, true, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.extension() was called before clap_plugin.init()\n" },
        { "deactivate before init", nullptr, [] (Session& s) { s.plugin->deactivate (s.plugin); return 0; }, 0, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.deactivate() was called before clap_plugin.init()\nThe plugin was deactivated twice.\n" },
        { "reset before init", nullptr, [] (Session& s) { s.plugin->reset (s.plugin); return 0; }, 0, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.reset() was called before clap_plugin.init()\nHost called clap_plugin.reset() on a deactivated plugin\n" },
        { "extension call before init", nullptr, [] (Session& s) { return s.extension<clap_plugin_params> (CLAP_EXT_PARAMS) != nullptr; }, true, {}, "Host is required to call clap_plugin.init() first\nclap_plugin.extension() was called before clap_plugin.init()\n" },
        { "init twice", initialised, [] (Session& s) { return s.plugin->init (s.plugin); }, true, {}, "clap_plugin.init() has been called twice\n" },

        { "activate twice with the same rate", activated, [] (Session& s) { return s.plugin->activate (s.plugin, 48000.0, 1, 512); }, true, { "Plugin was activated twice" } },
        { "activate twice with another rate", activated, [] (Session& s) { return s.plugin->activate (s.plugin, 44100.5, 1, 512); }, true, { "Plugin was activated twice", "The plugin was activated twice and with different sample rates: 48000 and 44100.5. The host must deactivate the plugin first.\nSimulating deactivation." } },
        { "rate 0", initialised, [] (Session& s) { return s.plugin->activate (s.plugin, 0.0, 1, 512); }, false, { "The plugin was activated with an invalid sample rates: 0" } },
        { "minimum frame count 0", initialised, [] (Session& s) { return s.plugin->activate (s.plugin, 44100.0, 0, 512); }, false, { "The plugin was activated with an invalid minimum frame count: 0" } },
        { "maximum frame count above the 32-bit range", initialised, [] (Session& s) { return s.plugin->activate (s.plugin, 44100.0, 1, 2147483648u); }, false, { "The plugin was activated with an invalid maximum frame count: 2147483648" } },
        { "minimum above maximum", initialised, [] (Session& s) { return s.plugin->activate (s.plugin, 44100.0, 64, 32); }, false, { "The plugin was activated with an invalid minmum and maximum frame count: min > max: 64 > 32" } },
        { "deactivate twice", initialised, [] (Session& s) { s.plugin->deactivate (s.plugin); return 0; }, 0, { "The plugin was deactivated twice." } },

        { "start_processing while inactive", [] (Session& s) { s.init(); s.host.onMainThread = false; s.host.onAudioThread = true; }, [] (Session& s) { return s.plugin->start_processing (s.plugin); }, false, { "Host called clap_plugin.start_processing() on a deactivated plugin" } },
        { "start_processing twice", [] (Session& s) { activated (s); s.startProcessing(); s.host.onAudioThread = true; s.host.onMainThread = false; }, [] (Session& s) { return s.plugin->start_processing (s.plugin); }, true, { "Host called clap_plugin.start_processing() twice" } },
        { "process before start_processing", onAudioThread, [] (Session& s) { return s.plugin->process (s.plugin, nullptr); }, CLAP_PROCESS_ERROR, { "Host called clap_plugin.process() without calling clap_plugin.start_processing()" } },
        { "stop_processing twice", [] (Session& s) { onAudioThread (s); s.plugin->start_processing (s.plugin); s.plugin->stop_processing (s.plugin); }, [] (Session& s) { s.plugin->stop_processing (s.plugin); return 0; }, 0, { "Host called clap_plugin.stop_processing() twice" } },
        { "stop_processing while inactive", [] (Session& s) { s.init(); s.host.onAudioThread = true; s.host.onMainThread = false; }, [] (Session& s) { s.plugin->stop_processing (s.plugin); return 0; }, 0, { "Host called clap_plugin.stop_processing() on a deactivated plugin" } },
        { "reset while inactive", [] (Session& s) { s.init(); s.host.onAudioThread = true; s.host.onMainThread = false; }, [] (Session& s) { s.plugin->reset (s.plugin); return 0; }, 0, { "Host called clap_plugin.reset() on a deactivated plugin" } },

        { "main-thread call on the audio thread", onAudioThread, [] (Session& s) { return params (s)->count (s.plugin); }, 12, { "Host called the method clap_plugin_params.count() on wrong thread! It must be called on main thread!" } },
        { "fd readiness on the audio thread", onAudioThread, [] (Session& s) { s.extension<clap_plugin_posix_fd_support> (CLAP_EXT_POSIX_FD_SUPPORT)->on_fd (s.plugin, 7, CLAP_POSIX_FD_READ); return s.calls.back() == "onPosixFd 7 1"; }, true, { "Host called the method clap_plugin_posix_fd_support.on_fd() on wrong thread! It must be called on main thread!" } },
        { "audio-thread call on the main thread", activated, [] (Session& s) { s.plugin->reset (s.plugin); return 0; }, 0, { "Host called the method clap_plugin.reset() on wrong thread! It must be called on audio thread!" } },
        { "no thread check: no thread messages", [] (Session& s) { s.host.offersThreadCheck = false; activated (s); }, [] (Session& s) { s.host.onMainThread = false; s.plugin->reset (s.plugin); return params (s)->count (s.plugin); }, 12, {} },
        { "partial thread check: no thread messages", [] (Session& s) { s.host.threadCheckExtension.is_audio_thread = nullptr; activated (s); }, [] (Session& s) { s.host.onMainThread = false; return params (s)->count (s.plugin); }, 12, {} },
        { "flush while active belongs to the audio thread", activated, [] (Session& s) { params (s)->flush (s.plugin, nullptr, nullptr); return 0; }, 0, { "Host called the method clap_plugin_params.flush() on wrong thread! It must be called on audio thread!" } },

        { "params info out of range", initialised, [&] (Session& s) { return params (s)->get_info (s.plugin, 12, &paramInfo); }, false, { "called clap_plugin_params.info with an index out of bounds: 12 >= 12" } },
        { "params value with an unknown id", initialised, [&] (Session& s) { return params (s)->get_value (s.plugin, 99, &value); }, false, { "clap_plugin_params.value called with invalid param_id: 99" } },
        { "value_to_text with an unknown id", initialised, [&] (Session& s) { return params (s)->value_to_text (s.plugin, 4294967295u, 0.5, display, 64); }, false, { "clap_plugin_params.value_to_text called with invalid param_id: 4294967295" } },
        { "value_to_text without a buffer", initialised, [] (Session& s) { return params (s)->value_to_text (s.plugin, 7, 0.5, nullptr, 64); }, false, { "clap_plugin_params.value_to_text called with a null display pointer" } },
        { "value_to_text with a one-byte buffer", initialised, [&] (Session& s) { return params (s)->value_to_text (s.plugin, 7, 0.5, display, 1); }, false, { "clap_plugin_params.value_to_text called with a empty buffer (less than one character)" } },
        { "text_to_value with an unknown id", initialised, [&] (Session& s) { return params (s)->text_to_value (s.plugin, 8, "1", &value); }, false, { "clap_plugin_params.text_to_value called with invalid param_id: 8" } },
        { "text_to_value without text", initialised, [&] (Session& s) { return params (s)->text_to_value (s.plugin, 7, nullptr, &value); }, false, { "clap_plugin_params.text_to_value called with a null display pointer" } },
        { "text_to_value without a result", initialised, [] (Session& s) { return params (s)->text_to_value (s.plugin, 7, "1", nullptr); }, false, { "clap_plugin_params.text_to_value called with a null value pointer" } },

        { "gui created twice", editorCreated, [] (Session& s) { return gui (s)->create (s.plugin, CLAP_WINDOW_API_X11, false); }, false, { "clap_plugin_gui.create() was called while the plugin gui was already created" } },
        { "gui without api and not floating", initialised, [] (Session& s) { return gui (s)->create (s.plugin, nullptr, false); }, false, { "clap_plugin_gui.create() was called with a null api and a non floating window" } },
        { "gui destroyed without create", initialised, [] (Session& s) { gui (s)->destroy (s.plugin); return 0; }, 0, { "clap_plugin_gui.destroy() was called while the plugin gui not created" } },
        { "gui scale without create", initialised, [] (Session& s) { return gui (s)->set_scale (s.plugin, 2.0); }, false, { "clap_plugin_gui.set_scale() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui show without create", initialised, [] (Session& s) { return gui (s)->show (s.plugin); }, false, { "clap_plugin_gui.show() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui hide without create", initialised, [] (Session& s) { return gui (s)->hide (s.plugin); }, false, { "clap_plugin_gui.hide() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui size without create", initialised, [] (Session& s) { std::uint32_t w, h; return gui (s)->get_size (s.plugin, &w, &h); }, false, { "clap_plugin_gui.size() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui can_resize without create", initialised, [] (Session& s) { return gui (s)->can_resize (s.plugin); }, false, { "clap_plugin_gui.can_resize() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui resize hints without create", initialised, [] (Session& s) { clap_gui_resize_hints hints; return gui (s)->get_resize_hints (s.plugin, &hints); }, false, { "clap_plugin_gui.get_resize_hints() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui adjust_size without create", initialised, [] (Session& s) { std::uint32_t w = 1, h = 1; return gui (s)->adjust_size (s.plugin, &w, &h); }, false, { "clap_plugin_gui.adjust_size() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui set_size without create", initialised, [] (Session& s) { return gui (s)->set_size (s.plugin, 100, 100); }, false, { "clap_plugin_gui.set_size() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui title without create", initialised, [] (Session& s) { gui (s)->suggest_title (s.plugin, "Looper"); return 0; }, 0, { "clap_plugin_gui.suggest_title() was called without a prior call to clap_plugin_gui.create()" } },
        { "gui size not resizable", [] (Session& s) { editorCreated (s); s.probe->resizable = false; }, [] (Session& s) { return gui (s)->set_size (s.plugin, 500, 500); }, false, { "clap_plugin_gui.set_size() was called but the gui is not resizable" } },
        { "gui size not adjusted", editorCreated, [] (Session& s) { return gui (s)->set_size (s.plugin, 500, 400); }, true, { "clap_plugin_gui.set_size() was called with a size which was not adjusted by clap_plugin_gui.adjust_size(): 500x400 vs 400x400" } },
        { "gui parent while floating", floatingEditorCreated, [&] (Session& s) { return gui (s)->set_parent (s.plugin, &window); }, false, { "clap_plugin_gui.set_parent() was called while the plugin gui is a floating window, use set_transient() instead" } },
        { "gui parent without create", initialised, [&] (Session& s) { return gui (s)->set_parent (s.plugin, &window); }, false, { "clap_plugin_gui.set_parent() was called while the plugin gui was not created" } },
        { "gui transient while embedded", editorCreated, [&] (Session& s) { return gui (s)->set_transient (s.plugin, &window); }, false, { "clap_plugin_gui.set_transient() was called while the plugin gui isn't a floating window, use set_parent() instead" } },
        { "gui title while embedded", editorCreated, [] (Session& s) { gui (s)->suggest_title (s.plugin, "Looper"); return 0; }, 0, { "clap_plugin_gui.suggest_title() but the gui was not created as a floating window" } },
        { "gui title missing", floatingEditorCreated, [] (Session& s) { gui (s)->suggest_title (s.plugin, nullptr); return 0; }, 0, { "clap_plugin_gui.suggest_title() was called with a null title" } },

        { "render mode unknown", initialised, [] (Session& s) { return s.extension<clap_plugin_render> (CLAP_EXT_RENDER)->set (s.plugin, 7); }, false, { "host called clap_plugin_render.set_mode with an unknown mode : 7" } },
        { "offline rendering with a hard realtime requirement", [] (Session& s) { s.init(); s.probe->hardRealtime = true; }, [] (Session& s) { return s.extension<clap_plugin_render> (CLAP_EXT_RENDER)->set (s.plugin, CLAP_RENDER_OFFLINE); }, false, {} },
        { "track info from a partial host extension", [] (Session& s) { s.host.trackInfoExtension.get = nullptr; s.init(); }, [] (Session& s) { s.extension<clap_plugin_track_info> (CLAP_EXT_TRACK_INFO)->changed (s.plugin); return 0; }, 0, { "clap_host_track_info is partially implemented", "host called clap_plugin_track_info.changed() but does not provide a complete clap_host_track_info interface" } },
        { "track info without the host extension", [] (Session& s) { s.host.offersTrackInfo = false; s.init(); }, [] (Session& s) { s.extension<clap_plugin_track_info> (CLAP_EXT_TRACK_INFO)->changed (s.plugin); return 0; }, 0, { "host called clap_plugin_track_info.changed() but does not provide a complete clap_host_track_info interface" } },
        { "timer with the invalid id", initialised, [] (Session& s) { s.extension<clap_plugin_timer_support> (CLAP_EXT_TIMER_SUPPORT)->on_timer (s.plugin, CLAP_INVALID_ID); return 0; }, 0, { "Host called clap_plugin_timer_support.on_timer with an invalid timer_id" } },
        { "latency before activation", initialised, [] (Session& s) { return s.extension<clap_plugin_latency> (CLAP_EXT_LATENCY)->get (s.plugin); }, 0, { "It is wrong to query the latency before the plugin is activated, because if the plugin doesn't know the sample rate, it can't know the number of samples of latency." } },
        { "tail before activation", initialised, [] (Session& s) { return s.extension<clap_plugin_tail> (CLAP_EXT_TAIL)->get (s.plugin); }, 0, { "It is wrong to query the tail before the plugin is activated, because if the plugin doesn't know the sample rate, it can't know the tail length in samples." } },
        { "audio port info on the wrong thread checks its count there too", [] (Session& s) { s.init(); s.host.onMainThread = false; }, [&] (Session& s) { return s.extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS)->get (s.plugin, 0, true, &portInfo); }, true, { "Host called the method clap_plugin_audio_ports.info() on wrong thread! It must be called on main thread!", "Host called the method clap_plugin_audio_ports.count() on wrong thread! It must be called on main thread!" } },
        { "audio port index out of range", initialised, [&] (Session& s) { return s.extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS)->get (s.plugin, 2, true, &portInfo); }, false, { "Host called clap_plugin_audio_ports.info() with an index out of bounds: 2 >= 1" } },
        { "note port index out of range", initialised, [&] (Session& s) { return s.extension<clap_plugin_note_ports> (CLAP_EXT_NOTE_PORTS)->get (s.plugin, 1, true, &notePortInfo); }, false, { "Host called clap_plugin_note_ports.info() with an index out of bounds: 1 >= 1" } },
        { "note name index out of range", initialised, [&] (Session& s) { return s.extension<clap_plugin_note_name> (CLAP_EXT_NOTE_NAME)->get (s.plugin, 3, &noteName); }, false, { "host called clap_plugin_note_name.get with an index out of bounds: 3 >= 0" } },
    };

    for (const auto& c : cases)
    {
        Session session;
        if (c.arrange)
            c.arrange (session);
        session.host.log.clear();

        StandardErrorCapture standardError;
        const auto result = c.act (session);
        const auto written = standardError.text();

        EXPECT_EQ (result, c.result) << c.name;
        EXPECT_EQ (session.host.messages(), c.messages) << c.name;
        for (const auto& entry : session.host.log)
            EXPECT_EQ (entry.severity, CLAP_LOG_HOST_MISBEHAVING) << c.name;
        EXPECT_EQ (written, c.standardError) << c.name;

        session.host.onMainThread = true;
        session.host.onAudioThread = false;
    }
}

TEST (CheckedPlugin, EveryReportIsTeedToTheSubclassFirst)
{
    Session session;
    session.init();
    session.plugin->deactivate (session.plugin);
    EXPECT_EQ (session.probe->teed, (std::vector<std::string> { "5 The plugin was deactivated twice." }));
}

TEST (CheckedPlugin, TrackInfoFallsBackToTheDraftId)
{
    Session session;
    session.host.offersTrackInfoOnlyAsDraft = true;
    session.init();
    const auto& requests = session.host.extensionRequests;
    EXPECT_EQ (std::count (requests.begin(), requests.end(), "clap.track-info.draft/1"), 1);

    session.extension<clap_plugin_track_info> (CLAP_EXT_TRACK_INFO)->changed (session.plugin);
    EXPECT_EQ (session.calls.back(), "trackInfoChanged");
    EXPECT_TRUE (session.host.log.empty());
}

TEST (CheckedPlugin, ReactivationWithAnotherRateDeactivatesFirst)
{
    Session same;
    activated (same);
    same.activate();
    EXPECT_EQ (same.calls, (std::vector<std::string> { "init", "activate 48000", "activate 48000" }));

    Session other;
    activated (other);
    other.plugin->activate (other.plugin, 44100.0, 1, 512);
    EXPECT_EQ (other.calls, (std::vector<std::string> { "init", "activate 48000", "deactivate", "activate 44100" }));

    Session refused;
    activated (refused);
    EXPECT_FALSE (refused.plugin->activate (refused.plugin, 44100.0, 0, 512));
    EXPECT_FALSE (refused.probe->active) << "the simulated deactivation stands";
}

TEST (CheckedPlugin, InitFetchesHostExtensionsOnceInOrder)
{
    Session session;
    session.init();
    const std::vector<std::string> expected { "clap.log", "clap.thread-check", "clap.latency", "clap.gui", "clap.params",
                                              "clap.track-info/1", "clap.state", "clap.context-menu/1", "clap.context-menu.draft/0",
                                              "clap.timer-support", "clap.posix-fd-support" };
    EXPECT_EQ (session.host.extensionRequests, expected);

    StandardErrorCapture standardError;
    session.init();
    EXPECT_EQ (session.host.extensionRequests.size(), expected.size());
}

TEST (CheckedPlugin, AnswersExtensionsByExactId)
{
    Session session;
    session.init();

    const struct
    {
        const char* id;
        bool offered;
    } cases[] = {
        { "clap.state", true },
        { "clap.render", true },
        { "clap.track-info/1", true },
        { "clap.track-info.draft/1", true },
        { "clap.latency", true },
        { "clap.audio-ports", true },
        { "clap.params", true },
        { "clap.note-ports", true },
        { "clap.note-name", true },
        { "clap.timer-support", true },
        { "clap.posix-fd-support", true },
        { "clap.gui", true },
        { "clap.tail", true },
        { "clap.preset-load/2", false },
        { "clap.context-menu/1", false },
        { "clap.voice-info", false },
        { "clap.stat", false },
        { "clap.state ", false },
        { "CLAP.STATE", false },
        { "", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (session.plugin->get_extension (session.plugin, c.id) != nullptr, c.offered) << c.id;

    EXPECT_EQ (session.plugin->get_extension (session.plugin, "clap.track-info/1"),
               session.plugin->get_extension (session.plugin, "clap.track-info.draft/1"));
    EXPECT_EQ (session.plugin->get_extension (session.plugin, nullptr), nullptr);
}

TEST (CheckedPlugin, MainThreadQueueRunsInOrderIncludingCallbacksQueuedMeanwhile)
{
    Session session;
    session.host.offersThreadCheck = false;
    session.init();

    std::vector<int> order;
    session.probe->runOnMainThread ([&] {
        order.push_back (1);
        session.probe->runOnMainThread ([&] { order.push_back (3); });
    });
    session.probe->runOnMainThread ([&] { order.push_back (2); });
    session.probe->runOnMainThread (nullptr);

    EXPECT_TRUE (order.empty()) << "without a thread check everything waits for on_main_thread";
    EXPECT_EQ (session.host.callbackRequests, 3);

    session.plugin->on_main_thread (session.plugin);
    EXPECT_EQ (order, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ (session.host.callbackRequests, 4);
    EXPECT_EQ (session.calls.back(), "onMainThread");
}

TEST (CheckedPlugin, MainThreadQueueFollowsTheThreadCheck)
{
    Session session;
    session.init();

    int runs = 0;
    session.probe->runOnMainThread ([&] { ++runs; });
    EXPECT_EQ (runs, 1) << "on the main thread it runs at once";
    EXPECT_EQ (session.host.callbackRequests, 0);

    session.host.onMainThread = false;
    session.probe->runOnMainThread ([&] { ++runs; });
    EXPECT_EQ (session.host.callbackRequests, 1);
    session.probe->runCallbacksOnMainThread();
    EXPECT_EQ (runs, 1);
    ASSERT_EQ (session.host.log.size(), 1u);
    EXPECT_EQ (session.host.log[0].severity, CLAP_LOG_PLUGIN_MISBEHAVING);
    EXPECT_EQ (session.host.log[0].message, "plugin called runCallbacksOnMainThread(), but not on the main thread!");

    session.host.onMainThread = true;
    session.plugin->on_main_thread (session.plugin);
    EXPECT_EQ (runs, 2);
}

TEST (CheckedPlugin, DestroyRepairsAForgottenEditorAndActivation)
{
    Session session;
    activated (session);
    session.createGui (false);
    session.calls.clear();

    session.plugin->destroy (session.plugin);
    session.plugin = nullptr;

    EXPECT_EQ (session.host.messages(), (std::vector<std::string> { "host forgot to destroy the gui",
                                                                    "host forgot to deactivate the plugin before destroying it" }));
    EXPECT_EQ (session.calls, (std::vector<std::string> { "guiDestroy", "deactivate", "destructor" }));
}

TEST (CheckedPlugin, DestroyRunsQueuedCallbacks)
{
    Session session;
    session.host.offersThreadCheck = false;
    session.init();
    session.probe->runOnMainThread ([&] { session.calls.push_back ("queued"); });

    session.plugin->destroy (session.plugin);
    session.plugin = nullptr;
    EXPECT_EQ (session.calls, (std::vector<std::string> { "init", "queued", "destructor" }));
    EXPECT_TRUE (session.host.log.empty());
}

TEST (CheckedPlugin, NullPluginPointersAreReportedWithoutTouchingAnything)
{
    Session session;
    session.init();
    auto copy = *session.plugin;
    copy.plugin_data = nullptr;

    StandardErrorCapture standardError;
    EXPECT_FALSE (session.plugin->init (nullptr));
    EXPECT_EQ (session.plugin->process (&copy, nullptr), CLAP_PROCESS_ERROR);
    EXPECT_EQ (session.plugin->get_extension (&copy, CLAP_EXT_STATE), nullptr);
    copy.destroy (&copy);

    EXPECT_EQ (standardError.text(), "called with a null clap_plugin pointer!\n"
                                     "called with a null clap_plugin->plugin_data pointer! The host must never change this pointer!\n"
                                     "called with a null clap_plugin->plugin_data pointer! The host must never change this pointer!\n"
                                     "called with a null clap_plugin->plugin_data pointer! The host must never change this pointer!\n");
    EXPECT_TRUE (session.host.log.empty());
}

TEST (CheckedPlugin, PluginCallsIntoTheHostOffTheMainThreadAreReported)
{
    Session session;
    session.init();
    session.probe->hostProxy.ensureMainThread ("params.rescan");
    EXPECT_TRUE (session.host.log.empty());

    session.host.onMainThread = false;
    session.probe->hostProxy.ensureMainThread ("params.rescan");
    ASSERT_EQ (session.host.log.size(), 1u);
    EXPECT_EQ (session.host.log[0].severity, CLAP_LOG_PLUGIN_MISBEHAVING);
    EXPECT_EQ (session.host.log[0].message, "Plugin called the method clap_host_params.rescan() on wrong thread! It must be called on main thread!");
    session.host.onMainThread = true;
}

TEST (CheckedPlugin, HostWithoutLogGetsMessagesOnStandardStreams)
{
    Session session;
    session.host.offersLog = false;
    session.init();

    std::ostringstream logStream;
    auto* const savedLog = std::clog.rdbuf (logStream.rdbuf());
    StandardErrorCapture standardError;
    session.plugin->deactivate (session.plugin);
    session.host.onMainThread = false;
    session.probe->hostProxy.ensureMainThread ("state.mark_dirty");
    session.host.onMainThread = true;
    std::clog.rdbuf (savedLog);

    EXPECT_EQ (standardError.text(), "The plugin was deactivated twice.\n");
    EXPECT_EQ (logStream.str(), "Plugin called the method clap_host_state.mark_dirty() on wrong thread! It must be called on main thread!\n")
        << "plug-in misbehaviour goes to the standard log stream";
}
