#include "ProcessorTestHelpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

/*  A long offline run of the processor: hours of a random but fixed-seed
    session (every action by parameter and, but for MUTE, by MIDI note, both
    switch modes, all mix modes, feedback, level and mute changes, blocks of
    1 to 4096 frames, an input of tones, noise, clicks and silences) rendered
    as fast as the machine goes. RAVELWICK_LONG_RUN_HOURS sets the length of
    audio; the default is the short run that the test command runs.

    Three processors run in lockstep on every block:
    - the reference, on the input x;
    - a repeat, on the same input, whose positions start 2^31 - 1000 frames
      away from the reference's (from 0 when the reference starts just below
      2^31, and the other way round): the two runs must give identical output,
      bit for bit, block by block. Where a loop lies in the loop memory must
      not matter, and nothing may differ from run to run;
    - an envelope, on |x|. Every gain, feedback, level and crossfade weight is
      in 0..1, and no decision of the engine depends on the audio, so each
      output sample is a sum of past input samples with weights >= 0, the
      same in the reference and the envelope. Hence |output| <= envelope
      output: a bound that holds for every sample. No fixed bound exists: at
      feedback 1, each pass of an overdub adds up to one more input's worth to
      the loop, for as long as the player keeps overdubbing.

    A glitch is a steady loop that does not repeat itself: whenever nothing
    writes to the loop and the controls are still, the output must repeat
    exactly, sample for sample, one loop length later. The run must play such
    a loop across position 2^31, where 32-bit positions would wrap: the engine
    moves its positions on by the length of every layer it writes, so a run of
    less than a day starts the engines' positions just below 2^31, and a day
    gets there on its own.
*/

using namespace processor_testing;

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kChannels = 2;
constexpr int kMaxBlockSize = 4096;
constexpr double kDefaultHours = 0.1;
constexpr double kHoursThatReach2To31 = 24.0;
constexpr std::uint64_t kSeed = 0x5eed'2024'100f'0001;
constexpr looper::Position k2To31 = looper::Position { 1 } << 31;
constexpr looper::Position kStartBelow2To31 = k2To31 - 1000;

// Float rounding differs between a sum of signed terms and the same sum of
// their magnitudes; this margin allows for that.
constexpr float kRoundingMargin = 1.0e-4f;

// Frames after the last event before a steady loop must repeat.
constexpr std::int64_t kSettleFrames = 4800;

// Output history for the repeat check: at least one loop of the longest kind.
constexpr std::size_t kHistorySize = std::size_t { 1 } << 21;
static_assert (kHistorySize >= looper::Engine::kLoopMemorySamples);

std::int64_t seconds (double s)
{
    return static_cast<std::int64_t> (s * kSampleRate);
}

/** xoshiro256**: the same numbers from every compiler and library. */
class Random
{
public:
    explicit Random (std::uint64_t seed)
    {
        for (auto& word : state)
        {
            seed += 0x9e3779b97f4a7c15;
            auto z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
            z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const auto result = rotate (state[1] * 5, 7) * 9;
        const auto t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = rotate (state[3], 45);
        return result;
    }

    /** Uniform in [0, 1). */
    double uniform() { return static_cast<double> (next() >> 11) * 0x1.0p-53; }

    double between (double low, double high) { return low + (high - low) * uniform(); }

    /** Uniform in low..high, both included. */
    std::int64_t integer (std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t> (next() % static_cast<std::uint64_t> (high - low + 1));
    }

    bool chance (double probability) { return uniform() < probability; }

private:
    static std::uint64_t rotate (std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::array<std::uint64_t, 4> state {};
};

/** Stereo test input in segments of a few seconds: tones, noise, clicks, a
    near-DC drone, a whisper and silence. Every sample lies within -1..1.
*/
class InputSignal
{
public:
    explicit InputSignal (std::uint64_t seed)
        : random (seed)
    {
        for (std::size_t i = 0; i < sineTable.size(); ++i)
            sineTable[i] = static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * static_cast<double> (i) / static_cast<double> (sineTable.size())));
    }

    /** Writes the next n samples of both channels; forced silence is exact zeros. */
    void render (float* const* channels, int n, bool forceSilence)
    {
        for (int i = 0; i < n; ++i)
        {
            if (remaining-- <= 0)
                startSegment();

            for (int c = 0; c < kChannels; ++c)
                channels[c][i] = forceSilence ? 0.0f : sample (voices[static_cast<std::size_t> (c)]);
        }
    }

private:
    enum class Kind
    {
        Silence,
        Tones,
        Noise,
        Clicks,
        Drone,
        Whisper
    };

    struct Voice
    {
        std::array<std::uint32_t, 2> phase {}, increment {};
        std::array<float, 2> amplitude {};
        float noise = 0.0f;
        std::uint32_t clickCountdown = 0, clickPeriod = 1;
    };

    void startSegment()
    {
        kind = static_cast<Kind> (random.integer (0, 5));
        remaining = seconds (random.between (0.05, 6.0));

        for (auto& v : voices)
        {
            const double frequencyRange = kind == Kind::Drone ? 0.5 : 4000.0;
            for (std::size_t p = 0; p < 2; ++p)
            {
                v.increment[p] = static_cast<std::uint32_t> (random.between (0.1, frequencyRange) / kSampleRate * 0x1.0p32);
                v.amplitude[p] = static_cast<float> (random.between (0.0, 0.5));
            }
            v.noise = static_cast<float> (kind == Kind::Whisper ? 1.0e-5 : random.between (0.0, 1.0));
            v.clickPeriod = static_cast<std::uint32_t> (random.integer (1, 24000));
        }
    }

    float sine (std::uint32_t phase) const { return sineTable[phase >> 20]; }

    float noise()
    {
        // Uniform in [-1, 1), from the random source's top 24 bits.
        return static_cast<float> (static_cast<std::int32_t> (random.next() >> 40) - (1 << 23)) * 0x1.0p-23f;
    }

    float sample (Voice& v)
    {
        switch (kind)
        {
            case Kind::Silence:
                return 0.0f;
            case Kind::Tones:
            case Kind::Drone:
                v.phase[0] += v.increment[0];
                v.phase[1] += v.increment[1];
                return v.amplitude[0] * sine (v.phase[0]) + v.amplitude[1] * sine (v.phase[1]);
            case Kind::Noise:
            case Kind::Whisper:
                return v.noise * noise();
            case Kind::Clicks:
                if (v.clickCountdown-- == 0)
                {
                    v.clickCountdown = v.clickPeriod;
                    return v.noise * (v.clickPeriod % 2 == 0 ? 1.0f : -1.0f);
                }
                return 0.0f;
        }
        return 0.0f;
    }

    Random random;
    std::array<float, 4096> sineTable {};
    Kind kind = Kind::Silence;
    std::int64_t remaining = 0;
    std::array<Voice, kChannels> voices {};
};

/** One processor of the lockstep with its buffers. */
struct Instance
{
    explicit Instance (looper::Position firstPosition)
    {
        processor.prepareToPlay (kSampleRate, kMaxBlockSize);
        buffer.setSize (kChannels, kMaxBlockSize);
        midi.ensureSize (1024);

        // A fresh engine starts its first layer after the end of the slot
        // before its current one.
        for (auto* engine : { &processor.leftEngine, &processor.rightEngine })
            engine->operations[looper::Engine::prev (engine->currentIndex)].end = firstPosition - 1;
    }

    void process (int n)
    {
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), kChannels, n);
        processor.processBlock (block, midi);
    }

    LooperAudioProcessor processor;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};

/** What the session does at a moment: sets a parameter or sends a note. */
struct SessionEvent
{
    int parameter = -1; ///< LooperAudioProcessor::ParameterIndex, or -1 for a note
    float value = 0.0f; ///< the parameter's value in its own range; for a note, 1 on and 0 off
    int note = 0;
};

/** A random player that looks at the looper and decides what to do next, and
    when. The reference processor's state shapes only the timing (loop
    lengths, and a listen to the loop across 2^31); every run sees the same
    state, so the session is the same.
*/
class Session
{
public:
    explicit Session (std::uint64_t seed)
        : random (seed)
    {
        warmUp = firstSteps();
    }

    /** Events due at the start of the block that begins at time t. */
    std::vector<SessionEvent> eventsDueAt (std::int64_t t, const looper::Engine& engine)
    {
        if (t >= nextDecision)
            decide (t, engine);

        std::vector<SessionEvent> due;
        while (! pending.empty() && pending.begin()->first <= t)
        {
            due.push_back (pending.begin()->second);
            pending.erase (pending.begin());
        }
        return due;
    }

    /** The session holds the input silent while it listens in the Mix mode. */
    bool inputSilentAt (std::int64_t t) const { return t >= silentFrom && t < silentUntil; }

    int blockSize()
    {
        const auto r = random.uniform();
        if (r < 0.1)
            return static_cast<int> (random.integer (1, 17));
        if (r < 0.7)
            return static_cast<int> (random.integer (32, 1024));

        constexpr std::array<int, 7> common { 128, 256, 480, 512, 1024, 2048, kMaxBlockSize };
        return common[static_cast<std::size_t> (random.integer (0, static_cast<std::int64_t> (common.size()) - 1))];
    }

    std::map<std::string, int> actionCounts;

private:
    enum Action
    {
        record,
        overdub,
        multiply,
        retrig,
        undo,
        redo,
        reset,
        numActions
    };

    static constexpr std::array<LooperAudioProcessor::ParameterIndex, numActions> parameterOf {
        LooperAudioProcessor::recordIndex, LooperAudioProcessor::overdubIndex, LooperAudioProcessor::multiplyIndex,
        LooperAudioProcessor::retrigIndex, LooperAudioProcessor::undoIndex, LooperAudioProcessor::redoIndex,
        LooperAudioProcessor::resetIndex
    };
    static constexpr std::array<int, numActions> noteOf { 60, 61, 62, 63, 64, 65, 67 };
    static constexpr std::array<const char*, numActions> nameOf { "REC", "OVER", "MULT", "TRIG", "UNDO", "REDO", "RESET" };

    // Longer than the longest block, so that a press and its release never
    // fall into one block (which would be no press at all).
    static constexpr double kTapSeconds = 0.1;

    void schedule (std::int64_t t, SessionEvent event) { pending.emplace (t, event); }

    void setParameter (std::int64_t t, LooperAudioProcessor::ParameterIndex parameter, float value)
    {
        schedule (t, { parameter, value, 0 });
    }

    /** A press at t and its release a tap later, by parameter or by note. */
    void tap (std::int64_t t, Action action, bool byNote, double holdSeconds = kTapSeconds)
    {
        ++actionCounts[std::string (nameOf[action]) + (byNote ? " by note" : "")];
        const auto release = t + seconds (holdSeconds);
        if (byNote)
        {
            schedule (t, { -1, 1.0f, noteOf[action] });
            schedule (release, { -1, 0.0f, noteOf[action] });
        }
        else
        {
            setParameter (t, parameterOf[action], 1.0f);
            setParameter (release, parameterOf[action], 0.0f);
        }
    }

    /** REC, OVER or MULT for a while: held down in Hold mode, pressed twice in Toggle mode. */
    void gesture (std::int64_t t, Action action, bool byNote, double duration)
    {
        duration = std::max (duration, 3.0 * kTapSeconds);

        if (hold)
        {
            tap (t, action, byNote, duration);
        }
        else
        {
            tap (t, action, byNote);
            tap (t + seconds (duration), action, byNote);
        }
    }

    /** Loop lengths from a fraction of a second to past the loop memory's
        30 seconds, where a recording stops by itself.
    */
    double recordingLength()
    {
        const auto r = random.uniform();
        if (r < 0.1)
            return random.between (0.3, 0.5);
        if (r < 0.75)
            return random.between (0.5, 6.0);
        if (r < 0.97)
            return random.between (6.0, 20.0);
        return random.between (30.0, 35.0);
    }

    enum Choice
    {
        recordALoop,
        overdubAWhile,
        multiplyAWhile,
        pressOnce,
        switchMute,
        changeFeedback,
        changeLevel,
        changeMixMode,
        changeSwitchMode,
        listenAWhile,
        numChoices
    };

    /** How often each choice comes up. Positions move on only with what the
        looper writes, so most of the time goes to recording, overdubbing and
        multiplying: a day of this session passes position 2^31.
    */
    static constexpr std::array<double, numChoices> weights { 32, 12, 30, 9, 3, 3, 2, 3, 3, 3 };

    /** One decision: what to do, and for an action which one and how. */
    struct Step
    {
        Choice choice;
        Action action = record;
        bool byNote = false;
    };

    /** A player first tries each action by parameter and by note, and every
        other control, in a random order; the short run sees them all.
    */
    std::vector<Step> firstSteps()
    {
        std::vector<Step> steps;
        for (bool byNote : { false, true })
        {
            steps.push_back ({ recordALoop, record, byNote });
            steps.push_back ({ overdubAWhile, overdub, byNote });
            steps.push_back ({ multiplyAWhile, multiply, byNote });
            for (auto action : { retrig, undo, redo, reset })
                steps.push_back ({ pressOnce, action, byNote });
        }
        for (auto choice : { switchMute, changeFeedback, changeLevel, changeMixMode, changeMixMode, changeSwitchMode, listenAWhile })
            steps.push_back ({ choice });

        for (auto i = steps.size() - 1; i > 0; --i)
            std::swap (steps[i], steps[static_cast<std::size_t> (random.integer (0, static_cast<std::int64_t> (i)))]);
        return steps;
    }

    Step randomStep()
    {
        Step step { choose() };
        step.byNote = random.chance (0.4);

        if (step.choice == overdubAWhile)
            step.action = overdub;
        else if (step.choice == multiplyAWhile)
            step.action = multiply;
        else if (step.choice == pressOnce)
        {
            constexpr std::array<Action, 4> actions { retrig, undo, redo, reset };
            constexpr std::array<double, 4> upTo { 0.30, 0.65, 0.90, 1.0 };
            const auto pick = random.uniform();
            std::size_t i = 0;
            while (pick >= upTo[i])
                ++i;
            step.action = actions[i];
        }
        return step;
    }

    Choice choose()
    {
        double total = 0.0;
        for (auto w : weights)
            total += w;

        auto r = random.uniform() * total;
        for (int choice = 0; choice < numChoices; ++choice)
        {
            r -= weights[static_cast<std::size_t> (choice)];
            if (r < 0.0)
                return static_cast<Choice> (choice);
        }
        return listenAWhile;
    }

    void decide (std::int64_t t, const looper::Engine& engine)
    {
        const auto& current = engine.current();
        const double loopSeconds = engine.historyEmpty ? 1.0 : static_cast<double> (current.end - current.start + 1) / kSampleRate;
        const double gap = random.between (0.1, 0.6);
        nextDecision = t + seconds (gap);

        // The first loop that spans position 2^31, where 32-bit positions
        // would wrap, gets a long listen.
        if (! listenedAcross2To31 && ! engine.historyEmpty && current.start < k2To31 && current.end >= k2To31)
        {
            listenedAcross2To31 = true;
            ++actionCounts["listen"];
            listen (pending.empty() ? t : pending.rbegin()->first, loopSeconds, 4.0);
            return;
        }

        // The session opens by recording a loop and listening to it.
        Step step { recordALoop };
        if (decisions++ > 0)
        {
            if (warmUp.empty())
                step = randomStep();
            else
            {
                step = warmUp.back();
                warmUp.pop_back();
            }
        }

        switch (step.choice)
        {
            case recordALoop:
            {
                const auto length = recordingLength();
                gesture (t, record, step.byNote, length);
                const auto end = t + seconds (length + kTapSeconds);
                nextDecision = end + seconds (gap);
                if (decisions == 1 || random.chance (0.1))
                    listen (end, std::min (length, 30.0));
                break;
            }

            case overdubAWhile:
            case multiplyAWhile:
            {
                const auto duration = std::min (random.between (step.action == overdub ? 0.3 : 0.5, step.action == overdub ? 1.5 : 3.0) * loopSeconds, 60.0);
                gesture (t, step.action, step.byNote, duration);
                // Now and then the next action comes while this one still runs.
                nextDecision = t + seconds (random.chance (0.2) ? random.between (0.2, duration) : duration + kTapSeconds + gap);
                break;
            }

            case pressOnce:
                tap (t, step.action, step.byNote);
                nextDecision += seconds (kTapSeconds);
                break;

            case switchMute:
                ++actionCounts["MUTE"];
                mute = random.chance (0.1) ? 0.5f : (mute > 0.0f ? 0.0f : 1.0f);
                setParameter (t, LooperAudioProcessor::muteIndex, mute);
                break;

            case changeFeedback:
            {
                ++actionCounts["feedback"];
                const auto f = random.uniform();
                setParameter (t, LooperAudioProcessor::feedbackIndex, f < 0.3 ? 1.0f : (f < 0.4 ? 0.0f : static_cast<float> (random.uniform())));
                break;
            }

            case changeLevel:
                ++actionCounts["level"];
                setParameter (t, LooperAudioProcessor::levelIndex, random.chance (0.3) ? 1.0f : static_cast<float> (random.uniform()));
                break;

            case changeMixMode:
                ++actionCounts["mix mode"];
                mixMode = (mixMode + 1) % 3;
                setParameter (t, LooperAudioProcessor::mixModeIndex, static_cast<float> (mixMode));
                break;

            case changeSwitchMode:
            {
                // Switching with a gesture under way would leave the gesture half
                // in one mode and half in the other; a player finishes it first.
                const auto when = pending.empty() ? t : pending.rbegin()->first;
                ++actionCounts["switch mode"];
                hold = ! hold;
                setParameter (when, LooperAudioProcessor::triggerModeIndex, hold ? 1.0f : 0.0f);
                nextDecision = std::max (nextDecision, when + seconds (gap));
                break;
            }

            case listenAWhile:
            case numChoices:
                ++actionCounts["listen"];
                listen (pending.empty() ? t : pending.rbegin()->first, loopSeconds);
                break;
        }
    }

    /** No action for a few loop lengths from `from` on. */
    void listen (std::int64_t from, double loopSeconds, double loops = 2.0)
    {
        const auto until = from + seconds (0.2 + random.between (loops, loops + 1.0) * loopSeconds);
        nextDecision = std::max (nextDecision, until);
        if (mixMode == 0)
        {
            silentFrom = from;
            silentUntil = until;
        }
    }

    Random random;
    std::multimap<std::int64_t, SessionEvent> pending;
    // Processing must have seen every action up before a first press counts.
    std::int64_t nextDecision = seconds (0.1);
    std::int64_t silentFrom = 0, silentUntil = 0;
    std::int64_t decisions = 0;
    std::vector<Step> warmUp;
    bool listenedAcross2To31 = false;
    bool hold = false;
    int mixMode = 0;
    float mute = 0.0f;
};

/** Nothing writes to the loop and every fade has settled: from here on, until
    the next action, the output repeats with the current layer's length.
*/
bool isSteady (const looper::Engine& engine)
{
    for (std::size_t i = 0; i < looper::Engine::kSlotCount; ++i)
    {
        const auto& op = engine.operations[i];
        if (op.kind == looper::OperationKind::None)
            continue;

        const bool playing = i == engine.currentIndex && ! engine.historyEmpty;
        if (op.writeGain.state != looper::GainState::Off)
            return false;
        if (op.kind != looper::OperationKind::Record && op.overdubGain.value != 0.0f)
            return false;
        if (op.playGain.value != (playing ? 1.0f : 0.0f) || op.playGain.target != op.playGain.value)
            return false;
        if (playing && op.jumpGain.value != 1.0f)
            return false;
    }
    return true;
}

double runHours()
{
    const char* text = std::getenv ("RAVELWICK_LONG_RUN_HOURS");
    return text != nullptr ? std::strtod (text, nullptr) : kDefaultHours;
}
} // namespace

TEST (LongRun, RandomSessionStaysBoundedRepeatsSteadyLoopsAndRendersTheSameTwice)
{
    const double hours = runHours();
    ASSERT_GT (hours, 0.0) << "RAVELWICK_LONG_RUN_HOURS must be a positive number of hours";
    const auto totalFrames = seconds (hours * 3600.0);
    const looper::Position firstPosition = hours >= kHoursThatReach2To31 ? 0 : kStartBelow2To31;

    auto reference = std::make_unique<Instance> (firstPosition);
    auto repeat = std::make_unique<Instance> (kStartBelow2To31 - firstPosition);
    auto envelope = std::make_unique<Instance> (firstPosition);
    const std::array<Instance*, 3> instances { reference.get(), repeat.get(), envelope.get() };

    Session session (kSeed);
    InputSignal input (kSeed + 1);
    Random midiTiming (kSeed + 2);

    // The reference's output one loop back; NaN marks a sample with dry input in it.
    std::vector<std::array<float, kChannels>> history (kHistorySize);

    const looper::Engine& engine = reference->processor.leftEngine;
    bool steady = false;
    std::int64_t steadyStart = 0, loopLength = 1, compared = 0, lastEvent = 0;
    std::int64_t comparedSamples = 0, passesAcross2To31 = 0, blocks = 0;
    looper::Position highestEnd = 0;
    double peakEnvelope = 0.0, closestApproach = 0.0;

    const auto endSteadyStretch = [&] {
        const auto& op = engine.current();
        if (steady && ! engine.historyEmpty && op.start < k2To31 && op.end >= k2To31)
            passesAcross2To31 += compared / loopLength;
        comparedSamples += compared;
        steady = false;
    };

    for (std::int64_t t = 0; t < totalFrames; ++blocks)
    {
        const int n = static_cast<int> (std::min<std::int64_t> (session.blockSize(), totalFrames - t));
        const auto events = session.eventsDueAt (t, engine);

        for (auto* instance : instances)
            instance->midi.clear();

        for (const auto& event : events)
        {
            if (event.parameter >= 0)
            {
                for (auto* instance : instances)
                    setParameter (instance->processor, LooperAudioProcessor::parameterIds[static_cast<std::size_t> (event.parameter)], event.value);
                continue;
            }

            // The processor takes a note at its block's start; where in the block it lies varies.
            const std::uint8_t bytes[] = { static_cast<std::uint8_t> (event.value > 0.0f ? 0x90 : 0x80),
                                           static_cast<std::uint8_t> (event.note), 100 };
            const auto offset = static_cast<int> (midiTiming.integer (0, n - 1));
            for (auto* instance : instances)
                instance->midi.addEvent (bytes, 3, offset);
        }

        // The engine steady and the controls still for a moment (a level or
        // mute change may glide): the loop repeats from here.
        if (! events.empty())
        {
            endSteadyStretch();
            lastEvent = t;
        }
        else if (! steady && t - lastEvent >= kSettleFrames && isSteady (engine))
        {
            steady = true;
            steadyStart = t;
            compared = 0;
            loopLength = engine.historyEmpty ? 1 : engine.current().end - engine.current().start + 1;
        }

        input.render (reference->buffer.getArrayOfWritePointers(), n, session.inputSilentAt (t));
        const float* const* x = reference->buffer.getArrayOfReadPointers();
        for (int c = 0; c < kChannels; ++c)
        {
            std::copy (x[c], x[c] + n, repeat->buffer.getWritePointer (c));
            float* e = envelope->buffer.getWritePointer (c);
            for (int i = 0; i < n; ++i)
                e[i] = std::abs (x[c][i]);
        }

        // A sample with dry input in it cannot repeat; the Insert mode has none
        // while nothing writes, the Gate mode never.
        const bool dryFree = static_cast<int> (parameterValue (reference->processor, "mixMode")) != 0;
        std::array<bool, kMaxBlockSize> comparable {};
        for (int i = 0; i < n; ++i)
            comparable[static_cast<std::size_t> (i)] = dryFree || (x[0][i] == 0.0f && x[1][i] == 0.0f);

        // Alternate the order, so that state shared between instances would show.
        if (blocks % 2 == 0)
        {
            reference->process (n);
            repeat->process (n);
        }
        else
        {
            repeat->process (n);
            reference->process (n);
        }
        envelope->process (n);

        for (int c = 0; c < kChannels; ++c)
            ASSERT_EQ (std::memcmp (reference->buffer.getReadPointer (c), repeat->buffer.getReadPointer (c), sizeof (float) * static_cast<std::size_t> (n)), 0)
                << "the two runs differ in the block at frame " << t << ", channel " << c;

        const float* const* y = reference->buffer.getArrayOfReadPointers();
        const float* const* bound = envelope->buffer.getArrayOfReadPointers();

        for (int i = 0; i < n; ++i)
        {
            const auto frame = t + i;
            const bool isComparable = comparable[static_cast<std::size_t> (i)];

            for (int c = 0; c < kChannels; ++c)
            {
                if (! std::isfinite (y[c][i]) || ! std::isfinite (bound[c][i]) || std::abs (y[c][i]) > bound[c][i] * (1.0f + kRoundingMargin) + 1.0e-30f)
                    FAIL() << "frame " << frame << ", channel " << c << ": output " << y[c][i] << " against the bound " << bound[c][i];

                peakEnvelope = std::max (peakEnvelope, static_cast<double> (bound[c][i]));
                if (bound[c][i] > 0.0f)
                    closestApproach = std::max (closestApproach, static_cast<double> (std::abs (y[c][i]) / bound[c][i]));
            }

            if (steady && frame >= steadyStart + loopLength && isComparable)
            {
                const auto& oneLoopBack = history[static_cast<std::size_t> (frame - loopLength) % kHistorySize];
                if (! std::isnan (oneLoopBack[0]))
                {
                    for (std::size_t c = 0; c < kChannels; ++c)
                        if (y[c][i] != oneLoopBack[c])
                            FAIL() << "glitch at frame " << frame << ", channel " << c << ": " << y[c][i] << " where one loop ("
                                   << loopLength << " frames) earlier it was " << oneLoopBack[c] << "; the loop spans positions "
                                   << engine.current().start << ".." << engine.current().end;
                    ++compared;
                }
            }

            auto& now = history[static_cast<std::size_t> (frame) % kHistorySize];
            for (std::size_t c = 0; c < kChannels; ++c)
                now[c] = isComparable ? y[c][i] : std::numeric_limits<float>::quiet_NaN();
        }

        highestEnd = std::max (highestEnd, engine.current().end);
        t += n;
    }
    endSteadyStretch();

    std::cout << "long run: " << hours << " h of audio in " << blocks << " blocks; positions from " << firstPosition
              << " up to " << highestEnd << "\n  actions:";
    for (const auto& [name, count] : session.actionCounts)
        std::cout << " " << name << " " << count;
    std::cout << "\n  steady loops: " << comparedSamples << " samples compared one loop back, " << passesAcross2To31
              << " passes across 2^31\n  bound: envelope peak " << peakEnvelope << ", output at most "
              << std::setprecision (9) << closestApproach << " of it\n";

    EXPECT_GT (highestEnd, k2To31) << "the positions never passed 2^31";
    EXPECT_GT (passesAcross2To31, 0) << "no steady loop played across position 2^31";
}
