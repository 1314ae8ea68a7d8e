// Blocks of random audio with random event lists through the bundle's
// process, with params.flush and reset calls in between. Events come in
// every type and size (too small for their type, or far too large), in any
// space, at any time (unsorted, beyond the block), for any parameter id and
// with any cookie (the plug-in's own, another parameter's, a foreign or a
// freed pointer), with any value (NaN and infinities included). Each event
// and channel is a heap block of its own, so that any read or write past it
// is caught.
//
// Checked after each call: the host's input buffers are left alone, finite
// input gives finite output, and the events the plug-in sends are well
// formed; after each input, every parameter is in its range.
//
// Input: each operation starts with a byte: 0-4 a block, 5-6 a flush, 7 a
// reset. A block: the frame count (16 bits, modulo kMaxFrames + 1), a shape
// byte (bit 0: an input port, 1: an output port, 2: in place, 3: a null
// output channel, 4: a null input channel array, 5: the output queue refuses
// events, 6: no event lists), a channel-count byte (inputs: modulo 3,
// outputs: divided by 3, modulo 3), an audio byte (modulo 4: silence, a
// sine, a sine with edge samples, every sample from the input) with the
// bytes it calls for, then an event list. An event list: a byte (bit 7: sorted by time; the rest,
// modulo kMaxEvents + 1: the count) and the events, each a type byte (modulo
// 13, or above 239 a 16-bit type), a size byte, a space byte, a time byte,
// a flags byte and the fields of its type.

#include "FuzzHost.h"
#include "FuzzInput.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using fuzzing::fail;
using fuzzing::FuzzHost;
using fuzzing::FuzzInput;

constexpr std::uint32_t kMaxFrames = 4096;
constexpr std::uint32_t kMaxEvents = 32;
constexpr int kMaxOperations = 24;
constexpr std::uint32_t kFreshBlockFrames = 256; // longer than the looper's 2.5 ms fade at 48 kHz

struct Parameter
{
    clap_id id;
    void* cookie;
    double minimum;
    double maximum;
    double defaultValue;
    std::string name;
};

/** The plug-in's parameters, and the pointers the fuzzer hands out as cookies. */
struct Fixture
{
    Fixture()
        : host (FuzzHost::get()),
          params (host.extension<clap_plugin_params> (CLAP_EXT_PARAMS))
    {
        for (std::uint32_t i = 0; i < params.count (host.plugin); ++i)
        {
            clap_param_info info {};
            if (! params.get_info (host.plugin, i, &info))
                fail ("params.get_info failed");
            parameters.push_back ({ info.id, info.cookie, info.min_value, info.max_value, info.default_value, info.name });
        }

        const auto found = std::find_if (parameters.begin(), parameters.end(), [] (const Parameter& p) { return p.name == "Reset"; });
        if (found == parameters.end())
            fail ("the plug-in has no reset parameter");
        reset = *found;

        // Its address stays a valid value to compare, but nothing lives there any more.
        auto freed = std::make_unique<Parameter>();
        freedCookie = freed.get();
        freed.reset();

        host.start (kMaxFrames);
    }

    FuzzHost& host;
    const clap_plugin_params& params;
    std::vector<Parameter> parameters;
    Parameter reset {};
    void* freedCookie = nullptr;
    int foreignObject = 0;
    std::array<std::uint8_t, 256> sysexBytes {};
};

Fixture& fixture()
{
    static auto* const instance = new Fixture();
    return *instance;
}

//==============================================================================
std::size_t sizeOfType (std::uint16_t type)
{
    switch (type)
    {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        case CLAP_EVENT_NOTE_CHOKE:
        case CLAP_EVENT_NOTE_END:
            return sizeof (clap_event_note);
        case CLAP_EVENT_NOTE_EXPRESSION:
            return sizeof (clap_event_note_expression);
        case CLAP_EVENT_PARAM_VALUE:
            return sizeof (clap_event_param_value);
        case CLAP_EVENT_PARAM_MOD:
            return sizeof (clap_event_param_mod);
        case CLAP_EVENT_PARAM_GESTURE_BEGIN:
        case CLAP_EVENT_PARAM_GESTURE_END:
            return sizeof (clap_event_param_gesture);
        case CLAP_EVENT_TRANSPORT:
            return sizeof (clap_event_transport);
        case CLAP_EVENT_MIDI:
            return sizeof (clap_event_midi);
        case CLAP_EVENT_MIDI_SYSEX:
            return sizeof (clap_event_midi_sysex);
        case CLAP_EVENT_MIDI2:
            return sizeof (clap_event_midi2);
        default:
            return sizeof (clap_event_header) + 32;
    }
}

/** Events in heap blocks of the size a host would allocate for them. */
class EventList
{
public:
    void add (const std::uint8_t* bytes, std::size_t size)
    {
        auto copy = std::make_unique<std::uint8_t[]> (size);
        std::memcpy (copy.get(), bytes, size);
        events.push_back (std::move (copy));
    }

    void add (const clap_event_header& header, std::size_t size) { add (reinterpret_cast<const std::uint8_t*> (&header), size); }

    void sortByTime()
    {
        std::stable_sort (events.begin(), events.end(), [] (const auto& a, const auto& b) { return headerOf (a).time < headerOf (b).time; });
    }

    clap_input_events list() const
    {
        return { const_cast<EventList*> (this),
                 [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<const EventList*> (l->ctx)->events.size()); },
                 [] (const clap_input_events* l, std::uint32_t index) -> const clap_event_header* {
                     const auto& events = static_cast<const EventList*> (l->ctx)->events;
                     return index < events.size() ? &headerOf (events[index]) : nullptr;
                 } };
    }

private:
    static const clap_event_header& headerOf (const std::unique_ptr<std::uint8_t[]>& event)
    {
        return *reinterpret_cast<const clap_event_header*> (event.get());
    }

    std::vector<std::unique_ptr<std::uint8_t[]>> events;
};

const Parameter& pickParameter (FuzzInput& input)
{
    const auto& parameters = fixture().parameters;
    return parameters[input.below (static_cast<std::uint32_t> (parameters.size()))];
}

/** A parameter id and a cookie, matching or not. */
std::pair<clap_id, void*> pickTarget (FuzzInput& input)
{
    auto& f = fixture();
    const auto& parameter = pickParameter (input);
    const auto id = input.byte() < 224 ? parameter.id : input.read<std::uint32_t>();

    switch (input.byte() % 8)
    {
        case 0:
        case 1:
            return { id, nullptr };
        case 2:
        case 3:
            return { id, parameter.cookie };
        case 4:
            return { id, pickParameter (input).cookie };
        case 5:
            return { id, f.freedCookie };
        case 6:
            return { id, &f.foreignObject };
        default:
            return { id, static_cast<char*> (parameter.cookie) + 1 };
    }
}

std::int16_t pickKey (FuzzInput& input)
{
    const auto choice = input.byte();
    return choice < 128 ? static_cast<std::int16_t> (choice) : input.read<std::int16_t>();
}

void readEvent (FuzzInput& input, std::uint32_t frames, EventList& events)
{
    const auto typeChoice = input.byte();
    const auto type = typeChoice < 240 ? static_cast<std::uint16_t> (typeChoice % 13) : input.read<std::uint16_t>();
    const auto realSize = sizeOfType (type);

    std::uint32_t claimedSize;
    switch (input.byte() % 8)
    {
        case 0:
            claimedSize = 0;
            break;
        case 1:
            claimedSize = input.below (static_cast<std::uint32_t> (realSize));
            break;
        case 2:
            claimedSize = UINT32_MAX;
            break;
        case 3:
            claimedSize = static_cast<std::uint32_t> (realSize) + input.read<std::uint16_t>();
            break;
        default:
            claimedSize = static_cast<std::uint32_t> (realSize);
            break;
    }

    clap_event_header header {};
    header.size = claimedSize;
    header.space_id = input.byte() < 240 ? CLAP_CORE_EVENT_SPACE_ID : input.read<std::uint16_t>();
    header.type = type;

    switch (input.byte() % 4)
    {
        case 0:
            header.time = input.below (std::max (frames, 1u));
            break;
        case 1:
            header.time = frames + input.byte();
            break;
        case 2:
            header.time = input.read<std::uint32_t>();
            break;
        default:
            header.time = 0;
            break;
    }
    header.flags = input.byte();

    // The whole event of its type, of which the host allocates only what it claims.
    alignas (8) std::array<std::uint8_t, 256> whole {};
    const auto fill = [&whole] (const auto& event) { std::memcpy (whole.data(), &event, sizeof (event)); };

    switch (type)
    {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        case CLAP_EVENT_NOTE_CHOKE:
        case CLAP_EVENT_NOTE_END:
        {
            clap_event_note note {};
            note.note_id = input.read<std::int32_t>();
            note.port_index = input.read<std::int16_t>();
            note.channel = input.read<std::int16_t>();
            note.key = pickKey (input);
            note.velocity = input.value();
            fill (note);
            break;
        }
        case CLAP_EVENT_NOTE_EXPRESSION:
        {
            clap_event_note_expression expression {};
            expression.expression_id = input.read<std::int32_t>();
            expression.note_id = input.read<std::int32_t>();
            expression.port_index = input.read<std::int16_t>();
            expression.channel = input.read<std::int16_t>();
            expression.key = pickKey (input);
            expression.value = input.value();
            fill (expression);
            break;
        }
        case CLAP_EVENT_PARAM_VALUE:
        case CLAP_EVENT_PARAM_MOD:
        {
            // A modulation has the same layout, with its amount where the value is.
            clap_event_param_value value {};
            std::tie (value.param_id, value.cookie) = pickTarget (input);
            value.note_id = input.read<std::int32_t>();
            value.port_index = input.read<std::int16_t>();
            value.channel = input.read<std::int16_t>();
            value.key = input.read<std::int16_t>();
            value.value = input.value();
            fill (value);
            break;
        }
        case CLAP_EVENT_PARAM_GESTURE_BEGIN:
        case CLAP_EVENT_PARAM_GESTURE_END:
        {
            clap_event_param_gesture gesture {};
            gesture.param_id = pickTarget (input).first;
            fill (gesture);
            break;
        }
        case CLAP_EVENT_MIDI:
        {
            clap_event_midi midi {};
            midi.port_index = input.read<std::uint16_t>();
            for (auto& byte : midi.data)
                byte = input.byte();
            fill (midi);
            break;
        }
        case CLAP_EVENT_MIDI_SYSEX:
        {
            auto& bytes = fixture().sysexBytes;
            clap_event_midi_sysex sysex {};
            sysex.port_index = input.read<std::uint16_t>();
            if (const auto offset = input.byte(); offset > 0)
            {
                sysex.buffer = bytes.data() + offset;
                sysex.size = input.below (static_cast<std::uint32_t> (bytes.size()) - offset + 1);
            }
            else
            {
                sysex.size = input.read<std::uint32_t>();
            }
            fill (sysex);
            break;
        }
        default:
            for (auto i = sizeof (clap_event_header); i < realSize; ++i)
                whole[i] = input.byte();
            break;
    }

    std::memcpy (whole.data(), &header, sizeof (header));
    events.add (whole.data(), std::max (sizeof (clap_event_header), std::min<std::size_t> (claimedSize, realSize)));
}

EventList readEvents (FuzzInput& input, std::uint32_t frames)
{
    EventList events;
    const auto choice = input.byte();
    for (auto count = (choice & 0x7f) % (kMaxEvents + 1); count > 0; --count)
        readEvent (input, frames, events);

    if ((choice & 0x80) != 0)
        events.sortByTime();

    return events;
}

//==============================================================================
/** Checks what the plug-in sends to the host, and takes it or refuses it. */
struct OutputQueue
{
    bool refuses = false;

    clap_output_events list()
    {
        return { this, [] (const clap_output_events* l, const clap_event_header* event) {
                    if (event == nullptr || event->size < sizeof (clap_event_header) || event->space_id != CLAP_CORE_EVENT_SPACE_ID)
                        fail ("the plug-in sent a malformed event");

                    if (event->type == CLAP_EVENT_PARAM_VALUE)
                    {
                        if (event->size < sizeof (clap_event_param_value))
                            fail ("the plug-in sent a parameter value event that is too small");

                        const auto& value = reinterpret_cast<const clap_event_param_value&> (*event);
                        const auto& parameters = fixture().parameters;
                        const auto found = std::find_if (parameters.begin(), parameters.end(),
                                                         [&value] (const Parameter& p) { return p.id == value.param_id; });
                        if (found == parameters.end() || ! (value.value >= found->minimum && value.value <= found->maximum))
                            fail ("the plug-in sent a value for an unknown parameter or outside its range");
                    }

                    return ! static_cast<const OutputQueue*> (l->ctx)->refuses;
                } };
    }
};

//==============================================================================
/** The channels of one block, each a heap block of exactly its frames. */
class Audio
{
public:
    Audio (FuzzInput& input, std::uint32_t frames, std::uint8_t shape)
        : frames (frames)
    {
        const auto counts = input.byte();
        const auto inputChannels = (shape & 1) != 0 ? counts % 3u : 0u;
        const auto outputChannels = (shape & 2) != 0 ? (counts / 3u) % 3u : 0u;
        inPlace = (shape & 4) != 0;

        for (std::uint32_t c = 0; c < inputChannels; ++c)
            inputPointers.push_back (newChannel (inputs));

        for (std::uint32_t c = 0; c < outputChannels; ++c)
            outputPointers.push_back (inPlace && c < inputChannels ? inputPointers[c] : newChannel (outputs));

        fillInputs (input);

        // The host's garbage: any output sample the plug-in leaves alone shows.
        for (auto& channel : outputs)
            std::fill (channel.get(), channel.get() + frames, std::numeric_limits<float>::quiet_NaN());

        for (auto* channel : inputPointers)
            inputCopies.emplace_back (channel, channel + frames);

        if ((shape & 8) != 0 && ! outputPointers.empty())
            outputPointers.back() = nullptr;

        inputBuffer.data32 = (shape & 16) != 0 ? nullptr : inputPointers.data();
        inputBuffer.channel_count = inputChannels;
        outputBuffer.data32 = outputPointers.data();
        outputBuffer.channel_count = outputChannels;
        inputPort = (shape & 1) != 0;
        outputPort = (shape & 2) != 0;
    }

    void check() const
    {
        bool finiteInput = true;

        for (std::size_t c = 0; c < inputPointers.size(); ++c)
        {
            const auto* channel = inputPointers[c];
            const bool isOutput = std::find (outputPointers.begin(), outputPointers.end(), channel) != outputPointers.end();

            if (frames > 0 && ! isOutput && std::memcmp (channel, inputCopies[c].data(), frames * sizeof (float)) != 0)
                fail ("the plug-in wrote into the host's input buffer");

            for (std::uint32_t i = 0; i < frames; ++i)
                finiteInput = finiteInput && std::isfinite (inputCopies[c][i]);
        }

        if (! finiteInput)
            return;

        for (const auto* channel : outputPointers)
            for (std::uint32_t i = 0; channel != nullptr && i < frames; ++i)
                if (! std::isfinite (channel[i]))
                    fail ("finite input gave output that is not finite");
    }

    clap_audio_buffer inputBuffer {};
    clap_audio_buffer outputBuffer {};
    bool inputPort = false;
    bool outputPort = false;

private:
    float* newChannel (std::vector<std::unique_ptr<float[]>>& owner)
    {
        owner.push_back (std::make_unique<float[]> (frames));
        return owner.back().get();
    }

    static float edgeSample (std::uint8_t selector)
    {
        using limits = std::numeric_limits<float>;
        static constexpr float edgeSamples[] = {
            0.0f, -0.0f, limits::quiet_NaN(), limits::infinity(), -limits::infinity(), 1.0f,
            -1.0f, limits::min(), limits::denorm_min(), -limits::denorm_min(), 1.0e4f, -1.0e4f
        };
        constexpr auto count = sizeof (edgeSamples) / sizeof (edgeSamples[0]);

        return selector < count ? edgeSamples[selector] : static_cast<float> (static_cast<std::int8_t> (selector)) / 64.0f;
    }

    void fillInputs (FuzzInput& input)
    {
        const auto mode = input.byte() % 4;

        for (std::size_t c = 0; c < inputPointers.size(); ++c)
            for (std::uint32_t i = 0; i < frames; ++i)
                inputPointers[c][i] = mode == 0 ? 0.0f : 0.5f * std::sin (0.05f * static_cast<float> (i + 7 * c));

        if (mode == 2)
        {
            for (auto count = input.byte() % 8; count > 0 && ! inputPointers.empty() && frames > 0; --count)
            {
                auto* channel = inputPointers[input.below (static_cast<std::uint32_t> (inputPointers.size()))];
                channel[input.below (frames)] = edgeSample (input.byte());
            }
        }
        else if (mode == 3)
        {
            for (auto* channel : inputPointers)
                for (std::uint32_t i = 0; i < frames; ++i)
                    channel[i] = edgeSample (input.byte());
        }
    }

    std::uint32_t frames;
    bool inPlace = false;
    std::vector<std::unique_ptr<float[]>> inputs, outputs;
    std::vector<float*> inputPointers, outputPointers;
    std::vector<std::vector<float>> inputCopies;
};

//==============================================================================
void processBlock (std::uint32_t frames, const EventList& events, Audio& audio, std::uint8_t shape)
{
    auto& f = fixture();
    const auto in = events.list();
    OutputQueue queue { (shape & 32) != 0 };
    const auto out = queue.list();
    const bool eventLists = (shape & 64) == 0;

    clap_process context {};
    context.steady_time = -1;
    context.frames_count = frames;
    context.audio_inputs = audio.inputPort ? &audio.inputBuffer : nullptr;
    context.audio_outputs = audio.outputPort ? &audio.outputBuffer : nullptr;
    context.audio_inputs_count = audio.inputPort ? 1 : 0;
    context.audio_outputs_count = audio.outputPort ? 1 : 0;
    context.in_events = eventLists ? &in : nullptr;
    context.out_events = eventLists ? &out : nullptr;

    clap_process_status status;
    {
        const FuzzHost::AudioThread audioThread;
        status = f.host.plugin->process (f.host.plugin, &context);
    }

    if (status == CLAP_PROCESS_ERROR)
        fail ("process failed");

    audio.check();
}

void flush (const EventList& events)
{
    auto& f = fixture();
    const auto in = events.list();
    OutputQueue queue;
    const auto out = queue.list();

    const FuzzHost::AudioThread audioThread;
    f.params.flush (f.host.plugin, &in, &out);
}

clap_event_param_value valueEvent (const Parameter& parameter, double value)
{
    clap_event_param_value event {};
    event.header = { sizeof (event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
    event.param_id = parameter.id;
    event.note_id = event.port_index = event.channel = event.key = -1;
    event.value = value;
    return event;
}

/** Every parameter at its default and the action notes released, with a
    reset pressed through a block and released, so that each input starts
    from an empty loop.
*/
void startFresh()
{
    auto& f = fixture();
    EventList press, release;
    const auto& reset = f.reset;

    for (const auto& parameter : f.parameters)
    {
        const auto event = valueEvent (parameter, parameter.id == reset.id ? parameter.maximum : parameter.defaultValue);
        press.add (event.header, sizeof (event));
    }

    for (std::uint8_t note = 60; note <= 67; ++note)
    {
        clap_event_midi off {};
        off.header = { sizeof (off), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0 };
        off.data[0] = 0x80;
        off.data[1] = note;
        press.add (off.header, sizeof (off));
    }

    const auto released = valueEvent (reset, reset.defaultValue);
    release.add (released.header, sizeof (released));

    FuzzInput silence (nullptr, 0);
    Audio audio (silence, kFreshBlockFrames, 3);
    processBlock (kFreshBlockFrames, press, audio, 3);
    flush (release);
    f.host.serviceMainThread();
}

void checkParameterValues()
{
    auto& f = fixture();
    for (const auto& parameter : f.parameters)
    {
        double value = 0.0;
        if (! f.params.get_value (f.host.plugin, parameter.id, &value) || ! (value >= parameter.minimum && value <= parameter.maximum))
            fail ("a parameter's value is outside its range");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    auto& f = fixture();
    FuzzInput input (data, size);
    startFresh();

    for (int operation = 0; operation < kMaxOperations && ! input.empty(); ++operation)
    {
        const auto kind = input.byte() % 8;

        if (kind < 5)
        {
            const auto frames = input.read<std::uint16_t>() % (kMaxFrames + 1);
            const auto shape = input.byte();
            Audio audio (input, frames, shape);
            const auto events = readEvents (input, frames);
            processBlock (frames, events, audio, shape);
        }
        else if (kind < 7)
        {
            flush (readEvents (input, 0));
        }
        else
        {
            const FuzzHost::AudioThread audioThread;
            f.host.plugin->reset (f.host.plugin);
        }

        f.host.serviceMainThread();
    }

    checkParameterValues();
    return 0;
}
