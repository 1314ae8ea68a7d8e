#include "PulseMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 480; // 10 ms

void prepare (PulseMeter& meter)
{
    meter.prepare ({ kSampleRate, static_cast<juce::uint32> (kBlockSize), 1 }, 0.0f, 250.0f);
}

/** Feeds one block whose sample i is input (i) and publishes it. */
template <typename Input>
void feedBlock (PulseMeter& meter, Input input)
{
    meter.startBlock();
    for (int i = 0; i < kBlockSize; ++i)
        meter.processSample (input (i));
    meter.endBlock();
}

void feedSilentBlocks (PulseMeter& meter, int blocks)
{
    for (int b = 0; b < blocks; ++b)
        feedBlock (meter, [] (int) { return 0.0f; });
}
} // namespace

TEST (PulseMeter, PulsePublishesFullLevelThenDecaysOver250Milliseconds)
{
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int i) { return i == 100 ? 1.0f : 0.0f; });
    EXPECT_EQ (meter.takeLevel(), 1.0f);

    // The next block's peak is its first sample, one sample into the decay.
    feedBlock (meter, [] (int) { return 0.0f; });
    const float afterOneBlock = meter.takeLevel();
    EXPECT_LT (afterOneBlock, 1.0f);
    EXPECT_GT (afterOneBlock, 0.5f);

    // 250 ms after the pulse the envelope has fallen to about e^-2pi of it.
    feedSilentBlocks (meter, 24);
    const float at250ms = meter.takeLevel();
    EXPECT_NEAR (at250ms, std::exp (-2.0 * juce::MathConstants<double>::pi), 0.0005);
}

TEST (PulseMeter, GateHeldAtOnePublishesOneEveryBlock)
{
    PulseMeter meter;
    prepare (meter);
    for (int b = 0; b < 5; ++b)
    {
        feedBlock (meter, [] (int) { return 1.0f; });
        EXPECT_EQ (meter.takeLevel(), 1.0f);
    }
}

TEST (PulseMeter, ValuesBetweenZeroAndOneRiseInstantly)
{
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int i) { return i == kBlockSize - 1 ? 0.5f : 0.0f; });
    EXPECT_FLOAT_EQ (meter.takeLevel(), 0.5f);
}

TEST (PulseMeter, EachPublishedLevelIsReadOnce)
{
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int) { return 1.0f; });
    EXPECT_EQ (meter.takeLevel(), 1.0f);
    EXPECT_EQ (meter.takeLevel(), 0.0f);
}

TEST (PulseMeter, SilentBlocksAfterTheDecayPublishNothing)
{
    // The processor feeds its meters with denormals flushed to zero, which is
    // what lets the envelope reach 0.
    const juce::ScopedNoDenormals noDenormals;
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int) { return 1.0f; });
    feedSilentBlocks (meter, 2000); // 20 s: the envelope has died away
    meter.takeLevel();

    feedSilentBlocks (meter, 3);
    EXPECT_EQ (meter.takeLevel(), 0.0f);
    EXPECT_EQ (meter.blockPeak, 0.0f);
}

TEST (PulseMeter, LatestBlockOverwritesAnUnreadLevel)
{
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int) { return 1.0f; });
    feedBlock (meter, [] (int i) { return i == 0 ? 0.25f : 0.0f; });
    EXPECT_LT (meter.takeLevel(), 1.0f) << "the reader sees the most recent block, not the largest";
}

TEST (PulseMeter, PrepareClearsTheFilterButKeepsThePublishedLevel)
{
    PulseMeter meter;
    prepare (meter);
    feedBlock (meter, [] (int) { return 1.0f; });
    prepare (meter);
    EXPECT_EQ (meter.level.load(), 1.0f);

    feedBlock (meter, [] (int) { return 0.0f; });
    EXPECT_EQ (meter.blockPeak, 0.0f) << "no decay tail is left after prepare";
}
