// The built RavelwickLooper.clap, loaded with dlopen through the command-line
// host's own loading code and driven only through its CLAP interface.

#include "ClapHostedPlugin.h"
#include "ClapPluginLibrary.h"
#ifdef RAVELWICK_COUNTS_MALLOC
#include "MallocCounter.h"
#endif
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace
{
using Event = ClapHostedPlugin::Event;

constexpr const char* kPluginId = "com.ravelwick.looper";
constexpr double kSampleRate = 48000.0;
constexpr std::uint32_t kBlockSize = 480; // 10 ms
constexpr std::size_t kChannels = 2;
constexpr std::uint32_t kFadeFrames = 120; // the looper's 2.5 ms fades at 48 kHz
constexpr double kPi = 3.14159265358979323846;

/** The bundle, loaded once for the whole program as a host loads it. */
const ClapPluginLibrary& bundle()
{
    static const ClapPluginLibrary library (RAVELWICK_BUNDLE);
    return library;
}

/** The CLAP id of a parameter's id string: h = 31 h + character, from 0. */
clap_id idOf (const char* parameterId)
{
    std::uint32_t hash = 0;
    for (const char* c = parameterId; *c != '\0'; ++c)
        hash = 31u * hash + static_cast<unsigned char> (*c);
    return hash;
}

Event valueEvent (clap_id id, double value, std::uint32_t time = 0)
{
    Event event {};
    event.paramValue.header = { sizeof (clap_event_param_value), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
    event.paramValue.param_id = id;
    event.paramValue.cookie = nullptr;
    event.paramValue.note_id = -1;
    event.paramValue.port_index = -1;
    event.paramValue.channel = -1;
    event.paramValue.key = -1;
    event.paramValue.value = value;
    return event;
}

Event valueEvent (const char* parameterId, double value, std::uint32_t time = 0)
{
    return valueEvent (idOf (parameterId), value, time);
}

Event noteEvent (std::uint16_t type, int key, std::uint32_t time = 0)
{
    Event event {};
    event.note.header = { sizeof (clap_event_note), time, CLAP_CORE_EVENT_SPACE_ID, type, 0 };
    event.note.note_id = -1;
    event.note.port_index = 0;
    event.note.channel = 0;
    event.note.key = static_cast<std::int16_t> (key);
    event.note.velocity = 1.0;
    return event;
}

#ifdef RAVELWICK_COUNTS_MALLOC
Event midiEvent (std::uint8_t status, std::uint8_t key, std::uint8_t velocity, std::uint32_t time = 0)
{
    Event event {};
    event.midi.header = { sizeof (clap_event_midi), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0 };
    event.midi.port_index = 0;
    event.midi.data[0] = status;
    event.midi.data[1] = key;
    event.midi.data[2] = velocity;
    return event;
}
#endif

const clap_plugin_params& paramsOf (const clap_plugin* plugin)
{
    static const clap_plugin_params none {};
    const auto* params = static_cast<const clap_plugin_params*> (plugin->get_extension (plugin, CLAP_EXT_PARAMS));
    return params != nullptr ? *params : none;
}

/** The parameter's value as the plug-in reports it, or NaN when it refuses. */
double valueOf (const ClapHostedPlugin& instance, const char* parameterId)
{
    double value = 0.0;
    const auto& params = paramsOf (instance.plugin);
    if (params.get_value == nullptr || ! params.get_value (instance.plugin, idOf (parameterId), &value))
        return std::numeric_limits<double>::quiet_NaN();
    return value;
}

//==============================================================================
enum class Input
{
    silence,
    tone
};

/** What the sessions feed in: a different sine on each channel, by the frame
    counted from the session's start, so that a block of recorded tone can be
    told apart from any other.
*/
float inputSample (Input input, std::size_t channel, std::uint64_t frame)
{
    if (input == Input::silence)
        return 0.0f;

    const double hz = channel == 0 ? 440.0 : 660.0;
    return static_cast<float> (0.5 * std::sin (2.0 * kPi * hz * static_cast<double> (frame) / kSampleRate));
}

using Stereo = std::array<std::vector<float>, kChannels>;

/** The input of one block, from firstFrame on. */
Stereo inputBlock (Input input, std::uint64_t firstFrame)
{
    Stereo block;
    for (std::size_t c = 0; c < kChannels; ++c)
        for (std::uint32_t i = 0; i < kBlockSize; ++i)
            block[c].push_back (inputSample (input, c, firstFrame + i));
    return block;
}

struct Step
{
    std::vector<Event> events;
    Input input = Input::silence;
};

enum class Buffers
{
    separate,
    inPlace
};

/** A started instance of the bundle's plug-in, run one stereo block at a time
    through ClapHostedPlugin.
*/
class Session
{
public:
    Session()
    {
        ready = plugin.isReady() && plugin.mainChannelCount (true) == kChannels && plugin.mainChannelCount (false) == kChannels
                && plugin.start (kSampleRate, kBlockSize);

        for (auto* buffers : { &inputs, &outputs })
            for (auto& channel : *buffers)
                channel.resize (kBlockSize);
    }

    /** Runs one block and returns its output. With separate buffers the
        output starts out holding garbage, and the input is checked afterwards.
    */
    Stereo block (const std::vector<Event>& events = {}, Input input = Input::silence, Buffers buffers = Buffers::separate)
    {
        const bool inPlace = buffers == Buffers::inPlace;
        std::array<float*, kChannels> in {}, out {};

        for (std::size_t c = 0; c < kChannels; ++c)
        {
            for (std::uint32_t i = 0; i < kBlockSize; ++i)
            {
                inputs[c][i] = inputSample (input, c, frame + i);
                outputs[c][i] = 1000.0f;
            }
            in[c] = inputs[c].data();
            out[c] = inPlace ? inputs[c].data() : outputs[c].data();
        }

        status = plugin.process (in.data(), kChannels, out.data(), kChannels, kBlockSize, events);

        if (! inPlace)
            for (std::size_t c = 0; c < kChannels; ++c)
                for (std::uint32_t i = 0; i < kBlockSize; ++i)
                    inputsModified = inputsModified || inputs[c][i] != inputSample (input, c, frame + i);

        frame += kBlockSize;
        return inPlace ? inputs : outputs;
    }

    std::vector<Stereo> run (const std::vector<Step>& steps, Buffers buffers = Buffers::separate)
    {
        std::vector<Stereo> blocks;
        for (const auto& step : steps)
            blocks.push_back (block (step.events, step.input, buffers));
        return blocks;
    }

    double value (const char* parameterId) const { return valueOf (plugin, parameterId); }

    ClapHostedPlugin plugin { bundle() };
    bool ready = false;
    bool inputsModified = false;
    clap_process_status status = CLAP_PROCESS_ERROR;
    std::uint64_t frame = 0;

private:
    Stereo inputs, outputs;
};

float peak (const Stereo& block)
{
    float largest = 0.0f;
    for (const auto& channel : block)
        for (const float sample : channel)
            largest = std::max (largest, std::abs (sample));
    return largest;
}

float largestDifference (const std::vector<Stereo>& a, const std::vector<Stereo>& b)
{
    if (a.size() != b.size())
        return std::numeric_limits<float>::infinity();

    float largest = 0.0f;
    for (std::size_t block = 0; block < a.size(); ++block)
        for (std::size_t c = 0; c < kChannels; ++c)
            for (std::uint32_t i = 0; i < kBlockSize; ++i)
                largest = std::max (largest, std::abs (a[block][c][i] - b[block][c][i]));
    return largest;
}

//==============================================================================
/** One of the looper's actions: its parameter and its MIDI note. */
struct Action
{
    const char* parameter;
    int note;
};

const Action recordAction { "record", 60 };

enum class Via
{
    parameter,
    note,
    nothing
};

const char* nameOf (Via via)
{
    return via == Via::parameter ? "parameter" : (via == Via::note ? "note" : "nothing");
}

/** The events that press (down) or release an action. */
std::vector<Event> actionEvents (const Action& action, Via via, bool down)
{
    switch (via)
    {
        case Via::parameter: return { valueEvent (action.parameter, down ? 1.0 : 0.0) };
        case Via::note: return { noteEvent (down ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, action.note) };
        case Via::nothing: break;
    }
    return {};
}

/** Records blocks 1 and 2 (tone) as a loop in the default Toggle mode and
    plays it from block 3 on: a first quiet block lets the detectors see the
    actions released, a press starts the recording, the next press ends it.
*/
std::vector<Step> recordCycle (Via via)
{
    return {
        { {}, Input::silence },
        { actionEvents (recordAction, via, true), Input::tone },
        { actionEvents (recordAction, via, false), Input::tone },
        { actionEvents (recordAction, via, true), Input::silence },
        { actionEvents (recordAction, via, false), Input::silence },
    };
}

constexpr std::size_t kLoopStartBlock = 3;
constexpr std::size_t kLoopBlocks = 2;

void appendSilence (std::vector<Step>& steps, int blocks)
{
    for (int b = 0; b < blocks; ++b)
        steps.push_back ({ {}, Input::silence });
}

//==============================================================================
/** Input and output event lists over caller-owned events; neither allocates. */
class EventLists
{
public:
    EventLists() = default;
    EventLists (const EventLists&) = delete;
    EventLists& operator= (const EventLists&) = delete;

    const std::vector<Event>* events = &noEvents;

    const clap_input_events in {
        this,
        [] (const clap_input_events* list) { return static_cast<std::uint32_t> (self (list->ctx).events->size()); },
        [] (const clap_input_events* list, std::uint32_t index) -> const clap_event_header* {
            const auto& events = *self (list->ctx).events;
            return index < events.size() ? &events[index].header : nullptr;
        }
    };

    const clap_output_events out {
        this,
        [] (const clap_output_events*, const clap_event_header*) { return true; }
    };

private:
    static EventLists& self (void* context) { return *static_cast<EventLists*> (context); }
    static inline const std::vector<Event> noEvents {};
};

/** A stereo block with its own buffers, pointer arrays, event lists and a
    well-formed clap_process over them, for calls that bypass ClapHostedPlugin.
*/
class RawBlock
{
public:
    explicit RawBlock (std::uint32_t frames)
    {
        for (std::size_t c = 0; c < kChannels; ++c)
        {
            inputs[c].assign (frames, 0.0f);
            outputs[c].assign (frames, 0.0f);
            inputPointers[c] = inputs[c].data();
            outputPointers[c] = outputs[c].data();
        }

        input.data32 = inputPointers.data();
        input.channel_count = kChannels;
        output.data32 = outputPointers.data();
        output.channel_count = kChannels;

        context.steady_time = -1;
        context.frames_count = frames;
        context.audio_inputs = &input;
        context.audio_outputs = &output;
        context.audio_inputs_count = 1;
        context.audio_outputs_count = 1;
        context.in_events = &lists.in;
        context.out_events = &lists.out;
    }

    RawBlock (const RawBlock&) = delete;
    RawBlock& operator= (const RawBlock&) = delete;

    void fillInput (Input signal, std::uint64_t firstFrame)
    {
        for (std::size_t c = 0; c < kChannels; ++c)
            for (std::size_t i = 0; i < inputs[c].size(); ++i)
                inputs[c][i] = inputSample (signal, c, firstFrame + i);
    }

    Stereo inputs, outputs;
    std::array<float*, kChannels> inputPointers {}, outputPointers {};
    clap_audio_buffer input {}, output {};
    EventLists lists;
    clap_process context {};
};

/** An instance made straight from the factory for a TestHost, whose thread
    check answers "audio thread" during the calls that CLAP gives that thread;
    it is activated and started, and processes clap_process blocks as given.
*/
class RawInstance
{
public:
    explicit RawInstance (std::uint32_t maxFrames)
    {
        plugin = bundle().factory->create_plugin (bundle().factory, &host.host, kPluginId);
        if (plugin == nullptr || ! plugin->init (plugin) || ! plugin->activate (plugin, kSampleRate, 1, maxFrames))
            return;

        activated = true;
        onAudioThread (true);
        processing = plugin->start_processing (plugin);
        onAudioThread (false);
    }

    ~RawInstance()
    {
        if (processing)
        {
            onAudioThread (true);
            plugin->stop_processing (plugin);
            onAudioThread (false);
        }

        if (activated)
            plugin->deactivate (plugin);

        if (plugin != nullptr)
            plugin->destroy (plugin);
    }

    RawInstance (const RawInstance&) = delete;
    RawInstance& operator= (const RawInstance&) = delete;

    bool ready() const noexcept { return processing; }

    clap_process_status process (const clap_process& context)
    {
        onAudioThread (true);
        const auto status = plugin->process (plugin, &context);
        onAudioThread (false);
        return status;
    }

    TestHost host;
    const clap_plugin* plugin = nullptr;

private:
    void onAudioThread (bool audio)
    {
        host.onAudioThread = audio;
        host.onMainThread = ! audio;
    }

    bool activated = false;
    bool processing = false;
};

//==============================================================================
/** A write stream that takes up to `accepted` bytes in all, then answers
    `then` to every call; a fuse stops a caller that would never give up.
*/
struct ScriptedWriteStream
{
    std::uint64_t accepted = 0;
    std::int64_t then = -1;
    std::uint64_t written = 0;
    int calls = 0;
    static constexpr int kFuse = 1000;

    bool save (const clap_plugin* plugin)
    {
        const clap_ostream stream { this, [] (const clap_ostream* s, const void*, std::uint64_t size) -> std::int64_t {
                                       auto& self = *static_cast<ScriptedWriteStream*> (s->ctx);
                                       if (++self.calls > kFuse)
                                           return -1;
                                       if (self.written < self.accepted)
                                       {
                                           const auto taken = std::min (size, self.accepted - self.written);
                                           self.written += taken;
                                           return static_cast<std::int64_t> (taken);
                                       }
                                       return self.then;
                                   } };
        const auto* state = static_cast<const clap_plugin_state*> (plugin->get_extension (plugin, CLAP_EXT_STATE));
        return state != nullptr && state->save (plugin, &stream);
    }
};

/** A read stream that gives `bytes`, then answers `then` to every call. */
struct ScriptedReadStream
{
    std::vector<std::uint8_t> bytes;
    std::int64_t then = 0;
    std::size_t position = 0;

    bool load (const clap_plugin* plugin)
    {
        const clap_istream stream { this, [] (const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                                       auto& self = *static_cast<ScriptedReadStream*> (s->ctx);
                                       if (self.position == self.bytes.size())
                                           return self.then;
                                       const auto given = std::min<std::uint64_t> (size, self.bytes.size() - self.position);
                                       std::memcpy (buffer, self.bytes.data() + self.position, static_cast<std::size_t> (given));
                                       self.position += static_cast<std::size_t> (given);
                                       return static_cast<std::int64_t> (given);
                                   } };
        const auto* state = static_cast<const clap_plugin_state*> (plugin->get_extension (plugin, CLAP_EXT_STATE));
        return state != nullptr && state->load (plugin, &stream);
    }
};
} // namespace

//==============================================================================
TEST (BundleFactory, OffersOneLooperDescriptor)
{
    const auto& library = bundle();
    ASSERT_TRUE (library.isLoaded()) << library.error();
    EXPECT_TRUE (clap_version_is_compatible (library.entry->clap_version));
    ASSERT_EQ (library.factory->get_plugin_count (library.factory), 1u);

    const auto* descriptor = library.factory->get_plugin_descriptor (library.factory, 0);
    ASSERT_NE (descriptor, nullptr);
    EXPECT_EQ (library.factory->get_plugin_descriptor (library.factory, 5), descriptor);

    EXPECT_TRUE (clap_version_is_compatible (descriptor->clap_version));
    EXPECT_STREQ (descriptor->id, "com.ravelwick.looper");
    EXPECT_STREQ (descriptor->name, "Ravelwick Looper");
    EXPECT_STREQ (descriptor->vendor, "Ravelwick");
    EXPECT_STREQ (descriptor->version, "0.0.1");

    // Hosts read every string without checking it first.
    for (const char* text : { descriptor->url, descriptor->manual_url, descriptor->support_url, descriptor->description })
        EXPECT_NE (text, nullptr);

    std::vector<std::string> features;
    for (const char* const* feature = descriptor->features; feature != nullptr && *feature != nullptr; ++feature)
        features.emplace_back (*feature);
    EXPECT_EQ (features, std::vector<std::string> { "audio-effect" });
}

TEST (BundleFactory, OffersOnlyThePluginFactory)
{
    const auto& library = bundle();
    ASSERT_TRUE (library.isLoaded()) << library.error();
    EXPECT_EQ (library.entry->get_factory (CLAP_PLUGIN_FACTORY_ID), library.factory);

    for (const char* id : { "clap.plugin-factor", "clap.plugin", "", "clap.plugin-factory.", "CLAP.PLUGIN-FACTORY",
                            "clap.preset-discovery-factory/2", "clap.plugin-invalidation-factory/1" })
        EXPECT_EQ (library.entry->get_factory (id), nullptr) << "'" << id << "'";

    EXPECT_EQ (library.entry->get_factory (nullptr), nullptr);
}

TEST (BundleFactory, RefusesOtherPluginIdsWithAWarning)
{
    const auto& library = bundle();
    ASSERT_TRUE (library.isLoaded()) << library.error();
    TestHost host;

    for (const char* id : { "com.ravelwick.looper2", "com.ravelwick", "COM.RAVELWICK.LOOPER", "", static_cast<const char*> (nullptr) })
    {
        const std::string shown = id != nullptr ? id : "(null)";
        testing::internal::CaptureStdout();
        const auto* plugin = library.factory->create_plugin (library.factory, &host.host, id);
        const auto printed = testing::internal::GetCapturedStdout();

        EXPECT_EQ (plugin, nullptr) << shown;
        EXPECT_NE (printed.find ("Warning"), std::string::npos) << shown << ": " << printed;
        EXPECT_NE (printed.find (std::string ("'") + (id != nullptr ? id : "") + "'"), std::string::npos) << shown << ": " << printed;
        EXPECT_NE (printed.find (kPluginId), std::string::npos) << shown << ": " << printed;
    }
}

TEST (BundleFactory, InstancesAreIndependent)
{
    Session looping, passing;
    ASSERT_TRUE (looping.ready) << looping.plugin.error();
    ASSERT_TRUE (passing.ready) << passing.plugin.error();
    EXPECT_NE (looping.plugin.plugin, passing.plugin.plugin);

    auto steps = recordCycle (Via::parameter);
    steps.front().events.push_back (valueEvent ("feedback", 0.5));
    appendSilence (steps, 4);

    // Both get the same audio; only one gets the events, and only that one loops.
    for (const auto& step : steps)
    {
        looping.block (step.events, step.input);
        const auto fed = inputBlock (step.input, passing.frame);
        ASSERT_EQ (passing.block ({}, step.input), fed) << "at frame " << passing.frame;
    }

    EXPECT_GT (peak (looping.block()), 0.1f);
    EXPECT_EQ (peak (passing.block()), 0.0f);
    EXPECT_DOUBLE_EQ (looping.value ("feedback"), 0.5);
    EXPECT_DOUBLE_EQ (passing.value ("feedback"), 1.0);
}

//==============================================================================
TEST (BundleState, RoundTripsThroughStreamsThatMoveFewBytesAtATime)
{
    const struct
    {
        std::uint64_t maxWrite;
        std::uint64_t maxRead;
    } cases[] = { { 100, 4096 }, { 1, 1 }, { UINT64_MAX, 100 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("writes of at most " + std::to_string (c.maxWrite) + ", reads of at most " + std::to_string (c.maxRead));

        Session saving;
        ASSERT_TRUE (saving.ready) << saving.plugin.error();
        saving.block ({ valueEvent ("feedback", 0.25), valueEvent ("mixMode", 0.5), valueEvent ("level", 0.75), valueEvent ("triggerMode", 1.0) });

        const auto saved = saving.plugin.saveState (c.maxWrite);
        ASSERT_TRUE (saved.has_value());
        ASSERT_GT (saved->size(), 100u) << "the state must take several writes";

        ClapHostedPlugin loading (bundle());
        ASSERT_TRUE (loading.isReady()) << loading.error();
        ASSERT_TRUE (loading.loadState (*saved, c.maxRead));

        EXPECT_DOUBLE_EQ (valueOf (loading, "feedback"), 0.25);
        EXPECT_DOUBLE_EQ (valueOf (loading, "mixMode"), 0.5);
        EXPECT_DOUBLE_EQ (valueOf (loading, "level"), 0.75);
        EXPECT_DOUBLE_EQ (valueOf (loading, "triggerMode"), 1.0);
        EXPECT_DOUBLE_EQ (valueOf (loading, "record"), 0.0);

        const auto savedAgain = loading.saveState();
        ASSERT_TRUE (savedAgain.has_value());
        EXPECT_EQ (*savedAgain, *saved);
    }
}

TEST (BundleState, SaveFailsWhenTheStreamFailsOrStalls)
{
    const struct
    {
        const char* what;
        std::uint64_t accepted;
        std::int64_t then;
    } cases[] = {
        { "fails at once", 0, -1 },
        { "takes nothing", 0, 0 },
        { "fails after some bytes", 50, -1 },
        { "stalls after some bytes", 50, 0 },
    };

    Session session;
    ASSERT_TRUE (session.ready) << session.plugin.error();

    for (const auto& c : cases)
    {
        ScriptedWriteStream stream { c.accepted, c.then };
        EXPECT_FALSE (stream.save (session.plugin.plugin)) << c.what;
        EXPECT_LT (stream.calls, ScriptedWriteStream::kFuse) << c.what << ": the save kept writing";
    }

    // The instance still saves through a good stream afterwards.
    EXPECT_TRUE (session.plugin.saveState (100).has_value());
}

TEST (BundleState, LoadFailsOnAnEmptyOrFailingStreamAndKeepsTheValues)
{
    Session source;
    ASSERT_TRUE (source.ready) << source.plugin.error();
    source.block ({ valueEvent ("feedback", 0.25) });
    const auto saved = source.plugin.saveState();
    ASSERT_TRUE (saved.has_value());

    const std::vector<std::uint8_t> firstHalf (saved->begin(), saved->begin() + static_cast<std::ptrdiff_t> (saved->size() / 2));
    const struct
    {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::int64_t then;
    } cases[] = {
        { "empty", {}, 0 },
        { "fails at once", {}, -1 },
        { "fails half way through a good state", firstHalf, -1 },
    };

    ClapHostedPlugin target (bundle());
    ASSERT_TRUE (target.isReady()) << target.error();

    for (const auto& c : cases)
    {
        ScriptedReadStream stream { c.bytes, c.then };
        EXPECT_FALSE (stream.load (target.plugin)) << c.what;
        EXPECT_DOUBLE_EQ (valueOf (target, "feedback"), 1.0) << c.what;
    }

    ScriptedReadStream good { *saved, 0 };
    EXPECT_TRUE (good.load (target.plugin));
    EXPECT_DOUBLE_EQ (valueOf (target, "feedback"), 0.25);
}

//==============================================================================
TEST (BundleParameters, DescribesTheTwelveParameters)
{
    const struct
    {
        const char* id;
        const char* name;
        double defaultValue;
    } expected[] = {
        { "record", "Record", 0.0 },
        { "overdub", "Overdub", 0.0 },
        { "multiply", "Multiply", 0.0 },
        { "retrig", "Trigger", 0.0 },
        { "undo", "Undo", 0.0 },
        { "redo", "Redo", 0.0 },
        { "mute", "Mute", 0.0 },
        { "reset", "Reset", 0.0 },
        { "feedback", "Feedback", 1.0 },
        { "level", "Level", 1.0 },
        { "triggerMode", "Push Mode", 0.0 },
        { "mixMode", "Mix Mode", 0.0 },
    };

    // Ids that hosts have already saved in their projects.
    EXPECT_EQ (idOf ("record"), 3360058449u);
    EXPECT_EQ (idOf ("retrig"), 3360567503u);

    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);
    ASSERT_NE (params.count, nullptr);
    ASSERT_EQ (params.count (instance.plugin), std::size (expected));

    std::vector<void*> cookies;
    for (std::uint32_t index = 0; index < std::size (expected); ++index)
    {
        const auto& e = expected[index];
        SCOPED_TRACE (e.id);

        clap_param_info info {};
        ASSERT_TRUE (params.get_info (instance.plugin, index, &info));
        EXPECT_EQ (info.id, idOf (e.id));
        EXPECT_STREQ (info.name, e.name);
        EXPECT_STREQ (info.module, "");
        EXPECT_EQ (info.flags, static_cast<clap_param_info_flags> (CLAP_PARAM_IS_AUTOMATABLE));
        EXPECT_EQ (info.min_value, 0.0);
        EXPECT_EQ (info.max_value, 1.0);
        EXPECT_EQ (info.default_value, e.defaultValue);
        EXPECT_EQ (valueOf (instance, e.id), e.defaultValue);
        EXPECT_NE (info.cookie, nullptr);
        EXPECT_EQ (std::count (cookies.begin(), cookies.end(), info.cookie), 0) << "cookies must differ";
        cookies.push_back (info.cookie);
    }

    clap_param_info beyond {};
    EXPECT_FALSE (params.get_info (instance.plugin, static_cast<std::uint32_t> (std::size (expected)), &beyond));
}

TEST (BundleParameters, ConvertsValuesToTextAndBack)
{
    const struct
    {
        const char* id;
        double value;
        const char* text; ///< what the display starts with, and parses back to value
    } cases[] = {
        { "mixMode", 0.0, "Mix" },
        { "mixMode", 0.5, "Insert" },
        { "mixMode", 1.0, "Gate" },
        { "triggerMode", 0.0, "Toggle" },
        { "triggerMode", 1.0, "Hold" },
        { "feedback", 0.25, "0.25" },
        { "level", 0.75, "0.75" },
        { "record", 1.0, "1" },
    };

    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.id) + " " + std::to_string (c.value));

        char display[CLAP_NAME_SIZE] {};
        ASSERT_TRUE (params.value_to_text (instance.plugin, idOf (c.id), c.value, display, sizeof (display)));
        EXPECT_EQ (std::string (display).rfind (c.text, 0), 0u) << "shown as '" << display << "'";

        double parsed = -1.0;
        ASSERT_TRUE (params.text_to_value (instance.plugin, idOf (c.id), c.text, &parsed));
        EXPECT_DOUBLE_EQ (parsed, c.value);
    }

    // A choice's text is exact, not a prefix.
    char display[CLAP_NAME_SIZE] {};
    ASSERT_TRUE (params.value_to_text (instance.plugin, idOf ("mixMode"), 0.5, display, sizeof (display)));
    EXPECT_STREQ (display, "Insert");
}

TEST (BundleParameters, TextIsCutToTheCallersBuffer)
{
    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);

    std::array<char, 8> display;
    display.fill ('#');
    ASSERT_TRUE (params.value_to_text (instance.plugin, idOf ("mixMode"), 0.5, display.data(), 4));
    EXPECT_STREQ (display.data(), "Ins");
    EXPECT_EQ (std::string (display.data() + 4, 4), "####") << "wrote past the buffer";
}

TEST (BundleParameters, UnknownIdsAreRefused)
{
    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);

    for (const clap_id id : { clap_id { 0 }, clap_id { 12345 }, idOf ("Record"), CLAP_INVALID_ID })
    {
        double value = 0.0;
        char display[CLAP_NAME_SIZE] {};
        EXPECT_FALSE (params.get_value (instance.plugin, id, &value)) << id;
        EXPECT_FALSE (params.value_to_text (instance.plugin, id, 0.5, display, sizeof (display))) << id;
        EXPECT_FALSE (params.text_to_value (instance.plugin, id, "0.5", &value)) << id;
    }
}

TEST (BundleParameters, TextThatIsNotUtf8IsRefused)
{
    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);

    // A lead byte without its continuation once made the copy of the text far too small for it.
    // An overlong 'e' once slipped an exponent past the check on exponents.
    const std::string malformed[] = { "\xc0" + std::string (4000, '5'), "0.5\xff", "\xe2\x82", std::string ("1\xc1\xa5") + "3293333333" };
    for (const auto& text : malformed)
    {
        double value = -1.0;
        EXPECT_FALSE (params.text_to_value (instance.plugin, idOf ("feedback"), text.c_str(), &value)) << text.substr (0, 8);
    }

    double value = -1.0;
    ASSERT_TRUE (params.text_to_value (instance.plugin, idOf ("feedback"), "0.5 \xc3\xa9", &value));
    EXPECT_EQ (value, 0.5);
}

TEST (BundleParameters, TextReadsAsAValueInRangeOrIsRefused)
{
    const struct
    {
        const char* text;
        bool accepted;
        double value;
    } cases[] = {
        { "nan", false, 0.0 },
        { "-NaN", false, 0.0 },
        { "1e3293333333", false, 0.0 }, // an exponent that overflows JUCE's reader
        { "1e-0000000099999999999", false, 0.0 },
        { "1e0000000005", true, 1.0 },
        { "-inf", true, 0.0 },
        { "0.25e1", true, 1.0 },
    };

    ClapHostedPlugin instance (bundle());
    ASSERT_TRUE (instance.isReady()) << instance.error();
    const auto& params = paramsOf (instance.plugin);

    for (const auto& c : cases)
    {
        double value = -1.0;
        EXPECT_EQ (params.text_to_value (instance.plugin, idOf ("feedback"), c.text, &value), c.accepted) << c.text;
        if (c.accepted)
        {
            EXPECT_EQ (value, c.value) << c.text;
        }
    }
}

//==============================================================================
TEST (BundleValueEvents, HostEventsSetTheParameterOrAreIgnored)
{
    constexpr double before = 0.5;
    const auto feedback = idOf ("feedback");

    const auto with = [] (Event event, const std::function<void (Event&)>& change) {
        change (event);
        return event;
    };
    const auto set = valueEvent (feedback, 0.25);
    int somethingOfTheHosts = 0;

    struct Case
    {
        const char* what;
        std::vector<Event> events;
        double expected;
        bool ownCookie = false;
    };
    const std::vector<Case> cases {
        { "a value by id", { set }, 0.25 },
        { "a value for an unknown id", { valueEvent (12345u, 0.25) }, before },
        { "a value above the range", { valueEvent (feedback, 1.5) }, 1.0 },
        { "a value below the range", { valueEvent (feedback, -3.0) }, 0.0 },
        { "not a number", { valueEvent (feedback, std::numeric_limits<double>::quiet_NaN()) }, before },
        { "infinity", { valueEvent (feedback, std::numeric_limits<double>::infinity()) }, before },
        { "minus infinity", { valueEvent (feedback, -std::numeric_limits<double>::infinity()) }, before },
        { "another event space", { with (set, [] (Event& e) { e.header.space_id = 7; }) }, before },
        { "an unknown event type", { with (set, [] (Event& e) { e.header.type = 99; }) }, before },
        { "a modulation", { with (set, [] (Event& e) { e.header.type = CLAP_EVENT_PARAM_MOD; }) }, before },
        { "a size too small for a value", { with (set, [] (Event& e) { e.header.size = sizeof (clap_event_header); }) }, before },
        { "a cookie that is not the plug-in's", { with (set, [&] (Event& e) { e.paramValue.cookie = &somethingOfTheHosts; }) }, 0.25 },
        { "the plug-in's cookie with a wrong id", { with (set, [] (Event& e) { e.paramValue.param_id = 12345u; }) }, 0.25, true },
        { "a time beyond the block", { valueEvent (feedback, 0.25, kBlockSize + 100) }, 0.25 },
        { "times out of order", { valueEvent (feedback, 0.75, 300), valueEvent (feedback, 0.25, 10) }, 0.25 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        Session session;
        ASSERT_TRUE (session.ready) << session.plugin.error();

        session.block ({ valueEvent (feedback, before) });
        ASSERT_DOUBLE_EQ (session.value ("feedback"), before);

        auto events = c.events;
        if (c.ownCookie)
        {
            clap_param_info info {};
            ASSERT_TRUE (paramsOf (session.plugin.plugin).get_info (session.plugin.plugin, 8, &info));
            ASSERT_EQ (info.id, feedback);
            for (auto& event : events)
                event.paramValue.cookie = info.cookie;
        }

        session.block (events, Input::tone);
        EXPECT_EQ (session.status, CLAP_PROCESS_CONTINUE);
        EXPECT_DOUBLE_EQ (session.value ("feedback"), c.expected);
        EXPECT_TRUE (session.plugin.outputEvents.empty()) << "the host's own change came back to it";
    }
}

//==============================================================================
TEST (BundleAudio, RecordStopAndPlaybackIsHeard)
{
    for (const auto via : { Via::parameter, Via::note })
    {
        SCOPED_TRACE (std::string ("record pressed by ") + nameOf (via));
        Session session;
        ASSERT_TRUE (session.ready) << session.plugin.error();

        auto steps = recordCycle (via);
        appendSilence (steps, 6);
        const auto blocks = session.run (steps);

        for (std::size_t b = kLoopStartBlock + kLoopBlocks; b < blocks.size(); ++b)
        {
            // Block b replays the recorded block as far into the loop, after
            // the fade-in at the loop's start.
            const auto recorded = 1 + (b - kLoopStartBlock) % kLoopBlocks;
            for (std::size_t c = 0; c < kChannels; ++c)
                for (std::uint32_t i = kFadeFrames; i < kBlockSize; ++i)
                    ASSERT_NEAR (blocks[b][c][i], inputSample (Input::tone, c, recorded * kBlockSize + i), 1.0e-6f)
                        << "block " << b << ", channel " << c << ", frame " << i;
        }
    }
}

TEST (BundleAudio, ActionNotesActLikeTheirParameters)
{
    const struct
    {
        Action action;
        bool toggles;                 ///< pressed a second time, to end what the first press began
        const char* before = nullptr; ///< an action pressed first, by its parameter
    } cases[] = {
        { { "record", 60 }, true },
        { { "overdub", 61 }, true },
        { { "multiply", 62 }, true },
        { { "retrig", 63 }, false },
        { { "undo", 64 }, false },
        { { "redo", 65 }, false, "undo" },
        { { "reset", 67 }, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.action.parameter) + " by note " + std::to_string (c.action.note));

        const auto sessionPressing = [&c] (Via via) {
            auto steps = recordCycle (Via::parameter);
            appendSilence (steps, 1);

            if (c.before != nullptr)
            {
                steps.push_back ({ actionEvents ({ c.before, 0 }, Via::parameter, true), Input::silence });
                steps.push_back ({ actionEvents ({ c.before, 0 }, Via::parameter, false), Input::silence });
            }

            // Half way through the loop, with tone coming in.
            steps.push_back ({ actionEvents (c.action, via, true), Input::tone });
            steps.push_back ({ actionEvents (c.action, via, false), Input::tone });
            if (c.toggles)
            {
                // Three blocks in all: one and a half loops, so that a multiply changes the length.
                steps.push_back ({ {}, Input::tone });
                steps.push_back ({ actionEvents (c.action, via, true), Input::tone });
                steps.push_back ({ actionEvents (c.action, via, false), Input::silence });
            }
            appendSilence (steps, 8);

            Session session;
            EXPECT_TRUE (session.ready) << session.plugin.error();
            return session.run (steps);
        };

        const auto byParameter = sessionPressing (Via::parameter);
        const auto byNote = sessionPressing (Via::note);
        const auto unpressed = sessionPressing (Via::nothing);

        EXPECT_EQ (largestDifference (byNote, byParameter), 0.0f);
        EXPECT_GT (largestDifference (byParameter, unpressed), 0.05f) << "the press made no difference";
    }
}

//==============================================================================
TEST (BundleBuffers, InPlaceAndSeparateBuffersSoundTheSame)
{
    auto steps = recordCycle (Via::note);
    steps.push_back ({ { valueEvent ("mixMode", 0.5) }, Input::tone });
    steps.push_back ({ actionEvents ({ "overdub", 61 }, Via::note, true), Input::tone });
    steps.push_back ({ actionEvents ({ "overdub", 61 }, Via::note, false), Input::tone });
    appendSilence (steps, 4);

    Session separate, inPlace;
    ASSERT_TRUE (separate.ready) << separate.plugin.error();
    ASSERT_TRUE (inPlace.ready) << inPlace.plugin.error();

    const auto fromSeparate = separate.run (steps, Buffers::separate);
    const auto fromInPlace = inPlace.run (steps, Buffers::inPlace);

    EXPECT_EQ (largestDifference (fromSeparate, fromInPlace), 0.0f);
    EXPECT_GT (peak (fromSeparate.back()), 0.1f);
    EXPECT_FALSE (separate.inputsModified) << "the plug-in wrote into its separate input buffers";
}

TEST (BundleBuffers, ZeroFrameBlocksApplyTheirEvents)
{
    Session session;
    ASSERT_TRUE (session.ready) << session.plugin.error();
    session.block();

    std::array<float, 1> left {}, right {};
    std::array<float*, kChannels> channels { left.data(), right.data() };
    const std::vector<Event> events { valueEvent ("feedback", 0.25), noteEvent (CLAP_EVENT_NOTE_ON, 60), valueEvent ("level", 0.5, 7) };

    EXPECT_EQ (session.plugin.process (nullptr, 0, nullptr, 0, 0, events), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ (session.plugin.process (channels.data(), kChannels, channels.data(), kChannels, 0, {}), CLAP_PROCESS_CONTINUE);
    EXPECT_DOUBLE_EQ (session.value ("feedback"), 0.25);
    EXPECT_DOUBLE_EQ (session.value ("level"), 0.5);

    // The held note reaches the looper with the next block of audio: it records.
    session.block ({}, Input::tone);
    session.block ({ noteEvent (CLAP_EVENT_NOTE_OFF, 60) }, Input::tone);
    session.block ({ noteEvent (CLAP_EVENT_NOTE_ON, 60) });
    session.block ({ noteEvent (CLAP_EVENT_NOTE_OFF, 60) });
    EXPECT_GT (peak (session.block()), 0.05f);
}

TEST (BundleBuffers, MalformedBlocksDoNotCrash)
{
    static const clap_input_events nullEvents {
        nullptr,
        [] (const clap_input_events*) { return 3u; },
        [] (const clap_input_events*, std::uint32_t) -> const clap_event_header* { return nullptr; }
    };
    static const clap_input_events noFunctions { nullptr, nullptr, nullptr };
    static const clap_output_events noPush { nullptr, nullptr };

    std::vector<std::vector<float>> manyChannels (200, std::vector<float> (kBlockSize, 0.25f));
    std::vector<float*> manyPointers;
    for (auto& channel : manyChannels)
        manyPointers.push_back (channel.data());

    const struct
    {
        const char* what;
        std::function<void (RawBlock&)> spoil;
    } cases[] = {
        { "no audio ports at all", [] (RawBlock& b) {
             b.context.audio_inputs = nullptr;
             b.context.audio_outputs = nullptr;
             b.context.audio_inputs_count = b.context.audio_outputs_count = 0;
         } },
        { "a null input port array", [] (RawBlock& b) { b.context.audio_inputs = nullptr; } },
        { "a null output port array", [] (RawBlock& b) { b.context.audio_outputs = nullptr; } },
        { "null channel arrays", [] (RawBlock& b) { b.input.data32 = b.output.data32 = nullptr; } },
        { "null channel pointers", [] (RawBlock& b) { b.inputPointers[1] = b.outputPointers[0] = nullptr; } },
        { "fewer channels than announced", [] (RawBlock& b) { b.input.channel_count = b.output.channel_count = 1; } },
        { "no input channels", [] (RawBlock& b) { b.input.channel_count = 0; } },
        { "no output channels", [] (RawBlock& b) { b.output.channel_count = 0; } },
        { "200 channels", [&] (RawBlock& b) {
             b.input.data32 = b.output.data32 = manyPointers.data();
             b.input.channel_count = b.output.channel_count = static_cast<std::uint32_t> (manyPointers.size());
         } },
        { "no event lists", [] (RawBlock& b) {
             b.context.in_events = nullptr;
             b.context.out_events = nullptr;
         } },
        { "event lists without functions", [] (RawBlock& b) {
             b.context.in_events = &noFunctions;
             b.context.out_events = &noPush;
         } },
        { "an event list of null events", [] (RawBlock& b) { b.context.in_events = &nullEvents; } },
    };

    RawInstance instance (kBlockSize);
    ASSERT_TRUE (instance.ready());
    const std::vector<Event> events { valueEvent ("feedback", 0.5), noteEvent (CLAP_EVENT_NOTE_ON, 61, 3), valueEvent ("level", 0.5, 9) };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        RawBlock block (kBlockSize);
        block.fillInput (Input::tone, 0);
        block.lists.events = &events;
        c.spoil (block);

        EXPECT_EQ (instance.process (block.context), CLAP_PROCESS_CONTINUE);

        for (const auto* buffers : { &block.inputs, &block.outputs })
            for (const auto& channel : *buffers)
                EXPECT_TRUE (std::all_of (channel.begin(), channel.end(), [] (float x) { return std::isfinite (x); }));
        for (const auto& channel : manyChannels)
            EXPECT_TRUE (std::all_of (channel.begin(), channel.end(), [] (float x) { return std::isfinite (x); }));
    }

    // A good block after all that still gets through.
    RawBlock good (kBlockSize);
    good.fillInput (Input::tone, 0);
    EXPECT_EQ (instance.process (good.context), CLAP_PROCESS_CONTINUE);
    EXPECT_GT (peak (good.outputs), 0.1f);
}

//==============================================================================
// Only where the test program can replace malloc: sanitizers replace it themselves.
#ifdef RAVELWICK_COUNTS_MALLOC
TEST (BundleAllocations, TheCounterSeesTheBundlesOwnAllocations)
{
    RawInstance instance (kBlockSize);
    ASSERT_TRUE (instance.ready());

    std::vector<std::uint8_t> sink;
    sink.reserve (1 << 20);
    const auto capacity = sink.capacity();
    const clap_ostream stream { &sink, [] (const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                                   auto& bytes = *static_cast<std::vector<std::uint8_t>*> (s->ctx);
                                   const auto* first = static_cast<const std::uint8_t*> (buffer);
                                   bytes.insert (bytes.end(), first, first + size);
                                   return static_cast<std::int64_t> (size);
                               } };
    const auto* state = static_cast<const clap_plugin_state*> (instance.plugin->get_extension (instance.plugin, CLAP_EXT_STATE));
    ASSERT_NE (state, nullptr);

    malloc_counter::start();
    const bool saved = state->save (instance.plugin, &stream);
    const auto counts = malloc_counter::stop();

    ASSERT_TRUE (saved);
    ASSERT_EQ (sink.capacity(), capacity) << "the test's own stream allocated";
    EXPECT_GT (counts.allocations, 0u) << "the bundle's allocations do not reach the counter";
    EXPECT_GT (counts.releases, 0u);
}

TEST (BundleAllocations, ProcessDoesNotAllocateAfterTheFirstBlock)
{
    constexpr std::uint32_t frames = 256;
    constexpr std::uint32_t blockCount = 400;

    struct Scheduled
    {
        std::uint32_t block;
        Event event;
    };
    const auto on = [] (int key, std::uint32_t time = 0) { return noteEvent (CLAP_EVENT_NOTE_ON, key, time); };
    const auto off = [] (int key, std::uint32_t time = 0) { return noteEvent (CLAP_EVENT_NOTE_OFF, key, time); };

    std::vector<Scheduled> schedule {
        // Record by parameter, stop by note: the loop plays.
        { 1, valueEvent ("record", 1.0) },
        { 2, valueEvent ("record", 0.0) },
        { 40, on (60, 17) },
        { 41, off (60) },
        // Overdub on and off.
        { 60, on (61) },
        { 61, off (61) },
        { 100, on (61) },
        { 101, off (61) },
        // Multiply by parameter, ended by a raw MIDI note.
        { 120, valueEvent ("multiply", 1.0) },
        { 121, valueEvent ("multiply", 0.0) },
        { 140, midiEvent (0x90, 62, 100) },
        { 141, midiEvent (0x80, 62, 0) },
        // Undo, redo, retrig.
        { 180, on (64, 200) },
        { 181, off (64) },
        { 200, on (65) },
        { 201, off (65) },
        { 220, on (63) },
        { 221, off (63) },
        // Mix modes, then a held overdub in Hold mode.
        { 240, valueEvent ("mixMode", 0.5) },
        { 250, valueEvent ("triggerMode", 1.0) },
        { 260, valueEvent ("mixMode", 1.0) },
        { 280, valueEvent ("mixMode", 0.0) },
        { 290, valueEvent ("mute", 0.5) },
        { 300, on (61, 5) },
        { 320, off (61, 250) },
        { 330, valueEvent ("mute", 0.0) },
        { 330, valueEvent ("level", 0.7, 30) },
        // Reset, then a held recording that starts and ends inside blocks.
        { 360, on (67) },
        { 361, off (67) },
        { 370, valueEvent ("record", 1.0, 100) },
        { 390, valueEvent ("record", 0.0, 10) },
    };
    for (std::uint32_t b = 1; b < blockCount; b += 3)
        schedule.push_back ({ b, valueEvent ("feedback", 0.9 + 0.1 * (b % 2), b % frames) });

    // Every block's events are in place, sorted by time, before anything is counted.
    std::vector<std::vector<Event>> eventsOfBlock (blockCount);
    for (const auto& s : schedule)
        eventsOfBlock[s.block].push_back (s.event);
    for (auto& events : eventsOfBlock)
        std::stable_sort (events.begin(), events.end(), [] (const Event& a, const Event& b) { return a.header.time < b.header.time; });

    RawInstance instance (frames);
    ASSERT_TRUE (instance.ready());
    RawBlock block (frames);

    malloc_counter::Counts total;
    float loudestLoop = 0.0f;
    for (std::uint32_t b = 0; b < blockCount; ++b)
    {
        const auto input = b % 50 < 25 ? Input::tone : Input::silence;
        block.fillInput (input, std::uint64_t { b } * frames);
        block.lists.events = &eventsOfBlock[b];

        if (b == 0)
        {
            ASSERT_EQ (instance.process (block.context), CLAP_PROCESS_CONTINUE);
            continue;
        }

        malloc_counter::start();
        const auto status = instance.process (block.context);
        const auto counts = malloc_counter::stop();

        ASSERT_EQ (status, CLAP_PROCESS_CONTINUE);
        total.allocations += counts.allocations;
        total.releases += counts.releases;
        if (input == Input::silence)
            loudestLoop = std::max (loudestLoop, peak (block.outputs));
    }

    EXPECT_EQ (total.allocations, 0u);
    EXPECT_EQ (total.releases, 0u);
    EXPECT_GT (loudestLoop, 0.1f) << "the session never played a loop";
    EXPECT_TRUE (instance.host.log.empty()) << instance.host.log.front().message;
}
#endif
