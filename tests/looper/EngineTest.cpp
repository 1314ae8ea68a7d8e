#include "EngineTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace looper;
using namespace looper::testing;

namespace
{
constexpr auto kMemory = static_cast<Position> (Engine::kLoopMemorySamples);
constexpr int kFadeSamples = 120; // 2.5 ms at 48 kHz

/** Records a loop of the given length in toggle mode with ramp() as input; the
    stop press is the sample after the last recorded one. Returns the input
    index of the next sample.
*/
std::int64_t recordLoop (EngineDriver& driver, std::int64_t length)
{
    driver.press (Action::Record, ramp (0));
    driver.run (length - 1, [] (std::int64_t n) { return ramp (n + 1); });
    driver.press (Action::Record, ramp (length));
    return length + 1;
}
} // namespace

TEST (LoopEngine, FreshEngineIsSilentAndEmpty)
{
    EngineDriver driver (false);
    EXPECT_EQ (driver.run (1000, ramp), 0.0f);
    EXPECT_TRUE (driver.engine->historyEmpty);
    EXPECT_EQ (driver.engine->monitorGain, 0.0f);
    EXPECT_EQ (driver.engine->loopMemory.size(), Engine::kLoopMemorySamples);
}

TEST (LoopEngine, RecordStopPlaysBackTheTake)
{
    EngineDriver driver (false);

    // Pressed on call 1, pressed again on call 301.
    EXPECT_EQ (driver.press (Action::Record, ramp (0)), 0.0f);
    EXPECT_EQ (driver.engine->monitorGain, 1.0f);
    for (int n = 1; n < 300; ++n)
        EXPECT_EQ (driver.step (ramp (n)), 0.0f) << "a recording is silent while it records";

    const auto& take = driver.slot (0);
    EXPECT_EQ (take.kind, OperationKind::Record);
    EXPECT_EQ (take.start, 0);
    EXPECT_EQ (take.end, 299);
    EXPECT_EQ (take.writeGain.state, GainState::On);
    for (int n = 0; n < 300; ++n)
        ASSERT_EQ (driver.memoryAt (n), ramp (n));

    const float seamInput = 0.5f;
    const float firstOutput = driver.press (Action::Record, seamInput);

    EXPECT_EQ (take.end, 299);
    EXPECT_EQ (take.loopStart, 0u);
    EXPECT_EQ (take.position, 0);
    EXPECT_EQ (take.writeGain.state, GainState::FadingOut);
    EXPECT_EQ (take.playGain.state, GainState::On);
    EXPECT_EQ (driver.engine->monitorGain, 0.0f);

    // The layer fades in from its first sample while the input after the stop
    // is blended over the loop's beginning.
    const float g1 = take.writeGain.value;
    const float g3 = take.playGain.value;
    EXPECT_FLOAT_EQ (g3, kSampleDuration / kFadeTime);
    EXPECT_FLOAT_EQ (g1, 1.0f - kSampleDuration / kFadeTime);
    EXPECT_EQ (firstOutput, ramp (0) * g3);
    EXPECT_EQ (driver.memoryAt (0), (1.0f - g1) * ramp (0) + g1 * seamInput);

    // After the fades the loop plays what was recorded past the seam.
    driver.run (300 + kFadeSamples + 1);
    for (int n = kFadeSamples + 2; n < 300; ++n)
        ASSERT_EQ (driver.step (0.0f), ramp (n)) << "sample " << n;
    EXPECT_EQ (take.writeGain.state, GainState::Off);
}

TEST (LoopEngine, TriggerModesStartAndStopTheRecording)
{
    struct Case
    {
        const char* name;
        bool hold;
        std::vector<std::int32_t> recordEvents; // one per sample, 0 samples in between
        std::vector<bool> writingAfter;
    };
    const Case cases[] = {
        { "toggle: release changes nothing, next press stops", false, { 1, -1, 1 }, { true, true, false } },
        { "hold: press starts, release stops", true, { 1, -1 }, { true, false } },
        { "hold: a second press while held does nothing", true, { 1, 1, -1 }, { true, true, false } },
        { "toggle: a release alone starts nothing", false, { -1 }, { false } },
    };

    for (const auto& c : cases)
    {
        EngineDriver driver (c.hold);
        for (std::size_t i = 0; i < c.recordEvents.size(); ++i)
        {
            driver.step (0.1f, { { Action::Record, c.recordEvents[i] } });
            driver.run (10);
            const bool writing = driver.current().kind == OperationKind::Record
                                 && driver.current().writeGain.state == GainState::On;
            EXPECT_EQ (writing, c.writingAfter[i]) << c.name << ", event " << i;
        }
    }
}

TEST (LoopEngine, OverdubOrMultiplyOnAnEmptyHistoryStartsARecording)
{
    for (const auto action : { Action::Overdub, Action::Multiply })
    {
        EngineDriver driver (false);
        driver.press (action, 0.3f);
        EXPECT_FALSE (driver.engine->historyEmpty);
        EXPECT_EQ (driver.slot (0).kind, OperationKind::Record);
        EXPECT_EQ (driver.slot (0).writeGain.state, GainState::On);
    }
}

TEST (LoopEngine, OverdubCopiesOneSourceCycleThenOverdubsInPlace)
{
    EngineDriver driver (false);
    recordLoop (driver, 300);
    driver.run (200); // the recording now plays at position 200

    ASSERT_EQ (driver.slot (0).position, 200);
    driver.press (Action::Overdub);

    const auto& overdub = driver.slot (1);
    EXPECT_EQ (driver.engine->currentIndex, 1u);
    EXPECT_EQ (overdub.kind, OperationKind::Overdub);
    EXPECT_EQ (overdub.start, 300);
    EXPECT_EQ (overdub.end, 599);
    EXPECT_EQ (overdub.loopStart, 399u);
    EXPECT_EQ (driver.engine->monitorGain, 1.0f);

    driver.run (299);
    EXPECT_EQ (overdub.writeGain.state, GainState::On);
    driver.run (1);
    EXPECT_EQ (overdub.writeGain.state, GainState::FadingOut) << "the copy pass ends after one source cycle";
    driver.run (1);
    EXPECT_EQ (overdub.writeGain.state, GainState::Off);
    EXPECT_EQ (overdub.overdubGain.state, GainState::On) << "overdubbing goes on in place";
    EXPECT_EQ (driver.engine->monitorGain, 1.0f);

    // With silent input and feedback 1 the copy is exact, and the loop's
    // beginning lands on loopStart.
    const auto loopOffset = static_cast<Position> (overdub.loopStart) - overdub.start;
    for (Position p = 0; p < 300; ++p)
        ASSERT_EQ (driver.memoryAt (overdub.start + (loopOffset + p) % 300), driver.memoryAt (p)) << p;
}

TEST (LoopEngine, OverdubHandsOverWithoutAGap)
{
    EngineDriver driver (false);
    recordLoop (driver, 300);
    driver.run (300 + 149); // the next sample plays position 150

    // The old layer fades out while the overdub fades in playing the same
    // material, and the overdub's own copy takes over after one cycle.
    std::vector<float> outputs { driver.press (Action::Overdub) };
    for (int n = 1; n < 450; ++n)
        outputs.push_back (driver.step (0.0f));
    outputs.push_back (driver.press (Action::Overdub)); // overdub off
    for (int n = 451; n < 750; ++n)
        outputs.push_back (driver.step (0.0f));

    for (std::size_t n = 0; n < outputs.size(); ++n)
        ASSERT_NEAR (outputs[n], driver.memoryAt (static_cast<Position> ((150 + n) % 300)), 1.0e-6f) << n;
}

TEST (LoopEngine, FeedbackSetsWhatOverdubbingKeeps)
{
    struct Case
    {
        Action layer;
        float feedback;
        bool overdubbing;
        float expected;
    };
    // Old material 0.5, input 0.25: overdubbing keeps feedback x old and adds
    // the input, also while a multiply extends the loop; with its gain at 0
    // the layer is copied unchanged.
    const Case cases[] = {
        { Action::Overdub, 1.0f, true, 0.75f },
        { Action::Overdub, 0.5f, true, 0.5f },
        { Action::Overdub, 0.0f, true, 0.25f },
        { Action::Overdub, 0.5f, false, 0.5f },
        { Action::Multiply, 1.0f, true, 0.75f },
        { Action::Multiply, 0.5f, true, 0.5f },
        { Action::Multiply, 0.0f, true, 0.25f },
        { Action::Multiply, 0.5f, false, 0.5f },
    };

    for (const auto& c : cases)
    {
        EngineDriver driver (false, 0.0f);
        driver.press (Action::Record, 0.5f);
        driver.run (99, [] (std::int64_t) { return 0.5f; });
        driver.press (Action::Record);
        driver.run (50);

        driver.engine->feedback = c.feedback;
        // Stay within the first pass, so that each sample is overdubbed once.
        // An overdub starts overdubbing and OVER stops it; a multiply starts
        // without, and OVER turns it on.
        driver.press (c.layer, 0.25f);
        if (c.overdubbing == (c.layer == Action::Multiply))
            driver.press (Action::Overdub, 0.25f);
        driver.run (98, [] (std::int64_t) { return 0.25f; });

        const auto& layer = driver.slot (1);
        EXPECT_EQ (layer.overdubGain.state, c.overdubbing ? GainState::On : GainState::Off);
        EXPECT_EQ (driver.memoryAt (layer.start + 50), c.expected)
            << (c.layer == Action::Multiply ? "multiply" : "overdub") << ", feedback " << c.feedback;
    }
}

TEST (LoopEngine, MultiplyStoppedWhileOverdubbingCrossfadesWithoutAStep)
{
    EngineDriver driver (false);
    const auto half = [] (std::int64_t) { return 0.5f; };
    driver.press (Action::Record, 0.5f);
    driver.run (299, half);
    driver.press (Action::Record, 0.5f);
    driver.run (600, half);

    // Multiplied while overdubbing silence at feedback 0.5, the extension
    // holds 0.25; the stop crossfades from the source into it.
    driver.engine->feedback = 0.5f;
    driver.press (Action::Multiply);
    driver.press (Action::Overdub);
    driver.run (447);
    std::vector<float> outputs { driver.press (Action::Multiply) };
    for (int n = 1; n < 200; ++n)
        outputs.push_back (driver.step (0.0f));

    for (std::size_t n = 1; n < outputs.size(); ++n)
        ASSERT_LT (std::abs (outputs[n] - outputs[n - 1]), 0.01f) << "sample " << n << " after the stop";
    EXPECT_FLOAT_EQ (outputs.back(), 0.25f);
}

TEST (LoopEngine, MultiplyHasTheLengthItRan)
{
    EngineDriver driver (false);
    recordLoop (driver, 300);
    driver.run (300 + 99); // the next sample plays position 100

    driver.press (Action::Multiply);
    driver.run (449);

    // Its region begins with the source material that played when it was pressed.
    const auto& multiply = driver.slot (1);
    for (Position j = 0; j < 450; ++j)
        ASSERT_EQ (driver.memoryAt (multiply.start + j), driver.memoryAt ((100 + j) % 300)) << j;

    driver.press (Action::Multiply);
    EXPECT_EQ (multiply.kind, OperationKind::Multiply);
    EXPECT_EQ (multiply.end - multiply.start + 1, 450);
    EXPECT_EQ (multiply.loopStart, static_cast<std::uint64_t> (multiply.start));
    EXPECT_EQ (multiply.writeGain.state, GainState::FadingOut) << "the seam crossfade runs";
}

TEST (LoopEngine, RetrigJumpsFinishedLayersToTheirLoopStart)
{
    EngineDriver driver (false);
    recordLoop (driver, 300);
    driver.run (300 + 200);

    const auto& take = driver.slot (0);
    ASSERT_EQ (take.position, 200);
    driver.press (Action::Retrig);

    EXPECT_EQ (take.position, 0);
    EXPECT_EQ (take.jumpFrom, 201u);
    EXPECT_EQ (take.jumpGain.state, GainState::On);
    EXPECT_FLOAT_EQ (take.jumpGain.value, kSampleDuration / kFadeTime);

    // After the crossfade it plays from the loop's beginning.
    driver.run (kFadeSamples);
    EXPECT_EQ (driver.step (0.0f), driver.memoryAt (kFadeSamples + 1));
}

TEST (LoopEngine, RetrigDuringRecordingSkipsThatSample)
{
    EngineDriver driver (false);
    driver.press (Action::Record, 0.1f);
    driver.run (9, [] (std::int64_t) { return 0.1f; });

    const auto& take = driver.slot (0);
    ASSERT_EQ (take.end, 9);
    driver.step (0.9f, { { Action::Retrig, 1 } });
    EXPECT_EQ (take.end, 9);
    EXPECT_EQ (take.writeGain.state, GainState::On) << "the recording goes on";

    driver.step (0.2f);
    EXPECT_EQ (take.end, 10);
    EXPECT_EQ (driver.memoryAt (10), 0.2f) << "the retrig sample's input is not recorded";
}

TEST (LoopEngine, UndoAndRedoWalkTheRing)
{
    EngineDriver driver (false);
    recordLoop (driver, 100);
    driver.press (Action::Overdub);
    driver.run (150);
    driver.press (Action::Multiply);
    driver.run (50);
    driver.press (Action::Multiply);
    driver.run (100);
    auto& e = *driver.engine;
    ASSERT_EQ (e.currentIndex, 2u);
    ASSERT_EQ (e.lastIndex, 2u);

    struct Step
    {
        Action action;
        std::uint64_t current;
        bool empty;
    };
    const Step steps[] = {
        { Action::Undo, 1, false },
        { Action::Undo, 0, false },
        { Action::Undo, 0, true },  // undoing the oldest empties the history
        { Action::Undo, 0, true },  // nothing more to undo
        { Action::Redo, 0, false }, // brings the current layer back
        { Action::Redo, 1, false },
        { Action::Redo, 2, false },
        { Action::Redo, 2, false }, // nothing more to redo
    };
    for (const auto& s : steps)
    {
        driver.press (s.action);
        EXPECT_EQ (e.currentIndex, s.current);
        EXPECT_EQ (e.historyEmpty, s.empty);
        if (! s.empty)
        {
            EXPECT_EQ (driver.current().playGain.state, GainState::On);
        }
        driver.run (200);
    }

    // A new operation after undo discards the redo range.
    driver.press (Action::Undo);
    driver.press (Action::Undo);
    driver.run (10);
    driver.press (Action::Multiply);
    EXPECT_EQ (e.currentIndex, 1u);
    EXPECT_EQ (e.lastIndex, 1u);
    EXPECT_EQ (driver.current().kind, OperationKind::Multiply);
}

TEST (LoopEngine, UndoOfTheOnlyLayerSilencesItAndRedoBringsItBack)
{
    for (const auto silencer : { Action::Undo, Action::Reset })
    {
        EngineDriver driver (false);
        recordLoop (driver, 300);
        driver.run (600);
        ASSERT_NE (driver.step (0.0f), 0.0f);

        const auto positionBefore = driver.slot (0).position;
        driver.press (silencer);
        EXPECT_TRUE (driver.engine->historyEmpty);
        driver.run (kFadeSamples);
        EXPECT_EQ (driver.run (300), 0.0f);
        EXPECT_EQ (driver.slot (0).position, (positionBefore + 1 + kFadeSamples + 300) % 300) << "a silent layer keeps time";

        driver.press (Action::Redo);
        EXPECT_FALSE (driver.engine->historyEmpty);
        EXPECT_EQ (driver.slot (0).playGain.state, GainState::On);
        EXPECT_FLOAT_EQ (driver.slot (0).playGain.value, kSampleDuration / kFadeTime) << "fades in from 0";
        driver.run (kFadeSamples);
        const float output = driver.step (0.0f);
        EXPECT_EQ (output, driver.memoryAt (driver.slot (0).position));
    }
}

TEST (LoopEngine, ResetFadesEveryLayerOut)
{
    EngineDriver driver (false);
    recordLoop (driver, 100);
    driver.press (Action::Overdub, 0.5f);
    driver.run (50, [] (std::int64_t) { return 0.5f; });

    driver.press (Action::Reset);
    EXPECT_TRUE (driver.engine->historyEmpty);
    for (std::uint64_t i = 0; i < 2; ++i)
    {
        EXPECT_NE (driver.slot (i).playGain.state, GainState::On);
        EXPECT_NE (driver.slot (i).overdubGain.state, GainState::On);
        EXPECT_NE (driver.slot (i).writeGain.state, GainState::On);
    }
    driver.run (kFadeSamples);
    EXPECT_EQ (driver.run (500, ramp), 0.0f);

    // A new recording starts a new history in the current slot.
    driver.press (Action::Record);
    EXPECT_EQ (driver.engine->firstIndex, 1u);
    EXPECT_EQ (driver.engine->lastIndex, 1u);
    EXPECT_EQ (driver.current().kind, OperationKind::Record);
}

TEST (LoopEngine, RedoBeforeAnyOperationDoesNothing)
{
    EngineDriver driver (false);
    driver.press (Action::Redo);
    EXPECT_TRUE (driver.engine->historyEmpty);
    EXPECT_EQ (driver.slot (0).kind, OperationKind::None);

    // The engine then works as usual: the overdub of a recording completes its copy pass.
    recordLoop (driver, 100);
    driver.press (Action::Overdub);
    driver.run (101);
    EXPECT_EQ (driver.slot (1).writeGain.state, GainState::Off);
    EXPECT_EQ (driver.slot (1).end - driver.slot (1).start, 99);
}

TEST (LoopEngine, SixthOperationDropsTheOldest)
{
    EngineDriver driver (false);
    recordLoop (driver, 100);
    for (int i = 0; i < 5; ++i)
    {
        driver.press (Action::Multiply);
        driver.run (20);
        driver.press (Action::Multiply);
        driver.run (20);
    }
    auto& e = *driver.engine;
    EXPECT_EQ (e.currentIndex, 0u);
    EXPECT_EQ (e.lastIndex, 0u);
    EXPECT_EQ (e.firstIndex, 1u);
    EXPECT_EQ (e.oldestStart, driver.slot (1).start);

    for (int i = 0; i < 4; ++i)
        driver.press (Action::Undo);
    EXPECT_EQ (e.currentIndex, 1u);
    EXPECT_FALSE (e.historyEmpty);
    driver.press (Action::Undo);
    EXPECT_TRUE (e.historyEmpty) << "the first recording can no longer be reached";
}

TEST (LoopEngine, UnstoppedRecordingEndsAtTheMemoryLength)
{
    EngineDriver driver (false);
    driver.press (Action::Record, 0.25f);
    driver.run (kMemory - 1, [] (std::int64_t) { return 0.25f; });
    EXPECT_EQ (driver.slot (0).writeGain.state, GainState::On);

    driver.step (0.25f);
    const auto& take = driver.slot (0);
    EXPECT_EQ (take.end - take.start + 1, kMemory);
    EXPECT_EQ (take.writeGain.state, GainState::FadingOut);
    EXPECT_EQ (take.playGain.state, GainState::On) << "it starts playing";
    driver.run (kFadeSamples);
    EXPECT_EQ (driver.step (0.0f), 0.25f);
}

TEST (LoopEngine, WritingIntoTheOldestLayerDropsItAndGoesOn)
{
    EngineDriver driver (false);
    recordLoop (driver, 900'000);
    driver.press (Action::Multiply);
    driver.run (99'999);
    driver.press (Action::Multiply); // a layer of 100'000 after the recording
    driver.press (Action::Multiply);

    auto& e = *driver.engine;
    const auto& multiply = driver.slot (2);
    driver.run (kMemory - 1'000'000 - 1);
    EXPECT_EQ (e.firstIndex, 0u);
    driver.run (1);
    EXPECT_EQ (e.firstIndex, 1u) << "the recording is dropped";
    EXPECT_EQ (e.oldestStart, driver.slot (1).start);
    EXPECT_EQ (multiply.writeGain.state, GainState::On) << "the multiply goes on";

    // It cannot drop the layer it repeats: it stops where that layer begins.
    driver.run (900'000);
    EXPECT_EQ (multiply.end - multiply.start + 1, kMemory - 100'000);
    EXPECT_EQ (multiply.writeGain.state, GainState::FadingOut);
    EXPECT_EQ (e.firstIndex, 1u);
}

TEST (LoopEngine, MultiplyStoppedByTheMemoryRepeatsItsLoopExactlyAndPlaysOn)
{
    EngineDriver driver (false);
    recordLoop (driver, 400'000);
    driver.run (1'000);
    std::vector<float> loop;
    for (Position p = 0; p < 400'000; ++p)
        loop.push_back (driver.memoryAt (p));

    driver.press (Action::Multiply);
    const auto playedFrom = static_cast<std::size_t> (driver.slot (0).position);
    driver.run (kMemory);

    const auto& multiply = driver.slot (1);
    ASSERT_NE (multiply.writeGain.state, GainState::On);
    EXPECT_EQ (multiply.playGain.value, 1.0f) << "no dip where the memory stops it";
    // Past the seam, where the loop's continuation faded into its beginning.
    for (Position j = kFadeSamples; j <= multiply.end - multiply.start; ++j)
        ASSERT_EQ (driver.memoryAt (multiply.start + j), loop[(playedFrom + static_cast<std::size_t> (j)) % loop.size()]) << "sample " << j;
}

TEST (LoopEngine, OverdubThatIsTheOnlyLayerKeepsItsSlotAtTheMemoryLimit)
{
    EngineDriver driver (false);
    driver.press (Action::Record, 0.25f);
    driver.run (kMemory, [] (std::int64_t) { return 0.25f; });

    // The recording covers the whole memory, so the overdub replaces it as the only kept layer.
    driver.press (Action::Overdub);
    auto& e = *driver.engine;
    ASSERT_EQ (e.firstIndex, 1u);
    ASSERT_EQ (e.lastIndex, 1u);

    driver.run (kMemory + 10);
    EXPECT_EQ (e.firstIndex, 1u);
    EXPECT_EQ (e.currentIndex, 1u);
    EXPECT_EQ (driver.slot (1).writeGain.state, GainState::Off) << "its copy pass ended by itself";

    driver.press (Action::Undo);
    EXPECT_TRUE (e.historyEmpty);
    driver.press (Action::Redo);
    EXPECT_EQ (e.currentIndex, 1u);
    driver.run (kFadeSamples);
    EXPECT_EQ (driver.step (0.0f), 0.25f);
}

TEST (LoopEngine, OverdubCopiesLoopsOfAnyLengthExactly)
{
    // A copy of a loop longer than half the memory wraps round onto the loop
    // itself; wherever the overdub starts, nothing may be overwritten before
    // it has been copied.
    const struct
    {
        std::int64_t length;
        std::int64_t playedBeforeOverdub;
    } cases[] = { { 300'000, 1'000 }, { 800'000, 1'000 }, { 800'000, 100'000 }, { 800'000, 250'000 }, { 1'000'000, 250'000 } };

    for (const auto& c : cases)
    {
        EngineDriver driver (false);
        recordLoop (driver, c.length);
        driver.run (c.playedBeforeOverdub);
        std::vector<float> loop;
        for (Position p = 0; p < c.length; ++p)
            loop.push_back (driver.memoryAt (p));

        driver.press (Action::Overdub);
        driver.press (Action::Overdub); // overdubbing off: a plain copy
        driver.run (c.length);

        const auto& overdub = driver.current();
        ASSERT_EQ (overdub.kind, OperationKind::Overdub);
        ASSERT_EQ (overdub.end - overdub.start + 1, c.length);
        const auto loopOffset = static_cast<Position> (overdub.loopStart) - overdub.start;
        for (Position p = 0; p < c.length; ++p)
            ASSERT_EQ (driver.memoryAt (overdub.start + (loopOffset + p) % c.length), loop[static_cast<std::size_t> (p)])
                << "loop of " << c.length << " overdubbed after " << c.playedBeforeOverdub << ", sample " << p;
    }
}

TEST (LoopEngine, MonitorGainFollowsRecordingAndOverdubbing)
{
    EngineDriver driver (false);
    driver.press (Action::Record);
    EXPECT_EQ (driver.engine->monitorGain, 1.0f);
    driver.run (99);
    driver.press (Action::Record);
    EXPECT_EQ (driver.engine->monitorGain, 0.0f);
    driver.press (Action::Overdub);
    EXPECT_EQ (driver.engine->monitorGain, 1.0f);
    driver.press (Action::Overdub);
    EXPECT_EQ (driver.engine->monitorGain, 0.0f);
}

TEST (LoopEngine, NonFiniteInputIsNeverRecorded)
{
    EngineDriver driver (false);
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity() };
    driver.press (Action::Record, 0.5f);
    for (const float x : bad)
        driver.step (x);
    driver.press (Action::Record, bad[0]);

    for (Position p = 1; p <= 3; ++p)
        EXPECT_EQ (driver.memoryAt (p), 0.0f);

    // Overdub and multiply layers stay finite too.
    driver.press (Action::Overdub, bad[1]);
    driver.run (10, [&] (std::int64_t n) { return bad[n % 3]; });
    driver.press (Action::Multiply, bad[2]);
    for (int n = 0; n < 1000; ++n)
        ASSERT_TRUE (std::isfinite (driver.step (bad[n % 3])));
    for (std::size_t i = 0; i < 2000; ++i)
        ASSERT_TRUE (std::isfinite (driver.engine->loopMemory[i]));
}

TEST (LoopEngine, PositionsPastThe32BitRangeBehaveTheSame)
{
    // The same session from a fresh engine and from one whose first operation
    // starts just below 2^31: every output must be identical.
    const auto session = [] (Position firstStart) {
        EngineDriver driver (false);
        driver.slot (Engine::prev (0)).end = firstStart - 1;

        std::vector<float> outputs;
        const auto play = [&] (int samples) {
            for (int n = 0; n < samples; ++n)
                outputs.push_back (driver.step (ramp (static_cast<std::int64_t> (outputs.size()))));
        };
        const auto press = [&] (Action action) {
            outputs.push_back (driver.press (action, ramp (static_cast<std::int64_t> (outputs.size()))));
        };

        press (Action::Record);
        play (700);
        press (Action::Record);
        play (300);
        press (Action::Overdub);
        play (900);
        press (Action::Multiply);
        play (1100);
        press (Action::Multiply);
        play (400);
        press (Action::Retrig);
        play (300);
        press (Action::Undo);
        play (300);
        press (Action::Redo);
        play (300);
        press (Action::Overdub);
        play (2500);
        return std::make_pair (outputs, driver.current().end);
    };

    const Position nearLimit = std::numeric_limits<std::int32_t>::max() - 1000;
    const auto [reference, referenceEnd] = session (0);
    const auto [shifted, shiftedEnd] = session (nearLimit);

    EXPECT_GT (shiftedEnd, Position { std::numeric_limits<std::int32_t>::max() });
    EXPECT_EQ (shiftedEnd - nearLimit, referenceEnd);
    ASSERT_EQ (reference.size(), shifted.size());
    for (std::size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ (reference[i], shifted[i]) << "sample " << i;
}
