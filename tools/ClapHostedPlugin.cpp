#include "ClapHostedPlugin.h"

#include <algorithm>
#include <cstring>

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
        [] (const clap_host* h) { return std::this_thread::get_id() == from (h).mainThread && ! inAudioCall; },
        [] (const clap_host*) { return inAudioCall; },
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

    const clap_input_events in { const_cast<std::vector<Event>*> (&events),
                                 [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<const std::vector<Event>*> (l->ctx)->size()); },
                                 [] (const clap_input_events* l, std::uint32_t index) -> const clap_event_header* {
                                     const auto& list = *static_cast<const std::vector<Event>*> (l->ctx);
                                     return index < list.size() ? &list[index].header : nullptr;
                                 } };

    outputEvents.clear();
    clap_output_events out { this, [] (const clap_output_events* l, const clap_event_header* event) {
                                if (event == nullptr || event->size > sizeof (Event))
                                    return false;
                                Event copy {};
                                std::memcpy (&copy, event, event->size);
                                static_cast<ClapHostedPlugin*> (l->ctx)->outputEvents.push_back (copy);
                                return true;
                            } };

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

void ClapHostedPlugin::runRequestedCallback()
{
    if (plugin != nullptr && callbackRequested.exchange (false))
        plugin->on_main_thread (plugin);
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
