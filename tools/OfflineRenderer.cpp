#include "OfflineRenderer.h"

#include <vector>

bool OfflineRenderer::render (ClapHostedPlugin& plugin, const juce::AudioBuffer<float>& input, double sampleRate,
                              std::uint32_t blockSize, const RenderScript& script, juce::AudioBuffer<float>& output, std::string& error)
{
    if (! plugin.isReady())
    {
        error = plugin.error();
        return false;
    }

    if (blockSize == 0)
    {
        error = "the block size must be at least 1";
        return false;
    }

    const auto inputChannels = plugin.mainChannelCount (true);
    const auto outputChannels = plugin.mainChannelCount (false);
    const int length = input.getNumSamples();

    juce::AudioBuffer<float> block (static_cast<int> (std::max (inputChannels, 1u)), static_cast<int> (blockSize));
    output.setSize (static_cast<int> (std::max (outputChannels, 1u)), length);
    output.clear();

    if (! plugin.start (sampleRate, blockSize))
    {
        error = plugin.error();
        return false;
    }

    std::vector<float*> inputPointers (inputChannels);
    std::vector<float*> outputPointers (outputChannels);
    juce::AudioBuffer<float> rendered (static_cast<int> (std::max (outputChannels, 1u)), static_cast<int> (blockSize));
    std::vector<ClapHostedPlugin::Event> events;

    for (int start = 0; start < length; start += static_cast<int> (blockSize))
    {
        const int frames = std::min (static_cast<int> (blockSize), length - start);

        for (std::uint32_t c = 0; c < inputChannels; ++c)
        {
            const int source = std::min (static_cast<int> (c), input.getNumChannels() - 1);
            if (source >= 0)
                block.copyFrom (static_cast<int> (c), 0, input, source, start, frames);
            else
                block.clear (static_cast<int> (c), 0, frames);
            inputPointers[c] = block.getWritePointer (static_cast<int> (c));
        }

        rendered.clear();
        for (std::uint32_t c = 0; c < outputChannels; ++c)
            outputPointers[c] = rendered.getWritePointer (static_cast<int> (c));

        if (! script.eventsForBlock (plugin, static_cast<std::uint64_t> (start), static_cast<std::uint32_t> (frames), events, error))
        {
            plugin.stop();
            return false;
        }

        if (plugin.process (inputPointers.data(), inputChannels, outputPointers.data(), outputChannels,
                            static_cast<std::uint32_t> (frames), events)
            == CLAP_PROCESS_ERROR)
        {
            error = "clap_plugin.process failed at frame " + std::to_string (start);
            plugin.stop();
            return false;
        }

        for (std::uint32_t c = 0; c < outputChannels; ++c)
            output.copyFrom (static_cast<int> (c), start, rendered, static_cast<int> (c), 0, frames);

        plugin.runRequestedCallback();
    }

    plugin.stop();
    return true;
}
