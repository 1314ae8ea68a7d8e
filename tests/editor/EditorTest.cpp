#ifdef RAVELWICK_COUNTS_NEW
#include "../processor/AllocationCounter.h"
#endif
#include "EditorTestHelpers.h"
#include "LooperAudioProcessorEditor.h"
#include "Palette.h"

#include <atomic>
#include <cmath>
#include <thread>

using namespace editor_testing;

namespace
{
using ButtonIndex = MainPanelComponent::ActionButton;
constexpr auto rec = MainPanelComponent::rec, over = MainPanelComponent::over, mult = MainPanelComponent::mult,
               trig = MainPanelComponent::trig, undo = MainPanelComponent::undo, redo = MainPanelComponent::redo, mute = MainPanelComponent::mute,
               reset = MainPanelComponent::reset;

struct EditorSession
{
    EditorSession()
        : editor (dynamic_cast<LooperAudioProcessorEditor*> (processor.createEditor())) {}

    TextButtonWithStatusLight& button (ButtonIndex index) { return editor->mainPanel.actionButtons[static_cast<std::size_t> (index)]; }

    /** A point of a control, in the editor's pixels. */
    juce::Point<int> inEditor (juce::Component& control, juce::Point<float> point)
    {
        return editor->getLocalPoint (&control, point).toInt();
    }

    LooperAudioProcessor processor;
    std::unique_ptr<LooperAudioProcessorEditor> editor;
};

} // namespace

TEST (LooperEditor, OpensAtTheStoredSizeAndLaysOutTheFixedGrid)
{
    EditorSession session;
    ASSERT_NE (session.editor, nullptr);
    EXPECT_EQ (session.editor->getWidth(), 480);
    EXPECT_EQ (session.editor->getHeight(), 480);
    EXPECT_EQ (session.editor->mainPanel.getBounds(), juce::Rectangle<int> (0, 0, 480, 480));

    const struct
    {
        ButtonIndex button;
        const char* text;
        int x, y;
    } cells[] = {
        { rec, "REC", 20, 65 },
        { over, "OVER", 130, 65 },
        { mult, "MULT", 240, 65 },
        { trig, "TRIG", 350, 65 },
        { mute, "MUTE", 20, 175 },
        { reset, "RESET", 130, 175 },
        { undo, "UNDO", 240, 175 },
        { redo, "REDO", 350, 175 },
    };
    for (const auto& cell : cells)
    {
        EXPECT_EQ (session.button (cell.button).getBounds(), juce::Rectangle<int> (cell.x, cell.y, 110, 110)) << cell.text;
        EXPECT_EQ (session.button (cell.button).getButtonText(), cell.text);
    }

    auto& panel = session.editor->mainPanel;
    const struct
    {
        juce::Label& label;
        const char* text;
        juce::Component& control;
        int x;
    } columns[] = {
        { panel.triggerModeLabel, "SWITCH MODE", panel.triggerModeButton, 20 },
        { panel.mixModeLabel, "MIX MODE", panel.mixModeButton, 130 },
        { panel.feedbackLabel, "FEEDBACK", panel.feedbackKnob, 240 },
        { panel.levelLabel, "LEVEL", panel.levelKnob, 350 },
    };
    for (const auto& column : columns)
    {
        EXPECT_EQ (column.label.getText(), column.text);
        EXPECT_EQ (column.label.getX(), column.x) << column.text;
        EXPECT_EQ (column.label.getY(), 315) << column.text;
        EXPECT_EQ (column.label.getWidth(), 110) << column.text;
        EXPECT_EQ (column.control.getX(), column.x) << column.text;
        EXPECT_EQ (column.control.getBottom(), 415) << column.text;
    }

    session.editor->setSize (960, 960);
    EXPECT_EQ (session.processor.editorWidth.load(), 960);
    EXPECT_EQ (session.processor.editorHeight.load(), 960);
    EXPECT_EQ (session.editor->mainPanel.getTransform(), juce::AffineTransform::scale (2.0f));

    // A state loaded while the editor is open does not resize it; the next
    // editor opens at the stored size.
    juce::MemoryBlock state;
    session.processor.getStateInformation (state);
    session.processor.editorWidth = 700;
    session.processor.editorHeight = 700;
    juce::MemoryBlock larger;
    session.processor.getStateInformation (larger);
    session.processor.setStateInformation (state.getData(), static_cast<int> (state.getSize()));
    session.processor.setStateInformation (larger.getData(), static_cast<int> (larger.getSize()));
    EXPECT_EQ (session.editor->getWidth(), 960);

    session.editor.reset();
    std::unique_ptr<juce::AudioProcessorEditor> second (session.processor.createEditor());
    EXPECT_EQ (second->getWidth(), 700);
    EXPECT_EQ (second->getHeight(), 700);
    second.reset();

    // Damaged or hostile stored sizes open at the nearest sane size.
    const struct
    {
        int stored, opened;
    } sizes[] = { { -5, 120 }, { 0, 120 }, { 119, 120 }, { 7680, 7680 }, { 2000000000, 7680 } };

    for (const auto& size : sizes)
    {
        session.processor.editorWidth = size.stored;
        session.processor.editorHeight = size.stored;
        std::unique_ptr<juce::AudioProcessorEditor> opened (session.processor.createEditor());
        EXPECT_EQ (opened->getWidth(), size.opened) << size.stored;
        EXPECT_EQ (opened->getHeight(), size.opened) << size.stored;
    }
}

TEST (LooperEditor, DrawsTheDesignAtAnyScale)
{
    for (const int size : { 480, 960 })
    {
        EditorSession session;
        session.editor->setSize (size, size);
        const int s = size / 480;
        auto& panel = session.editor->mainPanel;

        session.button (over).lightLevel = 1.0f;
        session.button (mult).lightLevel = 0.5f;
        session.button (trig).setState (juce::Button::buttonDown);
        session.processor.apvts.getParameter ("mixMode")->setValueNotifyingHost (0.5f); // Insert

        const auto image = snapshot (*session.editor);

        EXPECT_TRUE (pixelIs (image, 5 * s, 5 * s, Palette::gray2));
        EXPECT_TRUE (pixelIs (image, 470 * s, 470 * s, Palette::gray2));

        // Button centres are at x 75, 185, 295, 405 and y 120 in panel pixels;
        // fills are sampled 30 pixels up and left of the centre, rings 45 left.
        const struct
        {
            int centreX;
            juce::Colour fill;
            juce::Colour ring;
        } buttons[] = {
            { 75, Palette::gray3, Palette::gray10 },
            { 185, Palette::gray4, Palette::gray23 },
            { 295, Palette::gray3.interpolatedWith (Palette::gray4, 0.5f), Palette::gray10.interpolatedWith (Palette::gray23, 0.5f) },
            { 405, Palette::gray1, Palette::gray10 },
        };
        for (const auto& b : buttons)
        {
            EXPECT_TRUE (pixelIs (image, (b.centreX - 30) * s, 90 * s, b.fill)) << size << " at " << b.centreX;
            EXPECT_TRUE (pixelIs (image, (b.centreX - 45) * s, 120 * s, b.ring)) << size << " at " << b.centreX;
        }

        // The choice dots: Toggle selected for the trigger mode, Insert for the mix mode.
        const struct
        {
            ToggleListButton& button;
            int selected;
        } choices[] = { { panel.triggerModeButton, 0 }, { panel.mixModeButton, 1 } };
        for (const auto& choice : choices)
        {
            for (std::size_t i = 0; i < choice.button.indicatorBounds.size(); ++i)
            {
                const auto dot = session.inEditor (choice.button, choice.button.indicatorBounds[i].getCentre());
                EXPECT_TRUE (pixelIs (image, dot.x, dot.y, static_cast<int> (i) == choice.selected ? Palette::gray23 : Palette::gray7))
                    << size << " dot " << i;
            }
        }

        if (size == 480)
        {
            const auto file = juce::File::getCurrentWorkingDirectory().getChildFile ("editor-480.png");
            file.deleteFile();
            juce::FileOutputStream stream (file);
            ASSERT_TRUE (stream.openedOk());
            EXPECT_TRUE (juce::PNGImageFormat().writeImageToStream (image, stream));
        }
    }
}

TEST (LooperEditor, KnobPointsFromLowerLeftThroughUpToLowerRight)
{
    const struct
    {
        float value;
        float degrees;
    } cases[] = { { 0.0f, 225.0f }, { 0.5f, 0.0f }, { 1.0f, 135.0f } };

    for (const auto& c : cases)
    {
        EditorSession session;
        session.processor.apvts.getParameter ("feedback")->setValueNotifyingHost (c.value);
        auto& knob = session.editor->mainPanel.feedbackKnob;
        EXPECT_DOUBLE_EQ (knob.getValue(), c.value);

        const auto image = snapshot (*session.editor);
        const auto centre = knob.getLocalBounds().toFloat().getCentre();
        const float angle = juce::degreesToRadians (c.degrees);
        const juce::Point<float> direction { std::sin (angle), -std::cos (angle) };

        const auto tip = session.inEditor (knob, centre + direction * 15.0f);
        const auto back = session.inEditor (knob, centre - direction * 15.0f);
        EXPECT_TRUE (pixelIs (image, tip.x, tip.y, Palette::gray23)) << c.value;
        EXPECT_TRUE (pixelIs (image, back.x, back.y, Palette::gray4)) << c.value;
    }
}

TEST (LooperEditor, ActionButtonsSendTheirStateToTheirParameters)
{
    using State = juce::Button::ButtonState;
    const struct
    {
        const char* name;
        ButtonIndex button;
        const char* parameter;
        std::vector<State> states;
        std::vector<float> values;
    } cases[] = {
        { "press and release", rec, "record", { State::buttonDown, State::buttonOver, State::buttonNormal }, { 1.0f, 0.0f, 0.0f } },
        { "drag off and back on", rec, "record", { State::buttonDown, State::buttonNormal, State::buttonDown, State::buttonOver }, { 1.0f, 0.0f, 1.0f, 0.0f } },
        { "hover", undo, "undo", { State::buttonOver, State::buttonNormal }, { 0.0f, 0.0f } },
        { "each press turns mute over", mute, "mute", { State::buttonOver, State::buttonDown, State::buttonOver, State::buttonDown, State::buttonOver, State::buttonNormal }, { 1.0f, 0.0f } },
        { "mute pressed, dragged off and back on", mute, "mute", { State::buttonDown, State::buttonNormal, State::buttonDown, State::buttonOver }, { 1.0f, 0.0f } },
        { "reset", reset, "reset", { State::buttonDown, State::buttonOver }, { 1.0f, 0.0f } },
    };

    for (const auto& c : cases)
    {
        EditorSession session;
        ParameterRecorder recorder (*session.processor.apvts.getParameter (c.parameter));
        for (auto state : c.states)
            session.button (c.button).setState (state);
        EXPECT_EQ (recorder.values, c.values) << c.name;
    }
}

TEST (LooperEditor, RefreshShowsEachPublishedLevelOnceWithTheLoopPulse)
{
    EditorSession session;
    auto& meters = session.processor.pulseMeters;

    meters[LooperAudioProcessor::loopStartMeter].level = 1.0f;
    session.editor->refresh();
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ (session.button (static_cast<ButtonIndex> (i)).lightLevel, 0.35f) << i;

    meters[LooperAudioProcessor::loopStartMeter].level = 1.0f;
    meters[LooperAudioProcessor::multiplyMeter].level = 1.0f;
    meters[LooperAudioProcessor::undoMeter].level = 0.25f;
    session.editor->refresh();
    EXPECT_FLOAT_EQ (session.button (mult).lightLevel, 1.35f);
    EXPECT_FLOAT_EQ (session.button (undo).lightLevel, 0.6f);
    EXPECT_FLOAT_EQ (session.button (rec).lightLevel, 0.35f);

    session.editor->refresh();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (session.button (static_cast<ButtonIndex> (i)).lightLevel, 0.0f) << "read once: " << i;

    // A level above 1 draws like 1.
    meters[LooperAudioProcessor::loopStartMeter].level = 1.0f;
    meters[LooperAudioProcessor::multiplyMeter].level = 1.0f;
    session.editor->refresh();
    const auto image = snapshot (*session.editor);
    EXPECT_TRUE (pixelIs (image, 295 - 45, 120, Palette::gray23));
}

// Only where the test program can replace operator new, which ThreadSanitizer defines itself.
#ifdef RAVELWICK_COUNTS_NEW
TEST (LooperEditor, RefreshAllocatesNothing)
{
    EditorSession session;
    session.editor->refresh();

    allocation_counter::start();
    for (int i = 0; i < 1000; ++i)
    {
        session.processor.pulseMeters[static_cast<std::size_t> (i % 9)].level = 0.5f;
        session.editor->refresh();
    }
    EXPECT_EQ (allocation_counter::stop(), 0u);
}
#endif

TEST (LooperEditor, OpensAndClosesWhileAudioRuns)
{
    LooperAudioProcessor processor;
    processor.prepareToPlay (48000.0, 256);

    std::atomic<bool> running { true };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        for (int block = 0; running; ++block)
        {
            for (int i = 0; i < 256; ++i)
                buffer.setSample (0, i, std::sin (0.01f * static_cast<float> (block * 256 + i)));
            processor.processBlock (buffer, midi);
        }
    });

    for (int round = 0; round < 20; ++round)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
        auto* looperEditor = dynamic_cast<LooperAudioProcessorEditor*> (editor.get());
        ASSERT_NE (looperEditor, nullptr);
        looperEditor->mainPanel.actionButtons[round % 8].setState (juce::Button::buttonDown);
        looperEditor->mainPanel.actionButtons[round % 8].setState (juce::Button::buttonNormal);
        for (int i = 0; i < 10; ++i)
            looperEditor->refresh();
        snapshot (*editor);
        EXPECT_EQ (editor->getWidth(), 480);

        // The reopened editor shows the parameters' current values.
        EXPECT_DOUBLE_EQ (looperEditor->mainPanel.feedbackKnob.getValue(), processor.apvts.getRawParameterValue ("feedback")->load());
        EXPECT_EQ (looperEditor->mainPanel.mixModeButton.selectedIndex, static_cast<int> (processor.apvts.getRawParameterValue ("mixMode")->load()));
        processor.apvts.getParameter ("feedback")->setValueNotifyingHost (static_cast<float> (round % 5) / 4.0f);
        processor.apvts.getParameter ("mixMode")->setValueNotifyingHost (static_cast<float> (round % 3) / 2.0f);
    }

    running = false;
    audio.join();
}
