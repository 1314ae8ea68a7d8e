#include "../StubAudioProcessor.h"
#include "EditorTestHelpers.h"
#include "Knob.h"
#include "LooperAudioProcessor.h"
#include "Palette.h"
#include "RavelwickLookAndFeel.h"
#include "TextButtonWithStatusLight.h"
#include "ToggleListButton.h"
#include "ToggleListButtonAttachment.h"

#include <cmath>

using namespace editor_testing;

TEST (TextButtonWithStatusLight, DrawsItsLightByLevelAndItsPressedFill)
{
    RavelwickLookAndFeel lookAndFeel;
    const auto between = [] (juce::Colour a, juce::Colour b, float level) { return a.interpolatedWith (b, level); };

    const struct
    {
        float light;
        bool down;
        juce::Colour fill;
        juce::Colour ring;
    } cases[] = {
        { 0.0f, false, Palette::gray3, Palette::gray10 },
        { 1.0f, false, Palette::gray4, Palette::gray23 },
        { 3.0f, false, Palette::gray4, Palette::gray23 },
        { -1.0f, false, Palette::gray3, Palette::gray10 },
        { 0.5f, false, between (Palette::gray3, Palette::gray4, 0.5f), between (Palette::gray10, Palette::gray23, 0.5f) },
        { 0.7f, true, Palette::gray1, between (Palette::gray10, Palette::gray23, 0.7f) },
    };

    for (const auto& c : cases)
    {
        TextButtonWithStatusLight button;
        button.setLookAndFeel (&lookAndFeel);
        button.setButtonText ("REC");
        button.setSize (110, 110); // the square spans 5 to 105, the ring 8.5 to 11.5 inwards
        button.lightLevel = c.light;
        if (c.down)
            button.setState (juce::Button::buttonDown);

        const auto image = snapshot (button);
        EXPECT_TRUE (pixelIs (image, 6, 55, c.fill)) << "light " << c.light;
        EXPECT_TRUE (pixelIs (image, 20, 20, c.fill)) << "light " << c.light;
        EXPECT_TRUE (pixelIs (image, 9, 55, c.ring)) << "light " << c.light;
        EXPECT_TRUE (pixelIs (image, 100, 55, c.ring)) << "light " << c.light;
        EXPECT_EQ (image.getPixelAt (2, 55).getAlpha(), 0) << "nothing outside the square";
        button.setLookAndFeel (nullptr);
    }
}

TEST (Knob, PointsAcrossA270DegreeSweep)
{
    const struct
    {
        double value;
        float degrees; // clockwise from straight up
    } cases[] = { { 0.0, 225.0f }, { 0.5, 0.0f }, { 1.0, 135.0f }, { 0.25, 292.5f } };

    for (const auto& c : cases)
    {
        Knob knob;
        knob.setRange (0.0, 1.0);
        knob.setValue (c.value, juce::dontSendNotification);
        knob.setSize (110, 80);
        const auto image = snapshot (knob);

        const float angle = juce::degreesToRadians (c.degrees);
        const auto along = [&] (float distance) {
            return juce::Point<int> { static_cast<int> (std::floor (55.0f + distance * std::sin (angle))),
                                      static_cast<int> (std::floor (40.0f - distance * std::cos (angle))) };
        };

        for (float distance : { 8.0f, 16.0f })
        {
            const auto on = along (distance);
            const auto opposite = along (-distance);
            EXPECT_TRUE (pixelIs (image, on.x, on.y, Palette::gray23)) << "value " << c.value;
            EXPECT_TRUE (pixelIs (image, opposite.x, opposite.y, Palette::gray4)) << "value " << c.value;
        }
        EXPECT_EQ (image.getPixelAt (55, 10).getAlpha(), 0) << "the disc is 50 wide";
    }
}

TEST (ToggleListButton, LaysOutOneDotPerChoice)
{
    RavelwickLookAndFeel lookAndFeel;
    ToggleListButton button;
    button.setLookAndFeel (&lookAndFeel);
    button.setSize (110, 80);
    button.setChoices ({ "One", "Two", "Three", "Four" });
    button.setChoices ({ "Mix", "Insert", "Gate" });

    ASSERT_EQ (button.choiceLabels.size(), 3u);
    EXPECT_EQ (button.getNumChildComponents(), 3);
    ASSERT_EQ (button.indicatorBounds.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ (button.indicatorBounds[i].getX(), 26.0f);
        EXPECT_EQ (button.indicatorBounds[i].getWidth(), 8.0f);
        EXPECT_EQ (button.choiceLabels[i]->getText(), button.choices[static_cast<int> (i)]);
        bool clicks = true, childClicks = true;
        button.choiceLabels[i]->getInterceptsMouseClicks (clicks, childClicks);
        EXPECT_FALSE (clicks || childClicks) << "the button takes the clicks";
    }
    EXPECT_LT (button.indicatorBounds[0].getY(), button.indicatorBounds[1].getY());

    button.setSelectedIndex (1);
    auto image = snapshot (button);
    EXPECT_TRUE (pixelIs (image, 20, 40, Palette::gray3)) << "the background spans x 15 to 95";
    EXPECT_EQ (image.getPixelAt (14, 40).getAlpha(), 0);
    for (std::size_t i = 0; i < 3; ++i)
    {
        const auto centre = button.indicatorBounds[i].getCentre().toInt();
        EXPECT_TRUE (pixelIs (image, centre.x, centre.y, i == 1 ? Palette::gray23 : Palette::gray7)) << i;
    }

    button.setSelectedIndex (7);
    image = snapshot (button);
    for (const auto& dot : button.indicatorBounds)
        EXPECT_TRUE (pixelIs (image, dot.getCentre().toInt().x, dot.getCentre().toInt().y, Palette::gray7));

    button.setState (juce::Button::buttonDown);
    EXPECT_TRUE (pixelIs (snapshot (button), 20, 40, Palette::gray1));
    button.setLookAndFeel (nullptr);
}

TEST (ToggleListButtonAttachment, ClicksStepTheChoiceAndTheDotFollows)
{
    const struct
    {
        const char* id;
        int choices;
        std::vector<float> values;
        std::vector<int> indices;
    } cases[] = {
        { "triggerMode", 2, { 1.0f, 0.0f, 1.0f }, { 1, 0, 1 } },
        { "mixMode", 3, { 0.5f, 1.0f, 0.0f, 0.5f }, { 1, 2, 0, 1 } },
    };

    for (const auto& c : cases)
    {
        LooperAudioProcessor processor;
        ToggleListButton button;
        ToggleListButtonAttachment attachment (processor.apvts, c.id, button);
        ASSERT_EQ (button.choices.size(), c.choices);
        EXPECT_EQ (button.selectedIndex, 0);

        ParameterRecorder recorder (*processor.apvts.getParameter (c.id));
        for (std::size_t i = 0; i < c.values.size(); ++i)
        {
            attachment.buttonClicked (&button);
            ASSERT_EQ (recorder.values.size(), i + 1);
            EXPECT_FLOAT_EQ (recorder.values[i], c.values[i]) << c.id;
            EXPECT_EQ (button.selectedIndex, c.indices[i]) << c.id;
        }

        // A change from elsewhere moves the dot too.
        processor.apvts.getParameter (c.id)->setValueNotifyingHost (1.0f);
        EXPECT_EQ (button.selectedIndex, c.choices - 1);
    }
}

namespace
{
/** Just enough of a processor to hold a one-choice parameter. */
class OneChoiceProcessor : public StubAudioProcessor
{
public:
    OneChoiceProcessor()
        : state (*this, nullptr, "state", { std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { "only", 0 }, "Only", juce::StringArray { "One" }, 0) })
    {
    }

    juce::AudioProcessorValueTreeState state;
};
} // namespace

TEST (ToggleListButtonAttachment, SingleChoiceClicksAlwaysSetZero)
{
    OneChoiceProcessor processor;
    ToggleListButton button;
    ToggleListButtonAttachment attachment (processor.state, "only", button);
    ASSERT_EQ (button.choices.size(), 1);

    ParameterRecorder recorder (*processor.state.getParameter ("only"));
    attachment.buttonClicked (&button);
    attachment.buttonClicked (&button);
    EXPECT_EQ (recorder.values, (std::vector<float> { 0.0f, 0.0f }));
    EXPECT_EQ (button.selectedIndex, 0);
}

TEST (ToggleListButtonAttachment, StaysInertWithoutAChoiceParameter)
{
    LooperAudioProcessor processor;
    for (const char* id : { "noSuchParameter", "level" })
    {
        ToggleListButton button;
        ToggleListButtonAttachment attachment (processor.apvts, id, button);
        EXPECT_TRUE (button.choices.isEmpty()) << id;

        const float before = processor.apvts.getParameter ("level")->getValue();
        attachment.buttonClicked (&button);
        EXPECT_EQ (processor.apvts.getParameter ("level")->getValue(), before) << id;
    }
}
