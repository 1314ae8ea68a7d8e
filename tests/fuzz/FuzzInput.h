#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace fuzzing
{

/** Reads a fuzz input from the front, little-endian: a field past the end
    reads as zeros. Seeds are therefore plain byte records in the order a
    fuzzer reads them.
*/
class FuzzInput
{
public:
    FuzzInput (const std::uint8_t* data, std::size_t size) noexcept
        : data (data), size (size) {}

    bool empty() const noexcept { return position >= size; }
    std::size_t remaining() const noexcept { return size - position; }

    template <typename Integer>
    Integer read() noexcept
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof (Integer) && position < size; ++i)
            value |= static_cast<std::uint64_t> (data[position++]) << (8 * i);
        return static_cast<Integer> (value);
    }

    std::uint8_t byte() noexcept { return read<std::uint8_t>(); }

    /** A value in 0..count-1, from one byte when the count is at most 256, else from four. */
    std::uint32_t below (std::uint32_t count) noexcept
    {
        if (count == 0)
            return 0;
        return (count <= 256 ? byte() : read<std::uint32_t>()) % count;
    }

    /** A double that hosts get wrong: one byte picks an edge value (NaN,
        infinities, signed zeros, the range ends and just beyond, extremes,
        a subnormal) or, above them, takes the next eight bytes as the bits.
    */
    double value() noexcept
    {
        using limits = std::numeric_limits<double>;
        static constexpr double edgeValues[] = {
            0.0, 1.0, 0.5, -0.0, limits::quiet_NaN(), -limits::quiet_NaN(), limits::infinity(), -limits::infinity(),
            -1.0, 2.0, 1.0 + limits::epsilon(), -limits::denorm_min(), limits::denorm_min(), limits::max(), -limits::max(),
            1e300, -1e300, 0.25, 0.75, 1.0 / 3.0, 127.0, 128.0, 2147483648.0, -2147483649.0
        };
        constexpr auto edgeValueCount = sizeof (edgeValues) / sizeof (edgeValues[0]);

        const auto selector = byte();
        if (selector < edgeValueCount)
            return edgeValues[selector];

        const auto bits = read<std::uint64_t>();
        double result;
        std::memcpy (&result, &bits, sizeof (result));
        return result;
    }

    /** The rest of the input, as bytes. */
    std::string rest()
    {
        std::string bytes (reinterpret_cast<const char*> (data) + position, size - position);
        position = size;
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

} // namespace fuzzing
