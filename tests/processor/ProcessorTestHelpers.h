#pragma once

#include "LooperAudioProcessor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace processor_testing
{

using Bytes = std::vector<std::uint8_t>;

inline Bytes saveState (LooperAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    const auto* data = static_cast<const std::uint8_t*> (block.getData());
    return Bytes (data, data + block.getSize());
}

inline void loadState (LooperAudioProcessor& processor, const Bytes& bytes)
{
    processor.setStateInformation (bytes.data(), static_cast<int> (bytes.size()));
}

/** A saved state around the given text: "VC2!", the length, the text, a zero byte. */
inline Bytes stateFromText (const std::string& text)
{
    Bytes bytes { 'V', 'C', '2', '!' };
    const auto length = static_cast<std::uint32_t> (text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back (static_cast<std::uint8_t> (length >> shift));
    bytes.insert (bytes.end(), text.begin(), text.end());
    bytes.push_back (0);
    return bytes;
}

/** The XML text of a saved state. */
inline std::string textOf (const Bytes& state)
{
    return std::string (state.begin() + 8, state.end() - 1);
}

/** A parameter's value in its own range (the choice index for choices). */
inline float parameterValue (LooperAudioProcessor& processor, const char* id)
{
    return processor.apvts.getRawParameterValue (id)->load();
}

/** Sets a parameter as the editor or host would, by its value in its own range. */
inline void setParameter (LooperAudioProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.apvts.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

} // namespace processor_testing
