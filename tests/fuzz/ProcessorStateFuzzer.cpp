// The fuzz input as the processor's saved state. A load the state reader
// refuses must leave the saved state as it was; an accepted one must leave
// parameters in range and a state that loads back to the same bytes.

#include "LooperAudioProcessor.h"
#include "SavedStateReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace
{
[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "fuzzing: %s\n", what);
    std::fflush (stderr);
    std::abort();
}

juce::MemoryBlock save (LooperAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

void load (LooperAudioProcessor& processor, const juce::MemoryBlock& block)
{
    processor.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
}

/** One processor for the whole run, and the state it starts with. */
struct Fixture
{
    juce::ScopedJuceInitialiser_GUI juce;
    LooperAudioProcessor processor;
    juce::MemoryBlock fresh = save (processor);
};

Fixture& fixture()
{
    static auto* const instance = new Fixture();
    return *instance;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t> (std::numeric_limits<int>::max()))
        return 0;

    auto& processor = fixture().processor;
    const auto sizeInBytes = static_cast<int> (size);
    const auto before = save (processor);
    const bool refused = SavedStateReader::read (data, sizeInBytes) == nullptr;

    processor.setStateInformation (data, sizeInBytes);
    const auto after = save (processor);

    if (refused)
    {
        if (after != before)
            fail ("a refused load changed the saved state");
        return 0;
    }

    for (auto* parameter : processor.getParameters())
    {
        const auto value = parameter->getValue();
        if (! (value >= 0.0f && value <= 1.0f))
            fail ("a loaded state left a parameter outside its range");
    }

    load (processor, after);
    if (save (processor) != after)
        fail ("a saved state does not load back to the same bytes");

    // The next input starts from the fresh state again.
    load (processor, fixture().fresh);
    if (save (processor) != fixture().fresh)
        fail ("loading the fresh state does not bring it back");

    return 0;
}
