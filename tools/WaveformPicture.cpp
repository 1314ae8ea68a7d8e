#include "WaveformPicture.h"

#include <juce_graphics/juce_graphics.h>

#include <algorithm>
#include <cmath>

namespace
{
// A few of the editor's greys (editor/Palette.cpp); the tools do not link the editor.
const juce::Colour ground { 0xff101010 };     // gray2
const juce::Colour laneGround { 0xff1b1b1b }; // gray3
const juce::Colour laneEdge { 0xff333333 };   // gray6
const juce::Colour zeroLine { 0xff3a3a3a };   // gray7
const juce::Colour markerLine { 0xff727272 }; // gray15
const juce::Colour dimText { 0xff797979 };    // gray16
const juce::Colour text { 0xffc8c8c8 };       // gray25
const juce::Colour brightText { 0xffe8e8e8 }; // gray28

const juce::Colour inputPeak { 0xff565656 };  // gray11
const juce::Colour inputRms { 0xff898989 };   // gray18
const juce::Colour outputPeak { 0xff818181 }; // gray17
const juce::Colour outputRms { 0xffd2d2d2 };  // gray26

constexpr int kMarkerRows = 3;
constexpr float kMarkerRowHeight = 16.0f;

/** Inter (the editor's typeface) when the system has it, else the default sans serif. */
juce::Font makeFont (float height, bool bold)
{
    static const bool haveInter = juce::Font::findAllTypefaceNames().contains ("Inter");
    const juce::String style = bold ? "Bold" : "Regular";
#if JUCE_MAJOR_VERSION >= 8
    // Legacy metrics give a height the meaning it has with JUCE 7.
    const auto options = haveInter ? juce::FontOptions ("Inter", style, height) : juce::FontOptions (height);
    return juce::Font (options.withMetricsKind (juce::TypefaceMetricsKind::legacy));
#else
    return haveInter ? juce::Font ("Inter", style, height) : juce::Font (height);
#endif
}

float widthOf (const juce::Font& font, const juce::String& line)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, line, 0.0f, 0.0f);
    return glyphs.getBoundingBox (0, -1, true).getWidth();
}
} // namespace

WaveformPicture::WaveformPicture (const juce::AudioBuffer<float>& inputToDraw, const juce::AudioBuffer<float>& outputToDraw, double rate)
    : input (inputToDraw),
      output (outputToDraw),
      sampleRate (rate)
{
}

void WaveformPicture::addMarker (std::int64_t frame, const juce::String& name)
{
    markers.push_back ({ frame, name });
    std::stable_sort (markers.begin(), markers.end(), [] (const Marker& a, const Marker& b) { return a.frame < b.frame; });
}

float WaveformPicture::xOfFrame (std::int64_t frame, float left, float width) const
{
    const auto length = std::max (input.getNumSamples(), output.getNumSamples());
    return left + (length > 0 ? width * static_cast<float> (frame) / static_cast<float> (length) : 0.0f);
}

juce::Image WaveformPicture::draw (int width, int height) const
{
    juce::Image image (juce::Image::RGB, std::max (width, 1), std::max (height, 1), true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.fillAll (ground);

    auto area = image.getBounds().toFloat().reduced (24.0f, 18.0f);

    auto header = area.removeFromTop (24.0f);
    g.setColour (brightText);
    g.setFont (makeFont (17.0f, true));
    g.drawText ("RAVELWICK LOOPER DEMO", header, juce::Justification::centredLeft, false);
    g.setColour (dimText);
    g.setFont (makeFont (13.0f, false));
    g.drawText (caption, header, juce::Justification::centredRight, false);

    area.removeFromTop (10.0f);
    const auto labelArea = area.removeFromTop (kMarkerRows * kMarkerRowHeight + 4.0f);
    const auto axisArea = area.removeFromBottom (22.0f);
    const float laneGap = 12.0f;
    const float laneHeight = (area.getHeight() - laneGap) / 2.0f;
    const auto inputArea = area.removeFromTop (laneHeight);
    const auto outputArea = area.removeFromBottom (laneHeight);

    drawLane (g, inputArea, input, "INPUT", inputPeak, inputRms);
    drawLane (g, outputArea, output, "OUTPUT", outputPeak, outputRms);
    drawTimeAxis (g, axisArea);
    drawMarkers (g, labelArea, inputArea.getY(), outputArea.getBottom());

    return image;
}

void WaveformPicture::drawLane (juce::Graphics& g, juce::Rectangle<float> area, const juce::AudioBuffer<float>& buffer, const juce::String& title,
                                juce::Colour peakColour, juce::Colour rmsColour) const
{
    g.setColour (laneGround);
    g.fillRoundedRectangle (area, 4.0f);
    g.setColour (laneEdge);
    g.drawRoundedRectangle (area, 4.0f, 1.0f);

    const auto wave = area.reduced (1.0f, 6.0f).getSmallestIntegerContainer();
    const float centre = static_cast<float> (wave.getCentreY());
    const float scale = static_cast<float> (wave.getHeight()) * 0.5f; // full scale fills the lane

    g.setColour (zeroLine);
    g.drawHorizontalLine (wave.getCentreY(), static_cast<float> (wave.getX()), static_cast<float> (wave.getRight()));

    const int length = buffer.getNumSamples();
    const int totalLength = std::max (input.getNumSamples(), output.getNumSamples());
    const int channels = buffer.getNumChannels();
    const auto yOf = [centre, scale] (float level) { return centre - scale * juce::jlimit (-1.0f, 1.0f, level); };

    for (int column = 0; column < wave.getWidth() && totalLength > 0; ++column)
    {
        const auto first = static_cast<int> (static_cast<std::int64_t> (column) * totalLength / wave.getWidth());
        const auto last = std::min (length, static_cast<int> (static_cast<std::int64_t> (column + 1) * totalLength / wave.getWidth()));
        if (first >= last || channels == 0)
            continue;

        float low = 0.0f, high = 0.0f;
        double sumOfSquares = 0.0;
        for (int c = 0; c < channels; ++c)
        {
            const auto range = buffer.findMinMax (c, first, last - first);
            low = std::min (low, range.getStart());
            high = std::max (high, range.getEnd());
            const auto rms = buffer.getRMSLevel (c, first, last - first);
            sumOfSquares += static_cast<double> (rms) * rms;
        }
        const auto rms = static_cast<float> (std::sqrt (sumOfSquares / channels));

        const auto x = static_cast<float> (wave.getX() + column);
        g.setColour (peakColour);
        g.fillRect (juce::Rectangle<float>::leftTopRightBottom (x, yOf (high), x + 1.0f, std::max (yOf (low), yOf (high) + 1.0f)));

        if (rms > 0.0f)
        {
            g.setColour (rmsColour);
            g.fillRect (juce::Rectangle<float>::leftTopRightBottom (x, yOf (rms), x + 1.0f, std::max (yOf (-rms), yOf (rms) + 1.0f)));
        }
    }

    g.setColour (dimText);
    g.setFont (makeFont (12.0f, true));
    g.drawText (title, area.reduced (10.0f, 6.0f), juce::Justification::topLeft, false);
}

void WaveformPicture::drawMarkers (juce::Graphics& g, juce::Rectangle<float> labelArea, float lanesTop, float lanesBottom) const
{
    const auto font = makeFont (12.0f, false);
    g.setFont (font);

    // Each name goes in the highest row where it clears the names already
    // there; when none has room, in the lowest.
    float rowEnds[kMarkerRows];
    std::fill (std::begin (rowEnds), std::end (rowEnds), -1.0e9f);

    const float left = labelArea.getX() + 1.0f;
    const float width = labelArea.getWidth() - 2.0f;

    for (const auto& marker : markers)
    {
        const float x = std::floor (xOfFrame (marker.frame, left, width)) + 0.5f;
        const float nameWidth = widthOf (font, marker.name);

        int row = kMarkerRows - 1;
        for (int r = 0; r < kMarkerRows; ++r)
        {
            if (rowEnds[r] + 6.0f <= x)
            {
                row = r;
                break;
            }
        }
        rowEnds[row] = x + 4.0f + nameWidth;

        const float top = labelArea.getY() + static_cast<float> (row) * kMarkerRowHeight;
        g.setColour (markerLine.withAlpha (0.85f));
        g.drawLine (x, top + 2.0f, x, lanesBottom, 1.0f);
        g.setColour (markerLine.withAlpha (0.35f));
        g.drawLine (x - 3.0f, lanesTop, x + 3.0f, lanesTop, 1.0f);

        g.setColour (text);
        g.drawText (marker.name, juce::Rectangle<float> (x + 4.0f, top, nameWidth + 2.0f, kMarkerRowHeight), juce::Justification::centredLeft, false);
    }
}

void WaveformPicture::drawTimeAxis (juce::Graphics& g, juce::Rectangle<float> area) const
{
    const auto length = std::max (input.getNumSamples(), output.getNumSamples());
    if (length == 0 || sampleRate <= 0.0)
        return;

    const float left = area.getX() + 1.0f;
    const float width = area.getWidth() - 2.0f;
    const auto seconds = static_cast<int> (std::floor (length / sampleRate));

    g.setFont (makeFont (11.0f, false));

    for (int s = 0; s <= seconds; ++s)
    {
        const float x = std::floor (xOfFrame (static_cast<std::int64_t> (std::llround (s * sampleRate)), left, width)) + 0.5f;
        g.setColour (laneEdge);
        g.drawLine (x, area.getY() + 2.0f, x, area.getY() + 6.0f, 1.0f);
        g.setColour (dimText);
        const auto label = juce::String (s) + (s == seconds ? " s" : "");
        g.drawText (label, juce::Rectangle<float> (x - 30.0f, area.getY() + 6.0f, 60.0f, 14.0f), juce::Justification::centred, false);
    }
}

bool WaveformPicture::writePng (const juce::File& file, int width, int height) const
{
    const auto image = draw (width, height);

    file.deleteFile();
    juce::FileOutputStream stream (file);
    if (! stream.openedOk())
        return false;

    if (! juce::PNGImageFormat().writeImageToStream (image, stream))
        return false;

    stream.flush();
    return stream.getStatus().wasOk();
}
