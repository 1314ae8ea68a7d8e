#pragma once

#include "Engine.h"

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace looper::testing
{

enum class Action
{
    Record,
    Overdub,
    Multiply,
    Undo,
    Redo,
    Retrig,
    Reset
};

struct Event
{
    Action action;
    std::int32_t value; ///< +1 press, -1 release
};

constexpr float kSampleDuration = 1.0f / 48000.0f;
constexpr float kFadeTime = 0.0025f;

/** Drives an engine the way the processor does: all seven events written
    before every sample, cleared unless given.
*/
class EngineDriver
{
public:
    explicit EngineDriver (bool hold, float fadeTime = kFadeTime)
        : engine (std::make_unique<Engine>())
    {
        engine->recordHold = engine->overdubHold = engine->multiplyHold = hold;
        engine->writeFadeInTime = engine->writeFadeOutTime = fadeTime;
        engine->playFadeInTime = engine->playFadeOutTime = fadeTime;
        engine->jumpFadeInTime = engine->jumpFadeOutTime = fadeTime;
    }

    /** One sample with the given events; returns the engine's output. */
    float step (float input, std::initializer_list<Event> events = {})
    {
        auto& e = *engine;
        e.recordEvent = e.overdubEvent = e.multiplyEvent = 0;
        e.undoEvent = e.redoEvent = e.retrigEvent = e.resetEvent = 0;

        for (const auto& event : events)
            eventMember (event.action) = event.value;

        return e.process (kSampleDuration, input);
    }

    /** A press of one action on this sample. */
    float press (Action action, float input = 0.0f) { return step (input, { { action, 1 } }); }

    /** A release of one action on this sample. */
    float release (Action action, float input = 0.0f) { return step (input, { { action, -1 } }); }

    /** Runs samples without events, feeding input (n) for the n-th of them; returns the last output. */
    template <typename Input>
    float run (std::int64_t samples, Input input)
    {
        float output = 0.0f;
        for (std::int64_t n = 0; n < samples; ++n)
            output = step (input (n));
        return output;
    }

    float run (std::int64_t samples)
    {
        return run (samples, [] (std::int64_t) { return 0.0f; });
    }

    Operation& slot (std::uint64_t index) { return engine->operations[index]; }
    Operation& current() { return engine->current(); }
    float memoryAt (Position position) const { return engine->loopMemory[Engine::memoryIndex (position)]; }

    std::unique_ptr<Engine> engine;

private:
    std::int32_t& eventMember (Action action)
    {
        auto& e = *engine;
        switch (action)
        {
            case Action::Record: return e.recordEvent;
            case Action::Overdub: return e.overdubEvent;
            case Action::Multiply: return e.multiplyEvent;
            case Action::Undo: return e.undoEvent;
            case Action::Redo: return e.redoEvent;
            case Action::Retrig: return e.retrigEvent;
            case Action::Reset: return e.resetEvent;
        }
        return e.resetEvent;
    }
};

/** A distinct, easily checked input for the n-th sample. */
inline float ramp (std::int64_t n)
{
    return static_cast<float> (n % 997 + 1) * 0.001f;
}

} // namespace looper::testing
