#include "ClapHostedPlugin.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace
{
// Calls made from inside process count as the audio thread.
thread_local bool inAudioCall = false;

struct AudioCall
{
    AudioCall() { inAudioCall = true; }
    ~AudioCall() { inAudioCall = false; }
};

const clap_host_log hostLog {
    [] (const clap_host* host, clap_log_severity severity, const char* message) {
        static_cast<ClapHostedPlugin*> (host->host_data)->log.push_back (std::to_string (severity) + ": " + (message != nullptr ? message : ""));
    }
};

const clap_host_params hostParams {
    [] (const clap_host*, clap_param_rescan_flags) {},
    [] (const clap_host*, clap_id, clap_param_clear_flags) {},
    [] (const clap_host*) {},
};

const clap_host_state hostState { [] (const clap_host*) {} };
const clap_host_latency hostLatency { [] (const clap_host*) {} };

clap_input_events inputList (const std::vector<ClapHostedPlugin::Event>& events)
{
    return { const_cast<std::vector<ClapHostedPlugin::Event>*> (&events),
             [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<const std::vector<ClapHostedPlugin::Event>*> (l->ctx)->size()); },
             [] (const clap_input_events* l, std::uint32_t index) -> const clap_event_header* {
                 const auto& list = *static_cast<const std::vector<ClapHostedPlugin::Event>*> (l->ctx);
                 return index < list.size() ? &list[index].header : nullptr;
             } };
}

clap_output_events outputList (std::vector<ClapHostedPlugin::Event>& events)
{
    return { &events, [] (const clap_output_events* l, const clap_event_header* event) {
                if (event == nullptr || event->size > sizeof (ClapHostedPlugin::Event))
                    return false;
                ClapHostedPlugin::Event copy {};
                std::memcpy (&copy, event, event->size);
                static_cast<std::vector<ClapHostedPlugin::Event>*> (l->ctx)->push_back (copy);
                return true;
            } };
}
} // namespace

ClapHostedPlugin::ClapHostedPlugin (const ClapPluginLibrary& library, const std::string& pluginId)
    : mainThread (std::this_thread::get_id())
{
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "Ravelwick CLAP host";
    host.vendor = "Ravelwick";
    host.url = "";
    host.version = "0.0.1";
    host.get_extension = getExtension;
    host.request_restart = [] (const clap_host*) {};
    host.request_process = [] (const clap_host*) {};
    host.request_callback = [] (const clap_host* h) { from (h).callbackRequested = true; };

    if (! library.isLoaded())
    {
        failure = library.error();
        return;
    }

    const auto descriptors = library.descriptors();
    const auto found = std::find_if (descriptors.begin(), descriptors.end(), [&] (const clap_plugin_descriptor* d) {
        return pluginId.empty() || (d->id != nullptr && pluginId == d->id);
    });

    if (found == descriptors.end())
    {
        failure = pluginId.empty() ? "the factory offers no plug-in" : "no plug-in with id " + pluginId;
        return;
    }

    plugin = library.factory->create_plugin (library.factory, &host, (*found)->id);
    if (plugin == nullptr)
    {
        failure = "create_plugin failed";
        return;
    }

    initialised = plugin->init (plugin);
    if (! initialised)
        failure = "clap_plugin.init failed";
}

ClapHostedPlugin::~ClapHostedPlugin()
{
    stop();

    if (plugin != nullptr)
        plugin->destroy (plugin);
}

const void* ClapHostedPlugin::getExtension (const clap_host*, const char* id)
{
    static const clap_host_thread_check threadCheck {
        [] (const clap_host* h) { return from (h).isMainThread(); },
        [] (const clap_host*) { return inAudioCall; },
    };

    // The editor is embedded in a window of the host's, so show and hide
    // requests are declined: the window stays as the host made it.
    static const clap_host_gui gui {
        [] (const clap_host*) {},
        [] (const clap_host* h, std::uint32_t width, std::uint32_t height) { return from (h).resizeRequested ({ width, height }); },
        [] (const clap_host*) { return false; },
        [] (const clap_host*) { return false; },
        [] (const clap_host* h, bool) { from (h).guiClosed = true; },
    };

    static const clap_host_timer_support timerSupport {
        [] (const clap_host* h, std::uint32_t period, clap_id* timerId) { return timerId != nullptr && from (h).registerTimer (period, *timerId); },
        [] (const clap_host* h, clap_id timerId) { return from (h).unregisterTimer (timerId); },
    };

    static const clap_host_posix_fd_support fdSupport {
        [] (const clap_host* h, int fd, clap_posix_fd_flags_t flags) { return from (h).registerFileDescriptor (fd, flags); },
        [] (const clap_host* h, int fd, clap_posix_fd_flags_t flags) { return from (h).modifyFileDescriptor (fd, flags); },
        [] (const clap_host* h, int fd) { return from (h).unregisterFileDescriptor (fd); },
    };

    if (id == nullptr)
        return nullptr;
    if (std::strcmp (id, CLAP_EXT_LOG) == 0)
        return &hostLog;
    if (std::strcmp (id, CLAP_EXT_THREAD_CHECK) == 0)
        return &threadCheck;
    if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)
        return &hostParams;
    if (std::strcmp (id, CLAP_EXT_STATE) == 0)
        return &hostState;
    if (std::strcmp (id, CLAP_EXT_LATENCY) == 0)
        return &hostLatency;
    if (std::strcmp (id, CLAP_EXT_GUI) == 0)
        return &gui;
    if (std::strcmp (id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &timerSupport;
    if (std::strcmp (id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
        return &fdSupport;

    return nullptr;
}

bool ClapHostedPlugin::start (double sampleRate, std::uint32_t maxFrames)
{
    if (! isReady())
        return false;

    active = plugin->activate (plugin, sampleRate, 1, maxFrames);
    if (! active)
    {
        failure = "clap_plugin.activate failed";
        return false;
    }

    const AudioCall audio;
    processing = plugin->start_processing (plugin);
    if (! processing)
        failure = "clap_plugin.start_processing failed";

    return processing;
}

void ClapHostedPlugin::stop()
{
    if (processing)
    {
        const AudioCall audio;
        plugin->stop_processing (plugin);
        processing = false;
    }

    if (active)
    {
        plugin->deactivate (plugin);
        active = false;
    }
}

clap_process_status ClapHostedPlugin::process (float* const* inputs, std::uint32_t inputChannels, float* const* outputs,
                                               std::uint32_t outputChannels, std::uint32_t frames, const std::vector<Event>& events)
{
    clap_audio_buffer input {};
    input.data32 = const_cast<float**> (inputs);
    input.channel_count = inputChannels;

    clap_audio_buffer output {};
    output.data32 = const_cast<float**> (outputs);
    output.channel_count = outputChannels;

    const auto in = inputList (events);
    outputEvents.clear();
    const auto out = outputList (outputEvents);

    clap_process context {};
    context.steady_time = steadyTime;
    context.frames_count = frames;
    context.transport = nullptr;
    context.audio_inputs = inputChannels > 0 ? &input : nullptr;
    context.audio_outputs = outputChannels > 0 ? &output : nullptr;
    context.audio_inputs_count = inputChannels > 0 ? 1 : 0;
    context.audio_outputs_count = outputChannels > 0 ? 1 : 0;
    context.in_events = &in;
    context.out_events = &out;

    const AudioCall audio;
    const auto status = plugin->process (plugin, &context);
    steadyTime += frames;
    return status;
}

std::optional<std::vector<std::uint8_t>> ClapHostedPlugin::saveState (std::uint64_t maxWriteSize)
{
    const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);
    if (state == nullptr)
        return std::nullopt;

    struct Sink
    {
        std::vector<std::uint8_t> bytes;
        std::uint64_t maxWriteSize;
    } sink { {}, maxWriteSize };

    const clap_ostream stream { &sink, [] (const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                                   auto& target = *static_cast<Sink*> (s->ctx);
                                   const auto taken = std::min (size, target.maxWriteSize);
                                   const auto* bytes = static_cast<const std::uint8_t*> (buffer);
                                   target.bytes.insert (target.bytes.end(), bytes, bytes + taken);
                                   return static_cast<std::int64_t> (taken);
                               } };

    if (! state->save (plugin, &stream))
        return std::nullopt;

    return sink.bytes;
}

bool ClapHostedPlugin::loadState (const std::vector<std::uint8_t>& bytes, std::uint64_t maxReadSize)
{
    const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);
    if (state == nullptr)
        return false;

    struct Source
    {
        const std::vector<std::uint8_t>& bytes;
        std::size_t position;
        std::uint64_t maxReadSize;
    } source { bytes, 0, maxReadSize };

    const clap_istream stream { &source, [] (const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                                   auto& from = *static_cast<Source*> (s->ctx);
                                   const auto left = static_cast<std::uint64_t> (from.bytes.size() - from.position);
                                   const auto given = std::min ({ size, left, from.maxReadSize });
                                   std::memcpy (buffer, from.bytes.data() + from.position, static_cast<std::size_t> (given));
                                   from.position += static_cast<std::size_t> (given);
                                   return static_cast<std::int64_t> (given);
                               } };

    return state->load (plugin, &stream);
}

bool ClapHostedPlugin::flush (const std::vector<Event>& events)
{
    const auto* params = extension<clap_plugin_params> (CLAP_EXT_PARAMS);
    if (params == nullptr)
        return false;

    const auto in = inputList (events);
    outputEvents.clear();
    const auto out = outputList (outputEvents);

    // While active, flush is an audio-thread call.
    std::optional<AudioCall> audio;
    if (active)
        audio.emplace();
    params->flush (plugin, &in, &out);
    return true;
}

void ClapHostedPlugin::runRequestedCallback()
{
    std::vector<Size> sizes;
    {
        const std::lock_guard<std::mutex> lock (resizeLock);
        sizes.swap (resizesFromOtherThreads);
    }
    for (const auto size : sizes)
        if (onResizeRequest)
            onResizeRequest (size);

    if (plugin != nullptr && callbackRequested.exchange (false))
        plugin->on_main_thread (plugin);
}

bool ClapHostedPlugin::isMainThread() const
{
    return std::this_thread::get_id() == mainThread && ! inAudioCall;
}

bool ClapHostedPlugin::resizeRequested (Size size)
{
    const bool now = isMainThread();
    {
        const std::lock_guard<std::mutex> lock (resizeLock);
        resizeRequests.push_back (size);
        // A request from another thread is acknowledged and the window
        // follows on the main thread.
        if (! now)
            resizesFromOtherThreads.push_back (size);
    }

    if (now && onResizeRequest)
        return onResizeRequest (size);
    return true;
}

std::vector<ClapHostedPlugin::Size> ClapHostedPlugin::requestedSizes() const
{
    const std::lock_guard<std::mutex> lock (resizeLock);
    return resizeRequests;
}

bool ClapHostedPlugin::registerTimer (std::uint32_t periodMilliseconds, clap_id& timerId)
{
    if (! isMainThread())
        return false;

    timerId = nextTimerId++;
    registeredTimers.push_back ({ timerId, periodMilliseconds });
    return true;
}

bool ClapHostedPlugin::unregisterTimer (clap_id timerId)
{
    const auto found = std::find_if (registeredTimers.begin(), registeredTimers.end(), [timerId] (const Timer& t) { return t.id == timerId; });
    if (! isMainThread() || found == registeredTimers.end())
        return false;

    registeredTimers.erase (found);
    return true;
}

bool ClapHostedPlugin::registerFileDescriptor (int fd, clap_posix_fd_flags_t flags)
{
    const auto found = std::find_if (registeredFileDescriptors.begin(), registeredFileDescriptors.end(), [fd] (const FileDescriptor& d) { return d.fd == fd; });
    if (! isMainThread() || fd < 0 || found != registeredFileDescriptors.end())
        return false;

    registeredFileDescriptors.push_back ({ fd, flags });
    return true;
}

bool ClapHostedPlugin::modifyFileDescriptor (int fd, clap_posix_fd_flags_t flags)
{
    const auto found = std::find_if (registeredFileDescriptors.begin(), registeredFileDescriptors.end(), [fd] (const FileDescriptor& d) { return d.fd == fd; });
    if (! isMainThread() || found == registeredFileDescriptors.end())
        return false;

    found->flags = flags;
    return true;
}

bool ClapHostedPlugin::unregisterFileDescriptor (int fd)
{
    const auto found = std::find_if (registeredFileDescriptors.begin(), registeredFileDescriptors.end(), [fd] (const FileDescriptor& d) { return d.fd == fd; });
    if (! isMainThread() || found == registeredFileDescriptors.end())
        return false;

    registeredFileDescriptors.erase (found);
    return true;
}

bool ClapHostedPlugin::fireTimer (clap_id timerId)
{
    const auto* support = extension<clap_plugin_timer_support> (CLAP_EXT_TIMER_SUPPORT);
    const bool registered = std::any_of (registeredTimers.begin(), registeredTimers.end(), [timerId] (const Timer& t) { return t.id == timerId; });
    if (support == nullptr || support->on_timer == nullptr || ! registered)
        return false;

    support->on_timer (plugin, timerId);
    return true;
}

bool ClapHostedPlugin::reportFileDescriptor (int fd, clap_posix_fd_flags_t flags)
{
    const auto* support = extension<clap_plugin_posix_fd_support> (CLAP_EXT_POSIX_FD_SUPPORT);
    const bool registered = std::any_of (registeredFileDescriptors.begin(), registeredFileDescriptors.end(), [fd] (const FileDescriptor& d) { return d.fd == fd; });
    if (support == nullptr || support->on_fd == nullptr || ! registered)
        return false;

    support->on_fd (plugin, fd, flags);
    return true;
}

std::uint32_t ClapHostedPlugin::mainChannelCount (bool isInput) const
{
    const auto* ports = extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS);
    if (ports == nullptr || ports->count (plugin, isInput) == 0)
        return 0;

    clap_audio_port_info info {};
    if (! ports->get (plugin, 0, isInput, &info))
        return 0;

    return info.channel_count;
}
