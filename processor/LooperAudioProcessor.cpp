#include "LooperAudioProcessor.h"

#include "IDs.h"
#include "LooperAudioProcessorEditor.h"
#include "SavedStateReader.h"

#include <cmath>

namespace
{
constexpr float kFadeTimeSeconds = 0.0025f;
constexpr float kMeterAttackMs = 0.0f;
constexpr float kMeterReleaseMs = 250.0f;

/** The seven engine actions: their parameter, their fixed MIDI note and the
    engine's event member.
*/
struct EngineAction
{
    LooperAudioProcessor::ParameterIndex parameter;
    int note;
    std::int32_t looper::Engine::*event;
};

constexpr std::array<EngineAction, 7> kEngineActions { {
    { LooperAudioProcessor::recordIndex, 60, &looper::Engine::recordEvent },
    { LooperAudioProcessor::overdubIndex, 61, &looper::Engine::overdubEvent },
    { LooperAudioProcessor::multiplyIndex, 62, &looper::Engine::multiplyEvent },
    { LooperAudioProcessor::retrigIndex, 63, &looper::Engine::retrigEvent },
    { LooperAudioProcessor::undoIndex, 64, &looper::Engine::undoEvent },
    { LooperAudioProcessor::redoIndex, 65, &looper::Engine::redoEvent },
    { LooperAudioProcessor::resetIndex, 67, &looper::Engine::resetEvent },
} };

bool isActionNote (int note) noexcept
{
    for (const auto& action : kEngineActions)
        if (action.note == note)
            return true;

    return false;
}

float pulse (std::int32_t event) noexcept
{
    return event == 1 ? 1.0f : 0.0f;
}

/** A parameter value that is not a number (from a broken host or a corrupt
    state) counts as 0 rather than poisoning the loop.
*/
float finiteOrZero (float value) noexcept
{
    return std::isfinite (value) ? value : 0.0f;
}

} // namespace

LooperAudioProcessor::LooperAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      apvts (*this, nullptr, "parameters", createParameterLayout())
{
    settings = apvts.state.getChildWithName (IDs::settings);

    if (! settings.isValid())
    {
        settings = juce::ValueTree (IDs::settings);
        apvts.state.appendChild (settings, nullptr);
    }

    recordMidiNote.referTo (settings, IDs::record1MidiNote, nullptr, 60);
    overdubMidiNote.referTo (settings, IDs::overdubMidiNote, nullptr, 61);
    multiplyMidiNote.referTo (settings, IDs::multiplyMidiNote, nullptr, 62);
    retrigMidiNote.referTo (settings, IDs::retrigMidiNote, nullptr, 63);
    undoMidiNote.referTo (settings, IDs::undoMidiNote, nullptr, 64);
    redoMidiNote.referTo (settings, IDs::redoMidiNote, nullptr, 65);
    muteMidiNote.referTo (settings, IDs::muteMidiNote, nullptr, 66);
    resetMidiNote.referTo (settings, IDs::resetMidiNote, nullptr, 67);
}

juce::AudioProcessorValueTreeState::ParameterLayout LooperAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    const auto addFloat = [&layout] (const char* id, const char* name, float defaultValue) {
        layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 0 }, name,
                                                                 juce::NormalisableRange<float> (0.0f, 1.0f), defaultValue));
    };
    const auto addChoice = [&layout] (const char* id, const char* name, const juce::StringArray& choices) {
        layout.add (std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { id, 0 }, name, choices, 0));
    };

    addFloat ("record", "Record", 0.0f);
    addFloat ("overdub", "Overdub", 0.0f);
    addFloat ("multiply", "Multiply", 0.0f);
    addFloat ("retrig", "Trigger", 0.0f);
    addFloat ("undo", "Undo", 0.0f);
    addFloat ("redo", "Redo", 0.0f);
    addFloat ("mute", "Mute", 0.0f);
    addFloat ("reset", "Reset", 0.0f);
    addFloat ("feedback", "Feedback", 1.0f);
    addFloat ("level", "Level", 1.0f);
    addChoice ("triggerMode", "Push Mode", { "Toggle", "Hold" });
    addChoice ("mixMode", "Mix Mode", { "Mix", "Insert", "Gate" });

    return layout;
}

juce::AudioProcessorEditor* LooperAudioProcessor::createEditor()
{
    return new LooperAudioProcessorEditor (*this);
}

bool LooperAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

//==============================================================================
void LooperAudioProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    auto state = apvts.copyState();

    if (! state.isValid())
        return;

    // A loaded document may give a parameter's child no value (the parameter
    // then sits at its default, and the tree's flush writes only changes):
    // save every parameter's value, so that the document is complete.
    for (auto child : state)
        if (auto* value = apvts.getRawParameterValue (child.getProperty ("id").toString()))
            if (! child.hasProperty ("value"))
                child.setProperty ("value", value->load(), nullptr);

    state.setProperty ("editorWidth", editorWidth.load(), nullptr);
    state.setProperty ("editorHeight", editorHeight.load(), nullptr);

    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destination);
}

void LooperAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto xml = SavedStateReader::read (data, sizeInBytes);

    if (xml == nullptr)
        return;

    auto tree = juce::ValueTree::fromXml (*xml);

    if (! tree.isValid())
        return;

    // A "value" that reads as not-a-number would pass through the parameter's
    // clamping and leave it NaN, and one that overflows JUCE's number reader
    // must not reach it; such a value counts as missing instead.
    for (auto child : tree)
    {
        if (auto* parameter = apvts.getParameter (child.getProperty ("id").toString()); parameter != nullptr && child.hasProperty ("value"))
        {
            const auto text = child.getProperty ("value").toString();
            if (SavedStateReader::hasOverlongExponent (text.toRawUTF8(), text.getNumBytesAsUTF8())
                || std::isnan (static_cast<double> (child.getProperty ("value"))))
                child.setProperty ("value", parameter->convertFrom0to1 (parameter->getDefaultValue()), nullptr);
        }
    }

    // A parameter without a child in the document keeps its current value:
    // its child is appended here with that value, in the order the value tree
    // state would append it (by id), which would otherwise reset it to its default.
    auto ids = juce::StringArray (parameterIds.data(), static_cast<int> (parameterIds.size()));
    ids.sort (false);

    for (const auto& id : ids)
    {
        if (! tree.getChildWithProperty ("id", id).isValid())
            tree.appendChild (juce::ValueTree ("PARAM", { { "id", id }, { "value", apvts.getRawParameterValue (id)->load() } }), nullptr);
    }

    if (tree.hasProperty ("editorWidth"))
        editorWidth = static_cast<int> (tree.getProperty ("editorWidth"));

    if (tree.hasProperty ("editorHeight"))
        editorHeight = static_cast<int> (tree.getProperty ("editorHeight"));

    apvts.replaceState (tree);
}

//==============================================================================
void LooperAudioProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    sampleDuration = static_cast<float> (1.0 / sampleRate);

    for (auto* engine : { &leftEngine, &rightEngine })
    {
        engine->writeFadeInTime = engine->writeFadeOutTime = kFadeTimeSeconds;
        engine->playFadeInTime = engine->playFadeOutTime = kFadeTimeSeconds;
        engine->jumpFadeInTime = engine->jumpFadeOutTime = kFadeTimeSeconds;
    }

    for (std::size_t i = 0; i < parameterValues.size(); ++i)
    {
        auto* parameter = apvts.getParameter (parameterIds[i]);
        parameterValues[i] = { dynamic_cast<juce::AudioParameterFloat*> (parameter), dynamic_cast<juce::AudioParameterChoice*> (parameter) };
        jassert (parameterValues[i].number != nullptr || parameterValues[i].choice != nullptr);
    }
    prepared = true;

    processSpec = { sampleRate, static_cast<juce::uint32> (juce::jmax (0, maximumExpectedSamplesPerBlock)), 1 };

    for (auto& meter : pulseMeters)
        meter.prepare (processSpec, kMeterAttackMs, kMeterReleaseMs);
}

void LooperAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    const juce::ScopedNoDenormals noDenormals;

    // Not prepared yet: there is no sample rate and no meter to feed, so the
    // audio passes through untouched.
    if (! prepared)
        return;

    // Note gates of the action notes, from raw bytes so that no message
    // object (which may allocate for long messages) is made.
    for (const auto metadata : midi)
    {
        if (metadata.numBytes < 3 || (metadata.data[1] & 0x80) != 0)
            continue;

        const auto status = metadata.data[0] & 0xf0;
        const int note = metadata.data[1];

        if ((status == 0x90 || status == 0x80) && isActionNote (note))
            noteGates[static_cast<std::size_t> (note)] = status == 0x90 && metadata.data[2] != 0 ? 1.0f : 0.0f;
    }

    const auto raw = [this] (ParameterIndex index) { return parameterValues[index].load(); };

    const bool hold = static_cast<int> (raw (triggerModeIndex)) != 0;
    for (auto* engine : { &leftEngine, &rightEngine })
        engine->recordHold = engine->overdubHold = engine->multiplyHold = hold;

    const auto mixMode = static_cast<int> (raw (mixModeIndex));
    const float dryGain = mixMode == 0 ? 1.0f : (mixMode == 1 ? leftEngine.monitorGain : 0.0f);
    const float mute = finiteOrZero (raw (muteIndex));
    const float wetGain = 1.0f - mute;

    const int numSamples = buffer.getNumSamples();
    const int numChannels = buffer.getNumChannels();
    const int numInputs = getTotalNumInputChannels();

    for (int channel = numInputs; channel < juce::jmin (getTotalNumOutputChannels(), numChannels); ++channel)
        buffer.clear (channel, 0, numSamples);

    if (numChannels == 0)
        return;

    float* left = buffer.getWritePointer (0);
    float* right = numInputs >= 2 && numChannels >= 2 ? buffer.getWritePointer (1) : nullptr;

    for (auto& meter : pulseMeters)
        meter.startBlock();

    for (int i = 0; i < numSamples; ++i)
    {
        for (const auto& action : kEngineActions)
        {
            const float v = raw (action.parameter) + noteGates[static_cast<std::size_t> (action.note)];
            leftEngine.*action.event = detectEdge (actionStates[static_cast<std::size_t> (action.parameter)], v);
            rightEngine.*action.event = leftEngine.*action.event;
        }

        leftEngine.feedback = rightEngine.feedback = finiteOrZero (raw (feedbackIndex));
        const float level = finiteOrZero (raw (levelIndex));

        pulseMeters[retrigMeter].processSample (pulse (leftEngine.retrigEvent));
        pulseMeters[undoMeter].processSample (pulse (leftEngine.undoEvent));
        pulseMeters[redoMeter].processSample (pulse (leftEngine.redoEvent));
        pulseMeters[muteMeter].processSample (mute);
        pulseMeters[resetMeter].processSample (pulse (leftEngine.resetEvent));

        const float x = left[i];
        left[i] = x * dryGain + (leftEngine.process (sampleDuration, x) * level) * wetGain;

        if (right != nullptr)
        {
            const float xr = right[i];
            right[i] = xr * dryGain + (rightEngine.process (sampleDuration, xr) * level) * wetGain;
        }

        const auto& cur = leftEngine.current();
        const bool writing = cur.writeGain.state == looper::GainState::On;
        pulseMeters[recordMeter].processSample (cur.kind == looper::OperationKind::Record && writing ? 1.0f : 0.0f);
        pulseMeters[overdubMeter].processSample (cur.overdubGain.state == looper::GainState::On ? 1.0f : 0.0f);
        pulseMeters[multiplyMeter].processSample (cur.kind == looper::OperationKind::Multiply && writing ? 1.0f : 0.0f);
        pulseMeters[loopStartMeter].processSample (! leftEngine.historyEmpty && cur.loopStart == static_cast<std::uint64_t> (cur.position) ? 1.0f : 0.0f);
    }

    for (auto& meter : pulseMeters)
        meter.endBlock();
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new LooperAudioProcessor();
}
