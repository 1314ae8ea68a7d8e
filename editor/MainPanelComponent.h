#pragma once

#include "Knob.h"
#include "TextButtonWithStatusLight.h"
#include "ToggleListButton.h"
#include "ToggleListButtonAttachment.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <memory>

/** The editor's controls, always laid out at 480 x 480: two rows of four
    action buttons, then the trigger mode and mix mode choices and the
    feedback and level knobs, each under its label. The editor scales it.
*/
class MainPanelComponent : public juce::Component
{
public:
    /** Action buttons by index, in the order of the actions' parameters. */
    enum ActionButton
    {
        rec,
        over,
        mult,
        trig,
        undo,
        redo,
        mute,
        reset,
        numActionButtons
    };

    explicit MainPanelComponent (juce::AudioProcessorValueTreeState& state);
    ~MainPanelComponent() override;

    /** Draws nothing: the editor paints the background. */
    void paint (juce::Graphics&) override {}
    void resized() override;

    std::array<TextButtonWithStatusLight, numActionButtons> actionButtons;
    juce::Label feedbackLabel;
    Knob feedbackKnob;
    juce::Label levelLabel;
    Knob levelKnob;
    juce::Label triggerModeLabel;
    ToggleListButton triggerModeButton;
    juce::Label mixModeLabel;
    ToggleListButton mixModeButton;

    // Declared last, so that they go before the controls they drive.
    juce::AudioProcessorValueTreeState::SliderAttachment feedbackAttachment;
    juce::AudioProcessorValueTreeState::SliderAttachment levelAttachment;
    std::unique_ptr<ToggleListButtonAttachment> triggerModeAttachment;
    std::unique_ptr<ToggleListButtonAttachment> mixModeAttachment;
};
