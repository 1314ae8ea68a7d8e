#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <vector>

namespace editor_testing
{

/** The component drawn into an image at its own size. */
inline juce::Image snapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

/** Whether a pixel has the colour, allowing one step per channel for rounding. */
inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y, juce::Colour expected)
{
    const auto actual = image.getPixelAt (x, y);
    const auto near = [] (juce::uint8 a, juce::uint8 b) { return std::abs (static_cast<int> (a) - static_cast<int> (b)) <= 1; };

    if (near (actual.getRed(), expected.getRed()) && near (actual.getGreen(), expected.getGreen())
        && near (actual.getBlue(), expected.getBlue()) && near (actual.getAlpha(), expected.getAlpha()))
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << actual.toDisplayString (true)
                                         << ", expected " << expected.toDisplayString (true);
}

/** Records every value a parameter reports to its listeners. */
class ParameterRecorder : private juce::AudioProcessorParameter::Listener
{
public:
    explicit ParameterRecorder (juce::AudioProcessorParameter& p)
        : parameter (p) { parameter.addListener (this); }
    ~ParameterRecorder() override { parameter.removeListener (this); }

    std::vector<float> values;

private:
    void parameterValueChanged (int, float newValue) override { values.push_back (newValue); }
    void parameterGestureChanged (int, bool) override {}

    juce::AudioProcessorParameter& parameter;
};

} // namespace editor_testing
