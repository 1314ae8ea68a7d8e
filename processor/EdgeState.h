#pragma once

#include <cstdint>

/** State of the edge detector that turns an action's level into press and
    release events.
*/
enum class EdgeState : std::uint8_t
{
    Up = 0,
    Down = 1,
    Unknown = 2 ///< nothing seen yet: a level that is already on does not count as a press
};

/** Advances an edge detector by one sample of level v and returns the event:
    +1 when v reaches 1 from Up, -1 when it falls to 0 from Down, otherwise 0.
    Levels between 0 and 1 change nothing; the first decisive level after
    Unknown only sets the state.
*/
inline std::int32_t detectEdge (EdgeState& state, float v) noexcept
{
    const bool on = v >= 1.0f;
    const bool off = v <= 0.0f;
    const std::int32_t event = (on && state == EdgeState::Up ? 1 : 0) - (off && state == EdgeState::Down ? 1 : 0);

    state = on ? EdgeState::Down : (off ? EdgeState::Up : state);
    return event;
}
