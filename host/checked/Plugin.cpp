#include "checked/Plugin.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace clap::checked
{

namespace
{
    /** Formats a message into a buffer on the stack, so that reporting a
        misbehaving host on the audio thread allocates nothing.
    */
#if defined(__GNUC__)
#define RAVELWICK_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__ ((format (printf, formatIndex, firstArgument)))
#else
#define RAVELWICK_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

    class Message
    {
    public:
        RAVELWICK_PRINTF_FORMAT (2, 3)
        explicit Message (const char* format, ...) noexcept
        {
            va_list arguments;
            va_start (arguments, format);
            std::vsnprintf (text, sizeof (text), format, arguments);
            va_end (arguments);
        }

        operator const char*() const noexcept { return text; }

    private:
        char text[1024];
    };

    bool equals (const char* a, const char* b) noexcept
    {
        return std::strcmp (a, b) == 0;
    }
} // namespace

//==============================================================================
const clap_plugin_state Plugin::_pluginState { clapStateSave, clapStateLoad };
const clap_plugin_render Plugin::_pluginRender { clapRenderHasHardRealtimeRequirement, clapRenderSetMode };
const clap_plugin_track_info Plugin::_pluginTrackInfo { clapTrackInfoChanged };
const clap_plugin_latency Plugin::_pluginLatency { clapLatencyGet };
const clap_plugin_audio_ports Plugin::_pluginAudioPorts { clapAudioPortsCount, clapAudioPortsInfo };
const clap_plugin_params Plugin::_pluginParams { clapParamsCount, clapParamsInfo, clapParamsValue,
                                                 clapParamsValueToText, clapParamsTextToValue, clapParamsFlush };
const clap_plugin_note_ports Plugin::_pluginNotePorts { clapNotePortsCount, clapNotePortsInfo };
const clap_plugin_note_name Plugin::_pluginNoteName { clapNoteNameCount, clapNoteNameGet };
const clap_plugin_timer_support Plugin::_pluginTimerSupport { clapOnTimer };
const clap_plugin_posix_fd_support Plugin::_pluginPosixFdSupport { clapOnPosixFd };
const clap_plugin_gui Plugin::_pluginGui { clapGuiIsApiSupported, clapGuiGetPreferredApi, clapGuiCreate, clapGuiDestroy,
                                           clapGuiSetScale, clapGuiGetSize, clapGuiCanResize, clapGuiGetResizeHints,
                                           clapGuiAdjustSize, clapGuiSetSize, clapGuiSetParent, clapGuiSetTransient,
                                           clapGuiSuggestTitle, clapGuiShow, clapGuiHide };
const clap_plugin_tail Plugin::_pluginTail { clapTailGet };

Plugin::Plugin (const clap_plugin_descriptor* descriptor, const clap_host* host)
    : hostProxy (host)
{
    plugin.desc = descriptor;
    plugin.plugin_data = this;
    plugin.init = clapInit;
    plugin.destroy = clapDestroy;
    plugin.activate = clapActivate;
    plugin.deactivate = clapDeactivate;
    plugin.start_processing = clapStartProcessing;
    plugin.stop_processing = clapStopProcessing;
    plugin.reset = clapReset;
    plugin.process = clapProcess;
    plugin.get_extension = clapExtension;
    plugin.on_main_thread = clapOnMainThread;
}

Plugin::~Plugin() = default;

//==============================================================================
Plugin* Plugin::from (const clap_plugin* plugin) noexcept
{
    if (plugin == nullptr)
    {
        std::fprintf (stderr, "called with a null clap_plugin pointer!\n");
        std::fflush (stderr);
        return nullptr;
    }

    if (plugin->plugin_data == nullptr)
    {
        std::fprintf (stderr, "called with a null clap_plugin->plugin_data pointer! The host must never change this pointer!\n");
        std::fflush (stderr);
        return nullptr;
    }

    return static_cast<Plugin*> (plugin->plugin_data);
}

Plugin* Plugin::fromInitialised (const clap_plugin* plugin) noexcept
{
    auto* self = from (plugin);

    if (self != nullptr && ! self->initialised)
        self->reportHostMisbehaving ("Host is required to call clap_plugin.init() first");

    return self;
}

void Plugin::reportHostMisbehaving (const char* message) noexcept
{
    logTee (CLAP_LOG_HOST_MISBEHAVING, message);
    hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, message);
}

void Plugin::ensureMainThread (const char* methodName) noexcept
{
    if (! hostProxy.maybeMainThread())
        reportHostMisbehaving (Message ("Host called the method %s() on wrong thread! It must be called on main thread!", methodName));
}

void Plugin::ensureAudioThread (const char* methodName) noexcept
{
    if (! hostProxy.maybeAudioThread())
        reportHostMisbehaving (Message ("Host called the method %s() on wrong thread! It must be called on audio thread!", methodName));
}

void Plugin::ensureInitialized (const char* methodName) const noexcept
{
    if (initialised)
        return;

    std::fprintf (stderr, "clap_plugin.%s() was called before clap_plugin.init()\n", methodName);
    std::fflush (stderr);
}

//==============================================================================
void Plugin::runOnMainThread (std::function<void()> callable)
{
    if (hostProxy.isKnownMainThread())
    {
        if (callable)
            callable();
        return;
    }

    const std::lock_guard<std::mutex> lock (mainThreadQueueMutex);
    mainThreadQueue.push_back (std::move (callable));
    hostProxy.requestCallback();
}

void Plugin::runCallbacksOnMainThread()
{
    if (! hostProxy.maybeMainThread())
    {
        hostProxy.log (CLAP_LOG_PLUGIN_MISBEHAVING, "plugin called runCallbacksOnMainThread(), but not on the main thread!");
        return;
    }

    for (;;)
    {
        std::function<void()> callable;

        {
            const std::lock_guard<std::mutex> lock (mainThreadQueueMutex);
            if (mainThreadQueue.empty())
                return;

            callable = std::move (mainThreadQueue.front());
            mainThreadQueue.pop_front();
        }

        if (callable)
            callable();
    }
}

//==============================================================================
// clap_plugin

bool Plugin::clapInit (const clap_plugin* plugin)
{
    auto* self = from (plugin);
    if (self == nullptr)
        return false;

    if (self->initialised)
    {
        std::fprintf (stderr, "clap_plugin.init() has been called twice\n");
        std::fflush (stderr);
        return true;
    }

    self->initialised = true;
    self->hostProxy.init();
    self->ensureMainThread ("clap_plugin.init");
    return self->init();
}

void Plugin::clapDestroy (const clap_plugin* plugin)
{
    auto* self = from (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin.destroy");
    self->destroying = true;

    if (self->guiCreated)
    {
        self->hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "host forgot to destroy the gui");
        clapGuiDestroy (plugin);
    }

    if (self->active)
    {
        self->hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "host forgot to deactivate the plugin before destroying it");
        clapDeactivate (plugin);
    }

    self->runCallbacksOnMainThread();
    delete self;
}

bool Plugin::clapActivate (const clap_plugin* plugin, double sampleRate, std::uint32_t minFrameCount, std::uint32_t maxFrameCount)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureInitialized ("activate");
    self->ensureMainThread ("clap_plugin.activate");

    if (self->active)
    {
        self->reportHostMisbehaving ("Plugin was activated twice");

        if (! (sampleRate == self->activeSampleRate))
        {
            self->reportHostMisbehaving (Message ("The plugin was activated twice and with different sample rates: %g and %g. "
                                                  "The host must deactivate the plugin first.\nSimulating deactivation.",
                                                  self->activeSampleRate, sampleRate));
            clapDeactivate (plugin);
        }
    }

    if (! (sampleRate > 0.0))
    {
        self->reportHostMisbehaving (Message ("The plugin was activated with an invalid sample rates: %g", sampleRate));
        return false;
    }

    if (minFrameCount == 0)
    {
        self->reportHostMisbehaving (Message ("The plugin was activated with an invalid minimum frame count: %u", minFrameCount));
        return false;
    }

    if (maxFrameCount > static_cast<std::uint32_t> (std::numeric_limits<std::int32_t>::max()))
    {
        self->reportHostMisbehaving (Message ("The plugin was activated with an invalid maximum frame count: %u", maxFrameCount));
        return false;
    }

    if (minFrameCount > maxFrameCount)
    {
        self->reportHostMisbehaving (Message ("The plugin was activated with an invalid minmum and maximum frame count: min > max: %u > %u",
                                              minFrameCount, maxFrameCount));
        return false;
    }

    self->activating = true;
    const bool activated = self->activate (sampleRate, minFrameCount, maxFrameCount);
    self->activating = false;

    if (activated)
    {
        self->active = true;
        self->activeSampleRate = sampleRate;
    }

    return activated;
}

void Plugin::clapDeactivate (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureInitialized ("deactivate");
    self->ensureMainThread ("clap_plugin.deactivate");

    if (! self->active)
    {
        self->reportHostMisbehaving ("The plugin was deactivated twice.");
        return;
    }

    self->deactivate();
    self->active = false;
    self->activeSampleRate = 0.0;
}

bool Plugin::clapStartProcessing (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureInitialized ("start_processing");
    self->ensureAudioThread ("clap_plugin.start_processing");

    if (! self->active)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.start_processing() on a deactivated plugin");
        return false;
    }

    if (self->processing)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.start_processing() twice");
        return true;
    }

    self->processing = self->startProcessing();
    return self->processing;
}

void Plugin::clapStopProcessing (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureInitialized ("stop_processing");
    self->ensureAudioThread ("clap_plugin.stop_processing");

    if (! self->active)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.stop_processing() on a deactivated plugin");
        return;
    }

    if (! self->processing)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.stop_processing() twice");
        return;
    }

    self->stopProcessing();
    self->processing = false;
}

void Plugin::clapReset (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureInitialized ("reset");
    self->ensureAudioThread ("clap_plugin.reset");

    if (! self->active)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.reset() on a deactivated plugin");
        return;
    }

    self->reset();
}

clap_process_status Plugin::clapProcess (const clap_plugin* plugin, const clap_process* process)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return CLAP_PROCESS_ERROR;

    self->ensureInitialized ("process");
    self->ensureAudioThread ("clap_plugin.process");

    if (! self->active)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.process() on a deactivated plugin");
        return CLAP_PROCESS_ERROR;
    }

    if (! self->processing)
    {
        self->reportHostMisbehaving ("Host called clap_plugin.process() without calling clap_plugin.start_processing()");
        return CLAP_PROCESS_ERROR;
    }

    return self->process (process);
}

const void* Plugin::clapExtension (const clap_plugin* plugin, const char* id)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return nullptr;

    self->ensureInitialized ("extension");

    if (id == nullptr)
        return nullptr;

    if (const auto* answer = self->extension (id))
        return answer;

    if (equals (id, CLAP_EXT_STATE) && self->implementsState())
        return &_pluginState;
    if (equals (id, CLAP_EXT_RENDER) && self->implementsRender())
        return &_pluginRender;
    if ((equals (id, CLAP_EXT_TRACK_INFO) || equals (id, CLAP_EXT_TRACK_INFO_COMPAT)) && self->implementsTrackInfo())
        return &_pluginTrackInfo;
    if (equals (id, CLAP_EXT_LATENCY) && self->implementsLatency())
        return &_pluginLatency;
    if (equals (id, CLAP_EXT_AUDIO_PORTS) && self->implementsAudioPorts())
        return &_pluginAudioPorts;
    if (equals (id, CLAP_EXT_PARAMS) && self->implementsParams())
        return &_pluginParams;
    if (equals (id, CLAP_EXT_NOTE_PORTS) && self->implementsNotePorts())
        return &_pluginNotePorts;
    if (equals (id, CLAP_EXT_NOTE_NAME) && self->implementsNoteName())
        return &_pluginNoteName;
    if (equals (id, CLAP_EXT_TIMER_SUPPORT) && self->implementsTimerSupport())
        return &_pluginTimerSupport;
    if (equals (id, CLAP_EXT_POSIX_FD_SUPPORT) && self->implementsPosixFdSupport())
        return &_pluginPosixFdSupport;
    if (equals (id, CLAP_EXT_GUI) && self->implementsGui())
        return &_pluginGui;
    if (equals (id, CLAP_EXT_TAIL) && self->implementsTail())
        return &_pluginTail;

    return nullptr;
}

void Plugin::clapOnMainThread (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureInitialized ("on_maint_thread");
    self->ensureMainThread ("clap_plugin.on_main_thread");
    self->runCallbacksOnMainThread();
    self->onMainThread();
}

//==============================================================================
// clap_plugin_state, clap_plugin_render, clap_plugin_track_info

bool Plugin::clapStateSave (const clap_plugin* plugin, const clap_ostream* stream)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_state.save");

    if (stream == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_state.save called with a null stream pointer");
        return false;
    }

    return self->stateSave (stream);
}

bool Plugin::clapStateLoad (const clap_plugin* plugin, const clap_istream* stream)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_state.load");

    if (stream == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_state.load called with a null stream pointer");
        return false;
    }

    return self->stateLoad (stream);
}

bool Plugin::clapRenderHasHardRealtimeRequirement (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_render.has_hard_realtime_requirement");
    return self->renderHasHardRealtimeRequirement();
}

bool Plugin::clapRenderSetMode (const clap_plugin* plugin, clap_plugin_render_mode mode)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_render.set_mode");

    switch (mode)
    {
        case CLAP_RENDER_REALTIME:
            return self->renderSetMode (mode);

        case CLAP_RENDER_OFFLINE:
            if (self->renderHasHardRealtimeRequirement())
                return false;
            return self->renderSetMode (mode);

        default:
            self->reportHostMisbehaving (Message ("host called clap_plugin_render.set_mode with an unknown mode : %d", mode));
            return false;
    }
}

void Plugin::clapTrackInfoChanged (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin_track_info.changed");

    const auto* trackInfo = self->hostProxy.hostTrackInfo;

    if (trackInfo != nullptr && trackInfo->get != nullptr)
    {
        self->trackInfoChanged();
        return;
    }

    if (trackInfo != nullptr)
        self->hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_track_info is partially implemented");

    self->reportHostMisbehaving ("host called clap_plugin_track_info.changed() but does not provide a complete clap_host_track_info interface");
}

//==============================================================================
// clap_plugin_latency, clap_plugin_tail

std::uint32_t Plugin::clapLatencyGet (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    self->ensureMainThread ("clap_plugin_latency.get");

    if (! self->active && ! self->activating)
        self->reportHostMisbehaving ("It is wrong to query the latency before the plugin is activated, because if the plugin "
                                     "doesn't know the sample rate, it can't know the number of samples of latency.");

    return self->latencyGet();
}

std::uint32_t Plugin::clapTailGet (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    if (! self->active)
        self->reportHostMisbehaving ("It is wrong to query the tail before the plugin is activated, because if the plugin "
                                     "doesn't know the sample rate, it can't know the tail length in samples.");

    return self->tailGet();
}

//==============================================================================
// clap_plugin_audio_ports, clap_plugin_note_ports, clap_plugin_note_name

std::uint32_t Plugin::clapAudioPortsCount (const clap_plugin* plugin, bool isInput)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    self->ensureMainThread ("clap_plugin_audio_ports.count");
    return self->audioPortsCount (isInput);
}

bool Plugin::clapAudioPortsInfo (const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_audio_port_info* info)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_audio_ports.info");

    const auto count = clapAudioPortsCount (plugin, isInput);
    if (index >= count)
    {
        self->reportHostMisbehaving (Message ("Host called clap_plugin_audio_ports.info() with an index out of bounds: %u >= %u", index, count));
        return false;
    }

    if (info == nullptr)
    {
        self->reportHostMisbehaving ("Host called clap_plugin_audio_ports.info() with a null info pointer");
        return false;
    }

    return self->audioPortsInfo (index, isInput, info);
}

std::uint32_t Plugin::clapNotePortsCount (const clap_plugin* plugin, bool isInput)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    self->ensureMainThread ("clap_plugin_note_port.count");
    return self->notePortsCount (isInput);
}

bool Plugin::clapNotePortsInfo (const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_note_port_info* info)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_note_ports.info");

    const auto count = self->notePortsCount (isInput);
    if (index >= count)
    {
        self->reportHostMisbehaving (Message ("Host called clap_plugin_note_ports.info() with an index out of bounds: %u >= %u", index, count));
        return false;
    }

    if (info == nullptr)
    {
        self->reportHostMisbehaving ("Host called clap_plugin_note_ports.info() with a null info pointer");
        return false;
    }

    return self->notePortsInfo (index, isInput, info);
}

std::uint32_t Plugin::clapNoteNameCount (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    self->ensureMainThread ("clap_plugin_note_name.count");
    return self->noteNameCount();
}

bool Plugin::clapNoteNameGet (const clap_plugin* plugin, std::uint32_t index, clap_note_name* name)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_note_name.get");

    const auto count = self->noteNameCount();
    if (index >= count)
    {
        self->reportHostMisbehaving (Message ("host called clap_plugin_note_name.get with an index out of bounds: %u >= %u", index, count));
        return false;
    }

    if (name == nullptr)
    {
        self->reportHostMisbehaving ("host called clap_plugin_note_name.get with a null note_name pointer");
        return false;
    }

    return self->noteNameGet (index, name);
}

//==============================================================================
// clap_plugin_params

std::uint32_t Plugin::clapParamsCount (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return 0;

    self->ensureMainThread ("clap_plugin_params.count");
    return self->paramsCount();
}

bool Plugin::clapParamsInfo (const clap_plugin* plugin, std::uint32_t index, clap_param_info* info)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_params.info");

    const auto count = self->paramsCount();
    if (index >= count)
    {
        self->reportHostMisbehaving (Message ("called clap_plugin_params.info with an index out of bounds: %u >= %u", index, count));
        return false;
    }

    if (info == nullptr)
    {
        self->reportHostMisbehaving ("called clap_plugin_params.info with a null param_info pointer");
        return false;
    }

    return self->paramsInfo (index, info);
}

bool Plugin::clapParamsValue (const clap_plugin* plugin, clap_id id, double* value)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_params.value");

    if (! self->isValidParamId (id))
    {
        self->reportHostMisbehaving (Message ("clap_plugin_params.value called with invalid param_id: %u", id));
        return false;
    }

    if (value == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_params.value called with a null value pointer");
        return false;
    }

    return self->paramsValue (id, value);
}

bool Plugin::clapParamsValueToText (const clap_plugin* plugin, clap_id id, double value, char* display, std::uint32_t size)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_params.value_to_text");

    if (! self->isValidParamId (id))
    {
        self->reportHostMisbehaving (Message ("clap_plugin_params.value_to_text called with invalid param_id: %u", id));
        return false;
    }

    if (display == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_params.value_to_text called with a null display pointer");
        return false;
    }

    if (size <= 1)
    {
        self->reportHostMisbehaving ("clap_plugin_params.value_to_text called with a empty buffer (less than one character)");
        return false;
    }

    return self->paramsValueToText (id, value, display, size);
}

bool Plugin::clapParamsTextToValue (const clap_plugin* plugin, clap_id id, const char* display, double* value)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_params.text_to_value");

    if (! self->isValidParamId (id))
    {
        self->reportHostMisbehaving (Message ("clap_plugin_params.text_to_value called with invalid param_id: %u", id));
        return false;
    }

    if (display == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_params.text_to_value called with a null display pointer");
        return false;
    }

    if (value == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_params.text_to_value called with a null value pointer");
        return false;
    }

    return self->paramsTextToValue (id, display, value);
}

void Plugin::clapParamsFlush (const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    if (self->active)
        self->ensureAudioThread ("clap_plugin_params.flush");
    else
        self->ensureMainThread ("clap_plugin_params.flush");

    self->paramsFlush (in, out);
}

//==============================================================================
// clap_plugin_timer_support

void Plugin::clapOnTimer (const clap_plugin* plugin, clap_id timerId)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin_timer_support.on_timer");

    if (timerId == CLAP_INVALID_ID)
    {
        self->reportHostMisbehaving ("Host called clap_plugin_timer_support.on_timer with an invalid timer_id");
        return;
    }

    self->onTimer (timerId);
}

//==============================================================================
// clap_plugin_posix_fd_support

void Plugin::clapOnPosixFd (const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin_posix_fd_support.on_fd");
    self->onPosixFd (fd, flags);
}

//==============================================================================
// clap_plugin_gui

bool Plugin::guiCreatedOrReport (const char* methodName) noexcept
{
    if (guiCreated)
        return true;

    reportHostMisbehaving (Message ("%s() was called without a prior call to clap_plugin_gui.create()", methodName));
    return false;
}

bool Plugin::clapGuiIsApiSupported (const clap_plugin* plugin, const char* api, bool floating)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.is_api_supported");
    return self->guiIsApiSupported (api, floating);
}

bool Plugin::clapGuiGetPreferredApi (const clap_plugin* plugin, const char** api, bool* floating)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.get_preferred_api");

    if (api == nullptr || floating == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.get_preferred_api() was called with a null api or floating pointer");
        return false;
    }

    return self->guiGetPreferredApi (api, floating);
}

bool Plugin::clapGuiCreate (const clap_plugin* plugin, const char* api, bool floating)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.create");

    if (self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.create() was called while the plugin gui was already created");
        return false;
    }

    if (api == nullptr && ! floating)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.create() was called with a null api and a non floating window");
        return false;
    }

    if (api != nullptr)
        self->guiApi = api;

    self->guiFloating = floating;
    self->guiEmbedded = false;
    self->guiCreated = self->guiCreate (api, floating);
    return self->guiCreated;
}

void Plugin::clapGuiDestroy (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin_gui.destroy");

    if (! self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.destroy() was called while the plugin gui not created");
        return;
    }

    self->guiDestroy();
    self->guiCreated = false;
    self->guiFloating = false;
    self->guiEmbedded = false;
}

bool Plugin::clapGuiSetScale (const clap_plugin* plugin, double scale)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.set_scale");
    return self->guiCreatedOrReport ("clap_plugin_gui.set_scale") && self->guiSetScale (scale);
}

bool Plugin::clapGuiGetSize (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.size");

    if (! self->guiCreatedOrReport ("clap_plugin_gui.size"))
        return false;

    if (width == nullptr || height == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.size() was called with a null width or height pointer");
        return false;
    }

    return self->guiGetSize (width, height);
}

bool Plugin::clapGuiCanResize (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.can_resize");
    return self->guiCreatedOrReport ("clap_plugin_gui.can_resize") && self->guiCanResize();
}

bool Plugin::clapGuiGetResizeHints (const clap_plugin* plugin, clap_gui_resize_hints* hints)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.get_resize_hints");

    if (! self->guiCreatedOrReport ("clap_plugin_gui.get_resize_hints"))
        return false;

    if (hints == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.get_resize_hints() was called with a null hints pointer");
        return false;
    }

    return self->guiGetResizeHints (hints);
}

bool Plugin::clapGuiAdjustSize (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.adjust_size");

    if (! self->guiCreatedOrReport ("clap_plugin_gui.adjust_size"))
        return false;

    if (width == nullptr || height == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.adjust_size() was called with a null width or height pointer");
        return false;
    }

    return self->guiAdjustSize (width, height);
}

bool Plugin::clapGuiSetSize (const clap_plugin* plugin, std::uint32_t width, std::uint32_t height)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.set_size");

    if (! self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_size() was called without a prior call to clap_plugin_gui.create()");
        return false;
    }

    if (! self->guiCanResize())
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_size() was called but the gui is not resizable");
        return false;
    }

    auto adjustedWidth = width;
    auto adjustedHeight = height;
    if (self->guiAdjustSize (&adjustedWidth, &adjustedHeight) && (adjustedWidth != width || adjustedHeight != height))
        self->reportHostMisbehaving (Message ("clap_plugin_gui.set_size() was called with a size which was not adjusted by "
                                              "clap_plugin_gui.adjust_size(): %ux%u vs %ux%u",
                                              width, height, adjustedWidth, adjustedHeight));

    return self->guiSetSize (width, height);
}

bool Plugin::clapGuiSetParent (const clap_plugin* plugin, const clap_window* window)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.set_parent");

    if (! self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_parent() was called while the plugin gui was not created");
        return false;
    }

    if (self->guiFloating)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_parent() was called while the plugin gui is a floating window, use set_transient() instead");
        return false;
    }

    if (window == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_parent() was called with a null window pointer");
        return false;
    }

    const bool attached = self->guiSetParent (window);
    if (attached)
        self->guiEmbedded = true;

    return attached;
}

bool Plugin::clapGuiSetTransient (const clap_plugin* plugin, const clap_window* window)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.set_transient");

    if (! self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_transient() was called while the plugin gui was not created");
        return false;
    }

    if (! self->guiFloating)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_transient() was called while the plugin gui isn't a floating window, use set_parent() instead");
        return false;
    }

    if (window == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.set_transient() was called with a null window pointer");
        return false;
    }

    return self->guiSetTransient (window);
}

void Plugin::clapGuiSuggestTitle (const clap_plugin* plugin, const char* title)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return;

    self->ensureMainThread ("clap_plugin_gui.suggest_title");

    if (! self->guiCreated)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.suggest_title() was called without a prior call to clap_plugin_gui.create()");
        return;
    }

    if (! self->guiFloating)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.suggest_title() but the gui was not created as a floating window");
        return;
    }

    if (title == nullptr)
    {
        self->reportHostMisbehaving ("clap_plugin_gui.suggest_title() was called with a null title");
        return;
    }

    self->guiSuggestTitle (title);
}

bool Plugin::clapGuiShow (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.show");
    return self->guiCreatedOrReport ("clap_plugin_gui.show") && self->guiShow();
}

bool Plugin::clapGuiHide (const clap_plugin* plugin)
{
    auto* self = fromInitialised (plugin);
    if (self == nullptr)
        return false;

    self->ensureMainThread ("clap_plugin_gui.hide");
    return self->guiCreatedOrReport ("clap_plugin_gui.hide") && self->guiHide();
}

} // namespace clap::checked
