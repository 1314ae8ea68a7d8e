#pragma once

#include "checked/HostProxy.h"

#include <cstdint>

/** Runs JUCE's message loop from a CLAP host's main thread.

    Inside a host nobody runs JUCE's dispatch loop, yet the editor needs it for
    painting, its vertical-blank refresh and its parameter attachments. On
    Linux the driver asks the host for a timer (timer support) and for the
    host's poll loop to watch JUCE's file descriptors (posix-fd support): its
    message-queue socket and, once a window exists, its X11 connection. Each
    timer tick or ready descriptor then dispatches JUCE's pending messages
    without blocking.

    JUCE's loop belongs to the whole process, so one driver serves every plug-in
    instance: exactly one instance's host holds the registrations, and when that
    instance goes, the next one's host takes them over.

    Everything here runs on the host's main thread, which is JUCE's message
    thread.
*/
class MessageLoopDriver
{
public:
    /** Adds an instance whose host may service the loop. */
    static void attach (const clap::checked::HostProxy& host);

    /** Removes the instance, handing the registrations on if it held them. */
    static void detach (const clap::checked::HostProxy& host);

    /** True when some host has a timer or a descriptor registered for the loop. */
    static bool isServiced();

    /** The host's timer fired (clap_plugin_timer_support.on_timer). */
    static void timerFired (const clap::checked::HostProxy& host, clap_id timerId);

    /** A descriptor is ready (clap_plugin_posix_fd_support.on_fd). */
    static void descriptorReady (const clap::checked::HostProxy& host, int fd);

    /** The period asked of the host's timer, about one display frame. */
    static constexpr std::uint32_t timerPeriodMs = 16;
};
