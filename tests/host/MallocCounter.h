#pragma once

#include <cstddef>

/** Counts the C allocation calls made on the thread that started counting,
    while counting is on. The test program itself defines malloc, calloc, realloc, free and
    the aligned allocations (forwarding to glibc's own); a dlopened bundle's calls
    resolve to these, and so do libstdc++'s operator new and delete.
*/
namespace malloc_counter
{
struct Counts
{
    std::size_t allocations = 0; ///< malloc, calloc, realloc, aligned_alloc, memalign and posix_memalign
    std::size_t releases = 0;    ///< free of a non-null pointer
};

/** Clears the counts and starts counting. */
void start() noexcept;

/** Stops counting and returns what was counted since start(). */
Counts stop() noexcept;
} // namespace malloc_counter
