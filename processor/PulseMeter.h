#pragma once

#include <juce_dsp/juce_dsp.h>

#include <atomic>

/** A status-light level with an instant rise and an exponential fall, handed
    from the audio thread to the editor.

    The audio thread feeds one control value per sample (a one-sample pulse, a
    gate or the mute value) between startBlock() and endBlock(); endBlock()
    publishes the block's peak. The editor takes the published level once per
    display refresh with takeLevel(), which leaves 0 behind.
*/
class PulseMeter
{
public:
    /** Prepares the envelope follower for a sample rate (one channel of state)
        and sets its attack and release times in milliseconds. Clears the
        follower's state but not the published level.
    */
    void prepare (const juce::dsp::ProcessSpec& spec, float attackTimeMs, float releaseTimeMs);

    /** Starts a new block: forgets the previous block's peak. [audio thread] */
    void startBlock() noexcept { blockPeak = 0.0f; }

    /** Feeds one sample of the control signal and keeps the block's peak. [audio thread] */
    void processSample (float input) noexcept
    {
        // A follower resting at 0 stays there for an input of 0; most lights
        // are idle most of the time, so this saves nearly all their work.
        if (input == 0.0f && lastOutput == 0.0f)
            return;

        lastOutput = filter.processSample (0, input);
        blockPeak = std::max (blockPeak, lastOutput);
    }

    /** Publishes the block's peak when it is above 0; otherwise the published
        level keeps its value. [audio thread]
    */
    void endBlock() noexcept
    {
        if (blockPeak > 0.0f)
            level.store (blockPeak, std::memory_order_relaxed);
    }

    /** Returns the published level and leaves 0 in its place, so each
        published value is seen at most once. [message thread]
    */
    float takeLevel() noexcept { return level.exchange (0.0f, std::memory_order_relaxed); }

    /** Published level, 0..1: the peak of the latest block that had one above 0. */
    std::atomic<float> level { 0.0f };

    /** Largest follower output within the current block. [audio thread only] */
    float blockPeak = 0.0f;

    /** Envelope follower in peak mode, one channel. [audio thread only] */
    juce::dsp::BallisticsFilter<float> filter;

private:
    float lastOutput = 0.0f; // the follower's latest output, which is also its state
};
