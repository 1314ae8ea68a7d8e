#pragma once

#include "clap/clap.h"

namespace clap::checked
{

/** The CLAP host as the plug-in sees it: the host structure, the host
    extensions the plug-in uses, logging, and the check of the plug-in's own
    calls into the host.
*/
class HostProxy
{
public:
    explicit HostProxy (const clap_host* host) noexcept
        : host (host) {}

    /** Asks the host for its extensions, in the order log, thread check,
        latency, gui, params, track info, state, context menu (the last two with
        their draft names as fallbacks), then timer support and file-descriptor
        support. [main-thread, from clap_plugin.init]
    */
    void init() noexcept;

    /** Sends a message to the host's log, or to standard error (severities
        "error" and "host misbehaving") or the standard log stream when the host
        has no log. [thread-safe]
    */
    void log (clap_log_severity severity, const char* message) const noexcept;

    /** Logs, as plug-in misbehaviour, a call into the host extension method
        "clap_host_" + methodName made off the main thread. The call is made
        anyway. [thread-safe]
    */
    void ensureMainThread (const char* methodName) const noexcept;

    /** True when the host's thread check can answer both questions. */
    bool threadCheckUsable() const noexcept;

    /** False only when the thread check is usable and says this is not the
        main thread (or the audio thread).
    */
    bool maybeMainThread() const noexcept;
    bool maybeAudioThread() const noexcept;

    /** True only when the thread check is usable and says this is the main thread. */
    bool isKnownMainThread() const noexcept;

    /** Asks the host to call clap_plugin.on_main_thread soon. [thread-safe] */
    void requestCallback() const noexcept;

    const clap_host* const host;

    const clap_host_log* hostLog = nullptr;
    const clap_host_thread_check* hostThreadCheck = nullptr;
    const clap_host_latency* hostLatency = nullptr;
    const clap_host_gui* hostGui = nullptr;
    const clap_host_params* hostParams = nullptr;
    const clap_host_track_info* hostTrackInfo = nullptr;
    const clap_host_state* hostState = nullptr;
    const clap_host_context_menu* hostContextMenu = nullptr;
    const clap_host_timer_support* hostTimerSupport = nullptr;
    const clap_host_posix_fd_support* hostPosixFdSupport = nullptr;

private:
    const void* extension (const char* id) const noexcept;
};

} // namespace clap::checked
