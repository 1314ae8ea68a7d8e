#pragma once

#include "Operation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace looper
{

/** A mono loop engine that runs one sample at a time.

    It owns a fixed loop memory and a ring of five operation slots, each one
    layer of the loop's history. The caller writes the inputs (events, hold
    flags, feedback, fade times) into the public members, calls process() once
    per sample and reads the state it needs afterwards. The engine allocates
    only when it is constructed and takes no lock; use it from one thread.
*/
class Engine
{
public:
    /** Samples of loop memory: 30 seconds at 48 kHz. */
    static constexpr std::size_t kLoopMemorySamples = 1'440'000;

    /** Slots of the history ring. */
    static constexpr std::size_t kSlotCount = 5;

    /** Allocates the loop memory, all zeros, and five fresh slots. */
    Engine();

    /** One sample step: applies this sample's events, moves every layer of the
        history on by one sample and returns the sum of what they play.

        @param dt  duration of one sample in seconds (1 / sample rate), above 0
        @param x   this channel's input sample; a non-finite sample is taken as 0
    */
    float process (float dt, float x) noexcept;

    /** Index of the loop memory element that a position addresses: the
        non-negative remainder of the position modulo the memory's size.
    */
    static std::size_t memoryIndex (Position position) noexcept;

    /** Slot after i in the ring. */
    static std::uint64_t next (std::uint64_t i) noexcept { return (i + 1) % kSlotCount; }

    /** Slot before i in the ring. */
    static std::uint64_t prev (std::uint64_t i) noexcept { return (i + kSlotCount - 1) % kSlotCount; }

    /** The operation in the current slot. */
    Operation& current() noexcept { return operations[currentIndex]; }
    const Operation& current() const noexcept { return operations[currentIndex]; }

    /** Shared by all operations; a ring addressed by position modulo its size. */
    std::vector<float> loopMemory;

    /** The history ring. */
    std::array<Operation, kSlotCount> operations {};

    /** Edge events of the current sample, written by the caller before every
        call: +1 press, -1 release, 0 nothing.
    */
    std::int32_t recordEvent = 0;
    std::int32_t overdubEvent = 0;
    std::int32_t multiplyEvent = 0;
    std::int32_t undoEvent = 0;
    std::int32_t redoEvent = 0;
    std::int32_t retrigEvent = 0;
    std::int32_t resetEvent = 0;

    /** true: the action works while held (press starts, release ends);
        false: toggle (press starts, the next press ends).
    */
    bool recordHold = true;
    bool overdubHold = true;
    bool multiplyHold = true;

    /** Nothing is active: at start, after reset, after undoing the oldest operation. */
    bool historyEmpty = true;

    /** Slots of the oldest kept, the current and the newest operation. */
    std::uint64_t firstIndex = 0;
    std::uint64_t currentIndex = 0;
    std::uint64_t lastIndex = 0;

    /** Start of the oldest kept operation; new writing must not run into it. */
    Position oldestStart = -1;

    /** Gain for the dry input in the processor's Insert mix mode: 1 while the
        current layer records or overdubs, 0 otherwise.
    */
    float monitorGain = 0.0f;

    /** Fade times in seconds; 0 is instant. */
    float writeFadeInTime = 0.0f;
    float writeFadeOutTime = 0.0f;
    float playFadeInTime = 0.0f;
    float playFadeOutTime = 0.0f;
    float jumpFadeInTime = 0.0f;
    float jumpFadeOutTime = 0.0f;

    /** Share of the old layer kept where input is overdubbed, 0..1. */
    float feedback = 1.0f;

private:
    enum class TransportAction
    {
        Nothing,
        Stop,
        OverdubOff,
        OverdubOn,
        StartRecording,
        StartOverdub,
        StartMultiply
    };

    /** Reset, undo or redo: at most one acts, in that priority. */
    void applyHistoryEvents() noexcept;

    /** Keeps the current operation's writing from running into the oldest
        kept layer; called while the current operation writes.
    */
    void applyMemoryLimit() noexcept;

    /** The one transport action this sample's events call for. */
    TransportAction decideTransportAction() const noexcept;
    void applyTransportAction (TransportAction action) noexcept;

    /** Creates a Record, Overdub or Multiply after the current operation. */
    void startOperation (OperationKind kind) noexcept;

    /** Moves one operation on by one sample, writes its share of the input
        into the memory and returns what it plays.
    */
    float stepOperation (Operation& operation, float dt, float x) noexcept;

    /** Visits the slots of the history from the oldest to the newest kept
        operation; with a single kept operation, all five slots ending with it.
    */
    template <typename Visitor>
    void walkHistory (Visitor&& visit) noexcept;
};

} // namespace looper
