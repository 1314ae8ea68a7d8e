#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

/** A button showing a short vertical list of choice names, each with a dot;
    the selected choice's dot is lit. The button takes the clicks, its labels
    never do; what a click means is up to its listeners.
*/
class ToggleListButton : public juce::TextButton
{
public:
    ToggleListButton();
    ~ToggleListButton() override;

    /** Replaces the list of choices and rebuilds one label per choice. */
    void setChoices (const juce::StringArray& newChoices);

    /** Lights the dot of this choice; an index outside the list lights none. */
    void setSelectedIndex (int newIndex);

    void resized() override;
    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    juce::StringArray choices;
    int selectedIndex = 0;
    std::vector<std::unique_ptr<juce::Label>> choiceLabels;
    std::vector<juce::Rectangle<float>> indicatorBounds;
};
