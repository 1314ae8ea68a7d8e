#pragma once

#include "ClapPluginLibrary.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

/** One plug-in instance run by a minimal, single-threaded CLAP host: it offers
    the log, thread-check, params, state and latency host extensions, feeds
    blocks of float audio with sorted events, and saves and loads state. For an
    embedded editor it also offers the gui, timer-support and posix-fd-support
    host extensions; it records what the plug-in registers, and an event loop
    (HostEventLoop) calls the plug-in back through fireTimer and
    reportFileDescriptor. The thread that creates it is the main thread;
    process calls, and flush calls while active, count as the audio thread.
*/
class ClapHostedPlugin
{
public:
    /** A timer the plug-in registered, with the period it asked for. */
    struct Timer
    {
        clap_id id = CLAP_INVALID_ID;
        std::uint32_t periodMilliseconds = 0;

        bool operator== (const Timer& other) const noexcept { return id == other.id && periodMilliseconds == other.periodMilliseconds; }
    };

    /** A file descriptor the plug-in registered, with the CLAP_POSIX_FD_* flags it watches for. */
    struct FileDescriptor
    {
        int fd = -1;
        clap_posix_fd_flags_t flags = 0;
    };

    /** An editor size in physical pixels. */
    struct Size
    {
        std::uint32_t width = 0;
        std::uint32_t height = 0;

        bool operator== (const Size& other) const noexcept { return width == other.width && height == other.height; }
    };

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

    /** Hands the plug-in events outside process through params.flush and
        keeps what it sends in outputEvents. False when it has no params
        extension. [main thread, or audio thread while started]
    */
    bool flush (const std::vector<Event>& events = {});

    /** Runs on_main_thread when the plug-in asked for it, and passes on the
        editor sizes requested from other threads. [main thread]
    */
    void runRequestedCallback();

    /** The timers the plug-in has registered, in the order it registered them. [main thread] */
    const std::vector<Timer>& timers() const noexcept { return registeredTimers; }

    /** The file descriptors the plug-in has registered. [main thread] */
    const std::vector<FileDescriptor>& fileDescriptors() const noexcept { return registeredFileDescriptors; }

    /** Calls the plug-in's on_timer for a timer it has registered; false for
        any other id. [main thread]
    */
    bool fireTimer (clap_id timerId);

    /** Calls the plug-in's on_fd for a file descriptor it has registered,
        with the CLAP_POSIX_FD_* flags that are ready; false for any other. [main thread]
    */
    bool reportFileDescriptor (int fd, clap_posix_fd_flags_t flags);

    /** Every size the plug-in asked for through the gui's request_resize, in order. [thread-safe] */
    std::vector<Size> requestedSizes() const;

    /** Called on the main thread for each size the plug-in asks for, so that
        a window can follow; its answer is request_resize's. Without it every
        request is accepted.
    */
    std::function<bool (Size)> onResizeRequest;

    /** Set when the plug-in reports through the gui's closed that its editor is gone. */
    std::atomic<bool> guiClosed { false };

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

    bool isMainThread() const;
    bool resizeRequested (Size size);
    bool registerTimer (std::uint32_t periodMilliseconds, clap_id& timerId);
    bool unregisterTimer (clap_id timerId);
    bool registerFileDescriptor (int fd, clap_posix_fd_flags_t flags);
    bool modifyFileDescriptor (int fd, clap_posix_fd_flags_t flags);
    bool unregisterFileDescriptor (int fd);

    bool initialised = false;
    bool active = false;
    bool processing = false;
    std::string failure;
    std::thread::id mainThread;
    std::atomic<bool> callbackRequested { false };
    std::int64_t steadyTime = 0;

    std::vector<Timer> registeredTimers;
    clap_id nextTimerId = 1;
    std::vector<FileDescriptor> registeredFileDescriptors;

    mutable std::mutex resizeLock;
    std::vector<Size> resizeRequests;
    std::vector<Size> resizesFromOtherThreads;
};
