#pragma once

#include "ClapHostedPlugin.h"
#include "RenderScript.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <chrono>
#include <string>
#include <vector>

/** Plays an input through a plug-in in real time on the thread that calls it,
    as a host's audio thread would: each block is processed once the clock has
    reached it, the input repeats from its start, and the output is not
    heard. The script's frames count from start(). The calls it
    makes into the plug-in count as the audio thread.
*/
class RealTimePlayer
{
public:
    using Clock = std::chrono::steady_clock;

    /** The input's channels feed the plug-in's main input, the last one
        repeated when it has fewer.
    */
    RealTimePlayer (ClapHostedPlugin& plugin, const juce::AudioBuffer<float>& input, double sampleRate, std::uint32_t blockSize,
                    RenderScript script = RenderScript (""));

    /** Stops the plug-in if still playing. */
    ~RealTimePlayer();

    RealTimePlayer (const RealTimePlayer&) = delete;
    RealTimePlayer& operator= (const RealTimePlayer&) = delete;

    /** Activates and starts the plug-in; the first block is due at once. */
    bool start();

    /** Stops processing and deactivates the plug-in. */
    void stop();

    bool isPlaying() const noexcept { return playing; }

    /** Processes every block whose time has come. Once it is more than
        50 ms behind, the time before that is dropped, as a device drops it
        on an underrun, and the frames go on from where they were. False,
        with error() set, once a block failed; nothing more is played after
        that.
    */
    bool processDueBlocks();

    /** When the next block is due. */
    Clock::time_point nextBlockTime() const;

    /** Events for the start of the next block, before the script's. */
    void queueEvents (const std::vector<ClapHostedPlugin::Event>& events);

    const std::string& error() const noexcept { return failure; }

    /** Everything the plug-in sent since start(), in order. */
    std::vector<ClapHostedPlugin::Event> outputEvents;

    /** Frames processed since start(). */
    std::uint64_t framesPlayed = 0;

private:
    bool processBlock();

    ClapHostedPlugin& plugin;
    const juce::AudioBuffer<float> input;
    const double sampleRate;
    const std::uint32_t blockSize;
    const RenderScript script;

    const std::uint32_t inputChannels;
    const std::uint32_t outputChannels;
    juce::AudioBuffer<float> inputBlock, outputBlock;
    std::vector<float*> inputs, outputs;
    std::vector<ClapHostedPlugin::Event> queued, events;

    bool playing = false;
    Clock::time_point startTime;
    std::string failure;
};
