#include "LockCounter.h"

#include <atomic>
#include <pthread.h>

// glibc's lock functions under their internal names, which it keeps only as
// versioned symbols: the definitions below replace the public ones for the
// whole process and forward here.
__asm__ (".symver glibc_mutex_lock, __pthread_mutex_lock@GLIBC_2.2.5");
__asm__ (".symver glibc_mutex_trylock, __pthread_mutex_trylock@GLIBC_2.2.5");
__asm__ (".symver glibc_rwlock_rdlock, __pthread_rwlock_rdlock@GLIBC_2.2.5");
__asm__ (".symver glibc_rwlock_wrlock, __pthread_rwlock_wrlock@GLIBC_2.2.5");

extern "C"
{
int glibc_mutex_lock (pthread_mutex_t* mutex);
int glibc_mutex_trylock (pthread_mutex_t* mutex);
int glibc_rwlock_rdlock (pthread_rwlock_t* lock);
int glibc_rwlock_wrlock (pthread_rwlock_t* lock);
}

namespace
{
std::atomic<bool> counting { false };
std::atomic<std::size_t> locks { 0 };
thread_local bool countedThread = false;

void countLock() noexcept
{
    if (countedThread && counting.load (std::memory_order_relaxed))
        locks.fetch_add (1, std::memory_order_relaxed);
}
} // namespace

void lock_counter::start() noexcept
{
    locks = 0;
    countedThread = true;
    counting = true;
}

std::size_t lock_counter::stop() noexcept
{
    counting = false;
    countedThread = false;
    return locks.load();
}

// Visible to the dynamic linker whatever the build's default visibility.
#define EXPORTED __attribute__ ((visibility ("default")))

extern "C"
{
EXPORTED int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    countLock();
    return glibc_mutex_lock (mutex);
}

EXPORTED int pthread_mutex_trylock (pthread_mutex_t* mutex)
{
    countLock();
    return glibc_mutex_trylock (mutex);
}

EXPORTED int pthread_rwlock_rdlock (pthread_rwlock_t* lock)
{
    countLock();
    return glibc_rwlock_rdlock (lock);
}

EXPORTED int pthread_rwlock_wrlock (pthread_rwlock_t* lock)
{
    countLock();
    return glibc_rwlock_wrlock (lock);
}
}
