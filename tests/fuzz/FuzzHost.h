#pragma once

#include "ClapPluginLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzzing
{

/** Reports a broken invariant and aborts, which libFuzzer records as a crash. */
[[noreturn]] inline void fail (const char* what)
{
    std::fprintf (stderr, "fuzzing: %s\n", what);
    std::fflush (stderr);
    std::abort();
}

/** The built bundle's plug-in, created once for the whole fuzzing process by a
    minimal host that offers log, thread-check, params, state and latency.
    Everything runs on the fuzzer's thread: the main thread, except inside an
    AudioThread scope. The plug-in reporting its own misbehaviour (a host call
    from the wrong thread, say) is a fault; the host's is what fuzzing is for.
*/
class FuzzHost
{
public:
    /** The process's host, its plug-in created and initialised; aborts when
        the bundle does not load. Never destroyed, like the bundle.
    */
    static FuzzHost& get()
    {
        static auto* const host = new FuzzHost();
        return *host;
    }

    /** The plug-in's extension; aborts when it offers none. */
    template <typename Extension>
    const Extension& extension (const char* id) const
    {
        const auto* found = static_cast<const Extension*> (plugin->get_extension (plugin, id));
        if (found == nullptr)
            fail ("the plug-in lacks an extension the fuzzer drives");
        return *found;
    }

    /** Activates at 48 kHz for blocks of 1..maxFrames and starts processing. */
    void start (std::uint32_t maxFrames)
    {
        if (! plugin->activate (plugin, 48000.0, 1, maxFrames))
            fail ("activate failed");

        const AudioThread audio;
        if (! plugin->start_processing (plugin))
            fail ("start_processing failed");
    }

    /** Runs on_main_thread when the plug-in asked for it. [main thread] */
    void serviceMainThread()
    {
        if (callbackRequested)
        {
            callbackRequested = false;
            plugin->on_main_thread (plugin);
        }
    }

    /** Marks the calls made while it lives as the audio thread's. */
    struct AudioThread
    {
        AudioThread() noexcept { onAudioThread = true; }
        ~AudioThread() { onAudioThread = false; }
        AudioThread (const AudioThread&) = delete;
        AudioThread& operator= (const AudioThread&) = delete;
    };

    const clap_plugin* plugin = nullptr;

private:
    FuzzHost()
    {
        static auto* const library = new ClapPluginLibrary (RAVELWICK_BUNDLE);
        if (! library->isLoaded())
        {
            std::fprintf (stderr, "%s\n", library->error().c_str());
            fail ("the bundle did not load");
        }

        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "Ravelwick fuzz host";
        host.vendor = "Ravelwick";
        host.url = "";
        host.version = "1";
        host.get_extension = getExtension;
        host.request_restart = [] (const clap_host*) {};
        host.request_process = [] (const clap_host*) {};
        host.request_callback = [] (const clap_host* h) { static_cast<FuzzHost*> (h->host_data)->callbackRequested = true; };

        const auto descriptors = library->descriptors();
        if (descriptors.empty())
            fail ("the bundle offers no plug-in");

        plugin = library->factory->create_plugin (library->factory, &host, descriptors.front()->id);
        if (plugin == nullptr || ! plugin->init (plugin))
            fail ("the plug-in was not created");
    }

    static const void* getExtension (const clap_host*, const char* id)
    {
        static const clap_host_log log { [] (const clap_host*, clap_log_severity severity, const char* message) {
            if (severity == CLAP_LOG_PLUGIN_MISBEHAVING)
            {
                std::fprintf (stderr, "%s\n", message != nullptr ? message : "");
                fail ("the plug-in reported its own misbehaviour");
            }
        } };
        static const clap_host_thread_check threadCheck {
            [] (const clap_host*) { return ! onAudioThread; },
            [] (const clap_host*) { return onAudioThread; },
        };
        static const clap_host_params params {
            [] (const clap_host*, clap_param_rescan_flags) {},
            [] (const clap_host*, clap_id, clap_param_clear_flags) {},
            [] (const clap_host*) {},
        };
        static const clap_host_state state { [] (const clap_host*) {} };
        static const clap_host_latency latency { [] (const clap_host*) {} };

        if (id == nullptr)
            return nullptr;
        if (std::strcmp (id, CLAP_EXT_LOG) == 0)
            return &log;
        if (std::strcmp (id, CLAP_EXT_THREAD_CHECK) == 0)
            return &threadCheck;
        if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)
            return &params;
        if (std::strcmp (id, CLAP_EXT_STATE) == 0)
            return &state;
        if (std::strcmp (id, CLAP_EXT_LATENCY) == 0)
            return &latency;
        return nullptr;
    }

    static inline bool onAudioThread = false;

    clap_host host {};
    bool callbackRequested = false;
};

} // namespace fuzzing
