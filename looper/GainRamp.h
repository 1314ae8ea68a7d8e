#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace looper
{

/** What a gain is doing. The engine's decisions test the state, not the value. */
enum class GainState : std::int32_t
{
    On = 0,        ///< wanted: rising or held
    FadingOut = 1, ///< going away
    Off = 2        ///< reached 0 after a fade
};

/** Converts a fade time in seconds into a rate per second. A time of 0 is
    instant; so is a negative or NaN time, which has no meaningful rate.
*/
inline float rateForTime (float seconds) noexcept
{
    return seconds > 0.0f ? 1.0f / seconds : std::numeric_limits<float>::infinity();
}

/** A gain that moves linearly towards its target at separate rise and fall
    rates, one sample at a time.
*/
struct GainRamp
{
    /** Moves the value one sample of dt seconds towards the target; a fade-out
        that has arrived at exactly 0 becomes Off.
    */
    void step (float dt) noexcept
    {
        // A settled ramp would compute its own value again; skipping the
        // arithmetic gives the same result for any rate and finite dt > 0.
        if (value == target && state != GainState::FadingOut)
            return;

        value = std::max (value - fallRate * dt, std::min (target, value + riseRate * dt));

        if (value == 0.0f && state == GainState::FadingOut)
            state = GainState::Off;
    }

    /** Makes a wanted gain go away; whatever the state, the target becomes 0. */
    void fadeOut() noexcept
    {
        if (state == GainState::On)
            state = GainState::FadingOut;

        target = 0.0f;
    }

    /** Starts the gain again from silence towards 1. */
    void restartFromZero() noexcept
    {
        state = GainState::On;
        value = 0.0f;
        target = 1.0f;
    }

    /** Sets the state, value and target in one go. */
    void set (GainState newState, float newValue, float newTarget) noexcept
    {
        state = newState;
        value = newValue;
        target = newTarget;
    }

    /** Sets both rates from fade times in seconds. */
    void setTimes (float riseTime, float fallTime) noexcept
    {
        riseRate = rateForTime (riseTime);
        fallRate = rateForTime (fallTime);
    }

    float value = 0.0f;    ///< current gain, 0..1: the ramp's output
    float riseRate = 0.0f; ///< per second; +inf is instant
    float fallRate = 0.0f; ///< per second; +inf is instant
    GainState state = GainState::Off;
    float target = 0.0f; ///< the value the ramp moves towards
};

} // namespace looper
