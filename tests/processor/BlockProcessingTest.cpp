#include "ProcessorTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace processor_testing;

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 480; // 10 ms
constexpr int kFadeSamples = 120;

struct NoteEvent
{
    int sample;
    int note;
    bool on;
    int velocity = 100;
};

/** A prepared processor and the blocks run through it. */
class Looper
{
public:
    explicit Looper (int channels = 2)
    {
        if (channels == 1)
        {
            juce::AudioProcessor::BusesLayout mono;
            mono.inputBuses.add (juce::AudioChannelSet::mono());
            mono.outputBuses.add (juce::AudioChannelSet::mono());
            processor.setBusesLayout (mono);
        }
        processor.prepareToPlay (kSampleRate, kBlockSize);
        buffer.setSize (channels, kBlockSize);
    }

    /** Runs one block whose input on every channel is input (i); returns the block. */
    const juce::AudioBuffer<float>& block (const std::function<float (int)>& input, std::vector<NoteEvent> notes = {})
    {
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < kBlockSize; ++i)
                buffer.setSample (c, i, input (i));

        juce::MidiBuffer midi;
        for (const auto& n : notes)
            midi.addEvent (n.on ? juce::MidiMessage::noteOn (1, n.note, static_cast<juce::uint8> (n.velocity))
                                : juce::MidiMessage::noteOff (1, n.note),
                           n.sample);

        processor.processBlock (buffer, midi);
        return buffer;
    }

    const juce::AudioBuffer<float>& silentBlock (std::vector<NoteEvent> notes = {})
    {
        return block ([] (int) { return 0.0f; }, std::move (notes));
    }

    const juce::AudioBuffer<float>& constantBlock (float value)
    {
        return block ([value] (int) { return value; });
    }

    /** One block with the parameter at value, then back to 0 for the next. */
    void press (const char* id, float input = 0.0f)
    {
        setParameter (processor, id, 1.0f);
        constantBlock (input);
        setParameter (processor, id, 0.0f);
    }

    bool recording() const
    {
        const auto& cur = processor.leftEngine.current();
        return cur.kind == looper::OperationKind::Record && cur.writeGain.state == looper::GainState::On;
    }

    LooperAudioProcessor processor;
    juce::AudioBuffer<float> buffer;
};
} // namespace

TEST (EdgeDetection, TurnsLevelsIntoPressesAndReleases)
{
    const struct
    {
        EdgeState state;
        float v;
        EdgeState next;
        std::int32_t event;
    } cases[] = {
        { EdgeState::Up, 1.0f, EdgeState::Down, 1 },
        { EdgeState::Up, 2.0f, EdgeState::Down, 1 },
        { EdgeState::Up, 0.0f, EdgeState::Up, 0 },
        { EdgeState::Up, 0.99f, EdgeState::Up, 0 },
        { EdgeState::Down, 1.0f, EdgeState::Down, 0 },
        { EdgeState::Down, 0.0f, EdgeState::Up, -1 },
        { EdgeState::Down, 0.01f, EdgeState::Down, 0 },
        { EdgeState::Unknown, 1.0f, EdgeState::Down, 0 },
        { EdgeState::Unknown, 0.0f, EdgeState::Up, 0 },
        { EdgeState::Unknown, 0.5f, EdgeState::Unknown, 0 },
        { EdgeState::Up, std::nanf (""), EdgeState::Up, 0 },
    };

    for (const auto& c : cases)
    {
        auto state = c.state;
        EXPECT_EQ (detectEdge (state, c.v), c.event) << static_cast<int> (c.state) << " with " << c.v;
        EXPECT_EQ (state, c.next);
    }
}

TEST (BlockProcessing, NoteAndParameterTogetherPressOnceAndReleaseWhenBothAreOff)
{
    Looper looper;
    setParameter (looper.processor, "triggerMode", 1.0f); // hold
    looper.silentBlock();

    setParameter (looper.processor, "record", 1.0f);
    looper.silentBlock ({ { 0, 60, true } });
    EXPECT_TRUE (looper.recording());
    const auto start = looper.processor.leftEngine.current().start;

    setParameter (looper.processor, "record", 0.0f);
    looper.silentBlock();
    EXPECT_TRUE (looper.recording()) << "the note still holds the action";
    EXPECT_EQ (looper.processor.leftEngine.current().start, start) << "no second press";

    looper.silentBlock ({ { 100, 60, false } });
    EXPECT_FALSE (looper.recording());
}

TEST (BlockProcessing, ParameterRampPressesAtOneAndReleasesAtZero)
{
    Looper looper;
    setParameter (looper.processor, "triggerMode", 1.0f);
    looper.silentBlock();

    const struct
    {
        float value;
        bool recording;
    } steps[] = { { 0.5f, false }, { 0.99f, false }, { 1.0f, true }, { 0.5f, true }, { 0.01f, true }, { 0.0f, false } };

    for (const auto& s : steps)
    {
        setParameter (looper.processor, "record", s.value);
        looper.silentBlock();
        EXPECT_EQ (looper.recording(), s.recording) << "record at " << s.value;
    }
}

TEST (BlockProcessing, ActionAlreadyOnWhenProcessingStartsIsNoPress)
{
    Looper looper;
    setParameter (looper.processor, "record", 1.0f);
    looper.silentBlock();
    EXPECT_TRUE (looper.processor.leftEngine.historyEmpty);

    setParameter (looper.processor, "record", 0.0f);
    looper.silentBlock();
    setParameter (looper.processor, "record", 1.0f);
    looper.silentBlock();
    EXPECT_TRUE (looper.recording());
}

TEST (BlockProcessing, NoteOnAndOffInOneBlockIsNoPress)
{
    Looper looper;
    looper.silentBlock();
    looper.silentBlock ({ { 10, 60, true }, { 20, 60, false } });
    EXPECT_TRUE (looper.processor.leftEngine.historyEmpty);

    looper.silentBlock ({ { 10, 60, true }, { 20, 60, true, 0 } }); // velocity 0 is a note-off
    EXPECT_TRUE (looper.processor.leftEngine.historyEmpty);

    looper.silentBlock ({ { 10, 66, true }, { 10, 59, true } }); // not action notes
    EXPECT_TRUE (looper.processor.leftEngine.historyEmpty);

    looper.silentBlock ({ { 400, 60, true } });
    EXPECT_TRUE (looper.recording()) << "a held note presses from its block's first sample";
    EXPECT_EQ (looper.processor.leftEngine.current().end, kBlockSize - 1);
}

TEST (BlockProcessing, RecordStopAndPlaybackIsHeard)
{
    Looper looper;
    looper.silentBlock();

    const auto tone = [] (int i) { return 0.5f * std::sin (0.05f * static_cast<float> (i)); };
    looper.press ("record");
    auto recorded = looper.block (tone);
    EXPECT_EQ (recorded.getSample (0, 100), tone (100)) << "the dry input is heard while recording";
    looper.press ("record");

    // Three loop cycles later, with silence going in, the loop plays the tone.
    for (int b = 0; b < 6; ++b)
        looper.silentBlock();
    const auto& played = looper.silentBlock();
    for (int i = kFadeSamples + 1; i < kBlockSize; ++i)
    {
        ASSERT_FLOAT_EQ (played.getSample (0, i), tone (i)) << i;
        ASSERT_FLOAT_EQ (played.getSample (1, i), tone (i)) << i;
    }
}

TEST (BlockProcessing, MixModesSetTheDryGain)
{
    const struct
    {
        float mixMode;
        float dryBeforeRecording;
        float dryInRecordingBlock;
        float dryWhileRecording;
    } cases[] = {
        { 0.0f, 1.0f, 1.0f, 1.0f }, // Mix: always heard
        { 1.0f, 0.0f, 0.0f, 1.0f }, // Insert: follows the previous block's monitor gain
        { 2.0f, 0.0f, 0.0f, 0.0f }, // Gate: never heard
    };

    for (const auto& c : cases)
    {
        Looper looper;
        setParameter (looper.processor, "mixMode", c.mixMode);
        EXPECT_EQ (looper.constantBlock (0.5f).getSample (0, 10), 0.5f * c.dryBeforeRecording);

        setParameter (looper.processor, "record", 1.0f);
        EXPECT_EQ (looper.constantBlock (0.5f).getSample (1, 10), 0.5f * c.dryInRecordingBlock);
        setParameter (looper.processor, "record", 0.0f);
        EXPECT_EQ (looper.constantBlock (0.5f).getSample (0, 10), 0.5f * c.dryWhileRecording) << "mix mode " << c.mixMode;
    }
}

TEST (BlockProcessing, MuteAndLevelScaleOnlyTheLoop)
{
    Looper looper;
    looper.silentBlock();
    looper.press ("record", 0.5f);
    looper.constantBlock (0.5f);
    looper.press ("record", 0.5f);
    looper.silentBlock();

    const struct
    {
        float mute;
        float level;
        float expected;
    } cases[] = { { 0.0f, 1.0f, 0.5f }, { 1.0f, 1.0f, 0.0f }, { 0.5f, 1.0f, 0.25f }, { 0.0f, 0.5f, 0.25f }, { 0.5f, 0.5f, 0.125f } };

    for (const auto& c : cases)
    {
        setParameter (looper.processor, "mute", c.mute);
        setParameter (looper.processor, "level", c.level);
        const auto& out = looper.constantBlock (0.25f);
        EXPECT_FLOAT_EQ (out.getSample (0, 300), 0.25f + c.expected) << "mute " << c.mute << ", level " << c.level;
    }
}

TEST (BlockProcessing, MonoLayoutRunsOnlyTheLeftEngine)
{
    Looper looper (1);
    looper.silentBlock();
    looper.press ("record", 0.5f);
    looper.constantBlock (0.5f);
    EXPECT_TRUE (looper.recording());
    EXPECT_TRUE (looper.processor.rightEngine.historyEmpty);
    EXPECT_EQ (looper.processor.rightEngine.operations[0].kind, looper::OperationKind::None);
}

TEST (BlockProcessing, MetersShowActionsAndDecay)
{
    Looper looper;
    auto& meters = looper.processor.pulseMeters;
    looper.silentBlock();
    for (auto& meter : meters)
        meter.takeLevel();

    looper.press ("record", 0.5f);
    EXPECT_EQ (meters[LooperAudioProcessor::recordMeter].takeLevel(), 1.0f);
    EXPECT_EQ (meters[LooperAudioProcessor::loopStartMeter].takeLevel(), 1.0f) << "a recording begins at its loop start";
    looper.constantBlock (0.5f);
    EXPECT_LT (meters[LooperAudioProcessor::loopStartMeter].takeLevel(), 1.0f) << "and does not pass it again while it records";
    looper.press ("record", 0.5f);
    EXPECT_EQ (meters[LooperAudioProcessor::loopStartMeter].takeLevel(), 1.0f) << "the loop passes its start";

    setParameter (looper.processor, "mute", 1.0f);
    looper.press ("reset");
    EXPECT_EQ (meters[LooperAudioProcessor::resetMeter].takeLevel(), 1.0f);
    EXPECT_EQ (meters[LooperAudioProcessor::muteMeter].takeLevel(), 1.0f);
    EXPECT_EQ (meters[LooperAudioProcessor::undoMeter].takeLevel(), 0.0f);

    // The reset flash decays to about 0.2 % over 250 ms.
    for (int b = 0; b < 24; ++b)
        looper.silentBlock();
    const float tail = meters[LooperAudioProcessor::resetMeter].takeLevel();
    EXPECT_GT (tail, 0.001f);
    EXPECT_LT (tail, 0.004f);
}

TEST (BlockProcessing, UnpreparedProcessorPassesAudioThrough)
{
    LooperAudioProcessor processor;
    juce::AudioBuffer<float> buffer (2, 64);
    for (int i = 0; i < 64; ++i)
        buffer.setSample (0, i, 0.25f);
    buffer.clear (1, 0, 64);
    setParameter (processor, "record", 1.0f);

    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, 1.0f), 0);
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getSample (0, 63), 0.25f);
    EXPECT_EQ (buffer.getSample (1, 63), 0.0f);
    EXPECT_TRUE (processor.leftEngine.historyEmpty);
}

TEST (BlockProcessing, BufferWithoutChannelsIsLeftAlone)
{
    Looper looper;
    juce::AudioBuffer<float> empty (0, 64);
    juce::MidiBuffer midi;
    looper.processor.processBlock (empty, midi);
    looper.silentBlock();
    EXPECT_TRUE (looper.processor.leftEngine.historyEmpty);
}

TEST (BlockProcessing, ParametersThatAreNotNumbersDoNotPoisonTheLoop)
{
    Looper looper;
    looper.silentBlock();
    looper.press ("record", 0.5f);
    looper.constantBlock (0.5f);
    looper.press ("record", 0.5f);

    for (const char* id : { "feedback", "level", "mute" })
    {
        auto* parameter = dynamic_cast<juce::AudioParameterFloat*> (looper.processor.apvts.getParameter (id));
        static_cast<juce::AudioProcessorParameter*> (parameter)->setValue (std::nanf (""));
        ASSERT_TRUE (std::isnan (parameter->get())) << id;
    }
    looper.press ("overdub", 0.5f);
    for (int b = 0; b < 5; ++b)
    {
        const auto& out = looper.constantBlock (0.5f);
        for (int i = 0; i < kBlockSize; ++i)
            ASSERT_TRUE (std::isfinite (out.getSample (0, i)));
    }
    for (std::size_t i = 0; i < 4000; ++i)
        ASSERT_TRUE (std::isfinite (looper.processor.leftEngine.loopMemory[i]));
}
