#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** An action button: a dark rounded square with its text and a ring whose
    brightness follows a light level that the editor feeds from the pulse
    meters. The square is 100 pixels whatever the component's size.
*/
class TextButtonWithStatusLight : public juce::TextButton
{
public:
    TextButtonWithStatusLight() = default;
    ~TextButtonWithStatusLight() override = default;

    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    /** 0 is off, 1 is full; values outside draw like the nearest end. */
    float lightLevel = 0.0f;
};
