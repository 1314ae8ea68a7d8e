// ravelwick-clap-host: a command-line CLAP host for people and tests.
//
//   ravelwick-clap-host --info PLUGIN.clap
//   ravelwick-clap-host --render PLUGIN.clap --output OUT.wav [options]
//   ravelwick-clap-host --gui PLUGIN.clap [options]
//
// Render options:
//   --input IN.wav        audio to process (default: a generated test signal)
//   --signal sine|noise|silence, --seconds S    the generated signal (default: sine, 2 s)
//   --rate HZ             sample rate of a generated signal (default 48000; a WAV keeps its own)
//   --block FRAMES        block size (default 256)
//   --script FILE         timed actions, see RenderScript.h
//   --plugin-id ID        which plug-in of the bundle (default: the first)
//   --load-state FILE     state to load before rendering
//   --save-state FILE     where to save the state after rendering
//
// GUI options: the plug-in's editor embedded in an X11 window on $DISPLAY,
// while a generated signal plays through it in real time (nothing is heard).
//   --scale S             the editor's scale (default 1)
//   --seconds S           how long to run (default: until the window is closed)
//   --screenshot OUT.png  the window's picture, taken just before the end
//   --signal sine|noise|silence, --rate HZ, --block FRAMES, --script FILE, --plugin-id ID
//                         as for rendering; the signal repeats every second and
//                         the script's frames count from the start

#include "ClapHostedPlugin.h"
#include "HostEventLoop.h"
#include "OfflineRenderer.h"
#include "RealTimePlayer.h"
#include "RenderScript.h"
#include "X11HostWindow.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

namespace
{
using Clock = std::chrono::steady_clock;

double millisecondsSince (Clock::time_point start)
{
    return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
}

std::string optionOr (const std::map<std::string, std::string>& options, const char* name, const std::string& fallback)
{
    const auto found = options.find (name);
    return found != options.end() ? found->second : fallback;
}

const char* orEmpty (const char* text)
{
    return text != nullptr ? text : "";
}

std::string flagsOf (std::uint32_t flags, const std::vector<std::pair<std::uint32_t, const char*>>& names)
{
    std::string text;
    for (const auto& [bit, name] : names)
        if ((flags & bit) != 0)
            text += (text.empty() ? "" : ",") + std::string (name);
    return text.empty() ? "-" : text;
}

int showInfo (const std::string& path)
{
    const auto loadStart = Clock::now();
    ClapPluginLibrary library (path);
    const auto loadTime = millisecondsSince (loadStart);

    if (! library.isLoaded())
    {
        std::cerr << library.error() << '\n';
        return 1;
    }

    std::cout << "bundle: " << path << "\nload: " << loadTime << " ms\n";
    std::cout << "clap version: " << library.entry->clap_version.major << '.' << library.entry->clap_version.minor << '.'
              << library.entry->clap_version.revision << '\n';

    for (const auto* descriptor : library.descriptors())
    {
        std::cout << "\nplugin: " << orEmpty (descriptor->id) << "\n  name: " << orEmpty (descriptor->name)
                  << "\n  vendor: " << orEmpty (descriptor->vendor) << "\n  version: " << orEmpty (descriptor->version)
                  << "\n  description: " << orEmpty (descriptor->description) << "\n  features:";
        for (auto* const* feature = descriptor->features; feature != nullptr && *feature != nullptr; ++feature)
            std::cout << ' ' << *feature;
        std::cout << '\n';

        const auto createStart = Clock::now();
        ClapHostedPlugin plugin (library, descriptor->id);
        const auto createTime = millisecondsSince (createStart);
        if (! plugin.isReady())
        {
            std::cout << "  instantiate: failed (" << plugin.error() << ")\n";
            continue;
        }
        std::cout << "  instantiate: " << createTime << " ms\n";

        if (const auto* ports = plugin.extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS))
        {
            for (const bool isInput : { true, false })
            {
                for (std::uint32_t i = 0; i < ports->count (plugin.plugin, isInput); ++i)
                {
                    clap_audio_port_info info {};
                    if (ports->get (plugin.plugin, i, isInput, &info))
                        std::cout << "  audio " << (isInput ? "in " : "out ") << i << ": id " << info.id << ", \"" << info.name << "\", "
                                  << info.channel_count << " channels, type " << orEmpty (info.port_type) << ", flags "
                                  << flagsOf (info.flags, { { CLAP_AUDIO_PORT_IS_MAIN, "main" }, { CLAP_AUDIO_PORT_SUPPORTS_64BITS, "64-bit" } }) << '\n';
                }
            }
        }

        if (const auto* ports = plugin.extension<clap_plugin_note_ports> (CLAP_EXT_NOTE_PORTS))
        {
            for (const bool isInput : { true, false })
            {
                for (std::uint32_t i = 0; i < ports->count (plugin.plugin, isInput); ++i)
                {
                    clap_note_port_info info {};
                    if (ports->get (plugin.plugin, i, isInput, &info))
                        std::cout << "  note " << (isInput ? "in " : "out ") << i << ": id " << info.id << ", \"" << info.name << "\", dialects "
                                  << flagsOf (info.supported_dialects, { { CLAP_NOTE_DIALECT_CLAP, "clap" }, { CLAP_NOTE_DIALECT_MIDI, "midi" }, { CLAP_NOTE_DIALECT_MIDI_MPE, "mpe" }, { CLAP_NOTE_DIALECT_MIDI2, "midi2" } })
                                  << '\n';
                }
            }
        }

        if (const auto* params = plugin.extension<clap_plugin_params> (CLAP_EXT_PARAMS))
        {
            const auto count = params->count (plugin.plugin);
            std::cout << "  parameters: " << count << '\n';
            for (std::uint32_t i = 0; i < count; ++i)
            {
                clap_param_info info {};
                if (! params->get_info (plugin.plugin, i, &info))
                    continue;
                std::cout << "    " << info.id << " \"" << info.name << "\" [" << info.min_value << ", " << info.max_value
                          << "] default " << info.default_value << ", flags "
                          << flagsOf (info.flags, { { CLAP_PARAM_IS_STEPPED, "stepped" }, { CLAP_PARAM_IS_PERIODIC, "periodic" }, { CLAP_PARAM_IS_HIDDEN, "hidden" }, { CLAP_PARAM_IS_READONLY, "readonly" }, { CLAP_PARAM_IS_BYPASS, "bypass" }, { CLAP_PARAM_IS_AUTOMATABLE, "automatable" }, { CLAP_PARAM_IS_MODULATABLE, "modulatable" }, { CLAP_PARAM_REQUIRES_PROCESS, "requires-process" }, { CLAP_PARAM_IS_ENUM, "enum" } })
                          << '\n';
            }
        }

        std::cout << "  extensions:";
        for (const char* id : { CLAP_EXT_AUDIO_PORTS, CLAP_EXT_NOTE_PORTS, CLAP_EXT_NOTE_NAME, CLAP_EXT_PARAMS, CLAP_EXT_STATE,
                                CLAP_EXT_LATENCY, CLAP_EXT_TAIL, CLAP_EXT_RENDER, CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT,
                                CLAP_EXT_POSIX_FD_SUPPORT, CLAP_EXT_TRACK_INFO, CLAP_EXT_CONTEXT_MENU })
            if (plugin.extension<void> (id) != nullptr)
                std::cout << ' ' << id;
        std::cout << '\n';
    }

    return 0;
}

bool readFile (const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file (path, std::ios::binary);
    if (! file)
        return false;
    bytes.assign (std::istreambuf_iterator<char> (file), {});
    return true;
}

juce::AudioBuffer<float> generateSignal (const std::string& kind, double sampleRate, double seconds)
{
    const int length = static_cast<int> (std::lround (sampleRate * seconds));
    juce::AudioBuffer<float> signal (2, length);
    signal.clear();
    std::mt19937 random (1);
    std::uniform_real_distribution<float> noise (-0.25f, 0.25f);

    for (int i = 0; i < length; ++i)
    {
        float x = 0.0f;
        if (kind == "sine")
            x = 0.5f * static_cast<float> (std::sin (2.0 * juce::MathConstants<double>::pi * 440.0 * i / sampleRate));
        else if (kind == "noise")
            x = noise (random);
        signal.setSample (0, i, x);
        signal.setSample (1, i, x);
    }

    return signal;
}

/** The script in the file the options name, or an empty one; nullopt, with
    a message, when it cannot be read.
*/
std::optional<RenderScript> scriptOf (const std::map<std::string, std::string>& options)
{
    std::string scriptText;
    if (const auto scriptPath = optionOr (options, "script", ""); ! scriptPath.empty())
    {
        std::vector<std::uint8_t> bytes;
        if (! readFile (scriptPath, bytes))
        {
            std::cerr << "cannot read " << scriptPath << '\n';
            return std::nullopt;
        }
        scriptText.assign (bytes.begin(), bytes.end());
    }

    RenderScript script (scriptText);
    if (! script.isValid())
    {
        std::cerr << "script: " << script.error() << '\n';
        return std::nullopt;
    }
    return script;
}

int render (std::map<std::string, std::string>& options)
{
    const auto option = [&options] (const char* name, const std::string& fallback) { return optionOr (options, name, fallback); };

    if (option ("output", "").empty())
    {
        std::cerr << "--render needs --output OUT.wav\n";
        return 2;
    }

    double sampleRate = std::stod (option ("rate", "48000"));
    juce::AudioBuffer<float> input;

    if (const auto inputPath = option ("input", ""); ! inputPath.empty())
    {
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (new juce::FileInputStream (juce::File (inputPath)), true));
        if (reader == nullptr)
        {
            std::cerr << "cannot read " << inputPath << " as WAV\n";
            return 1;
        }
        sampleRate = reader->sampleRate;
        input.setSize (static_cast<int> (reader->numChannels), static_cast<int> (reader->lengthInSamples));
        reader->read (&input, 0, input.getNumSamples(), 0, true, true);
    }
    else
    {
        input = generateSignal (option ("signal", "sine"), sampleRate, std::stod (option ("seconds", "2")));
    }

    const auto script = scriptOf (options);
    if (! script)
        return 1;

    ClapPluginLibrary library (options["render"]);
    ClapHostedPlugin plugin (library, option ("plugin-id", ""));
    if (! plugin.isReady())
    {
        std::cerr << plugin.error() << '\n';
        return 1;
    }

    if (const auto statePath = option ("load-state", ""); ! statePath.empty())
    {
        std::vector<std::uint8_t> state;
        if (! readFile (statePath, state) || ! plugin.loadState (state))
        {
            std::cerr << "cannot load the state in " << statePath << '\n';
            return 1;
        }
    }

    juce::AudioBuffer<float> output;
    std::string error;
    if (! OfflineRenderer::render (plugin, input, sampleRate, static_cast<std::uint32_t> (std::stoul (option ("block", "256"))), *script, output, error))
    {
        std::cerr << error << '\n';
        return 1;
    }

    const juce::File outputFile (option ("output", ""));
    outputFile.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (outputFile);
    if (! stream->openedOk())
    {
        std::cerr << "cannot write " << outputFile.getFullPathName() << '\n';
        return 1;
    }

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, static_cast<unsigned int> (output.getNumChannels()), 32, {}, 0));
    if (writer == nullptr)
    {
        std::cerr << "cannot write WAV to " << outputFile.getFullPathName() << '\n';
        return 1;
    }
    stream.release(); // the writer owns it now
    writer->writeFromAudioSampleBuffer (output, 0, output.getNumSamples());
    writer.reset();

    if (const auto statePath = option ("save-state", ""); ! statePath.empty())
    {
        const auto state = plugin.saveState();
        std::ofstream file (statePath, std::ios::binary);
        if (! state || ! file.write (reinterpret_cast<const char*> (state->data()), static_cast<std::streamsize> (state->size())))
        {
            std::cerr << "cannot save the state to " << statePath << '\n';
            return 1;
        }
    }

    for (const auto& line : plugin.log)
        std::cerr << "plugin log " << line << '\n';

    std::cout << "wrote " << output.getNumSamples() << " frames, " << output.getNumChannels() << " channels at " << sampleRate << " Hz to "
              << outputFile.getFullPathName() << '\n';
    return 0;
}
/** The plug-in's editor from create to destroy; destroyed before the window it is embedded in. */
class EmbeddedEditor
{
public:
    EmbeddedEditor (const ClapHostedPlugin& hosted, const clap_plugin_gui& extension)
        : plugin (hosted.plugin), gui (extension), created (gui.create (plugin, CLAP_WINDOW_API_X11, false))
    {
    }

    ~EmbeddedEditor()
    {
        if (created)
            gui.destroy (plugin);
    }

    EmbeddedEditor (const EmbeddedEditor&) = delete;
    EmbeddedEditor& operator= (const EmbeddedEditor&) = delete;

    const clap_plugin* const plugin;
    const clap_plugin_gui& gui;
    const bool created;
};

int showEditor (std::map<std::string, std::string>& options)
{
    const auto option = [&options] (const char* name, const std::string& fallback) { return optionOr (options, name, fallback); };
    const double scale = std::stod (option ("scale", "1"));
    const double sampleRate = std::stod (option ("rate", "48000"));
    const auto blockSize = static_cast<std::uint32_t> (std::stoul (option ("block", "256")));
    const auto seconds = option ("seconds", "");
    const auto script = scriptOf (options);
    if (! script)
        return 1;

    ClapPluginLibrary library (options["gui"]);
    ClapHostedPlugin plugin (library, option ("plugin-id", ""));
    if (! plugin.isReady())
    {
        std::cerr << plugin.error() << '\n';
        return 1;
    }

    const auto* gui = plugin.extension<clap_plugin_gui> (CLAP_EXT_GUI);
    if (gui == nullptr)
    {
        std::cerr << "the plug-in has no editor\n";
        return 1;
    }
    if (! gui->is_api_supported (plugin.plugin, CLAP_WINDOW_API_X11, false))
    {
        std::cerr << "the plug-in cannot embed its editor in an X11 window\n";
        return 1;
    }

    // Declared before the editor, so that the editor is destroyed first.
    std::optional<X11HostWindow> window;
    HostEventLoop loop;
    loop.add (plugin);

    const EmbeddedEditor editor (plugin, *gui);
    if (! editor.created)
    {
        std::cerr << "clap_plugin_gui.create failed\n";
        return 1;
    }
    if (scale != 1.0 && ! gui->set_scale (plugin.plugin, scale))
        std::cerr << "the plug-in did not take the scale " << scale << '\n';

    std::uint32_t width = 0, height = 0;
    if (! gui->get_size (plugin.plugin, &width, &height) || width == 0 || height == 0)
    {
        std::cerr << "clap_plugin_gui.get_size failed\n";
        return 1;
    }

    window.emplace (static_cast<int> (width), static_cast<int> (height), 0, 0, "Ravelwick CLAP host: " + library.path);
    if (! window->isOpen())
    {
        std::cerr << window->error() << '\n';
        return 1;
    }
    loop.add (*window);
    plugin.onResizeRequest = [&window] (ClapHostedPlugin::Size size) {
        std::cout << "resized to " << size.width << "x" << size.height << '\n';
        return window->setSize (static_cast<int> (size.width), static_cast<int> (size.height));
    };

    const auto parent = window->clapWindow();
    if (! gui->set_parent (plugin.plugin, &parent) || ! gui->show (plugin.plugin))
    {
        std::cerr << "the plug-in did not show its editor in the window\n";
        return 1;
    }
    std::cout << "editor: " << width << "x" << height << " at scale " << scale << '\n';

    RealTimePlayer player (plugin, generateSignal (option ("signal", "sine"), sampleRate, 1.0), sampleRate, blockSize, *script);
    bool ok = player.start();
    if (ok)
    {
        loop.add (player);
        const auto limit = seconds.empty() ? HostEventLoop::forever
                                           : std::chrono::milliseconds (std::llround (1000.0 * std::stod (seconds)));
        loop.runUntil ([&] { return window->isClosed() || plugin.guiClosed || ! player.error().empty(); }, limit);
        loop.remove (player);
        ok = player.error().empty();
    }
    if (! ok)
        std::cerr << player.error() << '\n';

    if (const auto screenshot = option ("screenshot", ""); ok && ! screenshot.empty())
    {
        const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (screenshot);
        ok = window->saveScreenshot (file);
        if (ok)
            std::cout << "screenshot: " << file.getFullPathName() << '\n';
        else
            std::cerr << "cannot save a screenshot to " << file.getFullPathName() << '\n';
    }

    gui->hide (plugin.plugin);
    player.stop();

    for (const auto& line : plugin.log)
        std::cerr << "plugin log " << line << '\n';
    std::cout << "played " << player.framesPlayed << " frames\n";
    return ok ? 0 : 1;
}
} // namespace

int main (int argc, char* argv[])
{
    std::map<std::string, std::string> options;

    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument.rfind ("--", 0) != 0 || i + 1 >= argc)
        {
            std::cerr << "usage: ravelwick-clap-host --info PLUGIN.clap | --render PLUGIN.clap --output OUT.wav [--input IN.wav]"
                         " [--signal sine|noise|silence] [--seconds S] [--rate HZ] [--block FRAMES] [--script FILE]"
                         " [--plugin-id ID] [--load-state FILE] [--save-state FILE]"
                         " | --gui PLUGIN.clap [--scale S] [--seconds S] [--screenshot OUT.png] [--signal sine|noise|silence]"
                         " [--rate HZ] [--block FRAMES] [--script FILE] [--plugin-id ID]\n";
            return 2;
        }
        options[argument.substr (2)] = argv[++i];
    }

    try
    {
        if (options.count ("info") != 0)
            return showInfo (options["info"]);
        if (options.count ("render") != 0)
            return render (options);
        if (options.count ("gui") != 0)
            return showEditor (options);
    }
    catch (const std::exception& e)
    {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }

    std::cerr << "give --info, --render or --gui\n";
    return 2;
}
