#include "MallocCounter.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

// glibc's allocator under its internal names: the definitions below replace
// the public ones for the whole process and forward here.
extern "C"
{
void* __libc_malloc (std::size_t size);
void* __libc_calloc (std::size_t count, std::size_t size);
void* __libc_realloc (void* pointer, std::size_t size);
void* __libc_memalign (std::size_t alignment, std::size_t size);
void __libc_free (void* pointer);
}

namespace
{
std::atomic<bool> counting { false };

// Only the thread that started counting is counted: JUCE's own threads (its
// timer thread, for one) may allocate at any moment.
thread_local bool countedThread = false;
std::atomic<std::size_t> allocations { 0 };
std::atomic<std::size_t> releases { 0 };

void countAllocation() noexcept
{
    if (countedThread && counting.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
}
} // namespace

void malloc_counter::start() noexcept
{
    allocations = 0;
    releases = 0;
    countedThread = true;
    counting = true;
}

malloc_counter::Counts malloc_counter::stop() noexcept
{
    counting = false;
    countedThread = false;
    return { allocations.load(), releases.load() };
}

// Visible to the dynamic linker whatever the build's default visibility.
#define EXPORTED __attribute__ ((visibility ("default")))

extern "C"
{
EXPORTED void* malloc (std::size_t size) noexcept
{
    countAllocation();
    return __libc_malloc (size);
}

EXPORTED void* calloc (std::size_t count, std::size_t size) noexcept
{
    countAllocation();
    return __libc_calloc (count, size);
}

EXPORTED void* realloc (void* pointer, std::size_t size) noexcept
{
    countAllocation();
    return __libc_realloc (pointer, size);
}

EXPORTED void free (void* pointer) noexcept
{
    if (pointer != nullptr && countedThread && counting.load (std::memory_order_relaxed))
        releases.fetch_add (1, std::memory_order_relaxed);

    __libc_free (pointer);
}

// Aligned operator new comes through here.
EXPORTED void* aligned_alloc (std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    return __libc_memalign (alignment, size);
}

EXPORTED void* memalign (std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    return __libc_memalign (alignment, size);
}

EXPORTED int posix_memalign (void** pointer, std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    if (alignment % sizeof (void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;

    *pointer = __libc_memalign (alignment, size);
    return *pointer != nullptr || size == 0 ? 0 : ENOMEM;
}
}
