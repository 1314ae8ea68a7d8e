#pragma once

#include "ClapPluginLibrary.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

/** One plug-in instance run by a minimal, single-threaded, offline CLAP host:
    it offers the log, thread-check, params, state and latency host extensions,
    feeds blocks of float audio with sorted events, and saves and loads state.
    The thread that creates it is the main thread; process calls count as the
    audio thread.
*/
class ClapHostedPlugin
{
public:
    /** An event for the next process call, at a frame of the block. */
    union Event
    {
        clap_event_header header;
        clap_event_note note;
        clap_event_param_value paramValue;
        clap_event_midi midi;
    };

    /** Creates and initialises the plug-in with this id (or the factory's
        first when the id is empty).
    */
    ClapHostedPlugin (const ClapPluginLibrary& library, const std::string& pluginId = {});
    ~ClapHostedPlugin();

    ClapHostedPlugin (const ClapHostedPlugin&) = delete;
    ClapHostedPlugin& operator= (const ClapHostedPlugin&) = delete;

    /** True when the plug-in was created and its init succeeded. */
    bool isReady() const noexcept { return plugin != nullptr && initialised; }

    const std::string& error() const noexcept { return failure; }

    /** Activates and starts processing. */
    bool start (double sampleRate, std::uint32_t maxFrames);

    /** Stops processing and deactivates, if started. */
    void stop();

    /** Runs one block. The channel pointer arrays may point at the same
        buffers for in-place processing. Returns the process status.
    */
    clap_process_status process (float* const* inputs, std::uint32_t inputChannels, float* const* outputs,
                                 std::uint32_t outputChannels, std::uint32_t frames, const std::vector<Event>& events);

    /** Saves the state through a stream that takes at most maxWriteSize bytes per write. */
    std::optional<std::vector<std::uint8_t>> saveState (std::uint64_t maxWriteSize = UINT64_MAX);

    /** Loads a state through a stream that gives at most maxReadSize bytes per read. */
    bool loadState (const std::vector<std::uint8_t>& bytes, std::uint64_t maxReadSize = UINT64_MAX);

    /** Runs on_main_thread when the plug-in asked for it. [main thread] */
    void runRequestedCallback();

    /** The plug-in's extension, or null. */
    template <typename Extension>
    const Extension* extension (const char* id) const
    {
        return plugin != nullptr ? static_cast<const Extension*> (plugin->get_extension (plugin, id)) : nullptr;
    }

    /** Main audio port channel counts (0 when the plug-in has no such port). */
    std::uint32_t mainChannelCount (bool isInput) const;

    /** Events the plug-in sent in the last process call. */
    std::vector<Event> outputEvents;

    /** Everything the plug-in logged, as "severity: message" lines. */
    std::vector<std::string> log;

    clap_host host {};
    const clap_plugin* plugin = nullptr;

private:
    static ClapHostedPlugin& from (const clap_host* host) { return *static_cast<ClapHostedPlugin*> (host->host_data); }
    static const void* getExtension (const clap_host* host, const char* id);

    bool initialised = false;
    bool active = false;
    bool processing = false;
    std::string failure;
    std::thread::id mainThread;
    std::atomic<bool> callbackRequested { false };
    std::int64_t steadyTime = 0;
};
