#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's look and feel: JUCE's V4 look with the embedded Inter Bold
    typeface for every text button (height 18) and label (height 16), and
    labels drawn in Palette::gray20.
*/
class RavelwickLookAndFeel : public juce::LookAndFeel_V4
{
public:
    RavelwickLookAndFeel();
    ~RavelwickLookAndFeel() override;

    /** The embedded typeface at height 18, whatever the button and its height. */
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;

    /** The embedded typeface at height 16, for every label. */
    juce::Font getLabelFont (juce::Label&) override;

    /** The typeface made from the embedded font; empty if the platform could not make one. */
    juce::Typeface::Ptr typeface;

private:
    juce::Font makeFont (float height) const;
};
