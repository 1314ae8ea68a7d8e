#include "Knob.h"

#include "Palette.h"

Knob::Knob()
{
    setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
}

void Knob::paint (juce::Graphics& g)
{
    const auto value = static_cast<float> (getValue());
    const auto low = static_cast<float> (getMinimum());
    const auto high = static_cast<float> (getMaximum());

    // Clockwise from straight up; linear in the value whatever the range's skew.
    const float angle = 1.25f * juce::MathConstants<float>::pi + 1.5f * juce::MathConstants<float>::pi * (value - low) / (high - low);
    const juce::Point<float> centre { static_cast<float> (getWidth()) * 0.5f, static_cast<float> (getHeight()) * 0.5f };

    g.setColour (Palette::gray4);
    g.fillEllipse (centre.x - 25.0f, centre.y - 25.0f, 50.0f, 50.0f);

    g.setColour (Palette::gray23);
    g.drawLine (centre.x, centre.y, centre.x + 22.5f * std::sin (angle), centre.y - 22.5f * std::cos (angle), 4.0f);
}
