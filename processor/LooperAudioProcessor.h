#pragma once

#include "EdgeState.h"
#include "Engine.h"
#include "PulseMeter.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>

/** The looper's audio processor: twelve host-automatable parameters, a
    settings node with the MIDI-note settings, the saved state, and the block
    processing that drives one loop engine per channel.
*/
class LooperAudioProcessor : public juce::AudioProcessor
{
public:
    /** Parameter indices, in the order the parameters are created. */
    enum ParameterIndex
    {
        recordIndex,
        overdubIndex,
        multiplyIndex,
        retrigIndex,
        undoIndex,
        redoIndex,
        muteIndex,
        resetIndex,
        feedbackIndex,
        levelIndex,
        triggerModeIndex,
        mixModeIndex,
        numParameters
    };

    /** Parameter ids, by index. */
    static constexpr std::array<const char*, numParameters> parameterIds {
        "record", "overdub", "multiply", "retrig", "undo", "redo",
        "mute", "reset", "feedback", "level", "triggerMode", "mixMode"
    };

    /** Indices of the pulse meters, one per status light. */
    enum MeterIndex
    {
        recordMeter,
        overdubMeter,
        multiplyMeter,
        retrigMeter,
        undoMeter,
        redoMeter,
        muteMeter,
        resetMeter,
        loopStartMeter,
        numMeters
    };

    LooperAudioProcessor();

    //==============================================================================
    const juce::String getName() const override { return "Ravelwick Looper"; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }

    bool hasEditor() const override { return true; }
    juce::AudioProcessorEditor* createEditor() override;

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    void getStateInformation (juce::MemoryBlock& destination) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    /** Sets the engines' fade times, fetches the parameters' raw values and
        prepares the meters. The engines keep their loops and history.
    */
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}

    /** Runs the block through the loop engines in place. [audio thread] */
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using AudioProcessor::processBlock;

    //==============================================================================
    /** Editor size in pixels: written by the editor, saved and restored with the state. */
    std::atomic<int> editorWidth { 480 };
    std::atomic<int> editorHeight { 480 };

    /** Status-light levels, in MeterIndex order, that the editor displays. */
    std::array<PulseMeter, numMeters> pulseMeters;

    /** Owns the parameters and the state tree. */
    juce::AudioProcessorValueTreeState apvts;

    /** The node that holds the MIDI-note settings. */
    juce::ValueTree settings;

    /** Views of the MIDI-note settings. Nothing writes them; processing uses
        fixed notes equal to their defaults.
    */
    juce::CachedValue<int> recordMidiNote, overdubMidiNote, multiplyMidiNote, retrigMidiNote,
        undoMidiNote, redoMidiNote, muteMidiNote, resetMidiNote;

    /** On (1) or off (0) per MIDI note number. [audio thread] */
    std::array<float, 128> noteGates {};

    /** One sample's duration in seconds, passed to the engines. */
    float sampleDuration = 1.0f;

    /** Sample rate, maximum block size and one channel, for the meters. */
    juce::dsp::ProcessSpec processSpec {};

    /** Loop engines of channel 0 and channel 1. */
    looper::Engine leftEngine;
    looper::Engine rightEngine;

    /** Edge detectors of the eight actions, by parameter index (mute's is unused). */
    std::array<EdgeState, 8> actionStates { EdgeState::Unknown, EdgeState::Unknown, EdgeState::Unknown, EdgeState::Unknown,
                                            EdgeState::Unknown, EdgeState::Unknown, EdgeState::Unknown, EdgeState::Unknown };

    /** Reads a parameter's own atomic value (a choice's as its index). The
        audio thread reads these rather than the parameter tree's raw values:
        a host's value reaches the parameter at once, and the tree only when
        the listeners hear of it, which the host interface leaves to the main
        thread because JUCE's listener lists take locks.
    */
    struct ParameterValue
    {
        juce::AudioParameterFloat* number = nullptr;
        juce::AudioParameterChoice* choice = nullptr;

        float load() const noexcept { return number != nullptr ? number->get() : static_cast<float> (choice->getIndex()); }
    };

    /** The parameters' values, by parameter index; fetched by prepareToPlay. */
    std::array<ParameterValue, numParameters> parameterValues {};
    bool prepared = false;

private:
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LooperAudioProcessor)
};

/** Creates the plug-in's processor; the caller owns it. */
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();
