#include "Engine.h"

#include <cmath>

namespace looper
{

namespace
{
    bool isExtending (OperationKind kind) noexcept
    {
        return kind == OperationKind::Overdub || kind == OperationKind::Multiply;
    }

    constexpr auto kMemorySize = static_cast<Position> (Engine::kLoopMemorySamples);

    // The source, jump and loop-start fields hold positions as unsigned numbers.
    std::size_t memoryIndexOf (std::uint64_t position) noexcept
    {
        return static_cast<std::size_t> (position % Engine::kLoopMemorySamples);
    }
} // namespace

Engine::Engine()
    : loopMemory (kLoopMemorySamples, 0.0f)
{
}

std::size_t Engine::memoryIndex (Position position) noexcept
{
    // Positions are never negative in use, but a fresh slot holds -1: the
    // remainder is taken so that no position can address outside the memory.
    if (position >= 0)
        return memoryIndexOf (static_cast<std::uint64_t> (position));

    const auto remainder = position % kMemorySize;
    return static_cast<std::size_t> (remainder < 0 ? remainder + kMemorySize : remainder);
}

float Engine::process (float dt, float x) noexcept
{
    // One bad sample from the host must not poison the loop for good.
    if (! std::isfinite (x))
        x = 0.0f;

    // Without an event neither the history nor the transport can change.
    const bool anyEvent = (recordEvent | overdubEvent | multiplyEvent | undoEvent | redoEvent | retrigEvent | resetEvent) != 0;

    if (anyEvent)
        applyHistoryEvents();

    if (current().writeGain.state == GainState::On)
        applyMemoryLimit();

    if (anyEvent)
        applyTransportAction (decideTransportAction());

    float sum = 0.0f;
    walkHistory ([&] (Operation& operation) {
        if (operation.kind != OperationKind::None)
            sum += stepOperation (operation, dt, x);
    });

    const auto& cur = current();

    if (cur.kind == OperationKind::Record && cur.writeGain.state == GainState::On)
        monitorGain = 1.0f;
    else
        monitorGain = cur.overdubGain.state == GainState::On ? 1.0f : 0.0f;

    return sum;
}

template <typename Visitor>
void Engine::walkHistory (Visitor&& visit) noexcept
{
    // With a single kept operation the walk covers the whole ring, ending with
    // that operation, so layers it replaced can still fade out behind it.
    const auto count = firstIndex == lastIndex ? kSlotCount
                                               : static_cast<std::size_t> ((lastIndex + kSlotCount - firstIndex) % kSlotCount) + 1;
    auto index = static_cast<std::size_t> (firstIndex == lastIndex ? next (firstIndex) : firstIndex % kSlotCount);

    for (std::size_t n = 0; n < count; ++n)
    {
        visit (operations[index]);
        index = index + 1 == kSlotCount ? 0 : index + 1;
    }
}

void Engine::applyHistoryEvents() noexcept
{
    if (resetEvent > 0)
    {
        walkHistory ([] (Operation& operation) {
            operation.writeGain.fadeOut();
            operation.overdubGain.fadeOut();
            operation.playGain.fadeOut();
        });
        historyEmpty = true;
    }
    else if (undoEvent > 0)
    {
        if (historyEmpty)
            return;

        auto& cur = current();
        cur.playGain.fadeOut();
        cur.writeGain.fadeOut();
        cur.overdubGain.fadeOut();

        if (currentIndex == firstIndex)
        {
            historyEmpty = true;
        }
        else
        {
            currentIndex = prev (currentIndex);
            current().playGain.restartFromZero();
        }
    }
    else if (redoEvent > 0)
    {
        // Before the first operation the current slot is empty: nothing to bring back.
        if (current().kind == OperationKind::None)
            return;

        if (historyEmpty)
        {
            current().playGain.restartFromZero();
            historyEmpty = false;
        }
        else if (currentIndex != lastIndex)
        {
            current().playGain.fadeOut();
            currentIndex = next (currentIndex);
            current().playGain.restartFromZero();
        }
    }
}

void Engine::applyMemoryLimit() noexcept
{
    auto& cur = current();

    if (memoryIndex (cur.position + 1) != memoryIndex (oldestStart))
        return;

    // The writing has come round to the oldest kept layer. When that layer is
    // the writer itself, or the layer a multiply is still repeating, it cannot
    // be dropped: a recording or multiply stops there (a single recording
    // therefore ends at exactly the memory's length), while an Overdub goes
    // on, since its copy pass ends by itself.
    const bool oldestIsRepeated = cur.kind == OperationKind::Multiply && cur.sourceIndex == firstIndex;

    if (currentIndex == firstIndex || oldestIsRepeated)
    {
        if (cur.kind != OperationKind::Overdub)
        {
            cur.writeGain.state = GainState::FadingOut;
            cur.writeGain.target = 0.0f;
            cur.overdubGain.fadeOut();

            // A recording starts to play; a multiply already plays.
            if (cur.kind == OperationKind::Record)
                cur.playGain.restartFromZero();
        }
    }
    else
    {
        firstIndex = next (firstIndex);
        oldestStart = operations[firstIndex].start;
    }
}

Engine::TransportAction Engine::decideTransportAction() const noexcept
{
    const auto& cur = current();
    const auto kind = cur.kind;
    const bool writing = cur.writeGain.state == GainState::On;
    const bool overdubbing = cur.overdubGain.state == GainState::On;

    if (recordEvent == 1)
    {
        if (kind != OperationKind::Record || ! writing)
            return TransportAction::StartRecording;

        if (! recordHold)
            return TransportAction::Stop;
        // A second press while a held recording runs is ignored.
    }
    else if (recordEvent == -1 && kind == OperationKind::Record && writing && recordHold)
    {
        return TransportAction::Stop;
    }

    if (historyEmpty && (overdubEvent == 1 || multiplyEvent == 1))
        return TransportAction::StartRecording;

    if (retrigEvent == 1)
        return TransportAction::OverdubOff;

    if (overdubEvent == 1)
    {
        if (! overdubHold && kind == OperationKind::Overdub && overdubbing)
            return TransportAction::OverdubOff;
        if (isExtending (kind) && writing && ! overdubbing)
            return TransportAction::OverdubOn;
        if (kind == OperationKind::Overdub && ! writing)
            return TransportAction::StartOverdub;
        if (! overdubHold && kind == OperationKind::Multiply && overdubbing)
            return TransportAction::OverdubOff;
        if (kind != OperationKind::Overdub)
            return TransportAction::StartOverdub;
        // A held Overdub that is still copying ignores a second press.
    }
    else if (overdubEvent == -1 && overdubHold && isExtending (kind) && overdubbing)
    {
        return TransportAction::OverdubOff;
    }

    if (multiplyEvent == 1)
    {
        if (kind != OperationKind::Multiply || ! writing)
            return TransportAction::StartMultiply;
        if (! multiplyHold)
            return TransportAction::Stop;
        // A second press while a held multiply extends is ignored.
    }
    else if (multiplyEvent == -1 && multiplyHold && kind == OperationKind::Multiply && writing)
    {
        return TransportAction::Stop;
    }

    return TransportAction::Nothing;
}

void Engine::applyTransportAction (TransportAction action) noexcept
{
    auto& cur = current();

    switch (action)
    {
        case TransportAction::Nothing:
            break;

        case TransportAction::Stop:
            if (cur.writeGain.state == GainState::On)
                cur.writeGain.state = GainState::FadingOut;

            cur.writeGain.target = 0.0f;

            // A recording starts to play from its first sample while the seam crossfade runs.
            if (cur.kind == OperationKind::Record)
                cur.playGain.restartFromZero();
            break;

        case TransportAction::OverdubOff:
            cur.overdubGain.fadeOut();
            break;

        case TransportAction::OverdubOn:
            cur.overdubGain.restartFromZero();
            break;

        case TransportAction::StartRecording:
            startOperation (OperationKind::Record);
            break;

        case TransportAction::StartOverdub:
            startOperation (OperationKind::Overdub);
            break;

        case TransportAction::StartMultiply:
            startOperation (OperationKind::Multiply);
            break;
    }
}

void Engine::startOperation (OperationKind kind) noexcept
{
    // Choose the slot.
    std::uint64_t slot;
    const bool startsHistory = historyEmpty;
    bool dropOldest = false;

    if (startsHistory)
    {
        slot = currentIndex;
        firstIndex = slot;
        historyEmpty = false;
    }
    else
    {
        const auto& old = current();
        const bool oldCoversWholeMemory = old.end - old.start == kMemorySize - 1;

        slot = next (currentIndex);
        currentIndex = slot;
        dropOldest = slot == firstIndex || oldCoversWholeMemory;
    }

    lastIndex = slot;

    auto& previous = operations[prev (slot)];
    auto& operation = operations[slot];
    Position start = previous.end + 1;

    // The copy of a loop longer than half the memory wraps round onto the
    // loop itself. Started early in the loop, it would overwrite material
    // before reading it; such an overdub works over the loop in place from the
    // play position on, each sample read before it is written, and replaces
    // the loop in the history (which the copy would have dropped anyway).
    bool overdubsInPlace = false;
    if (kind == OperationKind::Overdub)
    {
        const Position length = previous.end + 1 - previous.start;
        const Position offset = previous.position - previous.start + 1;
        overdubsInPlace = offset < length && offset < 2 * length - kMemorySize;

        if (overdubsInPlace)
            start = previous.start + offset;
    }

    // End the previous layer. An Overdub's copy pass always runs to its end,
    // so that its layer is complete when undo comes back to it.
    if (previous.kind != OperationKind::Overdub)
        previous.writeGain.fadeOut();

    bool overdubTakenOver = false;

    if (kind == OperationKind::Multiply)
    {
        if (previous.overdubGain.state == GainState::On)
        {
            // The multiply goes on overdubbing where the previous layer did.
            operation.overdubGain.restartFromZero();
            previous.overdubGain.state = GainState::FadingOut;
            overdubTakenOver = true;
        }
        previous.overdubGain.target = 0.0f;
    }
    else
    {
        previous.overdubGain.fadeOut();
    }
    previous.playGain.fadeOut();

    // Fill the new operation.
    operation.kind = kind;
    operation.start = start;
    operation.end = start;
    operation.position = start;
    operation.started = false;

    // A slot keeps its previous occupant's overdub gain; one left On (by an
    // operation that was overdubbing when redo moved past it) would make a new
    // recording or multiply overdub without being asked to.
    if (! overdubTakenOver && operation.overdubGain.state == GainState::On)
        operation.overdubGain.set (GainState::Off, 0.0f, 0.0f);

    switch (kind)
    {
        case OperationKind::Record:
            operation.loopStart = static_cast<std::uint64_t> (start);
            operation.writeGain.set (GainState::On, 0.0f, 1.0f);
            operation.writeGain.setTimes (0.0f, writeFadeOutTime);
            operation.playGain.set (GainState::Off, 0.0f, 0.0f);
            break;

        case OperationKind::Overdub:
        {
            // Map the source's loop beginning into the new region: the copy
            // begins one sample after the source's current position.
            const Position length = previous.end + 1 - previous.start;
            const Position offset = previous.position - previous.start + 1;
            const Position loopBegin = static_cast<Position> (previous.loopStart) - previous.start;
            operation.loopStart = static_cast<std::uint64_t> (start + loopBegin - offset + (loopBegin < offset ? length : 0));

            operation.writeGain.set (GainState::On, 0.0f, 1.0f);
            operation.writeGain.setTimes (0.0f, 0.0f);
            operation.overdubGain.set (GainState::On, 0.0f, 1.0f);
            operation.overdubGain.setTimes (writeFadeInTime, writeFadeOutTime);
            operation.playGain.set (GainState::On, 0.0f, 1.0f);
            break;
        }

        case OperationKind::Multiply:
            operation.loopStart = static_cast<std::uint64_t> (start);
            operation.writeGain.set (GainState::On, 0.0f, 1.0f);
            operation.writeGain.setTimes (writeFadeInTime, writeFadeOutTime);
            operation.overdubGain.setTimes (writeFadeInTime, writeFadeOutTime);
            operation.playGain.set (GainState::On, 0.0f, 1.0f);
            break;

        case OperationKind::None:
            break;
    }

    if (kind != OperationKind::Record)
    {
        operation.sourceIndex = prev (slot);
        operation.sourceStart = static_cast<std::uint64_t> (previous.start);
        operation.sourceEnd = static_cast<std::uint64_t> (previous.end);
        operation.sourcePosition = static_cast<std::uint64_t> (previous.position);
        operation.copyStop = static_cast<std::uint64_t> (previous.position);
    }

    operation.playGain.setTimes (playFadeInTime, playFadeOutTime);
    operation.jumpGain.set (GainState::On, 1.0f, 1.0f);
    operation.jumpGain.setTimes (jumpFadeInTime, jumpFadeOutTime);

    // The ring is full, or the old layer filled the whole memory: the oldest
    // kept layer goes.
    if (dropOldest)
        firstIndex = next (firstIndex);

    if (overdubsInPlace)
        firstIndex = slot;

    if (startsHistory || dropOldest || overdubsInPlace)
        oldestStart = operations[firstIndex].start;
}

float Engine::stepOperation (Operation& op, float dt, float x) noexcept
{
    // Retrigger: a layer that is writing or overdubbing ignores it and sits
    // this sample out; the others jump to their loop beginning and crossfade.
    if (retrigEvent == 1)
    {
        if (op.writeGain.state == GainState::On || (isExtending (op.kind) && op.overdubGain.state == GainState::On))
            return 0.0f;

        op.jumpFrom = static_cast<std::uint64_t> (op.position);
        op.position = static_cast<Position> (op.loopStart) - 1;
        op.jumpGain.restartFromZero();
    }

    // A layer whose gains have all come to rest at 0 (Off holds value and
    // target 0) would neither change them nor write or play anything: it only
    // moves on.
    const bool atRest = op.started && op.writeGain.state == GainState::Off && op.playGain.state == GainState::Off
                        && (op.overdubGain.state == GainState::Off || op.kind == OperationKind::Record)
                        && op.jumpGain.value == op.jumpGain.target && op.jumpGain.state != GainState::FadingOut;

    if (! atRest)
    {
        op.writeGain.step (dt);
        if (isExtending (op.kind))
            op.overdubGain.step (dt);
        op.playGain.step (dt);
        op.jumpGain.step (dt);
    }

    auto writeState = op.writeGain.state;

    const auto advancePositions = [&op] {
        op.position = op.position >= op.end ? op.start : op.position + 1;
        op.jumpFrom = op.jumpFrom + 1 > static_cast<std::uint64_t> (op.end) ? static_cast<std::uint64_t> (op.start) : op.jumpFrom + 1;
    };
    const auto advanceSource = [&op] {
        op.sourcePosition = op.sourcePosition + 1 > op.sourceEnd ? op.sourceStart : op.sourcePosition + 1;
    };

    if (! op.started)
    {
        if (isExtending (op.kind))
        {
            // The source has already stepped this sample when it lies earlier in the walk.
            op.sourcePosition = static_cast<std::uint64_t> (operations[op.sourceIndex].position);
            op.copyStop = op.sourcePosition;

            // An Overdub's region is exactly as long as its source.
            if (op.kind == OperationKind::Overdub)
                op.end = op.start + static_cast<Position> (op.sourceEnd - op.sourceStart);
        }
    }
    else
    {
        switch (op.kind)
        {
            case OperationKind::Record:
                if (writeState == GainState::On)
                    ++op.end;
                advancePositions();
                break;

            case OperationKind::Overdub:
                if (writeState == GainState::On)
                {
                    advanceSource();

                    // One whole cycle of the source copied: the copy pass is complete.
                    if (op.sourcePosition == op.copyStop)
                    {
                        op.writeGain.state = GainState::FadingOut;
                        op.writeGain.target = 0.0f;
                        writeState = GainState::FadingOut;
                    }
                }
                advancePositions();
                break;

            case OperationKind::Multiply:
                advanceSource();
                if (writeState == GainState::On)
                    ++op.end;
                advancePositions();
                break;

            case OperationKind::None:
                break;
        }
    }

    op.started = true;

    // A layer that neither writes, overdubs nor plays would only rewrite the
    // memory with what it holds and add silence.
    if (atRest || (writeState == GainState::Off && op.overdubGain.value == 0.0f && op.playGain.value == 0.0f))
        return 0.0f;

    const float g1 = op.writeGain.value;
    const float g2 = op.overdubGain.value;
    const float g3 = op.playGain.value;
    const float g4 = op.jumpGain.value;
    const float kept = 1.0f - (g2 - feedback * g2);

    float* memory = loopMemory.data();
    float& here = memory[memoryIndex (op.position)];
    float y = 0.0f;

    switch (op.kind)
    {
        case OperationKind::Record:
            if (writeState == GainState::On)
            {
                // A recording is silent while it records.
                here = x;
            }
            else if (writeState == GainState::FadingOut)
            {
                // The seam: what follows the stop fades in over the loop's first samples.
                y = here;
                here = (1.0f - g1) * y + g1 * x;
            }
            else
            {
                y = here;
            }
            break;

        case OperationKind::Overdub:
        {
            const float a = writeState == GainState::On ? memory[memoryIndexOf (op.sourcePosition)] : here;
            here = kept * a + g2 * x;
            y = a;
            break;
        }

        case OperationKind::Multiply:
        {
            const float a = memory[memoryIndexOf (op.sourcePosition)];
            const float b = here;

            // Overdubbing keeps the feedback's share of what the layer plays,
            // in the extension as in the passes after it.
            if (writeState == GainState::On)
            {
                here = kept * a + g2 * x;
                y = a;
            }
            else if (writeState == GainState::FadingOut)
            {
                y = (1.0f - g1) * b + g1 * a;
                here = kept * y + g2 * x;
            }
            else
            {
                here = kept * b + g2 * x;
                y = b;
            }
            break;
        }

        case OperationKind::None:
            break;
    }

    // Outside a retrigger's crossfade the old position has no weight.
    if (g4 == 1.0f)
        return y * g3;

    return (y * g4 + (1.0f - g4) * memory[memoryIndexOf (op.jumpFrom)]) * g3;
}

} // namespace looper
