#include "RavelwickLookAndFeel.h"

#include "BinaryData.h"
#include "Palette.h"

RavelwickLookAndFeel::RavelwickLookAndFeel()
{
    typeface = juce::Typeface::createSystemTypefaceFor (BinaryData::InterBold_otf, static_cast<size_t> (BinaryData::InterBold_otfSize));
    setColour (juce::Label::textColourId, Palette::gray20);
}

RavelwickLookAndFeel::~RavelwickLookAndFeel() = default;

juce::Font RavelwickLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return makeFont (18.0f);
}

juce::Font RavelwickLookAndFeel::getLabelFont (juce::Label&)
{
    return makeFont (16.0f);
}

juce::Font RavelwickLookAndFeel::makeFont (float height) const
{
    // A font made from an empty typeface pointer would dereference it: without
    // the embedded typeface the default one serves.
#if JUCE_MAJOR_VERSION >= 8
    // Legacy metrics give a height the meaning it has with JUCE 7.
    const auto options = typeface != nullptr ? juce::FontOptions { typeface } : juce::FontOptions {};
    juce::Font font { options.withMetricsKind (juce::TypefaceMetricsKind::legacy) };
#else
    juce::Font font = typeface != nullptr ? juce::Font { typeface } : juce::Font {};
#endif
    font.setHeight (height);
    return font;
}
