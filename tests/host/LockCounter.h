#pragma once

#include <cstddef>

/** Counts the mutex locks (pthread mutexes and read-write locks, which
    std::mutex and JUCE's CriticalSection are made of) taken on the thread that
    started counting, while counting is on. The test program itself defines
    the pthread lock functions, forwarding to glibc's own, and exports them, so
    a dlopened bundle's calls resolve to these.
*/
namespace lock_counter
{
/** Clears the count and starts counting on this thread. */
void start() noexcept;

/** Stops counting and returns the locks taken since start(). */
std::size_t stop() noexcept;
} // namespace lock_counter
