// ravelwick-clap-host: a command-line CLAP host for people and tests.
//
//   ravelwick-clap-host --info PLUGIN.clap
//   ravelwick-clap-host --render PLUGIN.clap --output OUT.wav [options]
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

#include "ClapHostedPlugin.h"
#include "OfflineRenderer.h"
#include "RenderScript.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

namespace
{
using Clock = std::chrono::steady_clock;

double millisecondsSince (Clock::time_point start)
{
    return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
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

int render (std::map<std::string, std::string>& options)
{
    const auto option = [&options] (const char* name, const std::string& fallback) {
        const auto found = options.find (name);
        return found != options.end() ? found->second : fallback;
    };

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

    std::string scriptText;
    if (const auto scriptPath = option ("script", ""); ! scriptPath.empty())
    {
        std::vector<std::uint8_t> bytes;
        if (! readFile (scriptPath, bytes))
        {
            std::cerr << "cannot read " << scriptPath << '\n';
            return 1;
        }
        scriptText.assign (bytes.begin(), bytes.end());
    }

    const RenderScript script (scriptText);
    if (! script.isValid())
    {
        std::cerr << "script: " << script.error() << '\n';
        return 1;
    }

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
    if (! OfflineRenderer::render (plugin, input, sampleRate, static_cast<std::uint32_t> (std::stoul (option ("block", "256"))), script, output, error))
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
                         " [--plugin-id ID] [--load-state FILE] [--save-state FILE]\n";
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
    }
    catch (const std::exception& e)
    {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }

    std::cerr << "give --info or --render\n";
    return 2;
}
