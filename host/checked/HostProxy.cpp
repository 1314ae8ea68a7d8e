#include "checked/HostProxy.h"

#include <cstdio>
#include <iostream>

namespace clap::checked
{

const void* HostProxy::extension (const char* id) const noexcept
{
    if (host == nullptr || host->get_extension == nullptr)
        return nullptr;

    return host->get_extension (host, id);
}

void HostProxy::init() noexcept
{
    hostLog = static_cast<const clap_host_log*> (extension (CLAP_EXT_LOG));
    hostThreadCheck = static_cast<const clap_host_thread_check*> (extension (CLAP_EXT_THREAD_CHECK));
    hostLatency = static_cast<const clap_host_latency*> (extension (CLAP_EXT_LATENCY));
    hostGui = static_cast<const clap_host_gui*> (extension (CLAP_EXT_GUI));
    hostParams = static_cast<const clap_host_params*> (extension (CLAP_EXT_PARAMS));

    hostTrackInfo = static_cast<const clap_host_track_info*> (extension (CLAP_EXT_TRACK_INFO));
    if (hostTrackInfo == nullptr)
        hostTrackInfo = static_cast<const clap_host_track_info*> (extension (CLAP_EXT_TRACK_INFO_COMPAT));

    hostState = static_cast<const clap_host_state*> (extension (CLAP_EXT_STATE));

    hostContextMenu = static_cast<const clap_host_context_menu*> (extension (CLAP_EXT_CONTEXT_MENU));
    if (hostContextMenu == nullptr)
        hostContextMenu = static_cast<const clap_host_context_menu*> (extension (CLAP_EXT_CONTEXT_MENU_COMPAT));

    hostTimerSupport = static_cast<const clap_host_timer_support*> (extension (CLAP_EXT_TIMER_SUPPORT));
    hostPosixFdSupport = static_cast<const clap_host_posix_fd_support*> (extension (CLAP_EXT_POSIX_FD_SUPPORT));
}

void HostProxy::log (clap_log_severity severity, const char* message) const noexcept
{
    if (hostLog != nullptr && hostLog->log != nullptr)
    {
        hostLog->log (host, severity, message);
        return;
    }

    if (severity == CLAP_LOG_HOST_MISBEHAVING || severity == CLAP_LOG_ERROR)
    {
        std::fprintf (stderr, "%s\n", message);
        std::fflush (stderr);
    }
    else
    {
        std::clog << message << '\n';
        std::clog.flush();
    }
}

bool HostProxy::threadCheckUsable() const noexcept
{
    return hostThreadCheck != nullptr && hostThreadCheck->is_main_thread != nullptr
           && hostThreadCheck->is_audio_thread != nullptr;
}

bool HostProxy::maybeMainThread() const noexcept
{
    return ! threadCheckUsable() || hostThreadCheck->is_main_thread (host);
}

bool HostProxy::maybeAudioThread() const noexcept
{
    return ! threadCheckUsable() || hostThreadCheck->is_audio_thread (host);
}

bool HostProxy::isKnownMainThread() const noexcept
{
    return threadCheckUsable() && hostThreadCheck->is_main_thread (host);
}

void HostProxy::ensureMainThread (const char* methodName) const noexcept
{
    if (maybeMainThread())
        return;

    char message[512];
    std::snprintf (message, sizeof (message),
                   "Plugin called the method clap_host_%s() on wrong thread! It must be called on main thread!", methodName);
    log (CLAP_LOG_PLUGIN_MISBEHAVING, message);
}

void HostProxy::requestCallback() const noexcept
{
    if (host != nullptr && host->request_callback != nullptr)
        host->request_callback (host);
}

} // namespace clap::checked
