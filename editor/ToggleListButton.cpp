#include "ToggleListButton.h"

#include "Palette.h"

ToggleListButton::ToggleListButton()
{
    setClickingTogglesState (false);
    setInterceptsMouseClicks (true, false);
}

ToggleListButton::~ToggleListButton() = default;

void ToggleListButton::setChoices (const juce::StringArray& newChoices)
{
    if (&newChoices != &choices)
        choices = newChoices;

    for (auto& label : choiceLabels)
        removeChildComponent (label.get());
    choiceLabels.clear();

    for (const auto& choice : choices)
    {
        auto label = std::make_unique<juce::Label>();
        label->setText (choice, juce::dontSendNotification);
        label->setJustificationType (juce::Justification::centredLeft);
        label->setInterceptsMouseClicks (false, false);
        addAndMakeVisible (*label);
        choiceLabels.push_back (std::move (label));
    }

    resized();
    repaint();
}

void ToggleListButton::setSelectedIndex (int newIndex)
{
    selectedIndex = newIndex;
    repaint();
}

void ToggleListButton::resized()
{
    const int cx = getWidth() / 2;
    const int cy = getHeight() / 2;
    const juce::Rectangle<float> listArea { static_cast<float> (cx - 40), static_cast<float> (cy - 37), 80.0f, 75.0f };

    juce::FlexBox box;
    box.flexDirection = juce::FlexBox::Direction::column;
    box.flexWrap = juce::FlexBox::Wrap::noWrap;
    box.alignContent = juce::FlexBox::AlignContent::stretch;
    box.alignItems = juce::FlexBox::AlignItems::flexStart;
    box.justifyContent = juce::FlexBox::JustifyContent::center;

    for (auto& label : choiceLabels)
        box.items.add (juce::FlexItem (*label).withWidth (80.0f).withHeight (20.0f).withMargin ({ 0.0f, 0.0f, 0.0f, 19.0f }));

    box.performLayout (listArea);

    indicatorBounds.clear();
    for (auto& label : choiceLabels)
        indicatorBounds.emplace_back (static_cast<float> (cx - 40 + 11),
                                      static_cast<float> (label->getY()) + static_cast<float> (label->getHeight()) * 0.5f - 4.0f,
                                      8.0f, 8.0f);
}

void ToggleListButton::paintButton (juce::Graphics& g, bool, bool shouldDrawButtonAsDown)
{
    const int cx = getWidth() / 2;
    const int cy = getHeight() / 2;

    g.setColour (shouldDrawButtonAsDown ? Palette::gray1 : Palette::gray3);
    g.fillRoundedRectangle (static_cast<float> (cx - 40), static_cast<float> (cy - 37), 80.0f, 75.0f, 8.0f);

    for (std::size_t i = 0; i < indicatorBounds.size(); ++i)
    {
        g.setColour (static_cast<int> (i) == selectedIndex ? Palette::gray23 : Palette::gray7);
        g.fillEllipse (indicatorBounds[i]);
    }
}
