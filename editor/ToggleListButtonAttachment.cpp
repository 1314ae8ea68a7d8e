#include "ToggleListButtonAttachment.h"

ToggleListButtonAttachment::ToggleListButtonAttachment (juce::AudioProcessorValueTreeState& state,
                                                        const juce::String& parameterId,
                                                        ToggleListButton& buttonToControl)
    : button (buttonToControl)
{
    parameter = state.getParameter (parameterId);

    if (parameter == nullptr)
        return;

    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter))
    {
        button.setChoices (choice->choices);
        button.setSelectedIndex (choice->getIndex());
    }

    attachment = std::make_unique<juce::ParameterAttachment> (
        *parameter, [this] (float) { parameterChanged(); }, state.undoManager);
    button.addListener (this);
}

ToggleListButtonAttachment::~ToggleListButtonAttachment()
{
    button.removeListener (this);
    attachment.reset();
}

void ToggleListButtonAttachment::parameterChanged()
{
    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter))
        button.setSelectedIndex (choice->getIndex());
}

void ToggleListButtonAttachment::buttonClicked (juce::Button* clicked)
{
    if (parameter == nullptr || clicked != &button)
        return;

    auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter);
    if (choice == nullptr)
        return;

    const int count = choice->choices.size();
    if (count <= 0)
        return;

    const float value = count == 1 ? 0.0f : static_cast<float> ((choice->getIndex() + 1) % count) / static_cast<float> (count - 1);
    parameter->setValueNotifyingHost (value);
}
