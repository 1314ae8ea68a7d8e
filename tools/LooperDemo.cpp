// ravelwick-looper-demo: plays a generated phrase through the looper in a short
// scripted session and keeps what came out.
//
//   ravelwick-looper-demo BUNDLE.clap OUTPUT_DIR
//
// Writes OUTPUT_DIR/looper-demo.wav (the plug-in's output, 24-bit stereo at
// 48 kHz) and OUTPUT_DIR/looper-demo.png (input and output waveforms with the
// session's actions marked), creating the folder, and prints where the two
// files and the bundle are.
//
// The session, in toggle mode and the Mix mix mode (the dry input always
// passes through):
//
//   0.25 s  record       a two-bar arpeggio in 6/8 (1.5 s) is recorded
//   1.75 s  stop         the loop plays alone once
//   3.25 s  overdub      a bell line is added over one pass
//   4.75 s  multiply     the overdub goes on into the multiply: a bass line
//   6.25 s  overdub off  the multiply copies one more pass without input
//   7.75 s  multiply off the loop is now twice as long, bass in its first half
//   8.25 s  undo         back to the one-pass loop: the bass stops
//   8.75 s  redo         the long loop returns with its bass
//   9.50 s  mute, 10.25 s unmute
//   11.5 s  reset        silence

#include "ClapHostedPlugin.h"
#include "OfflineRenderer.h"
#include "RenderScript.h"
#include "WaveformPicture.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr double kLength = 12.5; // seconds

// The plug-in applies a block's parameter events before it runs the block, so
// every action sits on a block boundary: all the times below are multiples of
// 5 ms, and a press and its release are never in the same block.
constexpr std::uint32_t kBlockSize = 240;

constexpr double kEighth = 0.125; // 6/8 at 160 dotted quarters a minute
constexpr double kDottedQuarter = 3 * kEighth;
constexpr double kLoop = 12 * kEighth; // two bars
constexpr double kRecordStart = 0.25;
constexpr double kOverdubStart = kRecordStart + 2 * kLoop;
constexpr double kMultiplyStart = kOverdubStart + kLoop;
constexpr double kRelease = 0.05; // how long a button stays down

constexpr int kPictureWidth = 1600;
constexpr int kPictureHeight = 620;

std::int64_t frameAt (double seconds)
{
    return static_cast<std::int64_t> (std::llround (seconds * kSampleRate));
}

//==============================================================================
/** An additive voice: harmonics falling off as 1/n^tilt, the upper ones
    dying away faster than the fundamental, under an exponential decay.
*/
struct Voice
{
    int harmonics = 1;
    double tilt = 1.0;
    double brightnessDecay = 0.0; // per second, for each harmonic above the first
    double decay = 0.3;           // seconds for the level to fall to 1/e
    double level = 0.2;
};

const Voice pluck { 12, 1.0, 9.0, 0.22, 0.18 };
const Voice bell { 3, 1.6, 5.0, 0.55, 0.15 };
const Voice bass { 8, 1.4, 4.0, 0.40, 0.24 };

struct Note
{
    double start = 0.0; // seconds from the phrase's start
    int key = 69;       // MIDI note number
    double length = 0.0;
    float pan = 0.0f; // -1 left .. 1 right
};

/** Adds a note to the buffer; it ends with a short release so that it never
    clicks, also where a layer is cut at the loop's end.
*/
void addNote (juce::AudioBuffer<float>& buffer, double startSeconds, const Note& note, const Voice& voice)
{
    constexpr double attack = 0.004, release = 0.02;
    const double pi = juce::MathConstants<double>::pi;
    const double frequency = 440.0 * std::pow (2.0, (note.key - 69) / 12.0);
    const auto angle = (static_cast<double> (note.pan) + 1.0) * pi / 4.0;
    const double gains[] = { std::cos (angle) * std::sqrt (2.0), std::sin (angle) * std::sqrt (2.0) };

    const auto first = frameAt (startSeconds);
    const auto frames = std::min (frameAt (note.length), static_cast<std::int64_t> (buffer.getNumSamples()) - first);

    for (std::int64_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double> (i) / kSampleRate;
        const double left = note.length - t;
        double envelope = (1.0 - std::exp (-t / attack)) * std::exp (-t / voice.decay);
        if (left < release)
            envelope *= left / release;

        double sum = 0.0;
        for (int n = 1; n <= voice.harmonics && n * frequency < 0.45 * kSampleRate; ++n)
            sum += std::sin (2.0 * pi * n * frequency * t) / std::pow (n, voice.tilt) * std::exp (-t * (n - 1) * voice.brightnessDecay);

        const auto frame = static_cast<int> (first + i);
        for (int c = 0; c < std::min (buffer.getNumChannels(), 2); ++c)
            buffer.addSample (c, frame, static_cast<float> (voice.level * gains[c] * envelope * sum));
    }
}

/** Plays notes from a start time; none rings past the end. */
void addPhrase (juce::AudioBuffer<float>& buffer, double start, double end, const std::vector<Note>& notes, const Voice& voice)
{
    for (auto note : notes)
    {
        note.length = std::min (note.length, end - (start + note.start));
        if (note.length > 0.0)
            addNote (buffer, start + note.start, note, voice);
    }
}

/** The input: a two-bar arpeggio (A minor, F major) to record, then a bell
    line for the overdub and a bass line for the multiply, silence around them.
*/
juce::AudioBuffer<float> makeInput()
{
    juce::AudioBuffer<float> input (2, static_cast<int> (frameAt (kLength)));
    input.clear();

    std::vector<Note> arpeggio;
    const int keys[] = { 57, 60, 64, 69, 64, 60, 53, 57, 60, 65, 60, 57 };
    for (int i = 0; i < 12; ++i)
        arpeggio.push_back ({ i * kEighth, keys[i], 0.6, i % 2 == 0 ? -0.35f : 0.35f });
    addPhrase (input, kRecordStart, kRecordStart + kLoop, arpeggio, pluck);

    addPhrase (input, kOverdubStart, kOverdubStart + kLoop,
               { { 0 * kDottedQuarter, 76, 0.9, 0.25f },
                 { 1 * kDottedQuarter, 72, 0.9, 0.25f },
                 { 2 * kDottedQuarter, 77, 0.9, 0.25f },
                 { 3 * kDottedQuarter, 76, 0.9, 0.25f } },
               bell);

    addPhrase (input, kMultiplyStart, kMultiplyStart + kLoop,
               { { 0 * kDottedQuarter, 45, 0.7, 0.0f },
                 { 1 * kDottedQuarter, 52, 0.7, 0.0f },
                 { 2 * kDottedQuarter, 41, 0.7, 0.0f },
                 { 3 * kDottedQuarter, 48, 0.7, 0.0f } },
               bass);

    return input;
}

//==============================================================================
/** The session as script lines plus the moments to mark in the picture. */
struct Session
{
    struct Mark
    {
        std::int64_t frame;
        std::string name;
    };

    std::string script;
    std::vector<Mark> marks;

    void set (double seconds, const std::string& parameter, double value)
    {
        script += std::to_string (frameAt (seconds)) + " param " + parameter + ' ' + std::to_string (value) + '\n';
    }

    /** A button press: the parameter goes to 1 and back to 0 a little later. */
    void press (double seconds, const std::string& parameter, const std::string& name)
    {
        set (seconds, parameter, 1.0);
        set (seconds + kRelease, parameter, 0.0);
        marks.push_back ({ frameAt (seconds), name });
    }

    void mark (double seconds, const std::string& name)
    {
        marks.push_back ({ frameAt (seconds), name });
    }
};

Session makeSession()
{
    Session session;

    // The first value the plug-in sees only sets an action's edge detector:
    // everything starts released, and in toggle mode with the dry signal mixed in.
    for (const char* action : { "record", "overdub", "multiply", "retrig", "undo", "redo", "mute", "reset" })
        session.set (0.0, action, 0.0);
    session.set (0.0, "triggerMode", 0.0);
    session.set (0.0, "mixMode", 0.0);

    session.press (kRecordStart, "record", "record");
    session.press (kRecordStart + kLoop, "record", "stop");
    session.press (kOverdubStart, "overdub", "overdub");
    session.press (kMultiplyStart, "multiply", "multiply");
    session.press (kMultiplyStart + kLoop, "overdub", "overdub off");
    session.press (kMultiplyStart + 2 * kLoop, "multiply", "multiply off");
    session.press (8.25, "undo", "undo");
    session.press (8.75, "redo", "redo");

    // MUTE is a switch, not a press.
    session.set (9.5, "mute", 1.0);
    session.mark (9.5, "mute");
    session.set (10.25, "mute", 0.0);
    session.mark (10.25, "unmute");

    session.press (11.5, "reset", "reset");
    return session;
}

//==============================================================================
bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    if (! stream->openedOk())
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), kSampleRate, static_cast<unsigned int> (audio.getNumChannels()), 24, {}, 0));
    if (writer == nullptr)
        return false;

    stream.release(); // the writer owns it now
    return writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples());
}

int run (const juce::File& bundle, const juce::File& folder)
{
    const auto session = makeSession();
    const RenderScript script (session.script);
    if (! script.isValid())
    {
        std::cerr << "session script: " << script.error() << '\n';
        return 1;
    }

    ClapPluginLibrary library (bundle.getFullPathName().toStdString());
    if (! library.isLoaded())
    {
        std::cerr << library.error() << '\n';
        return 1;
    }

    ClapHostedPlugin plugin (library);
    if (! plugin.isReady())
    {
        std::cerr << plugin.error() << '\n';
        return 1;
    }

    if (const auto created = folder.createDirectory(); created.failed())
    {
        std::cerr << "cannot create " << folder.getFullPathName() << ": " << created.getErrorMessage() << '\n';
        return 1;
    }

    const auto input = makeInput();
    juce::AudioBuffer<float> output;
    std::string error;
    const bool rendered = OfflineRenderer::render (plugin, input, kSampleRate, kBlockSize, script, output, error);

    for (const auto& line : plugin.log)
        std::cerr << "plugin log " << line << '\n';

    if (! rendered)
    {
        std::cerr << error << '\n';
        return 1;
    }

    const auto wavFile = folder.getChildFile ("looper-demo.wav");
    if (! writeWav (wavFile, output))
    {
        std::cerr << "cannot write " << wavFile.getFullPathName() << '\n';
        return 1;
    }

    WaveformPicture picture (input, output, kSampleRate);
    picture.setCaption ("a 1.5 s loop of a generated phrase, 48 kHz stereo, " + juce::String (kLength, 1) + " s");
    for (const auto& mark : session.marks)
        picture.addMarker (mark.frame, mark.name);

    const auto pngFile = folder.getChildFile ("looper-demo.png");
    if (! picture.writePng (pngFile, kPictureWidth, kPictureHeight))
    {
        std::cerr << "cannot write " << pngFile.getFullPathName() << '\n';
        return 1;
    }

    float peak = 0.0f;
    for (int c = 0; c < output.getNumChannels(); ++c)
        peak = std::max (peak, output.getMagnitude (c, 0, output.getNumSamples()));
    if (peak >= 1.0f)
        std::cerr << "warning: the output clips (peak " << peak << ")\n";

    juce::String actions;
    for (const auto& mark : session.marks)
        actions << (actions.isEmpty() ? "" : ", ") << mark.name;

    std::cout << "Looper demo: " << kLength << " s through the plug-in (" << actions << "), output peak "
              << juce::String (juce::Decibels::gainToDecibels (peak), 1) << " dBFS\n"
              << "  WAV:    " << wavFile.getFullPathName() << '\n'
              << "  PNG:    " << pngFile.getFullPathName() << '\n'
              << "  bundle: " << bundle.getFullPathName() << '\n';
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    if (argc != 3)
    {
        std::cerr << "usage: ravelwick-looper-demo BUNDLE.clap OUTPUT_DIR\n";
        return 2;
    }

    // Fonts and images want JUCE's GUI side set up, though no window opens.
    const juce::ScopedJuceInitialiser_GUI juceGui;

    const auto here = juce::File::getCurrentWorkingDirectory();
    const auto bundle = here.getChildFile (argv[1]);
    if (! bundle.existsAsFile())
    {
        std::cerr << "no bundle at " << bundle.getFullPathName() << '\n';
        return 1;
    }

    try
    {
        return run (bundle, here.getChildFile (argv[2]));
    }
    catch (const std::exception& e)
    {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
}
