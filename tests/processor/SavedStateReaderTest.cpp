#include "SavedStateReader.h"
#include "ProcessorTestHelpers.h"

#include <gtest/gtest.h>

using namespace processor_testing;

TEST (SavedStateReader, RepairsMalformedUtf8Only)
{
    const struct
    {
        const char* name;
        std::string text;
        std::string repaired;
    } cases[] = {
        { "ASCII", "<a b=\"c\"/>", "<a b=\"c\"/>" },
        { "well-formed two, three and four bytes", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb8", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb8" },
        { "byte that never starts a character", "a\xff"
                                                "b",
          "a\xef\xbf\xbd"
          "b" },
        { "lone continuation byte", "\x80", "\xef\xbf\xbd" },
        { "sequence cut off by the end", "a\xe2\x82", "a\xef\xbf\xbd\xef\xbf\xbd" },
        { "sequence cut off by another character", "\xe2"
                                                   "a",
          "\xef\xbf\xbd"
          "a" },
        { "overlong form", "\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd" },
        { "surrogate", "\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd" },
        { "beyond U+10FFFF", "\xf4\x90\x80\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (SavedStateReader::repairUtf8 (c.text), c.repaired) << c.name;
}

TEST (SavedStateReader, MeasuresDocumentsAsTheXmlReaderWillSeeThem)
{
    const struct
    {
        const char* text;
        int depth;
        int elements;
        int mostAttributes;
        bool declarations;
    } cases[] = {
        { "", 0, 0, 0, false },
        { "<?xml version=\"1.0\"?> <a/>", 1, 1, 0, false },
        { "<a x=\"1\"><b/><c y='2' z='3'><d/></c></a>", 3, 4, 2, false },
        { "<a x=\"/>=\" y='>'><b/></a>", 2, 2, 2, false },
        { "<a><!-- <b><c> --><![CDATA[<d><e>]]></a>", 1, 1, 0, false },
        { "<a><?p </a></a> ?><b><c/></b></a>", 3, 3, 0, false },
        { "<a><!--> </a></a> --><b/></a>", 2, 2, 0, false },
        { "</a></a><a><b/></a>", 2, 2, 0, false },
        { "<!DOCTYPE a [<!ENTITY e \"&e;\">]><a>&e;</a>", 1, 1, 0, true },
    };

    for (const auto& c : cases)
    {
        const auto shape = SavedStateReader::measure (c.text);
        EXPECT_EQ (shape.depth, c.depth) << c.text;
        EXPECT_EQ (shape.elements, c.elements) << c.text;
        EXPECT_EQ (shape.mostAttributes, c.mostAttributes) << c.text;
        EXPECT_EQ (shape.hasDeclarations, c.declarations) << c.text;
    }
}

TEST (SavedStateReader, StateWithMalformedUtf8IsReadWithReplacements)
{
    LooperAudioProcessor processor;
    loadState (processor, stateFromText ("<parameters note=\"caf\xe9\"><PARAM id=\"level\" value=\"0.5\"/></parameters>"));
    EXPECT_EQ (parameterValue (processor, "level"), 0.5f);
    EXPECT_EQ (processor.apvts.state.getProperty ("note").toString(), juce::String::fromUTF8 ("caf\xef\xbf\xbd"));
}
