// The built RavelwickLooper.clap through a long random session on an audio
// thread of its own, with a host that answers from the main thread as a real
// one does: after the first block, nothing the plug-in does on the audio
// thread may allocate, free or take a mutex.

#include "ClapPluginLibrary.h"
#include "LockCounter.h"
#include "MallocCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr std::uint32_t kMaxFrames = 4096;
constexpr std::size_t kMaxEvents = 64;
constexpr std::size_t kMaxOutputEvents = 4096;

const ClapPluginLibrary& bundle()
{
    static const ClapPluginLibrary library (RAVELWICK_BUNDLE);
    return library;
}

clap_id idOf (const char* parameterId)
{
    std::uint32_t hash = 0;
    for (const char* c = parameterId; *c != '\0'; ++c)
        hash = 31u * hash + static_cast<unsigned char> (*c);
    return hash;
}

const char* const kParameters[] = { "record", "overdub", "multiply", "retrig", "undo", "redo",
                                    "mute", "reset", "feedback", "level", "triggerMode", "mixMode" };

union Event
{
    clap_event_header header;
    clap_event_note note;
    clap_event_param_value value;
    clap_event_midi midi;
};

/** A block's worth of host input, made before the block is counted. */
struct Block
{
    std::uint32_t frames = 0;
    std::vector<Event> events;
    bool flushAfter = false;
};

/** A random session: every action by parameter, note or raw MIDI, both
    trigger modes, all mix modes, feedback and level, and blocks of 1 to 4096
    frames, from a fixed seed.
*/
std::vector<Block> randomSession (std::size_t blockCount)
{
    std::mt19937 random (20261211);
    const auto uniform = [&random] (int low, int high) { return std::uniform_int_distribution<int> (low, high) (random); };

    std::vector<Block> blocks (blockCount);
    for (auto& block : blocks)
    {
        block.frames = static_cast<std::uint32_t> (uniform (0, 3) == 0 ? uniform (1, 32) : uniform (33, static_cast<int> (kMaxFrames)));
        block.flushAfter = uniform (0, 9) == 0;

        const auto eventCount = static_cast<std::size_t> (uniform (0, 4) == 0 ? uniform (1, 12) : 0);
        for (std::size_t e = 0; e < eventCount; ++e)
        {
            Event event {};
            const auto time = static_cast<std::uint32_t> (uniform (0, static_cast<int> (block.frames) - 1));
            switch (uniform (0, 2))
            {
                case 0:
                {
                    const auto* parameter = kParameters[uniform (0, 11)];
                    event.value.header = { sizeof (clap_event_param_value), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
                    event.value.param_id = idOf (parameter);
                    event.value.note_id = -1;
                    event.value.port_index = event.value.channel = event.value.key = -1;
                    event.value.value = uniform (0, 3) == 0 ? uniform (0, 100) / 100.0 : uniform (0, 1);
                    break;
                }
                case 1:
                {
                    const bool on = uniform (0, 1) == 0;
                    event.note.header = { sizeof (clap_event_note), time, CLAP_CORE_EVENT_SPACE_ID,
                                          static_cast<std::uint16_t> (on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), 0 };
                    event.note.note_id = -1;
                    event.note.port_index = 0;
                    event.note.channel = static_cast<std::int16_t> (uniform (0, 15));
                    event.note.key = static_cast<std::int16_t> (uniform (58, 68));
                    event.note.velocity = uniform (1, 127) / 127.0;
                    break;
                }
                default:
                {
                    event.midi.header = { sizeof (clap_event_midi), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0 };
                    event.midi.port_index = 0;
                    event.midi.data[0] = static_cast<std::uint8_t> ((uniform (0, 1) == 0 ? 0x90 : 0x80) | uniform (0, 15));
                    event.midi.data[1] = static_cast<std::uint8_t> (uniform (58, 68));
                    event.midi.data[2] = static_cast<std::uint8_t> (uniform (0, 127));
                    break;
                }
            }
            block.events.push_back (event);
        }

        std::stable_sort (block.events.begin(), block.events.end(), [] (const Event& a, const Event& b) { return a.header.time < b.header.time; });
    }
    return blocks;
}

/** A host whose main thread is the test's and whose audio thread is another:
    everything the plug-in may call on the audio thread is lock- and
    allocation-free here, so whatever is counted is the plug-in's.
*/
class ThreadedHost
{
public:
    ThreadedHost()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "Ravelwick real-time test host";
        host.vendor = "Ravelwick";
        host.url = "";
        host.version = "1";
        host.get_extension = getExtension;
        host.request_restart = [] (const clap_host*) {};
        host.request_process = [] (const clap_host*) {};
        host.request_callback = [] (const clap_host* h) { self (h).callbackRequested = true; };
    }

    static thread_local bool onAudioThread;

    clap_host host {};
    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<bool> callbackRequested { false };
    std::atomic<int> messagesLogged { 0 };
    std::atomic<int> flushRequests { 0 };

private:
    static ThreadedHost& self (const clap_host* h) { return *static_cast<ThreadedHost*> (h->host_data); }

    static const void* getExtension (const clap_host*, const char* id)
    {
        static const clap_host_log log { [] (const clap_host* h, clap_log_severity, const char*) { self (h).messagesLogged++; } };
        static const clap_host_thread_check threads {
            [] (const clap_host* h) { return std::this_thread::get_id() == self (h).mainThread; },
            [] (const clap_host*) { return onAudioThread; },
        };
        static const clap_host_params params {
            [] (const clap_host*, clap_param_rescan_flags) {},
            [] (const clap_host*, clap_id, clap_param_clear_flags) {},
            [] (const clap_host* h) { self (h).flushRequests++; },
        };
        static const clap_host_state state { [] (const clap_host*) {} };
        static const clap_host_latency latency { [] (const clap_host*) {} };

        if (std::strcmp (id, CLAP_EXT_LOG) == 0)
            return &log;
        if (std::strcmp (id, CLAP_EXT_THREAD_CHECK) == 0)
            return &threads;
        if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)
            return &params;
        if (std::strcmp (id, CLAP_EXT_STATE) == 0)
            return &state;
        if (std::strcmp (id, CLAP_EXT_LATENCY) == 0)
            return &latency;
        return nullptr;
    }
};

thread_local bool ThreadedHost::onAudioThread = false;

/** Buffers and lists for one process call, allocated up front. */
struct ProcessBuffers
{
    ProcessBuffers()
    {
        for (std::size_t c = 0; c < 2; ++c)
        {
            input[c].resize (kMaxFrames);
            output[c].resize (kMaxFrames);
            inputPointers[c] = input[c].data();
            outputPointers[c] = output[c].data();
        }
        events.reserve (kMaxEvents);
        outputs.reserve (kMaxOutputEvents);

        audioIn = { inputPointers.data(), nullptr, 2, 0, 0 };
        audioOut = { outputPointers.data(), nullptr, 2, 0, 0 };
        in = { this, [] (const clap_input_events* list) { return static_cast<std::uint32_t> (static_cast<ProcessBuffers*> (list->ctx)->events.size()); },
               [] (const clap_input_events* list, std::uint32_t index) -> const clap_event_header* { return &static_cast<ProcessBuffers*> (list->ctx)->events[index].header; } };
        out = { this, [] (const clap_output_events* list, const clap_event_header*) {
                   auto& outputs = static_cast<ProcessBuffers*> (list->ctx)->outputs;
                   if (outputs.size() == outputs.capacity())
                       return false;
                   outputs.push_back (0);
                   return true;
               } };
        process.audio_inputs = &audioIn;
        process.audio_outputs = &audioOut;
        process.audio_inputs_count = process.audio_outputs_count = 1;
        process.in_events = &in;
        process.out_events = &out;
        process.steady_time = -1;
    }

    /** Sets up the next block; its audio is a tone in three of four blocks. */
    void prepare (const Block& block, std::uint64_t frameCount)
    {
        events.assign (block.events.begin(), block.events.end());
        outputs.clear();
        process.frames_count = block.frames;
        const bool silent = (frameCount / 48000) % 4 == 3;
        for (std::uint32_t i = 0; i < block.frames; ++i)
        {
            const auto x = silent ? 0.0f : 0.25f * static_cast<float> (((frameCount + i) % 109) / 54.5 - 1.0);
            input[0][i] = x;
            input[1][i] = -x;
        }
    }

    std::array<std::vector<float>, 2> input, output;
    std::array<float*, 2> inputPointers {}, outputPointers {};
    std::vector<Event> events;
    std::vector<int> outputs;
    clap_audio_buffer audioIn {}, audioOut {};
    clap_input_events in {};
    clap_output_events out {};
    clap_process process {};
};
} // namespace

TEST (RealTimeSafety, TheCountersSeeTheBundlesOwnAllocationsAndLocks)
{
    ASSERT_TRUE (bundle().isLoaded()) << bundle().error();
    ThreadedHost host;
    const auto* plugin = bundle().factory->create_plugin (bundle().factory, &host.host, "com.ravelwick.looper");
    ASSERT_NE (plugin, nullptr);
    ASSERT_TRUE (plugin->init (plugin));

    std::vector<std::uint8_t> sink;
    sink.reserve (1 << 20);
    const clap_ostream stream { &sink, [] (const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                                   auto& bytes = *static_cast<std::vector<std::uint8_t>*> (s->ctx);
                                   bytes.insert (bytes.end(), static_cast<const std::uint8_t*> (buffer), static_cast<const std::uint8_t*> (buffer) + size);
                                   return static_cast<std::int64_t> (size);
                               } };
    const auto* state = static_cast<const clap_plugin_state*> (plugin->get_extension (plugin, CLAP_EXT_STATE));

    // Saving takes the plug-in's state lock and builds the document.
    malloc_counter::start();
    lock_counter::start();
    const bool saved = state->save (plugin, &stream);
    const auto locks = lock_counter::stop();
    const auto counts = malloc_counter::stop();

    EXPECT_TRUE (saved);
    EXPECT_GT (counts.allocations, 0u) << "the bundle's allocations do not reach the counter";
    EXPECT_GT (counts.releases, 0u);
    EXPECT_GT (locks, 0u) << "the bundle's locks do not reach the counter";
    plugin->destroy (plugin);
}

TEST (RealTimeSafety, ALongRandomSessionNeitherAllocatesNorLocksOnTheAudioThread)
{
    ASSERT_TRUE (bundle().isLoaded()) << bundle().error();
    ThreadedHost host;
    const auto* plugin = bundle().factory->create_plugin (bundle().factory, &host.host, "com.ravelwick.looper");
    ASSERT_NE (plugin, nullptr);
    ASSERT_TRUE (plugin->init (plugin));
    ASSERT_TRUE (plugin->activate (plugin, kSampleRate, 1, kMaxFrames));
    const auto* params = static_cast<const clap_plugin_params*> (plugin->get_extension (plugin, CLAP_EXT_PARAMS));

    const auto session = randomSession (6000);
    ProcessBuffers buffers;
    std::atomic<bool> finished { false };
    malloc_counter::Counts allocations;
    std::size_t locks = 0;
    std::uint64_t frames = 0;
    float loudest = 0.0f;

    std::thread audio ([&] {
        ThreadedHost::onAudioThread = true;
        plugin->start_processing (plugin);

        for (std::size_t b = 0; b < session.size(); ++b)
        {
            buffers.prepare (session[b], frames);

            // The first block may set things up; from then on nothing may allocate or lock.
            const bool counted = b > 0;
            if (counted)
            {
                malloc_counter::start();
                lock_counter::start();
            }

            plugin->process (plugin, &buffers.process);
            if (session[b].flushAfter)
            {
                buffers.events.clear();
                params->flush (plugin, &buffers.in, &buffers.out);
            }

            if (counted)
            {
                locks += lock_counter::stop();
                const auto counts = malloc_counter::stop();
                allocations.allocations += counts.allocations;
                allocations.releases += counts.releases;
            }

            frames += session[b].frames;
            for (std::uint32_t i = 0; i < session[b].frames; ++i)
                loudest = std::max (loudest, std::abs (buffers.output[0][i]));
        }

        plugin->stop_processing (plugin);
        finished = true;
    });

    // The main thread does a host's main-thread work meanwhile.
    while (! finished)
    {
        if (host.callbackRequested.exchange (false))
            plugin->on_main_thread (plugin);
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }
    audio.join();

    EXPECT_EQ (allocations.allocations, 0u);
    EXPECT_EQ (allocations.releases, 0u);
    EXPECT_EQ (locks, 0u);
    EXPECT_GT (frames, std::uint64_t { 48000 } * 60) << "the session should be minutes of audio";
    EXPECT_GT (loudest, 0.0f);
    EXPECT_EQ (host.messagesLogged.load(), 0);

    plugin->deactivate (plugin);
    plugin->destroy (plugin);
}
