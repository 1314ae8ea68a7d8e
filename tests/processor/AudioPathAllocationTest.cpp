#include "AllocationCounter.h"
#include "ProcessorTestHelpers.h"

#include <gtest/gtest.h>

using namespace processor_testing;

TEST (AudioPath, AllocatesNothing)
{
    LooperAudioProcessor processor;
    processor.prepareToPlay (48000.0, 256);

    juce::AudioBuffer<float> buffer (2, 256);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);
    const char* actions[] = { "record", "overdub", "multiply", "retrig", "undo", "redo", "reset" };

    allocation_counter::start();
    for (int block = 0; block < 2000; ++block)
    {
        for (int i = 0; i < 256; ++i)
            buffer.setSample (0, i, 0.1f * static_cast<float> ((block + i) % 7));

        midi.clear();
        const int note = 60 + block % 8;
        midi.addEvent (juce::MidiMessage::noteOn (1, note, 0.8f), block % 256);
        if (block % 3 == 0)
            midi.addEvent (juce::MidiMessage::noteOff (1, note), 255);

        // Parameter changes as the host bridge makes them, on the audio thread.
        auto* parameter = processor.apvts.getParameter (actions[(block / 5) % 7]);
        parameter->setValue (block % 2 == 0 ? 1.0f : 0.0f);
        processor.apvts.getParameter ("mixMode")->setValue (static_cast<float> (block % 3) / 2.0f);
        processor.apvts.getParameter ("triggerMode")->setValue (static_cast<float> ((block / 50) % 2));

        processor.processBlock (buffer, midi);
    }
    EXPECT_EQ (allocation_counter::stop(), 0u);
    EXPECT_FALSE (processor.leftEngine.historyEmpty && processor.leftEngine.operations[0].kind == looper::OperationKind::None)
        << "the session did exercise the engine";
}
