// The built RavelwickLooper.clap driven from two threads at once, as a host
// drives it: an audio thread of its own processes random blocks and flushes
// parameters, while the main thread saves and loads the state, reads the
// parameters, opens and closes the editor and runs the plug-in's timers and
// file descriptors. With an X display the editor is embedded in a window and
// its buttons are clicked; without one it stays headless. Under
// ThreadSanitizer every unsynchronised access between the threads is a failure.

#include "ClapPluginLibrary.h"
#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr const char* kPluginId = "com.ravelwick.looper";
constexpr double kSampleRate = 48000.0;
constexpr std::uint32_t kMaxFrames = 512;
constexpr std::size_t kChannels = 2;
constexpr int kRounds = 50;
constexpr auto kPatience = 30s; // for the audio thread to take its next block, however slow the build

// The editor's size at scale 1, and the centres of its eight action buttons: two rows of four.
constexpr int kEditorSide = 480;
constexpr int kFirstButtonX = 75, kFirstButtonY = 120, kButtonPitch = 110;

const ClapPluginLibrary& bundle()
{
    static const ClapPluginLibrary library (RAVELWICK_BUNDLE);
    return library;
}

/** A host whose main thread is the one that creates it and whose audio thread
    is whichever thread claims it; the thread check answers for each. The
    log and the requests are safe from any thread; timers and file
    descriptors belong to the main thread.
*/
class TwoThreadHost
{
public:
    TwoThreadHost()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "Ravelwick two-thread host";
        host.vendor = "Ravelwick";
        host.url = "";
        host.version = "1";
        host.get_extension = getExtension;
        host.request_restart = [] (const clap_host*) {};
        host.request_process = [] (const clap_host*) {};
        host.request_callback = [] (const clap_host* h) { self (h).callbackRequested = true; };
    }

    /** The calling thread becomes the audio thread, or stops being it. */
    void claimAudioThread (bool claim) { audioThread = claim ? std::this_thread::get_id() : std::thread::id(); }

    std::vector<std::string> messages() const
    {
        const std::lock_guard<std::mutex> lock (logLock);
        return log;
    }

    /** Fires every timer, reports every descriptor that is ready and runs the
        callback the plug-in asked for, as the host's event loop would. [main thread]
    */
    void service (const clap_plugin* plugin)
    {
        const auto* timer = static_cast<const clap_plugin_timer_support*> (plugin->get_extension (plugin, CLAP_EXT_TIMER_SUPPORT));
        for (const auto id : std::vector<clap_id> (timers))
            timer->on_timer (plugin, id);

        std::vector<pollfd> ready;
        for (const auto fd : fds)
            ready.push_back ({ fd, POLLIN, 0 });
        if (! ready.empty() && poll (ready.data(), ready.size(), 0) > 0)
        {
            const auto* fdSupport = static_cast<const clap_plugin_posix_fd_support*> (plugin->get_extension (plugin, CLAP_EXT_POSIX_FD_SUPPORT));
            for (const auto& entry : ready)
                if ((entry.revents & POLLIN) != 0)
                    fdSupport->on_fd (plugin, entry.fd, CLAP_POSIX_FD_READ);
        }

        if (callbackRequested.exchange (false))
            plugin->on_main_thread (plugin);
    }

    clap_host host {};
    std::atomic<int> flushRequests { 0 };

private:
    static TwoThreadHost& self (const clap_host* h) { return *static_cast<TwoThreadHost*> (h->host_data); }

    bool onMainThread() const { return std::this_thread::get_id() == mainThread; }

    static const void* getExtension (const clap_host*, const char* id)
    {
        static const clap_host_log log { [] (const clap_host* h, clap_log_severity severity, const char* message) {
            auto& test = self (h);
            const std::lock_guard<std::mutex> lock (test.logLock);
            test.log.push_back (std::to_string (severity) + ": " + (message != nullptr ? message : ""));
        } };

        static const clap_host_thread_check threadCheck {
            [] (const clap_host* h) { return self (h).onMainThread(); },
            [] (const clap_host* h) { return std::this_thread::get_id() == self (h).audioThread.load(); },
        };

        static const clap_host_params params {
            [] (const clap_host*, clap_param_rescan_flags) {},
            [] (const clap_host*, clap_id, clap_param_clear_flags) {},
            [] (const clap_host* h) { ++self (h).flushRequests; },
        };

        static const clap_host_state state { [] (const clap_host*) {} };
        static const clap_host_latency latency { [] (const clap_host*) {} };

        // The editor has no window here: nothing to show, hide or resize.
        static const clap_host_gui gui {
            [] (const clap_host*) {},
            [] (const clap_host*, std::uint32_t, std::uint32_t) { return true; },
            [] (const clap_host*) { return false; },
            [] (const clap_host*) { return false; },
            [] (const clap_host*, bool) {},
        };

        static const clap_host_timer_support timerSupport {
            [] (const clap_host* h, std::uint32_t, clap_id* timerId) {
                auto& test = self (h);
                if (! test.onMainThread() || timerId == nullptr)
                    return false;
                *timerId = test.nextTimerId++;
                test.timers.push_back (*timerId);
                return true;
            },
            [] (const clap_host* h, clap_id timerId) {
                auto& test = self (h);
                const auto found = std::find (test.timers.begin(), test.timers.end(), timerId);
                if (! test.onMainThread() || found == test.timers.end())
                    return false;
                test.timers.erase (found);
                return true;
            },
        };

        static const clap_host_posix_fd_support fdSupport {
            [] (const clap_host* h, int fd, clap_posix_fd_flags_t) {
                auto& test = self (h);
                if (! test.onMainThread() || std::find (test.fds.begin(), test.fds.end(), fd) != test.fds.end())
                    return false;
                test.fds.push_back (fd);
                return true;
            },
            [] (const clap_host* h, int fd, clap_posix_fd_flags_t) {
                auto& test = self (h);
                return test.onMainThread() && std::find (test.fds.begin(), test.fds.end(), fd) != test.fds.end();
            },
            [] (const clap_host* h, int fd) {
                auto& test = self (h);
                const auto found = std::find (test.fds.begin(), test.fds.end(), fd);
                if (! test.onMainThread() || found == test.fds.end())
                    return false;
                test.fds.erase (found);
                return true;
            },
        };

        if (id == nullptr)
            return nullptr;

        const std::pair<const char*, const void*> offered[] = {
            { CLAP_EXT_LOG, &log },
            { CLAP_EXT_THREAD_CHECK, &threadCheck },
            { CLAP_EXT_PARAMS, &params },
            { CLAP_EXT_STATE, &state },
            { CLAP_EXT_LATENCY, &latency },
            { CLAP_EXT_GUI, &gui },
            { CLAP_EXT_TIMER_SUPPORT, &timerSupport },
            { CLAP_EXT_POSIX_FD_SUPPORT, &fdSupport },
        };
        for (const auto& [name, extension] : offered)
            if (std::strcmp (id, name) == 0)
                return extension;
        return nullptr;
    }

    const std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<std::thread::id> audioThread {};
    std::atomic<bool> callbackRequested { false };

    mutable std::mutex logLock;
    std::vector<std::string> log;

    std::vector<clap_id> timers;
    clap_id nextTimerId = 1;
    std::vector<int> fds;
};

union Event
{
    clap_event_header header;
    clap_event_param_value paramValue;
    clap_event_note note;
    clap_event_midi midi;
};

/** An event list over a vector, and an output list that counts the
    parameter values the plug-in sends; neither allocates.
*/
struct EventLists
{
    std::vector<Event> events;
    int valuesSent = 0;

    const clap_input_events in {
        this,
        [] (const clap_input_events* list) { return static_cast<std::uint32_t> (static_cast<EventLists*> (list->ctx)->events.size()); },
        [] (const clap_input_events* list, std::uint32_t index) -> const clap_event_header* {
            return &static_cast<EventLists*> (list->ctx)->events.at (index).header;
        }
    };

    const clap_output_events out {
        this,
        [] (const clap_output_events* list, const clap_event_header* event) {
            if (event->type == CLAP_EVENT_PARAM_VALUE)
                ++static_cast<EventLists*> (list->ctx)->valuesSent;
            return true;
        }
    };
};

/** Random blocks and events for the audio thread, from a fixed seed. */
class RandomSession
{
public:
    explicit RandomSession (std::vector<clap_id> parameterIds)
        : parameters (std::move (parameterIds)) {}

    std::uint32_t frames() { return std::uniform_int_distribution<std::uint32_t> (1, kMaxFrames) (random); }

    /** Up to eight parameter values, MIDI notes and CLAP notes for the looper's actions, sorted by time. */
    void fill (std::vector<Event>& events, std::uint32_t frames)
    {
        events.clear();
        const auto count = std::uniform_int_distribution<int> (0, 8) (random);
        for (int i = 0; i < count; ++i)
        {
            Event event {};
            const auto time = std::uniform_int_distribution<std::uint32_t> (0, frames - 1) (random);
            const auto key = static_cast<std::int16_t> (std::uniform_int_distribution<int> (60, 67) (random));
            const bool on = coin();

            switch (std::uniform_int_distribution<int> (0, 2) (random))
            {
                case 0:
                    event.paramValue.header = { sizeof (clap_event_param_value), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
                    event.paramValue.param_id = parameters[std::uniform_int_distribution<std::size_t> (0, parameters.size() - 1) (random)];
                    event.paramValue.note_id = -1;
                    event.paramValue.port_index = event.paramValue.channel = event.paramValue.key = -1;
                    // Actions are pressed at 1 and released at 0; the others take any value.
                    event.paramValue.value = coin() ? (on ? 1.0 : 0.0) : std::uniform_real_distribution<double> (0.0, 1.0) (random);
                    break;
                case 1:
                    event.note.header = { sizeof (clap_event_note), time, CLAP_CORE_EVENT_SPACE_ID, static_cast<std::uint16_t> (on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), 0 };
                    event.note.note_id = -1;
                    event.note.port_index = event.note.channel = 0;
                    event.note.key = key;
                    event.note.velocity = 0.8;
                    break;
                default:
                    event.midi.header = { sizeof (clap_event_midi), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0 };
                    event.midi.data[0] = on ? 0x90 : 0x80;
                    event.midi.data[1] = static_cast<std::uint8_t> (key);
                    event.midi.data[2] = on ? 100 : 0;
                    break;
            }
            events.push_back (event);
        }
        std::stable_sort (events.begin(), events.end(), [] (const Event& a, const Event& b) { return a.header.time < b.header.time; });
    }

    float sample() { return std::uniform_real_distribution<float> (-0.5f, 0.5f) (random); }
    bool coin() { return std::bernoulli_distribution (0.5) (random); }

private:
    const std::vector<clap_id> parameters;
    std::mt19937 random { 20240611 };
};

/** The plug-in's audio thread: starts processing, then runs random blocks,
    and now and then a flush with events in place of a block, until told
    to stop.
*/
class AudioThread
{
public:
    AudioThread (TwoThreadHost& owner, const clap_plugin* instance, std::vector<clap_id> parameterIds)
        : host (owner), plugin (instance), session (std::move (parameterIds))
    {
        for (auto& channel : buffers)
            channel.resize (kMaxFrames);
        for (std::size_t c = 0; c < kChannels; ++c)
            pointers[c] = buffers[c].data();
        lists.events.reserve (8);
        thread = std::thread ([this] { run(); });
    }

    ~AudioThread() { stop(); }

    void stop()
    {
        running = false;
        if (thread.joinable())
            thread.join();
    }

    /** Waits until the audio thread has run a whole block after this call. */
    bool takesAnotherBlock() const
    {
        const auto from = blocks.load (std::memory_order_relaxed);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (blocks.load (std::memory_order_relaxed) <= from + 1 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        return blocks.load (std::memory_order_relaxed) > from + 1;
    }

    // Relaxed: the count orders nothing between the threads, so it hides no race from ThreadSanitizer.
    std::atomic<int> blocks { 0 };

    // Read once the thread is stopped.
    bool started = false;
    bool allContinued = true;
    bool allFinite = true;
    int valuesSent = 0;

private:
    void run()
    {
        host.claimAudioThread (true);
        started = plugin->start_processing (plugin);
        const auto* params = static_cast<const clap_plugin_params*> (plugin->get_extension (plugin, CLAP_EXT_PARAMS));

        while (started && running)
        {
            const auto frames = session.frames();
            session.fill (lists.events, frames);

            if (session.coin() && session.coin())
            {
                params->flush (plugin, &lists.in, &lists.out);
            }
            else
            {
                for (auto& channel : buffers)
                    for (std::uint32_t i = 0; i < frames; ++i)
                        channel[i] = session.sample();

                clap_audio_buffer audio { pointers.data(), nullptr, kChannels, 0, 0 };
                const clap_process context { -1, frames, nullptr, &audio, &audio, 1, 1, &lists.in, &lists.out };
                allContinued = plugin->process (plugin, &context) == CLAP_PROCESS_CONTINUE && allContinued;

                for (const auto& channel : buffers)
                    allFinite = std::all_of (channel.begin(), channel.begin() + frames, [] (float x) { return std::isfinite (x); }) && allFinite;
            }
            blocks.fetch_add (1, std::memory_order_relaxed);
            std::this_thread::yield();
        }

        if (started)
            plugin->stop_processing (plugin);
        valuesSent = lists.valuesSent;
        host.claimAudioThread (false);
    }

    TwoThreadHost& host;
    const clap_plugin* const plugin;
    RandomSession session;
    EventLists lists;
    std::array<std::vector<float>, kChannels> buffers;
    std::array<float*, kChannels> pointers {};
    std::atomic<bool> running { true };
    std::thread thread;
};

std::vector<std::uint8_t> saveState (const clap_plugin* plugin)
{
    std::vector<std::uint8_t> bytes;
    const clap_ostream stream { &bytes, [] (const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                                   const auto* first = static_cast<const std::uint8_t*> (buffer);
                                   static_cast<std::vector<std::uint8_t>*> (s->ctx)->insert (static_cast<std::vector<std::uint8_t>*> (s->ctx)->end(), first, first + size);
                                   return static_cast<std::int64_t> (size);
                               } };
    const auto* state = static_cast<const clap_plugin_state*> (plugin->get_extension (plugin, CLAP_EXT_STATE));
    if (! state->save (plugin, &stream))
        bytes.clear();
    return bytes;
}

bool loadState (const clap_plugin* plugin, const std::vector<std::uint8_t>& bytes)
{
    struct Source
    {
        const std::vector<std::uint8_t>& bytes;
        std::size_t position = 0;
    } source { bytes };

    const clap_istream stream { &source, [] (const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                                   auto& from = *static_cast<Source*> (s->ctx);
                                   const auto given = std::min<std::size_t> (static_cast<std::size_t> (size), from.bytes.size() - from.position);
                                   std::memcpy (buffer, from.bytes.data() + from.position, given);
                                   from.position += given;
                                   return static_cast<std::int64_t> (given);
                               } };
    const auto* state = static_cast<const clap_plugin_state*> (plugin->get_extension (plugin, CLAP_EXT_STATE));
    return state->load (plugin, &stream);
}
} // namespace

TEST (ThreadSafety, MainThreadWorkWhileTheAudioThreadProcesses)
{
    ASSERT_TRUE (bundle().isLoaded()) << bundle().error();
    TwoThreadHost host;
    const auto* plugin = bundle().factory->create_plugin (bundle().factory, &host.host, kPluginId);
    ASSERT_NE (plugin, nullptr);
    ASSERT_TRUE (plugin->init (plugin));

    const auto* params = static_cast<const clap_plugin_params*> (plugin->get_extension (plugin, CLAP_EXT_PARAMS));
    const auto* gui = static_cast<const clap_plugin_gui*> (plugin->get_extension (plugin, CLAP_EXT_GUI));
    ASSERT_NE (params, nullptr);
    ASSERT_NE (gui, nullptr);

    std::vector<clap_id> parameterIds;
    for (std::uint32_t i = 0; i < params->count (plugin); ++i)
    {
        clap_param_info info {};
        ASSERT_TRUE (params->get_info (plugin, i, &info));
        parameterIds.push_back (info.id);
    }

    // Loading the first state again and again moves the parameters back from
    // wherever the audio thread's events took them, on the main thread.
    const auto initialState = saveState (plugin);
    ASSERT_FALSE (initialState.empty());
    ASSERT_TRUE (plugin->activate (plugin, kSampleRate, 1, kMaxFrames));

    std::optional<X11HostWindow> window;
    if (const char* display = std::getenv ("DISPLAY"); display != nullptr && *display != '\0')
    {
        window.emplace (kEditorSide, kEditorSide);
        ASSERT_TRUE (window->isOpen()) << window->error();
    }
    const auto service = [&] {
        if (window)
            window->processEvents();
        host.service (plugin);
    };

    int savesFailed = 0, loadsFailed = 0, editorsFailed = 0;
    {
        AudioThread audio (host, plugin, parameterIds);

        for (int round = 0; round < kRounds; ++round)
        {
            bool opened = gui->create (plugin, CLAP_WINDOW_API_X11, false);
            // The window keeps the editor's size at scale 1.
            opened = gui->set_scale (plugin, window || round % 2 == 0 ? 1.0 : 2.0) && opened;
            std::uint32_t width = 0, height = 0;
            opened = gui->get_size (plugin, &width, &height) && opened;
            if (window)
            {
                const auto parent = window->clapWindow();
                opened = gui->set_parent (plugin, &parent) && gui->show (plugin) && opened;
            }
            editorsFailed += opened ? 0 : 1;

            for (int step = 0; step < 4; ++step)
            {
                service();
                if (window)
                {
                    const int button = (4 * round + step) % 8;
                    window->press (kFirstButtonX + kButtonPitch * (button % 4), kFirstButtonY + kButtonPitch * (button / 4));
                    service();
                    window->release();
                    service();
                }

                const auto state = saveState (plugin);
                savesFailed += state.empty() ? 1 : 0;
                loadsFailed += loadState (plugin, step % 2 == 0 ? initialState : state) ? 0 : 1;

                for (const auto id : parameterIds)
                {
                    double value = 0.0;
                    char text[CLAP_NAME_SIZE] {};
                    if (params->get_value (plugin, id, &value))
                        params->value_to_text (plugin, id, value, text, sizeof (text));
                }

                ASSERT_TRUE (audio.takesAnotherBlock()) << "the audio thread stalled";
            }

            if (window)
                gui->hide (plugin);
            gui->destroy (plugin);
        }

        audio.stop();
        EXPECT_TRUE (audio.started);
        EXPECT_TRUE (audio.allContinued);
        EXPECT_TRUE (audio.allFinite);
        EXPECT_GT (audio.valuesSent, 0) << "no change made on the main thread reached the host through the audio thread";
        EXPECT_GT (host.flushRequests.load(), 0);
    }

    service();
    plugin->deactivate (plugin);
    plugin->destroy (plugin);

    EXPECT_EQ (savesFailed, 0);
    EXPECT_EQ (loadsFailed, 0);
    EXPECT_EQ (editorsFailed, 0);
    const auto messages = host.messages();
    EXPECT_TRUE (messages.empty()) << messages.front();
}
