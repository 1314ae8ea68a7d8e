#pragma once

#include "LooperAudioProcessor.h"
#include "MainPanelComponent.h"
#include "RavelwickLookAndFeel.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The looper's window: the main panel scaled as a whole to a square editor,
    whose size the processor remembers, with the action buttons writing their
    parameters and lit from the pulse meters at every display refresh.
*/
class LooperAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit LooperAudioProcessorEditor (LooperAudioProcessor& processor);
    ~LooperAudioProcessorEditor() override;

    /** Fills the editor with Palette::gray2. */
    void paint (juce::Graphics& g) override;

    /** Stores the size in the processor and scales the panel to fit. */
    void resized() override;

    /** Takes each meter's level once and lights the buttons; the loop-start
        pulse adds 0.35 of its level to every button. [message thread]
    */
    void refresh();

    LooperAudioProcessor& looperProcessor;
    juce::ComponentBoundsConstrainer aspectConstrainer;
    RavelwickLookAndFeel lookAndFeel;
    juce::VBlankAttachment vblankAttachment;
    MainPanelComponent mainPanel;

private:
    void actionButtonStateChanged (int index);
};
