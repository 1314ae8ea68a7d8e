#include "MessageLoopDriver.h"

#include <juce_events/juce_events.h>

#if JUCE_LINUX || JUCE_BSD
  #if __has_include(<juce_events/native/juce_EventLoopInternal_linux.h>)
    #include <juce_events/native/juce_EventLoopInternal_linux.h>
  #else
    #include <juce_events/native/juce_linux_EventLoopInternal.h>
  #endif

  #include <algorithm>
  #include <vector>

  // Defined by juce_events but declared only inside it.
  #if JUCE_MAJOR_VERSION >= 8
namespace juce::detail
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}
  #else
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}
  #endif

namespace
{
using clap::checked::HostProxy;

bool dispatchNextPendingMessage()
{
  #if JUCE_MAJOR_VERSION >= 8
    return juce::detail::dispatchNextMessageOnSystemQueue (true);
  #else
    return juce::dispatchNextMessageOnSystemQueue (true);
  #endif
}

const clap_host_timer_support* usableTimerSupport (const HostProxy& host)
{
    const auto* timers = host.hostTimerSupport;
    if (timers == nullptr)
        return nullptr;

    if (timers->register_timer == nullptr || timers->unregister_timer == nullptr)
    {
        host.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_timer_support is partially implemented");
        return nullptr;
    }

    return timers;
}

const clap_host_posix_fd_support* usableFdSupport (const HostProxy& host)
{
    const auto* fds = host.hostPosixFdSupport;
    if (fds == nullptr)
        return nullptr;

    if (fds->register_fd == nullptr || fds->modify_fd == nullptr || fds->unregister_fd == nullptr)
    {
        host.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_posix_fd_support is partially implemented");
        return nullptr;
    }

    return fds;
}

class Driver final : private juce::LinuxEventLoopInternal::Listener
{
public:
    Driver() { juce::LinuxEventLoopInternal::registerLinuxEventLoopListener (*this); }
    ~Driver() override { juce::LinuxEventLoopInternal::deregisterLinuxEventLoopListener (*this); }

    void attach (const HostProxy& host)
    {
        clients.push_back (&host);
        if (owner == nullptr)
            chooseOwner();
    }

    void detach (const HostProxy& host)
    {
        clients.erase (std::remove (clients.begin(), clients.end(), &host), clients.end());

        if (owner == &host)
        {
            releaseRegistrations();
            chooseOwner();
        }
    }

    bool hasClients() const noexcept { return ! clients.empty(); }
    bool isServiced() const noexcept { return timerId != CLAP_INVALID_ID || ! registeredFds.empty(); }

    void timerFired (const HostProxy& host, clap_id id)
    {
        if (&host != owner || id != timerId || dispatching)
            return;

        dispatching = true;
        for (int pass = 0; pass < maxPassesPerTick && dispatchNextPendingMessage(); ++pass)
        {
        }
        dispatching = false;

        if (fdsChanged)
            syncDescriptors();
    }

    void descriptorReady (const HostProxy& host, int fd)
    {
        if (&host != owner || dispatching
            || std::find (registeredFds.begin(), registeredFds.end(), fd) == registeredFds.end())
            return;

        dispatching = true;
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (fd);
        dispatching = false;

        if (fdsChanged)
            syncDescriptors();
    }

private:
    // Enough to drain a busy queue, few enough that the host's own loop is never starved.
    static constexpr int maxPassesPerTick = 64;

    void fdCallbacksChanged() override
    {
        fdsChanged = true;

        // Another thread may change JUCE's set; the next tick on this thread catches up.
        if (juce::MessageManager::existsAndIsCurrentThread())
            syncDescriptors();
    }

    void chooseOwner()
    {
        for (const auto* candidate : clients)
        {
            owner = candidate;
            registerTimer();
            syncDescriptors();

            if (isServiced())
                return;
        }

        owner = nullptr;
    }

    void registerTimer()
    {
        const auto* timers = usableTimerSupport (*owner);
        if (timers == nullptr)
            return;

        owner->ensureMainThread ("timer_support.register_timer");
        clap_id id = CLAP_INVALID_ID;
        if (timers->register_timer (owner->host, MessageLoopDriver::timerPeriodMs, &id))
            timerId = id;
    }

    /** Makes the owner's host watch exactly JUCE's current descriptors. */
    void syncDescriptors()
    {
        fdsChanged = false;

        const auto* fds = owner != nullptr ? usableFdSupport (*owner) : nullptr;
        if (fds == nullptr)
            return;

        const auto wanted = juce::LinuxEventLoopInternal::getRegisteredFds();
        const auto isWanted = [&wanted] (int fd) { return std::find (wanted.begin(), wanted.end(), fd) != wanted.end(); };

        for (auto it = registeredFds.begin(); it != registeredFds.end();)
        {
            if (isWanted (*it))
            {
                ++it;
                continue;
            }

            owner->ensureMainThread ("posix_fd_support.unregister_fd");
            fds->unregister_fd (owner->host, *it);
            it = registeredFds.erase (it);
        }

        for (const int fd : wanted)
        {
            if (std::find (registeredFds.begin(), registeredFds.end(), fd) != registeredFds.end())
                continue;

            owner->ensureMainThread ("posix_fd_support.register_fd");
            if (fds->register_fd (owner->host, fd, CLAP_POSIX_FD_READ))
                registeredFds.push_back (fd);
        }
    }

    void releaseRegistrations()
    {
        if (timerId != CLAP_INVALID_ID)
        {
            owner->ensureMainThread ("timer_support.unregister_timer");
            owner->hostTimerSupport->unregister_timer (owner->host, timerId);
            timerId = CLAP_INVALID_ID;
        }

        for (const int fd : registeredFds)
        {
            owner->ensureMainThread ("posix_fd_support.unregister_fd");
            owner->hostPosixFdSupport->unregister_fd (owner->host, fd);
        }

        registeredFds.clear();
        owner = nullptr;
    }

    std::vector<const HostProxy*> clients;
    const HostProxy* owner = nullptr;
    clap_id timerId = CLAP_INVALID_ID;
    std::vector<int> registeredFds;
    bool fdsChanged = false;
    bool dispatching = false;
};

// Deliberately never destroyed at unload: a host that leaks an instance must not
// make the driver touch JUCE after JUCE has shut down.
Driver* driver = nullptr;
} // namespace

void MessageLoopDriver::attach (const HostProxy& host)
{
    if (driver == nullptr)
        driver = new Driver();

    driver->attach (host);
}

void MessageLoopDriver::detach (const HostProxy& host)
{
    if (driver == nullptr)
        return;

    driver->detach (host);

    if (! driver->hasClients())
    {
        delete driver;
        driver = nullptr;
    }
}

bool MessageLoopDriver::isServiced()
{
    return driver != nullptr && driver->isServiced();
}

void MessageLoopDriver::timerFired (const HostProxy& host, clap_id timerId)
{
    if (driver != nullptr)
        driver->timerFired (host, timerId);
}

void MessageLoopDriver::descriptorReady (const HostProxy& host, int fd)
{
    if (driver != nullptr)
        driver->descriptorReady (host, fd);
}

#else

// Elsewhere the host's own run loop runs JUCE's messages.
void MessageLoopDriver::attach (const clap::checked::HostProxy&) {}
void MessageLoopDriver::detach (const clap::checked::HostProxy&) {}
bool MessageLoopDriver::isServiced() { return true; }
void MessageLoopDriver::timerFired (const clap::checked::HostProxy&, clap_id) {}
void MessageLoopDriver::descriptorReady (const clap::checked::HostProxy&, int) {}

#endif
