#include "RealTimePlayer.h"

#include <algorithm>
#include <utility>

namespace
{
// Further behind than this, the player drops the time it missed, as an audio
// device does on an underrun. Chasing it would keep the host's loop from its
// windows and timers, for ever once the blocks take longer than they last.
constexpr std::chrono::milliseconds kLongestLag { 50 };
} // namespace

RealTimePlayer::RealTimePlayer (ClapHostedPlugin& hosted, const juce::AudioBuffer<float>& signal, double rate, std::uint32_t frames,
                                RenderScript actions)
    : plugin (hosted),
      input (signal),
      sampleRate (rate),
      blockSize (frames),
      script (std::move (actions)),
      inputChannels (hosted.mainChannelCount (true)),
      outputChannels (hosted.mainChannelCount (false)),
      inputBlock (static_cast<int> (std::max (inputChannels, 1u)), static_cast<int> (frames)),
      outputBlock (static_cast<int> (std::max (outputChannels, 1u)), static_cast<int> (frames)),
      inputs (inputChannels),
      outputs (outputChannels)
{
}

RealTimePlayer::~RealTimePlayer()
{
    stop();
}

bool RealTimePlayer::start()
{
    if (blockSize == 0 || sampleRate <= 0.0 || input.getNumSamples() == 0 || input.getNumChannels() == 0)
    {
        failure = "the player needs a block size, a sample rate and some input";
        return false;
    }

    if (! plugin.start (sampleRate, blockSize))
    {
        failure = plugin.error();
        return false;
    }

    playing = true;
    framesPlayed = 0;
    outputEvents.clear();
    startTime = Clock::now();
    return true;
}

void RealTimePlayer::stop()
{
    if (playing)
        plugin.stop();
    playing = false;
}

RealTimePlayer::Clock::time_point RealTimePlayer::nextBlockTime() const
{
    const std::chrono::duration<double> offset (static_cast<double> (framesPlayed) / sampleRate);
    return startTime + std::chrono::duration_cast<Clock::duration> (offset);
}

void RealTimePlayer::queueEvents (const std::vector<ClapHostedPlugin::Event>& newEvents)
{
    for (auto event : newEvents)
    {
        event.header.time = 0;
        queued.push_back (event);
    }
}

bool RealTimePlayer::processDueBlocks()
{
    const auto now = Clock::now();
    if (playing && now - nextBlockTime() > kLongestLag)
        startTime += now - nextBlockTime() - kLongestLag;

    while (playing && nextBlockTime() <= now)
    {
        if (! processBlock())
        {
            stop();
            return false;
        }
    }
    return failure.empty();
}

bool RealTimePlayer::processBlock()
{
    const auto length = static_cast<std::uint64_t> (input.getNumSamples());

    for (std::uint32_t c = 0; c < inputChannels; ++c)
    {
        const int source = std::min (static_cast<int> (c), input.getNumChannels() - 1);
        for (std::uint32_t i = 0; i < blockSize; ++i)
            inputBlock.setSample (static_cast<int> (c), static_cast<int> (i), input.getSample (source, static_cast<int> ((framesPlayed + i) % length)));
        inputs[c] = inputBlock.getWritePointer (static_cast<int> (c));
    }

    outputBlock.clear();
    for (std::uint32_t c = 0; c < outputChannels; ++c)
        outputs[c] = outputBlock.getWritePointer (static_cast<int> (c));

    if (! script.eventsForBlock (plugin, framesPlayed, blockSize, events, failure))
        return false;
    events.insert (events.begin(), queued.begin(), queued.end());
    queued.clear();

    if (plugin.process (inputs.data(), inputChannels, outputs.data(), outputChannels, blockSize, events) == CLAP_PROCESS_ERROR)
    {
        failure = "clap_plugin.process failed at frame " + std::to_string (framesPlayed);
        return false;
    }

    outputEvents.insert (outputEvents.end(), plugin.outputEvents.begin(), plugin.outputEvents.end());
    framesPlayed += blockSize;
    return true;
}
