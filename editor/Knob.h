#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A rotary control drawn as a disc with a pointer that sweeps 270 degrees,
    from down-left at the minimum through straight up to down-right at the
    maximum. Mouse handling, value and range are the slider's.
*/
class Knob : public juce::Slider
{
public:
    Knob();
    ~Knob() override = default;

    void paint (juce::Graphics& g) override;
};
