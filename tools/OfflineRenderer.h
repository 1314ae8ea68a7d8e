#pragma once

#include "ClapHostedPlugin.h"
#include "RenderScript.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <string>

/** Runs audio through a hosted plug-in block by block, applying a script's
    actions at their exact frames, and collects what it outputs.
*/
class OfflineRenderer
{
public:
    /** The input's channels feed the plug-in's main input (repeating the last
        channel when it has fewer); the output has the plug-in's main output
        channel count and the input's length. Starts and stops the plug-in.
    */
    static bool render (ClapHostedPlugin& plugin, const juce::AudioBuffer<float>& input, double sampleRate,
                        std::uint32_t blockSize, const RenderScript& script, juce::AudioBuffer<float>& output, std::string& error);
};
