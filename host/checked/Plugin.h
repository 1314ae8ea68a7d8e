#pragma once

#include "checked/HostProxy.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace clap::checked
{

/** Base of a CLAP plug-in object. It owns the clap_plugin structure handed to
    the host, fills every function table with trampolines, and turns each host
    call into a call of a virtual member after checking that the call is legal:
    the object exists, init came first, the call arrives on the thread CLAP
    prescribes and fits the current state. A host that breaks the rules is
    reported to its log and the call proceeds or gets a neutral answer; the
    plug-in never stops the host's process.

    It also keeps a queue of callbacks that must run on the host's main thread.
*/
class Plugin
{
public:
    /** The descriptor must outlive the object; the host may be null. */
    Plugin (const clap_plugin_descriptor* descriptor, const clap_host* host);
    virtual ~Plugin();

    /** The structure the host holds; its plugin_data is this object. */
    const clap_plugin* clapPlugin() const noexcept { return &plugin; }

    /** Resolves the object behind a clap_plugin, or writes to standard error
        and returns null when the pointer or its plugin_data is null.
    */
    static Plugin* from (const clap_plugin* plugin) noexcept;

protected:
    //==============================================================================
    // The virtual operations, in the order of the CLAP tables they serve. The
    // base gives neutral answers; every implementsX answers false.
    virtual bool init() { return true; }
    virtual bool activate (double /*sampleRate*/, std::uint32_t /*minFrameCount*/, std::uint32_t /*maxFrameCount*/) { return true; }
    virtual void deactivate() {}
    virtual bool startProcessing() { return true; }
    virtual void stopProcessing() {}
    virtual clap_process_status process (const clap_process* /*process*/) { return CLAP_PROCESS_SLEEP; }
    virtual void reset() {}
    virtual void onMainThread() {}

    virtual const void* extension (const char* /*id*/) { return nullptr; }
    virtual bool enableDraftExtensions() const { return false; }

    virtual bool implementsLatency() const { return false; }
    virtual std::uint32_t latencyGet() { return 0; }
    virtual bool implementsTail() const { return false; }
    virtual std::uint32_t tailGet() { return 0; }
    virtual bool implementsRender() const { return false; }
    virtual bool renderHasHardRealtimeRequirement() { return false; }
    virtual bool renderSetMode (clap_plugin_render_mode /*mode*/) { return false; }

    virtual bool implementsState() const { return false; }
    virtual bool stateSave (const clap_ostream* /*stream*/) { return false; }
    virtual bool stateLoad (const clap_istream* /*stream*/) { return false; }

    virtual bool implementsTrackInfo() const { return false; }
    virtual void trackInfoChanged() {}

    virtual bool implementsAudioPorts() const { return false; }
    virtual std::uint32_t audioPortsCount (bool /*isInput*/) { return 0; }
    virtual bool audioPortsInfo (std::uint32_t /*index*/, bool /*isInput*/, clap_audio_port_info* /*info*/) { return false; }

    virtual bool implementsParams() const { return false; }
    virtual std::uint32_t paramsCount() { return 0; }
    virtual bool paramsInfo (std::uint32_t /*index*/, clap_param_info* /*info*/) { return false; }
    virtual bool paramsValue (clap_id /*id*/, double* /*value*/) { return false; }
    virtual bool paramsValueToText (clap_id /*id*/, double /*value*/, char* /*display*/, std::uint32_t /*size*/) { return false; }
    virtual bool paramsTextToValue (clap_id /*id*/, const char* /*display*/, double* /*value*/) { return false; }
    virtual void paramsFlush (const clap_input_events* /*in*/, const clap_output_events* /*out*/) {}
    virtual bool isValidParamId (clap_id /*id*/) { return false; }

    virtual bool implementsNotePorts() const { return false; }
    virtual std::uint32_t notePortsCount (bool /*isInput*/) { return 0; }
    virtual bool notePortsInfo (std::uint32_t /*index*/, bool /*isInput*/, clap_note_port_info* /*info*/) { return false; }
    virtual bool implementsNoteName() const { return false; }
    virtual std::uint32_t noteNameCount() { return 0; }
    virtual bool noteNameGet (std::uint32_t /*index*/, clap_note_name* /*name*/) { return false; }

    virtual bool implementsTimerSupport() const { return false; }
    virtual void onTimer (clap_id /*timerId*/) {}
    virtual bool implementsPosixFdSupport() const { return false; }
    virtual void onPosixFd (int /*fd*/, clap_posix_fd_flags_t /*flags*/) {}

    virtual bool implementsGui() const { return false; }
    virtual bool guiIsApiSupported (const char* /*api*/, bool /*floating*/) { return false; }
    virtual bool guiGetPreferredApi (const char** /*api*/, bool* /*floating*/) { return false; }
    virtual bool guiCreate (const char* /*api*/, bool /*floating*/) { return false; }
    virtual void guiDestroy() {}
    virtual bool guiSetScale (double /*scale*/) { return false; }
    virtual bool guiShow() { return false; }
    virtual bool guiHide() { return false; }
    virtual bool guiGetSize (std::uint32_t* /*width*/, std::uint32_t* /*height*/) { return false; }
    virtual bool guiCanResize() { return false; }
    virtual bool guiGetResizeHints (clap_gui_resize_hints* /*hints*/) { return false; }
    virtual bool guiAdjustSize (std::uint32_t* /*width*/, std::uint32_t* /*height*/) { return false; }
    virtual bool guiSetSize (std::uint32_t /*width*/, std::uint32_t /*height*/) { return false; }
    virtual void guiSuggestTitle (const char* /*title*/) {}
    virtual bool guiSetParent (const clap_window* /*window*/) { return false; }
    virtual bool guiSetTransient (const clap_window* /*window*/) { return false; }

    /** Sees every host-misbehaviour report; a subclass may mirror it. */
    virtual void logTee (clap_log_severity /*severity*/, const char* /*message*/) {}

    //==============================================================================
    /** Reports a host that broke the CLAP rules: logTee, then the host's log
        at severity "host misbehaving". Nothing else happens. [thread-safe]
    */
    void reportHostMisbehaving (const char* message) noexcept;

    /** Reports a call that should have come from the main (or audio) thread;
        the caller continues in every case. [thread-safe]
    */
    void ensureMainThread (const char* methodName) noexcept;
    void ensureAudioThread (const char* methodName) noexcept;

    /** Writes to standard error when a call comes before clap_plugin.init. */
    void ensureInitialized (const char* methodName) const noexcept;

    /** Runs the callable now when this is known to be the main thread,
        otherwise queues it and asks the host for a main-thread callback.
        [thread-safe]
    */
    void runOnMainThread (std::function<void()> callable);

    /** Runs the queued callables one at a time, in order, without the lock;
        those queued meanwhile run in the same pass. [main-thread]
    */
    void runCallbacksOnMainThread();

    HostProxy hostProxy;
    clap_plugin plugin {};

    bool initialised = false;
    bool active = false;
    bool activating = false;
    bool processing = false;
    bool destroying = false;
    double activeSampleRate = 0.0;

    std::string guiApi;
    bool guiCreated = false;
    bool guiFloating = false;
    bool guiEmbedded = false;

    std::mutex mainThreadQueueMutex;
    std::deque<std::function<void()>> mainThreadQueue;

private:
    /** from(), then the report of a call made before init. */
    static Plugin* fromInitialised (const clap_plugin* plugin) noexcept;

    // clap_plugin
    static bool clapInit (const clap_plugin* plugin);
    static void clapDestroy (const clap_plugin* plugin);
    static bool clapActivate (const clap_plugin* plugin, double sampleRate, std::uint32_t minFrameCount, std::uint32_t maxFrameCount);
    static void clapDeactivate (const clap_plugin* plugin);
    static bool clapStartProcessing (const clap_plugin* plugin);
    static void clapStopProcessing (const clap_plugin* plugin);
    static void clapReset (const clap_plugin* plugin);
    static clap_process_status clapProcess (const clap_plugin* plugin, const clap_process* process);
    static const void* clapExtension (const clap_plugin* plugin, const char* id);
    static void clapOnMainThread (const clap_plugin* plugin);

    // clap_plugin_state
    static bool clapStateSave (const clap_plugin* plugin, const clap_ostream* stream);
    static bool clapStateLoad (const clap_plugin* plugin, const clap_istream* stream);

    // clap_plugin_render
    static bool clapRenderHasHardRealtimeRequirement (const clap_plugin* plugin);
    static bool clapRenderSetMode (const clap_plugin* plugin, clap_plugin_render_mode mode);

    // clap_plugin_track_info
    static void clapTrackInfoChanged (const clap_plugin* plugin);

    // clap_plugin_latency and clap_plugin_tail
    static std::uint32_t clapLatencyGet (const clap_plugin* plugin);
    static std::uint32_t clapTailGet (const clap_plugin* plugin);

    // clap_plugin_audio_ports
    static std::uint32_t clapAudioPortsCount (const clap_plugin* plugin, bool isInput);
    static bool clapAudioPortsInfo (const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_audio_port_info* info);

    // clap_plugin_params
    static std::uint32_t clapParamsCount (const clap_plugin* plugin);
    static bool clapParamsInfo (const clap_plugin* plugin, std::uint32_t index, clap_param_info* info);
    static bool clapParamsValue (const clap_plugin* plugin, clap_id id, double* value);
    static bool clapParamsValueToText (const clap_plugin* plugin, clap_id id, double value, char* display, std::uint32_t size);
    static bool clapParamsTextToValue (const clap_plugin* plugin, clap_id id, const char* display, double* value);
    static void clapParamsFlush (const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);

    // clap_plugin_note_ports and clap_plugin_note_name
    static std::uint32_t clapNotePortsCount (const clap_plugin* plugin, bool isInput);
    static bool clapNotePortsInfo (const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_note_port_info* info);
    static std::uint32_t clapNoteNameCount (const clap_plugin* plugin);
    static bool clapNoteNameGet (const clap_plugin* plugin, std::uint32_t index, clap_note_name* name);

    // clap_plugin_timer_support
    static void clapOnTimer (const clap_plugin* plugin, clap_id timerId);

    // clap_plugin_posix_fd_support
    static void clapOnPosixFd (const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags);

    // clap_plugin_gui
    static bool clapGuiIsApiSupported (const clap_plugin* plugin, const char* api, bool floating);
    static bool clapGuiGetPreferredApi (const clap_plugin* plugin, const char** api, bool* floating);
    static bool clapGuiCreate (const clap_plugin* plugin, const char* api, bool floating);
    static void clapGuiDestroy (const clap_plugin* plugin);
    static bool clapGuiSetScale (const clap_plugin* plugin, double scale);
    static bool clapGuiGetSize (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    static bool clapGuiCanResize (const clap_plugin* plugin);
    static bool clapGuiGetResizeHints (const clap_plugin* plugin, clap_gui_resize_hints* hints);
    static bool clapGuiAdjustSize (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    static bool clapGuiSetSize (const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    static bool clapGuiSetParent (const clap_plugin* plugin, const clap_window* window);
    static bool clapGuiSetTransient (const clap_plugin* plugin, const clap_window* window);
    static void clapGuiSuggestTitle (const clap_plugin* plugin, const char* title);
    static bool clapGuiShow (const clap_plugin* plugin);
    static bool clapGuiHide (const clap_plugin* plugin);

    /** Reports "methodName() was called without a prior call to
        clap_plugin_gui.create()" and answers false when no editor exists.
    */
    bool guiCreatedOrReport (const char* methodName) noexcept;

    static const clap_plugin_state _pluginState;
    static const clap_plugin_render _pluginRender;
    static const clap_plugin_track_info _pluginTrackInfo;
    static const clap_plugin_latency _pluginLatency;
    static const clap_plugin_audio_ports _pluginAudioPorts;
    static const clap_plugin_params _pluginParams;
    static const clap_plugin_note_ports _pluginNotePorts;
    static const clap_plugin_note_name _pluginNoteName;
    static const clap_plugin_timer_support _pluginTimerSupport;
    static const clap_plugin_posix_fd_support _pluginPosixFdSupport;
    static const clap_plugin_gui _pluginGui;
    static const clap_plugin_tail _pluginTail;
};

} // namespace clap::checked
