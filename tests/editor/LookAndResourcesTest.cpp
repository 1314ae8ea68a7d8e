#include "BinaryData.h"
#include "Palette.h"
#include "RavelwickLookAndFeel.h"

#include <gtest/gtest.h>

#include <cstring>

TEST (BinaryData, FindsResourcesByTheirNamesOnly)
{
    int size = -1;
    const char* font = BinaryData::getNamedResource ("InterBold_otf", size);
    ASSERT_NE (font, nullptr);
    EXPECT_EQ (font, BinaryData::InterBold_otf);
    EXPECT_EQ (size, BinaryData::InterBold_otfSize);
    EXPECT_EQ (size, juce::File (RAVELWICK_FONT_FILE).getSize()) << "the size follows the file embedded";
    EXPECT_EQ (std::memcmp (font, "OTTO", 4), 0) << "an OpenType font with CFF outlines";

    size = -1;
    EXPECT_EQ (BinaryData::getNamedResource ("_gitkeep", size), BinaryData::_gitkeep);
    EXPECT_NE (BinaryData::_gitkeep, nullptr);
    EXPECT_EQ (size, 0);

    for (const char* name : { static_cast<const char*> (nullptr), "", "Inter-Bold.otf", "InterBold_otf2", "interbold_otf" })
    {
        size = -1;
        EXPECT_EQ (BinaryData::getNamedResource (name, size), nullptr) << (name == nullptr ? "null" : name);
        EXPECT_EQ (size, 0);
    }
}

TEST (BinaryData, MapsResourceNamesToTheirFiles)
{
    ASSERT_EQ (BinaryData::namedResourceListSize, 2);
    EXPECT_STREQ (BinaryData::namedResourceList[0], "InterBold_otf");
    EXPECT_STREQ (BinaryData::namedResourceList[1], "_gitkeep");
    EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename ("InterBold_otf"), "Inter-Bold.otf");
    EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename ("_gitkeep"), ".gitkeep");
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename ("Inter-Bold.otf"), nullptr);
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename (""), nullptr);
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename (nullptr), nullptr);
}

TEST (Palette, HoldsThirtyOpaqueGreysFromBlackToWhite)
{
    const juce::Colour greys[] = {
        Palette::gray1, Palette::gray2, Palette::gray3, Palette::gray4, Palette::gray5, Palette::gray6,
        Palette::gray7, Palette::gray8, Palette::gray9, Palette::gray10, Palette::gray11, Palette::gray12,
        Palette::gray13, Palette::gray14, Palette::gray15, Palette::gray16, Palette::gray17, Palette::gray18,
        Palette::gray19, Palette::gray20, Palette::gray21, Palette::gray22, Palette::gray23, Palette::gray24,
        Palette::gray25, Palette::gray26, Palette::gray27, Palette::gray28, Palette::gray29, Palette::gray30
    };
    const int levels[] = { 0, 16, 27, 36, 44, 51, 58, 65, 72, 79, 86, 93, 100, 107, 114,
                           121, 129, 137, 145, 153, 162, 171, 180, 190, 200, 210, 221, 232, 243, 255 };

    for (int i = 0; i < 30; ++i)
    {
        EXPECT_EQ (greys[i].getARGB(), juce::Colour (static_cast<juce::uint8> (levels[i]), static_cast<juce::uint8> (levels[i]),
                                                     static_cast<juce::uint8> (levels[i]))
                                           .getARGB())
            << "gray" << i + 1;
    }
}

TEST (RavelwickLookAndFeel, GivesEveryButtonAndLabelTheEmbeddedTypeface)
{
    RavelwickLookAndFeel lookAndFeel;
    ASSERT_NE (lookAndFeel.typeface, nullptr);
    EXPECT_EQ (lookAndFeel.typeface->getName(), "Inter");

    juce::TextButton small, large;
    small.setSize (40, 20);
    large.setSize (200, 200);
    for (auto* button : { &small, &large })
    {
        const auto font = lookAndFeel.getTextButtonFont (*button, button->getHeight());
        EXPECT_FLOAT_EQ (font.getHeight(), 18.0f);
        EXPECT_EQ (font.getTypefaceName(), "Inter");
    }

    juce::Label label;
    EXPECT_FLOAT_EQ (lookAndFeel.getLabelFont (label).getHeight(), 16.0f);
    EXPECT_EQ (lookAndFeel.getLabelFont (label).getTypefaceName(), "Inter");
    EXPECT_EQ (lookAndFeel.findColour (juce::Label::textColourId), Palette::gray20);

    label.setLookAndFeel (&lookAndFeel);
    EXPECT_EQ (label.findColour (juce::Label::textColourId), Palette::gray20);
    label.setLookAndFeel (nullptr);
}
