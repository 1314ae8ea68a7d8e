#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>

#include <cstdint>
#include <vector>

/** A picture of a render: the input and the output waveforms in two stacked
    lanes on a common time axis, drawn in the editor's greys on a dark ground,
    with each marked moment shown as a thin vertical line and its name.

    It keeps references to the two buffers, which must outlive it.
*/
class WaveformPicture
{
public:
    WaveformPicture (const juce::AudioBuffer<float>& input, const juce::AudioBuffer<float>& output, double sampleRate);

    /** Marks a moment of the render, at a frame counted from its start. */
    void addMarker (std::int64_t frame, const juce::String& name);

    /** A line under the picture's title, e.g. what was rendered. */
    void setCaption (const juce::String& text) { caption = text; }

    /** Draws the picture at this size. */
    juce::Image draw (int width, int height) const;

    /** Draws the picture and writes it as a PNG file (replacing one that is
        there). Returns false when the file cannot be written.
    */
    bool writePng (const juce::File& file, int width, int height) const;

private:
    struct Marker
    {
        std::int64_t frame = 0;
        juce::String name;
    };

    /** One lane: a waveform drawn as its peaks and, inside them, its RMS. */
    void drawLane (juce::Graphics& g, juce::Rectangle<float> area, const juce::AudioBuffer<float>& buffer, const juce::String& title,
                   juce::Colour peakColour, juce::Colour rmsColour) const;

    /** The markers' lines across the lanes and their names above them. */
    void drawMarkers (juce::Graphics& g, juce::Rectangle<float> labelArea, float lanesTop, float lanesBottom) const;

    /** Second ticks and their numbers along the time axis. */
    void drawTimeAxis (juce::Graphics& g, juce::Rectangle<float> area) const;

    /** The x position of a frame in an area as wide as the lanes. */
    float xOfFrame (std::int64_t frame, float left, float width) const;

    const juce::AudioBuffer<float>& input;
    const juce::AudioBuffer<float>& output;
    const double sampleRate;
    std::vector<Marker> markers;
    juce::String caption;
};
