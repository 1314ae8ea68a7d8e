#include "MainPanelComponent.h"

namespace
{
const char* const kActionButtonTexts[] = { "REC", "OVER", "MULT", "TRIG", "UNDO", "REDO", "MUTE", "RESET" };

juce::FlexBox makeBox (juce::FlexBox::Direction direction, juce::FlexBox::AlignItems alignItems, juce::FlexBox::JustifyContent justifyContent)
{
    juce::FlexBox box;
    box.flexDirection = direction;
    box.flexWrap = juce::FlexBox::Wrap::noWrap;
    box.alignContent = juce::FlexBox::AlignContent::stretch;
    box.alignItems = alignItems;
    box.justifyContent = justifyContent;
    return box;
}

juce::FlexItem grow (juce::Component& component)
{
    return juce::FlexItem (component).withFlex (1.0f).withAlignSelf (juce::FlexItem::AlignSelf::stretch);
}

juce::FlexItem grow (juce::FlexBox& box)
{
    return juce::FlexItem (box).withFlex (1.0f).withAlignSelf (juce::FlexItem::AlignSelf::stretch);
}

/** A label above its control. */
juce::FlexBox column (juce::Label& label, juce::Component& control, float controlMarginTop)
{
    auto box = makeBox (juce::FlexBox::Direction::column, juce::FlexBox::AlignItems::center, juce::FlexBox::JustifyContent::flexStart);
    box.items.add (juce::FlexItem (label).withMinHeight (10.0f).withAlignSelf (juce::FlexItem::AlignSelf::stretch));
    box.items.add (grow (control).withMargin ({ controlMarginTop, 0.0f, 0.0f, 0.0f }));
    return box;
}
} // namespace

MainPanelComponent::MainPanelComponent (juce::AudioProcessorValueTreeState& state)
    : feedbackAttachment (state, "feedback", feedbackKnob),
      levelAttachment (state, "level", levelKnob),
      triggerModeAttachment (std::make_unique<ToggleListButtonAttachment> (state, "triggerMode", triggerModeButton)),
      mixModeAttachment (std::make_unique<ToggleListButtonAttachment> (state, "mixMode", mixModeButton))
{
    for (int i = 0; i < numActionButtons; ++i)
    {
        auto& button = actionButtons[static_cast<std::size_t> (i)];
        button.setButtonText (kActionButtonTexts[i]);
        addAndMakeVisible (button);
        button.setClickingTogglesState (false);
    }

    const auto addLabelled = [this] (juce::Label& label, const char* text, juce::Component& control) {
        label.setText (text, juce::dontSendNotification);
        label.setJustificationType (juce::Justification::centred);
        addAndMakeVisible (label);
        addAndMakeVisible (control);
    };

    addLabelled (triggerModeLabel, "SWITCH MODE", triggerModeButton);
    addLabelled (mixModeLabel, "MIX MODE", mixModeButton);
    addLabelled (feedbackLabel, "FEEDBACK", feedbackKnob);
    addLabelled (levelLabel, "LEVEL", levelKnob);
}

MainPanelComponent::~MainPanelComponent() = default;

void MainPanelComponent::resized()
{
    auto button = [this] (ActionButton index) -> juce::Component& { return actionButtons[static_cast<std::size_t> (index)]; };

    auto row1 = makeBox (juce::FlexBox::Direction::row, juce::FlexBox::AlignItems::stretch, juce::FlexBox::JustifyContent::flexStart);
    for (auto index : { rec, over, mult, trig })
        row1.items.add (grow (button (index)));

    auto row2 = makeBox (juce::FlexBox::Direction::row, juce::FlexBox::AlignItems::stretch, juce::FlexBox::JustifyContent::center);
    for (auto index : { mute, reset, undo, redo })
        row2.items.add (grow (button (index)));

    auto triggerColumn = column (triggerModeLabel, triggerModeButton, 10.0f);
    auto mixColumn = column (mixModeLabel, mixModeButton, 10.0f);
    auto feedbackColumn = column (feedbackLabel, feedbackKnob, 0.0f);
    auto levelColumn = column (levelLabel, levelKnob, 0.0f);

    auto row3 = makeBox (juce::FlexBox::Direction::row, juce::FlexBox::AlignItems::stretch, juce::FlexBox::JustifyContent::center);
    for (auto* box : { &triggerColumn, &mixColumn, &feedbackColumn, &levelColumn })
        row3.items.add (grow (*box));

    auto top = makeBox (juce::FlexBox::Direction::column, juce::FlexBox::AlignItems::stretch, juce::FlexBox::JustifyContent::center);
    top.items.add (juce::FlexItem (row1).withHeight (110.0f).withMargin ({ 0.0f, 20.0f, 0.0f, 20.0f }));
    top.items.add (juce::FlexItem (row2).withHeight (110.0f).withMargin ({ 0.0f, 20.0f, 0.0f, 20.0f }));
    top.items.add (juce::FlexItem (row3).withHeight (100.0f).withMargin ({ 30.0f, 20.0f, 0.0f, 20.0f }));

    top.performLayout (getLocalBounds());
}
