#pragma once

#include "ClapHostedPlugin.h"
#include "RealTimePlayer.h"
#include "X11HostWindow.h"

#include <chrono>
#include <functional>
#include <vector>

/** The host's main-thread event loop: it waits in poll() on the file
    descriptors the plug-ins registered and on its windows' X connections,
    and calls the plug-ins back as their timers come due and their file
    descriptors become ready (level-triggered), runs the callbacks they
    request, handles its windows' events and plays its players' due blocks.
    Everything added must outlive the loop or be removed before it is
    destroyed. [main thread]
*/
class HostEventLoop
{
public:
    using Clock = std::chrono::steady_clock;

    /** Runs with no time limit. */
    static constexpr std::chrono::milliseconds forever = std::chrono::milliseconds::max();

    void add (ClapHostedPlugin& plugin);
    void add (X11HostWindow& window);
    void add (RealTimePlayer& player);

    void remove (ClapHostedPlugin& plugin);
    void remove (X11HostWindow& window);
    void remove (RealTimePlayer& player);

    /** Runs for this long. */
    void runFor (std::chrono::milliseconds duration);

    /** Runs until done() holds, checked between rounds, or the timeout
        passes; returns done()'s last answer.
    */
    bool runUntil (const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    struct ScheduledTimer
    {
        ClapHostedPlugin* plugin = nullptr;
        clap_id id = CLAP_INVALID_ID;
        Clock::duration period {};
        Clock::time_point due {};
    };

    void runOnce (Clock::time_point deadline);
    void scheduleTimers (Clock::time_point now);
    void fireDueTimers();
    void waitForFileDescriptors (Clock::time_point wakeUp);
    bool contains (const ClapHostedPlugin* plugin) const;

    std::vector<ClapHostedPlugin*> plugins;
    std::vector<X11HostWindow*> windows;
    std::vector<RealTimePlayer*> players;
    std::vector<ScheduledTimer> timers;
};
