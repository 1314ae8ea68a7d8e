#include "ClapHostedPlugin.h"
#include "ClapProcessorWrapper.h"
#include "LooperAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
constexpr std::uint32_t kFrames = 256;
constexpr double kSampleRate = 48000.0;

const clap_host* nullHost()
{
    static const clap_host host { CLAP_VERSION_INIT, nullptr, "benchmark", "", "", "1", [] (const clap_host*, const char*) -> const void* { return nullptr; },
                                  [] (const clap_host*) {}, [] (const clap_host*) {}, [] (const clap_host*) {} };
    return &host;
}

/** The looper's processBlock called directly, as the baseline. */
void processBlockDirectly (benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    LooperAudioProcessor processor;
    processor.prepareToPlay (kSampleRate, kFrames);
    juce::AudioBuffer<float> buffer (2, kFrames);
    buffer.clear();
    juce::MidiBuffer midi;

    for (auto _ : state)
    {
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
}

/** The same block through the wrapper's process, with some parameter events. */
void processThroughTheWrapper (benchmark::State& state)
{
    const auto eventCount = static_cast<std::size_t> (state.range (0));
    const auto* plugin = (new ClapProcessorWrapper (nullHost(), std::make_unique<LooperAudioProcessor>()))->clapPlugin();
    plugin->init (plugin);
    plugin->activate (plugin, kSampleRate, 1, kFrames);
    plugin->start_processing (plugin);

    std::vector<float> left (kFrames), right (kFrames);
    std::vector<float*> channels { left.data(), right.data() };
    clap_audio_buffer buffer { channels.data(), nullptr, 2, 0, 0 };

    std::vector<clap_event_param_value> events (eventCount);
    for (std::size_t i = 0; i < eventCount; ++i)
    {
        auto& e = events[i];
        e.header = { sizeof (clap_event_param_value), static_cast<std::uint32_t> (i * 16), CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
        e.param_id = ClapProcessorWrapper::parameterIdFor (i % 2 == 0 ? "feedback" : "level");
        e.note_id = -1;
        e.port_index = e.channel = e.key = -1;
    }

    const clap_input_events in { &events, [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<std::vector<clap_event_param_value>*> (l->ctx)->size()); },
                                 [] (const clap_input_events* l, std::uint32_t i) -> const clap_event_header* { return &(*static_cast<std::vector<clap_event_param_value>*> (l->ctx))[i].header; } };
    const clap_output_events out { nullptr, [] (const clap_output_events*, const clap_event_header*) { return true; } };
    const clap_process context { -1, kFrames, nullptr, &buffer, &buffer, 1, 1, &in, &out };

    double value = 0.0;
    for (auto _ : state)
    {
        // Every event carries a new value, so the parameters really change.
        value = value > 0.5 ? 0.25 : 0.75;
        for (auto& e : events)
            e.value = value;
        benchmark::DoNotOptimize (plugin->process (plugin, &context));
    }

    plugin->stop_processing (plugin);
    plugin->deactivate (plugin);
    plugin->destroy (plugin);
}

/** Loading the bundle as a host scanning for plug-ins does. */
void scanTheBundle (benchmark::State& state)
{
    for (auto _ : state)
    {
        ClapPluginLibrary library (RAVELWICK_BUNDLE);
        benchmark::DoNotOptimize (library.descriptors());
    }
}

/** Creating, initialising and activating an instance. */
void createInitActivate (benchmark::State& state)
{
    ClapPluginLibrary library (RAVELWICK_BUNDLE);
    for (auto _ : state)
    {
        ClapHostedPlugin plugin (library);
        benchmark::DoNotOptimize (plugin.start (kSampleRate, kFrames));
        plugin.stop();
    }
}
} // namespace

BENCHMARK (processBlockDirectly);
BENCHMARK (processThroughTheWrapper)->Arg (0)->Arg (8);
BENCHMARK (scanTheBundle)->Unit (benchmark::kMillisecond);
BENCHMARK (createInitActivate)->Unit (benchmark::kMillisecond);

BENCHMARK_MAIN();
