#include "LooperAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 512;

void setParameter (LooperAudioProcessor& processor, const char* id, float value)
{
    processor.apvts.getParameter (id)->setValueNotifyingHost (value);
}

/** processBlock on a stereo 512-sample buffer at 48 kHz with five layers: a
    one-second recording and four overdubs, each copied for a whole cycle.
*/
void processBlockWithFiveLayers (benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    LooperAudioProcessor processor;
    processor.prepareToPlay (kSampleRate, kBlockSize);

    juce::AudioBuffer<float> buffer (2, kBlockSize);
    juce::MidiBuffer midi;
    int phase = 0;
    const auto runBlocks = [&] (int blocks) {
        for (int b = 0; b < blocks; ++b)
        {
            for (int i = 0; i < kBlockSize; ++i, ++phase)
            {
                const float x = 0.25f * std::sin (0.01f * static_cast<float> (phase));
                buffer.setSample (0, i, x);
                buffer.setSample (1, i, -x);
            }
            processor.processBlock (buffer, midi);
        }
    };
    const auto press = [&] (const char* id) {
        setParameter (processor, id, 1.0f);
        runBlocks (1);
        setParameter (processor, id, 0.0f);
    };

    runBlocks (1);
    press ("record");
    runBlocks (93);
    press ("record");
    for (int i = 0; i < 4; ++i)
    {
        press ("overdub");
        runBlocks (100);
        press ("overdub");
    }

    for (auto _ : state)
    {
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }

    state.counters["per_frame"] = benchmark::Counter (kBlockSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
} // namespace

BENCHMARK (processBlockWithFiveLayers);

BENCHMARK_MAIN();
