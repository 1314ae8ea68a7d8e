#include "ClapHostedPlugin.h"
#include "OfflineRenderer.h"
#include "RenderScript.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
// A third-party CLAP effect from Debian's zam-plugins: a mono delay with
// parameters "Time" (ms), "Dry/Wet", "Feedback" and "Output Gain".
const std::string kThirdPartyPlugin = "/usr/lib/clap/ZamDelay.clap";

juce::AudioBuffer<float> sine (int length)
{
    juce::AudioBuffer<float> buffer (2, length);
    for (int i = 0; i < length; ++i)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, i, 0.5f * std::sin (0.0576f * static_cast<float> (i)));
    return buffer;
}

float rms (const juce::AudioBuffer<float>& buffer, int start, int length)
{
    return buffer.getRMSLevel (0, start, length);
}

std::string runTool (const std::string& arguments)
{
    std::string output;
    std::unique_ptr<FILE, int (*) (FILE*)> pipe (popen ((std::string (RAVELWICK_CLAP_HOST) + " " + arguments + " 2>/dev/null").c_str(), "r"), pclose);
    char buffer[4096];
    while (pipe != nullptr && std::fgets (buffer, sizeof (buffer), pipe.get()) != nullptr)
        output += buffer;
    return output;
}

int exitStatusOf (const std::string& command)
{
    const int status = std::system ((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}

bool hasDisplay()
{
    const char* display = std::getenv ("DISPLAY");
    return display != nullptr && *display != '\0';
}
} // namespace

TEST (RenderScript, ReadsTimedActionsInFrameOrder)
{
    const RenderScript script ("# a session\n"
                               "48000 param record 0\n"
                               "\n"
                               "0 param record 1   # press\n"
                               "100 note-on 60 0.5\n"
                               "100 note-off 61\n"
                               "200 note-on 62\n");
    ASSERT_TRUE (script.isValid()) << script.error();
    ASSERT_EQ (script.actions.size(), 5u);

    using Kind = RenderScript::Action::Kind;
    EXPECT_EQ (script.actions[0].frame, 0u);
    EXPECT_EQ (script.actions[0].kind, Kind::parameter);
    EXPECT_EQ (script.actions[0].parameter, "record");
    EXPECT_EQ (script.actions[0].value, 1.0);
    EXPECT_EQ (script.actions[1].kind, Kind::noteOn);
    EXPECT_EQ (script.actions[1].key, 60);
    EXPECT_EQ (script.actions[1].value, 0.5);
    EXPECT_EQ (script.actions[2].kind, Kind::noteOff) << "the same frame keeps the written order";
    EXPECT_EQ (script.actions[3].value, 1.0) << "velocity defaults to full";
    EXPECT_EQ (script.actions[4].frame, 48000u);
}

TEST (RenderScript, NamesTheLineItCannotRead)
{
    const struct
    {
        const char* text;
        const char* error;
    } cases[] = {
        { "0 param record 1\nsoon param record 0\n", "line 2: 'soon' is not a frame number" },
        { "10x param record 1\n", "line 1: '10x' is not a frame number" },
        { "0 press record\n", "line 1: expected" },
        { "0 param record\n", "line 1: expected" },
        { "0 note-on 128\n", "line 1: expected" },
        { "0 note-off\n", "line 1: expected" },
    };

    for (const auto& c : cases)
    {
        const RenderScript script (c.text);
        EXPECT_FALSE (script.isValid()) << c.text;
        EXPECT_EQ (script.error().rfind (c.error, 0), 0u) << script.error();
    }
}

TEST (ClapHost, RendersThroughAThirdPartyEffect)
{
    ClapPluginLibrary library (kThirdPartyPlugin);
    ASSERT_TRUE (library.isLoaded()) << library.error();

    const auto input = sine (48000);
    const struct
    {
        const char* name;
        const char* script;
        bool dry;
    } cases[] = {
        { "dry only", "0 param Dry/Wet 0\n", true },
        { "delayed by 100 ms", "0 param dry/wet 1\n0 param time 100\n0 param feedback 0\n", false },
    };

    for (const auto& c : cases)
    {
        ClapHostedPlugin plugin (library);
        ASSERT_TRUE (plugin.isReady()) << plugin.error();
        EXPECT_EQ (plugin.mainChannelCount (true), 1u);

        juce::AudioBuffer<float> output;
        std::string error;
        ASSERT_TRUE (OfflineRenderer::render (plugin, input, 48000.0, 256, RenderScript (c.script), output, error)) << error;
        ASSERT_EQ (output.getNumSamples(), input.getNumSamples());
        EXPECT_EQ (output.getNumChannels(), 1);

        for (int i = 0; i < output.getNumSamples(); ++i)
            ASSERT_TRUE (std::isfinite (output.getSample (0, i)));

        if (c.dry)
        {
            EXPECT_NEAR (rms (output, 24000, 24000), rms (input, 24000, 24000), 0.01f) << c.name;
        }
        else
        {
            // The effect smooths its dry/wet change over its first few milliseconds.
            EXPECT_LT (rms (output, 1000, 3000), 0.001f) << "nothing before the delay";
            EXPECT_GT (rms (output, 6000, 18000), 0.3f) << "the delayed signal after it";
        }
    }
}

TEST (ClapHost, PlacesScriptedEventsAtTheirExactFrames)
{
    ClapPluginLibrary library (kThirdPartyPlugin);
    ClapHostedPlugin plugin (library);
    ASSERT_TRUE (plugin.isReady()) << plugin.error();

    const RenderScript script ("1000 param Feedback 0.5\n1023 note-on 60\n1024 param 7 0.25\n");
    std::vector<ClapHostedPlugin::Event> events;
    std::string error;
    ASSERT_TRUE (script.eventsForBlock (plugin, 768, 256, events, error)) << error;
    ASSERT_EQ (events.size(), 2u);
    EXPECT_EQ (events[0].header.time, 232u);
    EXPECT_EQ (events[0].header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ (events[0].paramValue.value, 0.5);
    EXPECT_EQ (events[1].header.time, 255u);
    EXPECT_EQ (events[1].header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_EQ (events[1].note.key, 60);

    ASSERT_TRUE (script.eventsForBlock (plugin, 1024, 256, events, error));
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].header.time, 0u);
    EXPECT_EQ (events[0].paramValue.param_id, 7u) << "parameters can be named by number";

    EXPECT_FALSE (RenderScript ("0 param Volume 1\n").eventsForBlock (plugin, 0, 256, events, error));
    EXPECT_EQ (error, "the plug-in has no parameter 'Volume'");
}

TEST (ClapHost, ReportsBundlesItCannotLoad)
{
    ClapPluginLibrary missing ("/nonexistent/Plugin.clap");
    EXPECT_FALSE (missing.isLoaded());
    EXPECT_NE (missing.error().find ("cannot load"), std::string::npos);

    ClapPluginLibrary notAPlugin ("libc.so.6");
    EXPECT_FALSE (notAPlugin.isLoaded());
    EXPECT_NE (notAPlugin.error().find ("exports no clap_entry"), std::string::npos);

    ClapHostedPlugin plugin (missing);
    EXPECT_FALSE (plugin.isReady());
}

TEST (ClapHostTool, DescribesAndRendersFromTheCommandLine)
{
    const auto info = runTool ("--info " + kThirdPartyPlugin);
    EXPECT_NE (info.find ("plugin: com.zamaudio.ZamDelay"), std::string::npos) << info;
    EXPECT_NE (info.find ("audio in 0: id 0, \"Audio Input\", 1 channels"), std::string::npos) << info;
    EXPECT_NE (info.find ("parameters: 9"), std::string::npos) << info;
    EXPECT_NE (info.find ("extensions: clap.audio-ports clap.params"), std::string::npos) << info;
    EXPECT_NE (info.find ("instantiate: "), std::string::npos) << info;

    const auto output = juce::File::createTempFile (".wav");
    const auto rendered = runTool ("--render " + kThirdPartyPlugin + " --seconds 0.5 --block 100 --output " + output.getFullPathName().toStdString());
    EXPECT_NE (rendered.find ("wrote 24000 frames, 1 channels at 48000 Hz"), std::string::npos) << rendered;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (new juce::FileInputStream (output), true));
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->lengthInSamples, 24000);
    EXPECT_EQ (reader->sampleRate, 48000.0);
    reader.reset();
    output.deleteFile();

    EXPECT_EQ (runTool ("--render /nonexistent.clap --output /tmp/x.wav"), "");
}

TEST (ClapHostTool, ShowsTheEditorAndSavesAScreenshot)
{
    if (! hasDisplay())
        GTEST_SKIP() << "no X display (DISPLAY is empty); scripts/test.sh runs these tests under Xvfb";

    const auto picture = juce::File::createTempFile (".png");
    const auto shown = runTool (std::string ("--gui ") + RAVELWICK_BUNDLE + " --scale 2 --seconds 1 --screenshot " + picture.getFullPathName().toStdString());
    EXPECT_NE (shown.find ("editor: 960x960 at scale 2"), std::string::npos) << shown;
    EXPECT_NE (shown.find ("screenshot: " + picture.getFullPathName().toStdString()), std::string::npos) << shown;

    const auto image = juce::ImageFileFormat::loadFrom (picture);
    picture.deleteFile();
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 960);
    EXPECT_EQ (image.getHeight(), 960);
    EXPECT_EQ (image.getPixelAt (10, 10), juce::Colour (0xff101010)) << "no editor background in the corner";

    const std::string tool = RAVELWICK_CLAP_HOST;
    EXPECT_EQ (exitStatusOf (tool + " --gui " + RAVELWICK_BUNDLE + " --seconds 0.2"), 0);
    EXPECT_NE (exitStatusOf (tool + " --gui /nonexistent.clap --seconds 0.2"), 0);
    EXPECT_NE (exitStatusOf ("DISPLAY= " + tool + " --gui " + RAVELWICK_BUNDLE + " --seconds 0.2"), 0) << "no X server to show it on";
    EXPECT_NE (exitStatusOf (tool + " --gui " + RAVELWICK_BUNDLE + " --seconds 0.2 --screenshot /nonexistent/folder/shot.png"), 0);
}
