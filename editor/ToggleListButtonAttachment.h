#pragma once

#include "ToggleListButton.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** Binds a ToggleListButton to a choice parameter in both directions: the
    button shows the choices with the current one lit, and each click moves
    the parameter to the next choice, wrapping from the last to the first.
*/
class ToggleListButtonAttachment : public juce::Button::Listener
{
public:
    /** Stays inert (no choices, clicks change nothing) when the state holds
        no parameter with that id.
    */
    ToggleListButtonAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId, ToggleListButton& button);
    ~ToggleListButtonAttachment() override;

    void buttonClicked (juce::Button* clicked) override;

    ToggleListButton& button;
    juce::RangedAudioParameter* parameter = nullptr;
    std::unique_ptr<juce::ParameterAttachment> attachment;

private:
    void parameterChanged();
};
