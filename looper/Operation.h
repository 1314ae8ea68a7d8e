#pragma once

#include "GainRamp.h"

#include <cstdint>

namespace looper
{

/** What a slot of the history ring holds. A slot never returns to None. */
enum class OperationKind : std::int32_t
{
    None = 0,
    Record = 1,
    Overdub = 2,
    Multiply = 3
};

/** Sample position in the loop memory. Positions grow for the engine's whole
    life; 64 bits keep them from ever overflowing (2^63 samples is millions of
    years at any sample rate).
*/
using Position = std::int64_t;

/** One layer of the loop's history: a recording, an overdub or a multiply,
    occupying the inclusive region start..end of the loop memory.
*/
struct Operation
{
    OperationKind kind = OperationKind::None;
    Position start = -1;    ///< first position of the region
    Position end = -1;      ///< last position of the region; grows while a Record or Multiply writes
    Position position = -1; ///< position of the current sample
    bool started = false;   ///< false until the operation's first sample step

    std::uint64_t sourceIndex = 0;    ///< slot of the operation copied from (Overdub, Multiply)
    std::uint64_t copyStop = 0;       ///< source position at which an Overdub's copy pass ends
    std::uint64_t sourceStart = 0;    ///< first position of the source region
    std::uint64_t sourceEnd = 0;      ///< last position of the source region
    std::uint64_t sourcePosition = 0; ///< read position in the source region
    std::uint64_t jumpFrom = 0;       ///< old position that the crossfade after a retrigger fades out from
    std::uint64_t loopStart = 0;      ///< position a retrigger jumps to: the loop's beginning as heard

    GainRamp writeGain;   ///< record gate (Record), copy gate (Overdub), extension gate (Multiply)
    GainRamp overdubGain; ///< level at which the input is added to the layer (Overdub, Multiply)
    GainRamp playGain;    ///< level of the layer in the output
    GainRamp jumpGain;    ///< weight of the new position during the crossfade after a retrigger
};

} // namespace looper
