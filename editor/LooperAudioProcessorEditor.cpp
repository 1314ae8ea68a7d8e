#include "LooperAudioProcessorEditor.h"

#include "Palette.h"

namespace
{
constexpr int kPanelSize = 480;
constexpr float kLoopStartShare = 0.35f;

// The stored size comes from saved state, which may be damaged or hostile; a
// quarter to sixteen times the design size covers every real screen.
constexpr int kMinimumSize = kPanelSize / 4;
constexpr int kMaximumSize = kPanelSize * 16;
} // namespace

LooperAudioProcessorEditor::LooperAudioProcessorEditor (LooperAudioProcessor& processor)
    : AudioProcessorEditor (processor),
      looperProcessor (processor),
      vblankAttachment (this, [this] { refresh(); }),
      mainPanel (processor.apvts)
{
    setLookAndFeel (&lookAndFeel);
    setResizable (true, false);
    setSize (juce::jlimit (kMinimumSize, kMaximumSize, looperProcessor.editorWidth.load()),
             juce::jlimit (kMinimumSize, kMaximumSize, looperProcessor.editorHeight.load()));

    aspectConstrainer.setSizeLimits (kMinimumSize, kMinimumSize, kMaximumSize, kMaximumSize);
    aspectConstrainer.setFixedAspectRatio (1.0);
    setConstrainer (&aspectConstrainer);

    addAndMakeVisible (mainPanel);

    for (int i = 0; i < MainPanelComponent::numActionButtons; ++i)
    {
        auto& button = mainPanel.actionButtons[static_cast<std::size_t> (i)];
        button.onStateChange = [this, i] { actionButtonStateChanged (i); };

        // Otherwise a click released before the pressed look was painted makes
        // the button flash down again, which would be a second press.
        button.setTriggeredOnMouseDown (true);
    }
}

LooperAudioProcessorEditor::~LooperAudioProcessorEditor()
{
    setLookAndFeel (nullptr);
}

void LooperAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (Palette::gray2);
}

void LooperAudioProcessorEditor::resized()
{
    looperProcessor.editorWidth = getWidth();
    looperProcessor.editorHeight = getHeight();

    const float scale = std::min (static_cast<float> (getWidth()) / kPanelSize, static_cast<float> (getHeight()) / kPanelSize);
    mainPanel.setTransform (juce::AffineTransform::scale (scale));
    mainPanel.setBounds (0, 0, kPanelSize, kPanelSize);
}

void LooperAudioProcessorEditor::refresh()
{
    auto& meters = looperProcessor.pulseMeters;
    const float loop = meters[LooperAudioProcessor::loopStartMeter].takeLevel() * kLoopStartShare;

    for (int i = 0; i < MainPanelComponent::numActionButtons; ++i)
    {
        auto& button = mainPanel.actionButtons[static_cast<std::size_t> (i)];
        button.lightLevel = meters[static_cast<std::size_t> (i)].takeLevel() + loop;
        button.repaint();
    }
}

void LooperAudioProcessorEditor::actionButtonStateChanged (int index)
{
    auto* parameter = looperProcessor.apvts.getParameter (LooperAudioProcessor::parameterIds[static_cast<std::size_t> (index)]);
    if (parameter == nullptr)
        return;

    const bool down = mainPanel.actionButtons[static_cast<std::size_t> (index)].getState() == juce::Button::buttonDown;

    // MUTE turns over on every press; the other actions are held while down.
    if (index == MainPanelComponent::mute)
    {
        if (down)
            parameter->setValueNotifyingHost (1.0f - parameter->getValue());
    }
    else
    {
        parameter->setValueNotifyingHost (down ? 1.0f : 0.0f);
    }
}
