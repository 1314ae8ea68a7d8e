#include "HostEventLoop.h"

#include <poll.h>

#include <algorithm>

namespace
{
// request_callback may come from another thread without waking poll(), so
// the loop never sleeps longer than this.
constexpr auto kLongestWait = std::chrono::milliseconds (50);

// Shorter periods are stretched to this, as a host may, so that a timer cannot keep the loop busy.
constexpr auto kShortestTimerPeriod = std::chrono::milliseconds (5);

template <typename Item>
void erase (std::vector<Item*>& items, const Item* item)
{
    items.erase (std::remove (items.begin(), items.end(), item), items.end());
}

template <typename Item>
void insertOnce (std::vector<Item*>& items, Item* item)
{
    if (std::find (items.begin(), items.end(), item) == items.end())
        items.push_back (item);
}

clap_posix_fd_flags_t flagsOf (short events)
{
    clap_posix_fd_flags_t flags = 0;
    if ((events & POLLIN) != 0)
        flags |= CLAP_POSIX_FD_READ;
    if ((events & POLLOUT) != 0)
        flags |= CLAP_POSIX_FD_WRITE;
    if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        flags |= CLAP_POSIX_FD_ERROR;
    return flags;
}
} // namespace

void HostEventLoop::add (ClapHostedPlugin& plugin)
{
    insertOnce (plugins, &plugin);
}
void HostEventLoop::add (X11HostWindow& window)
{
    insertOnce (windows, &window);
}
void HostEventLoop::add (RealTimePlayer& player)
{
    insertOnce (players, &player);
}

void HostEventLoop::remove (ClapHostedPlugin& plugin)
{
    erase (plugins, &plugin);
    timers.erase (std::remove_if (timers.begin(), timers.end(), [&plugin] (const ScheduledTimer& t) { return t.plugin == &plugin; }), timers.end());
}

void HostEventLoop::remove (X11HostWindow& window)
{
    erase (windows, &window);
}
void HostEventLoop::remove (RealTimePlayer& player)
{
    erase (players, &player);
}

void HostEventLoop::runFor (std::chrono::milliseconds duration)
{
    runUntil ([] { return false; }, duration);
}

bool HostEventLoop::runUntil (const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = timeout == forever ? Clock::time_point::max() : Clock::now() + timeout;

    while (! done())
    {
        if (Clock::now() >= deadline)
            return false;
        runOnce (deadline);
    }
    return true;
}

bool HostEventLoop::contains (const ClapHostedPlugin* plugin) const
{
    return std::find (plugins.begin(), plugins.end(), plugin) != plugins.end();
}

void HostEventLoop::runOnce (Clock::time_point deadline)
{
    for (auto* window : windows)
        window->processEvents();

    for (auto* plugin : plugins)
        plugin->runRequestedCallback();

    for (auto* player : players)
        player->processDueBlocks();

    fireDueTimers();

    // The callbacks may have registered timers of their own.
    const auto now = Clock::now();
    scheduleTimers (now);

    auto wakeUp = std::min (deadline, now + kLongestWait);
    for (const auto& timer : timers)
        wakeUp = std::min (wakeUp, timer.due);
    for (const auto* player : players)
        if (player->isPlaying())
            wakeUp = std::min (wakeUp, player->nextBlockTime());

    waitForFileDescriptors (wakeUp);
}

void HostEventLoop::scheduleTimers (Clock::time_point now)
{
    const auto isRegistered = [this] (const ScheduledTimer& scheduled) {
        if (! contains (scheduled.plugin))
            return false;
        const auto& registered = scheduled.plugin->timers();
        return std::any_of (registered.begin(), registered.end(), [&] (const ClapHostedPlugin::Timer& t) { return t.id == scheduled.id; });
    };
    timers.erase (std::remove_if (timers.begin(), timers.end(), [&] (const ScheduledTimer& t) { return ! isRegistered (t); }), timers.end());

    for (auto* plugin : plugins)
    {
        for (const auto& timer : plugin->timers())
        {
            const bool scheduled = std::any_of (timers.begin(), timers.end(), [&] (const ScheduledTimer& t) { return t.plugin == plugin && t.id == timer.id; });
            if (scheduled)
                continue;

            const auto period = std::max<Clock::duration> (std::chrono::milliseconds (timer.periodMilliseconds), kShortestTimerPeriod);
            timers.push_back ({ plugin, timer.id, period, now + period });
        }
    }
}

void HostEventLoop::fireDueTimers()
{
    const auto now = Clock::now();
    scheduleTimers (now);

    // A plug-in's callbacks change only its own registrations, never this
    // list, so it can be walked while they run; fireTimer skips a timer an
    // earlier callback unregistered.
    for (auto& timer : timers)
    {
        if (timer.due > now)
            continue;

        // A late loop fires once and keeps the beat from now, rather than catching up.
        timer.due += timer.period;
        if (timer.due <= now)
            timer.due = now + timer.period;

        timer.plugin->fireTimer (timer.id);
    }
}

void HostEventLoop::waitForFileDescriptors (Clock::time_point wakeUp)
{
    std::vector<pollfd> watched;
    std::vector<ClapHostedPlugin*> owners;

    for (const auto* window : windows)
    {
        watched.push_back ({ window->connectionFileDescriptor(), POLLIN, 0 });
        owners.push_back (nullptr);
    }

    for (auto* plugin : plugins)
    {
        for (const auto& registered : plugin->fileDescriptors())
        {
            short events = 0;
            if ((registered.flags & CLAP_POSIX_FD_READ) != 0)
                events |= POLLIN;
            if ((registered.flags & CLAP_POSIX_FD_WRITE) != 0)
                events |= POLLOUT;
            watched.push_back ({ registered.fd, events, 0 });
            owners.push_back (plugin);
        }
    }

    const auto wait = std::chrono::ceil<std::chrono::milliseconds> (wakeUp - Clock::now()).count();
    if (poll (watched.data(), watched.size(), static_cast<int> (std::max<decltype (wait)> (wait, 0))) <= 0)
        return;

    for (std::size_t i = 0; i < watched.size(); ++i)
    {
        const auto flags = flagsOf (watched[i].revents);
        if (owners[i] != nullptr && flags != 0 && contains (owners[i]))
            owners[i]->reportFileDescriptor (watched[i].fd, flags);
    }
}
