#include "TextButtonWithStatusLight.h"

#include "Palette.h"

void TextButtonWithStatusLight::paintButton (juce::Graphics& g, bool, bool shouldDrawButtonAsDown)
{
    const int cx = getWidth() / 2;
    const int cy = getHeight() / 2;
    const float light = lightLevel;

    auto fill = Palette::gray3.interpolatedWith (Palette::gray4, light);
    const auto ring = Palette::gray10.interpolatedWith (Palette::gray23, light);

    if (shouldDrawButtonAsDown)
        fill = Palette::gray1;

    g.setColour (fill);
    g.fillRoundedRectangle (static_cast<float> (cx - 50), static_cast<float> (cy - 50), 100.0f, 100.0f, 16.0f);

    g.setColour (Palette::gray19.interpolatedWith (ring, light));
    g.setFont (getLookAndFeel().getTextButtonFont (*this, getHeight()));
    g.drawFittedText (getButtonText(), cx - 50, cy - 50, 100, 100, juce::Justification::centred, 1);

    g.setColour (ring);
    g.drawRoundedRectangle (static_cast<float> (cx - 45), static_cast<float> (cy - 45), 90.0f, 90.0f, 11.0f, 3.0f);
}
