#include "ProcessorTestHelpers.h"

#include <gtest/gtest.h>

#include <random>

using namespace processor_testing;

namespace
{
const std::string kFreshDocument = R"(<?xml version="1.0" encoding="UTF-8"?> <parameters editorWidth="480" editorHeight="480">)"
                                   R"(<PARAM id="feedback" value="1.0"/><PARAM id="level" value="1.0"/><PARAM id="mixMode" value="0.0"/>)"
                                   R"(<PARAM id="multiply" value="0.0"/><PARAM id="mute" value="0.0"/><PARAM id="overdub" value="0.0"/>)"
                                   R"(<PARAM id="record" value="0.0"/><PARAM id="redo" value="0.0"/><PARAM id="reset" value="0.0"/>)"
                                   R"(<PARAM id="retrig" value="0.0"/><PARAM id="triggerMode" value="0.0"/><PARAM id="undo" value="0.0"/>)"
                                   R"(<settings/></parameters>)";

/** A document with the given root attributes and children, as a saved state. */
Bytes document (const std::string& root, const std::string& attributes, const std::string& children)
{
    return stateFromText (R"(<?xml version="1.0" encoding="UTF-8"?> <)" + root + attributes + ">" + children + "</" + root + ">");
}

/** Everything a load may change. */
struct Snapshot
{
    Bytes state;
    int width;
    int height;
    std::vector<float> values;

    bool operator== (const Snapshot& other) const
    {
        return state == other.state && width == other.width && height == other.height && values == other.values;
    }
};

Snapshot snapshot (LooperAudioProcessor& processor)
{
    std::vector<float> values;
    for (const auto* id : LooperAudioProcessor::parameterIds)
        values.push_back (parameterValue (processor, id));
    return { saveState (processor), processor.editorWidth.load(), processor.editorHeight.load(), values };
}
} // namespace

TEST (ProcessorState, FreshProcessorSavesTheDefaultDocument)
{
    LooperAudioProcessor processor;
    const auto state = saveState (processor);

    Bytes expected { 'V', 'C', '2', '!', 0xf3, 0x01, 0x00, 0x00 }; // length 499
    expected.insert (expected.end(), kFreshDocument.begin(), kFreshDocument.end());
    expected.push_back (0);

    ASSERT_EQ (kFreshDocument.size(), 499u);
    EXPECT_EQ (state, expected) << textOf (state);
}

TEST (ProcessorState, RoundTripGivesIdenticalBytes)
{
    LooperAudioProcessor first;
    setParameter (first, "feedback", 0.25f);
    setParameter (first, "mixMode", 2.0f);
    first.editorWidth = 600;
    first.editorHeight = 600;
    const auto saved = saveState (first);

    LooperAudioProcessor second;
    loadState (second, saved);
    EXPECT_EQ (saveState (second), saved);
    EXPECT_EQ (second.editorWidth.load(), 600);
    EXPECT_FLOAT_EQ (parameterValue (second, "feedback"), 0.25f);
    EXPECT_EQ (parameterValue (second, "mixMode"), 2.0f);
}

TEST (ProcessorState, RefusedLoadsChangeNothing)
{
    auto good = document ("parameters", R"( editorWidth="700")", R"(<PARAM id="level" value="0.5"/>)");
    auto withLength = [&good] (std::uint32_t length) {
        auto bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<std::size_t> (4 + i)] = static_cast<std::uint8_t> (length >> (8 * i));
        return bytes;
    };
    auto wrongMagic = good;
    wrongMagic[3] = '?';
    // Nesting this deep makes the recursive XML reader overflow the stack.
    std::string tooDeep;
    for (int i = 0; i < 300000; ++i)
        tooDeep += "<a>";
    for (int i = 0; i < 300000; ++i)
        tooDeep += "</a>";

    // Entities that refer to themselves make the XML reader recurse without end.
    const std::string selfReferringEntity = R"(<!DOCTYPE r [<!ENTITY a "&xa;">]><r>&a;</r>)";

    // Closing tags inside a processing instruction are no closing tags.
    std::string hiddenClosers = "<a><?p";
    for (int i = 0; i < 100; ++i)
        hiddenClosers += "</a>";
    hiddenClosers += "?>";
    for (int i = 0; i < 100; ++i)
        hiddenClosers += "<a>";

    std::string manyAttributes = "<parameters";
    for (int i = 0; i < 300; ++i)
        manyAttributes += " a" + std::to_string (i) + "=\"1\"";
    manyAttributes += "/>";

    std::string manyElements = "<parameters>";
    for (int i = 0; i < 5000; ++i)
        manyElements += "<x/>";
    manyElements += "</parameters>";

    const struct
    {
        const char* name;
        Bytes bytes;
    } cases[] = {
        { "empty", {} },
        { "8 bytes", Bytes (good.begin(), good.begin() + 8) },
        { "wrong magic", wrongMagic },
        { "length 0", withLength (0) },
        { "negative length", withLength (0x80000000u) },
        { "not XML", stateFromText ("this is not XML") },
        { "zero at the start of the text", stateFromText (std::string ("\0<a/>", 5)) },
        { "nested too deeply to read safely", stateFromText (tooDeep) },
        { "the same behind a quote that a malformed attribute opens", stateFromText (R"(<parameters><e y")" + tooDeep) },
        { "entity referring to itself", stateFromText (selfReferringEntity) },
        { "nesting hidden behind closing tags in a processing instruction", stateFromText (hiddenClosers) },
        { "hundreds of attributes on one element", stateFromText (manyAttributes) },
        { "thousands of elements", stateFromText (manyElements) },
        { "text after a processing instruction inside an element", stateFromText ("<parameters><?p?>x</parameters>") },
        { "the same after an element that a malformed attribute ends", stateFromText (R"(<parameters><PARAM b"<?p?>x</parameters>)") },
    };

    for (const auto& c : cases)
    {
        LooperAudioProcessor processor;
        setParameter (processor, "feedback", 0.75f);
        const auto before = snapshot (processor);
        loadState (processor, c.bytes);
        EXPECT_TRUE (snapshot (processor) == before) << c.name;
    }
}

TEST (ProcessorState, LengthLargerThanTheDataUsesTheBytesPresent)
{
    auto state = document ("parameters", "", R"(<PARAM id="level" value="0.5"/>)");
    state.pop_back(); // no closing zero either
    state[4] = state[5] = state[6] = 0xff;
    state[7] = 0x7f;

    LooperAudioProcessor processor;
    loadState (processor, state);
    EXPECT_EQ (parameterValue (processor, "level"), 0.5f);
}

TEST (ProcessorState, LoadedDocumentIsKeptAndWrittenBack)
{
    LooperAudioProcessor processor;
    loadState (processor, document ("looperState", R"( author="me")",
                                    R"(<PARAM id="feedback" value="5"/><PARAM id="mixMode" value="7"/>)"
                                    R"(<PARAM id="level"/><PARAM id="volume" value="0.3"/><notes text="hi"/>)"
                                    R"(<settings recordMidiNote="48"/>)"));

    EXPECT_EQ (parameterValue (processor, "feedback"), 1.0f) << "clamped into the range";
    EXPECT_EQ (parameterValue (processor, "mixMode"), 2.0f) << "clamped to the last choice";
    EXPECT_EQ (parameterValue (processor, "level"), 1.0f) << "a missing value gives the default";
    EXPECT_EQ (processor.editorWidth.load(), 480) << "no size in the document leaves the size alone";

    const auto text = textOf (saveState (processor));
    EXPECT_EQ (text.find (R"(<looperState author="me" editorWidth="480" editorHeight="480">)"), 39u) << text;
    EXPECT_NE (text.find (R"(<PARAM id="volume" value="0.3"/>)"), std::string::npos) << text;
    EXPECT_NE (text.find (R"(<notes text="hi"/>)"), std::string::npos) << text;
    EXPECT_NE (text.find (R"(<settings recordMidiNote="48"/>)"), std::string::npos) << text;
    EXPECT_NE (text.find (R"(<PARAM id="level" value="1.0"/>)"), std::string::npos) << text;
    EXPECT_NE (text.find (R"(<PARAM id="undo" value="0.0"/></looperState>)"), std::string::npos)
        << "parameters missing from the document are appended with their values: " << text;
}

TEST (ProcessorState, ParameterMissingFromTheDocumentKeepsItsValue)
{
    LooperAudioProcessor processor;
    setParameter (processor, "feedback", 0.25f);
    loadState (processor, document ("parameters", "", R"(<PARAM id="level" value="0.5"/>)"));
    EXPECT_FLOAT_EQ (parameterValue (processor, "feedback"), 0.25f);
    EXPECT_EQ (parameterValue (processor, "level"), 0.5f);

    LooperAudioProcessor copy;
    loadState (copy, saveState (processor));
    EXPECT_FLOAT_EQ (parameterValue (copy, "feedback"), 0.25f) << "the value is saved with the appended child";
}

TEST (ProcessorState, AttributeGivenTwiceKeepsItsFirstMeaning)
{
    LooperAudioProcessor processor;
    loadState (processor, document ("parameters", "", R"(<PARAM id="level" value="0.5" id="mute" value="1"/>)"
                                                      R"(<PARAM id="feedback" value="0.25" base64:value="AAAA"/>)"));
    EXPECT_EQ (parameterValue (processor, "level"), 0.5f);
    EXPECT_EQ (parameterValue (processor, "mute"), 0.0f);
    EXPECT_EQ (parameterValue (processor, "feedback"), 0.25f);

    const auto saved = saveState (processor);
    LooperAudioProcessor copy;
    loadState (copy, saved);
    EXPECT_EQ (saveState (copy), saved);
    EXPECT_EQ (parameterValue (copy, "level"), 0.5f);
}

TEST (ProcessorState, DocumentWithoutSettingsSavesNone)
{
    LooperAudioProcessor processor;
    loadState (processor, document ("parameters", "", R"(<PARAM id="level" value="0.5"/>)"));
    EXPECT_EQ (textOf (saveState (processor)).find ("settings"), std::string::npos);
    EXPECT_EQ (processor.recordMidiNote.get(), 60) << "the views keep the node made at construction";
}

TEST (ProcessorState, EditorSizeComesFromTheDocument)
{
    const struct
    {
        const char* attributes;
        int width;
        int height;
    } cases[] = {
        { R"( editorWidth="640" editorHeight="720")", 640, 720 },
        { R"( editorHeight="300")", 480, 300 },
        { R"( editorWidth="wide")", 0, 480 },
        { R"( editorWidth="512px")", 512, 480 },
    };

    for (const auto& c : cases)
    {
        LooperAudioProcessor processor;
        loadState (processor, document ("parameters", c.attributes, ""));
        EXPECT_EQ (processor.editorWidth.load(), c.width) << c.attributes;
        EXPECT_EQ (processor.editorHeight.load(), c.height) << c.attributes;
    }
}

TEST (ProcessorState, ValueThatIsNotANumberGivesTheDefault)
{
    LooperAudioProcessor processor;
    loadState (processor, document ("parameters", "", R"(<PARAM id="feedback" value="nan"/><PARAM id="level" value="0.5"/>)"));
    EXPECT_EQ (parameterValue (processor, "feedback"), 1.0f);
    EXPECT_EQ (parameterValue (processor, "level"), 0.5f);

    // An exponent of ten digits overflows JUCE's number reader.
    loadState (processor, document ("parameters", "", R"(<PARAM id="level" value="0.5e3293333333"/>)"));
    EXPECT_EQ (parameterValue (processor, "level"), 1.0f);
}

TEST (ProcessorState, DamagedStatesAreAcceptedCleanlyOrChangeNothing)
{
    LooperAudioProcessor source;
    setParameter (source, "feedback", 0.3f);
    setParameter (source, "triggerMode", 1.0f);
    const auto good = saveState (source);

    std::mt19937 random (20261211);
    const auto below = [&random] (std::size_t n) { return std::uniform_int_distribution<std::size_t> (0, n - 1) (random); };

    for (int round = 0; round < 3000; ++round)
    {
        auto bytes = good;
        switch (round % 4)
        {
            case 0: // truncated
                bytes.resize (below (bytes.size() + 1));
                break;
            case 1: // a few bytes overwritten
                for (auto n = below (8) + 1; n > 0; --n)
                    bytes[below (bytes.size())] = static_cast<std::uint8_t> (below (256));
                break;
            case 2: // a run of bytes deleted
            {
                const auto at = below (bytes.size());
                bytes.erase (bytes.begin() + static_cast<std::ptrdiff_t> (at),
                             bytes.begin() + static_cast<std::ptrdiff_t> (std::min (bytes.size(), at + below (40) + 1)));
                break;
            }
            default: // a piece of the text repeated elsewhere
            {
                const auto from = below (bytes.size());
                const auto length = std::min (bytes.size() - from, below (60) + 1);
                const Bytes piece (bytes.begin() + static_cast<std::ptrdiff_t> (from),
                                   bytes.begin() + static_cast<std::ptrdiff_t> (from + length));
                bytes.insert (bytes.begin() + static_cast<std::ptrdiff_t> (below (bytes.size())), piece.begin(), piece.end());
                break;
            }
        }

        LooperAudioProcessor processor;
        const auto before = snapshot (processor);
        loadState (processor, bytes);
        const auto after = snapshot (processor);

        if (after == before)
            continue;

        // Accepted: the processor holds a consistent state that survives a round trip.
        for (std::size_t i = 0; i < after.values.size(); ++i)
        {
            auto* parameter = processor.apvts.getParameter (LooperAudioProcessor::parameterIds[i]);
            const auto range = parameter->getNormalisableRange();
            ASSERT_TRUE (after.values[i] >= range.start && after.values[i] <= range.end) << "round " << round;
        }
        LooperAudioProcessor copy;
        loadState (copy, after.state);
        ASSERT_EQ (saveState (copy), after.state) << "round " << round << "\n"
                                                  << textOf (after.state) << "\n"
                                                  << textOf (saveState (copy)) << "\nloaded: " << std::string (bytes.begin(), bytes.end());
    }
}

TEST (ProcessorProperties, AcceptsOnlyMatchingMonoOrStereoLayouts)
{
    using Set = juce::AudioChannelSet;
    const struct
    {
        const char* name;
        Set input;
        Set output;
        bool accepted;
    } cases[] = {
        { "mono to mono", Set::mono(), Set::mono(), true },
        { "stereo to stereo", Set::stereo(), Set::stereo(), true },
        { "stereo to mono", Set::stereo(), Set::mono(), false },
        { "mono to stereo", Set::mono(), Set::stereo(), false },
        { "no output", Set::stereo(), Set::disabled(), false },
        { "disabled input", Set::disabled(), Set::stereo(), false },
        { "surround", Set::create5point1(), Set::create5point1(), false },
    };

    LooperAudioProcessor processor;
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.input);
        layout.outputBuses.add (c.output);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted) << c.name;
    }

    juce::AudioProcessor::BusesLayout noBuses;
    EXPECT_FALSE (processor.checkBusesLayoutSupported (noBuses));
}

TEST (ProcessorProperties, AnswersTheHostWithFixedValues)
{
    LooperAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Ravelwick Looper");
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (5), "");
    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
}

TEST (ProcessorProperties, ParametersHaveTheirIdsNamesAndDefaults)
{
    const struct
    {
        const char* id;
        const char* name;
        float defaultValue;
        int choices;
    } expected[] = {
        { "record", "Record", 0, 0 },
        { "overdub", "Overdub", 0, 0 },
        { "multiply", "Multiply", 0, 0 },
        { "retrig", "Trigger", 0, 0 },
        { "undo", "Undo", 0, 0 },
        { "redo", "Redo", 0, 0 },
        { "mute", "Mute", 0, 0 },
        { "reset", "Reset", 0, 0 },
        { "feedback", "Feedback", 1, 0 },
        { "level", "Level", 1, 0 },
        { "triggerMode", "Push Mode", 0, 2 },
        { "mixMode", "Mix Mode", 0, 3 },
    };

    LooperAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), 12);

    for (int i = 0; i < 12; ++i)
    {
        const auto& e = expected[i];
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (parameter, nullptr);
        EXPECT_EQ (parameter->getParameterID(), e.id);
        EXPECT_STREQ (LooperAudioProcessor::parameterIds[static_cast<std::size_t> (i)], e.id);
        EXPECT_EQ (parameter->getName (100), e.name);
        EXPECT_EQ (parameter->getVersionHint(), 0);
        EXPECT_TRUE (parameter->isAutomatable());
        EXPECT_EQ (parameter->convertFrom0to1 (parameter->getDefaultValue()), e.defaultValue) << e.id;

        if (e.choices > 0)
        {
            auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter);
            ASSERT_NE (choice, nullptr);
            EXPECT_EQ (choice->choices.size(), e.choices);
        }
        else
        {
            EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (parameter), nullptr) << e.id;
            EXPECT_EQ (parameter->getNormalisableRange().start, 0.0f);
            EXPECT_EQ (parameter->getNormalisableRange().end, 1.0f);
        }
    }

    auto* pushMode = dynamic_cast<juce::AudioParameterChoice*> (parameters[10]);
    EXPECT_EQ (pushMode->choices, juce::StringArray ({ "Toggle", "Hold" }));
    auto* mixMode = dynamic_cast<juce::AudioParameterChoice*> (parameters[11]);
    EXPECT_EQ (mixMode->choices, juce::StringArray ({ "Mix", "Insert", "Gate" }));
}

TEST (ProcessorProperties, MidiNoteSettingsReadTheSettingsNode)
{
    LooperAudioProcessor processor;
    EXPECT_EQ (processor.settings.getType(), juce::Identifier ("settings"));
    EXPECT_EQ (processor.settings.getNumProperties(), 0) << "the views never write their defaults";
    EXPECT_EQ (processor.recordMidiNote.get(), 60);
    EXPECT_EQ (processor.muteMidiNote.get(), 66);
    EXPECT_EQ (processor.resetMidiNote.get(), 67);

    processor.settings.setProperty ("recordMidiNote", 48, nullptr);
    EXPECT_EQ (processor.recordMidiNote.get(), 48);
}
