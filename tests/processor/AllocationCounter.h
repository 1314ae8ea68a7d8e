#pragma once

#include <cstddef>

/** Counts the global allocations of this test program while counting is on. */
namespace allocation_counter
{
void start() noexcept;
std::size_t stop() noexcept;
} // namespace allocation_counter
