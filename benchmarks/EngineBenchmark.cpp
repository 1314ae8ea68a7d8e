#include "Engine.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <random>

namespace
{
constexpr float kSampleDuration = 1.0f / 48000.0f;
constexpr int kSamplesPerIteration = 1024;
constexpr std::int64_t kLoopLength = 48000; // one second

/** Reports the time per processed sample alongside the time per iteration. */
void reportPerSample (benchmark::State& state)
{
    state.counters["per_sample"] = benchmark::Counter (kSamplesPerIteration,
                                                       benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const std::array<float, 4096>& noise()
{
    static const auto samples = [] {
        std::array<float, 4096> s {};
        std::mt19937 random (1);
        std::uniform_real_distribution<float> distribution (-0.5f, 0.5f);
        for (auto& x : s)
            x = distribution (random);
        return s;
    }();
    return samples;
}

std::unique_ptr<looper::Engine> makeEngine()
{
    auto engine = std::make_unique<looper::Engine>();
    engine->recordHold = engine->overdubHold = engine->multiplyHold = false;
    engine->writeFadeInTime = engine->writeFadeOutTime = 0.0025f;
    engine->playFadeInTime = engine->playFadeOutTime = 0.0025f;
    engine->jumpFadeInTime = engine->jumpFadeOutTime = 0.0025f;
    return engine;
}

void run (looper::Engine& engine, std::int64_t samples)
{
    for (std::int64_t n = 0; n < samples; ++n)
        engine.process (kSampleDuration, noise()[static_cast<std::size_t> (n) % noise().size()]);
}

void press (looper::Engine& engine, std::int32_t looper::Engine::*event)
{
    engine.*event = 1;
    run (engine, 1);
    engine.*event = 0;
}

/** Processes blocks of noise through a prepared engine. */
void processBlocks (benchmark::State& state, looper::Engine& engine)
{
    std::size_t read = 0;
    for (auto _ : state)
    {
        float sum = 0.0f;
        for (int n = 0; n < kSamplesPerIteration; ++n)
        {
            sum += engine.process (kSampleDuration, noise()[read]);
            read = (read + 1) % noise().size();
        }
        benchmark::DoNotOptimize (sum);
    }
    reportPerSample (state);
}

void recording (benchmark::State& state)
{
    auto engine = makeEngine();
    std::int64_t recorded = 0;
    std::size_t read = 0;

    for (auto _ : state)
    {
        // A recording stops by itself when the memory is full: start afresh before that.
        if (recorded > 1'400'000)
        {
            state.PauseTiming();
            engine = makeEngine();
            recorded = 0;
            state.ResumeTiming();
        }
        if (recorded == 0)
            engine->recordEvent = 1;

        float sum = 0.0f;
        for (int n = 0; n < kSamplesPerIteration; ++n)
        {
            sum += engine->process (kSampleDuration, noise()[read]);
            engine->recordEvent = 0;
            read = (read + 1) % noise().size();
        }
        recorded += kSamplesPerIteration;
        benchmark::DoNotOptimize (sum);
    }
    reportPerSample (state);
}

void oneLayerPlaying (benchmark::State& state)
{
    auto engine = makeEngine();
    press (*engine, &looper::Engine::recordEvent);
    run (*engine, kLoopLength - 1);
    press (*engine, &looper::Engine::recordEvent);

    processBlocks (state, *engine);
}

void fiveLayersPlaying (benchmark::State& state)
{
    auto engine = makeEngine();
    press (*engine, &looper::Engine::recordEvent);
    run (*engine, kLoopLength - 1);
    press (*engine, &looper::Engine::recordEvent);

    // Four overdubs, each copied for a whole cycle and then switched off.
    for (int i = 0; i < 4; ++i)
    {
        press (*engine, &looper::Engine::overdubEvent);
        run (*engine, kLoopLength + 10);
        press (*engine, &looper::Engine::overdubEvent);
    }

    processBlocks (state, *engine);
}
} // namespace

BENCHMARK (recording);
BENCHMARK (oneLayerPlaying);
BENCHMARK (fiveLayersPlaying);

BENCHMARK_MAIN();
