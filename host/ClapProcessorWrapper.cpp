#include "ClapProcessorWrapper.h"

#include "EditorWrapperComponent.h"
#include "MessageLoopDriver.h"
#include "SavedStateReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
const char* const kFeatures[] = { CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, nullptr };

constexpr clap_id kNoteInputPortId = 32;
constexpr clap_id kNoteOutputPortId = 4;
constexpr clap_id kFirstInputPortId = 32768;
constexpr clap_id kFirstOutputPortId = 1;
constexpr int kStateReadSize = 4096;

// The wrapper whose host value this thread is handing to the parameter's
// listeners, and the wrapper whose process call this thread is inside: per
// thread, so that the editor's changes on the main thread are never mistaken
// for the host's echo, and other threads never see the host's transport.
thread_local const void* applyingHostChangeFor = nullptr;
thread_local const void* processingFor = nullptr;

/** Copies text into a fixed field, cut so that the terminating zero fits and
    no UTF-8 character is split.
*/
void copyText (char* destination, std::size_t capacity, const char* text)
{
    if (capacity == 0)
        return;

    auto length = std::min (std::strlen (text), capacity - 1);
    while (length > 0 && (static_cast<unsigned char> (text[length]) & 0xc0) == 0x80)
        --length;
    std::memcpy (destination, text, length);
    destination[length] = '\0';
}

// Far beyond any screen, small enough that no coordinate arithmetic overflows.
constexpr std::uint32_t kMaxEditorSide = 16384;

void* nativeHandleOf (const clap_window& window)
{
#if JUCE_MAC
    return window.cocoa;
#elif JUCE_WINDOWS
    return window.win32;
#else
    return reinterpret_cast<void*> (static_cast<std::uintptr_t> (window.x11));
#endif
}

bool hostHasCompleteParams (const clap_host_params* params)
{
    return params->rescan != nullptr && params->clear != nullptr && params->request_flush != nullptr;
}
} // namespace

const clap_plugin_descriptor ClapProcessorWrapper::desc {
    CLAP_VERSION_INIT,
    "com.ravelwick.looper",
    "Ravelwick Looper",
    "Ravelwick",
    "",
    "",
    "",
    "0.0.1",
    "Ravelwick Looper",
    kFeatures,
};

ClapProcessorWrapper::ClapProcessorWrapper (const clap_host* host, std::unique_ptr<juce::AudioProcessor> processorToWrap)
    : Plugin (&desc, host),
      processor (std::move (processorToWrap))
{
    processor->setRateAndBufferSizeDetails (0, 0);
    processor->setPlayHead (this);
    processor->addListener (this);
    buildParameterTables();

    const auto parameterCount = static_cast<std::size_t> (parameterList.size());
    // A parameter can wait again while its previous slot is still being read.
    announceFifo = std::make_unique<juce::AbstractFifo> (2 * static_cast<int> (parameterCount) + 1);
    announceQueue.resize (2 * parameterCount + 1);
    announcePending = std::make_unique<std::atomic<bool>[]> (parameterCount);
}

ClapProcessorWrapper::~ClapProcessorWrapper()
{
    editorWrapper.reset();
    MessageLoopDriver::detach (hostProxy);
    processor->removeListener (this);
    processor->setPlayHead (nullptr);
}

//==============================================================================
clap_id ClapProcessorWrapper::parameterIdFor (const juce::String& parameterId) noexcept
{
    std::uint32_t hash = 0;
    for (auto c = parameterId.getCharPointer(); ! c.isEmpty();)
        hash = 31u * hash + static_cast<std::uint32_t> (c.getAndAdvance());
    return hash;
}

void ClapProcessorWrapper::buildParameterTables()
{
    parameterList = processor->getParameters();
    legacyParameterMode = parameterList.isEmpty();

    for (int index = 0; index < parameterList.size(); ++index)
    {
        auto* parameter = parameterList[index];
        const auto id = idOfIndex (index);
        knownIds.insert (id);
        paramsById[id] = { parameter, dynamic_cast<juce::RangedAudioParameter*> (parameter) };
        idsByParam[parameter] = id;
    }
}

clap_id ClapProcessorWrapper::idOfIndex (int index) const
{
    auto* parameter = parameterList[index];
    if (parameter == nullptr)
        return parameterIdFor (juce::String (index));

    if (const auto found = idsByParam.find (parameter); found != idsByParam.end())
        return found->second;

    if (auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (parameter))
        return parameterIdFor (withId->getParameterID());

    return parameterIdFor (juce::String (index));
}

//==============================================================================
bool ClapProcessorWrapper::init()
{
    defineAudioPorts();
    MessageLoopDriver::attach (hostProxy);
    return true;
}

void ClapProcessorWrapper::defineAudioPorts()
{
    auto layout = processor->getBusesLayout();

    for (const bool isInput : { true, false })
    {
        auto& sets = isInput ? layout.inputBuses : layout.outputBuses;
        for (int i = 0; i < sets.size(); ++i)
            if (auto* bus = processor->getBus (isInput, i))
                sets.getReference (i) = bus->getDefaultLayout();
    }

    processor->setBusesLayout (layout);
}

bool ClapProcessorWrapper::activate (double sampleRate, std::uint32_t, std::uint32_t maxFrameCount)
{
    if (latencyChangePending && hostProxy.hostLatency != nullptr)
    {
        if (hostProxy.hostLatency->changed != nullptr)
        {
            hostProxy.ensureMainThread ("latency.changed");
            hostProxy.hostLatency->changed (hostProxy.host);
            latencyChangePending = false;
        }
        else
        {
            hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_latency is partially implemented");
        }
    }

    processor->setRateAndBufferSizeDetails (sampleRate, static_cast<int> (maxFrameCount));
    processor->prepareToPlay (sampleRate, static_cast<int> (maxFrameCount));
    midiBuffer.ensureSize (2048);
    midiBuffer.clear();
    spareChannels.setSize (processor->getTotalNumOutputChannels(), static_cast<int> (std::min (maxFrameCount, kMaxSpareFrames)));
    return true;
}

void ClapProcessorWrapper::reset()
{
    processor->reset();
}

//==============================================================================
clap_process_status ClapProcessorWrapper::process (const clap_process* context)
{
    if (context == nullptr)
        return CLAP_PROCESS_CONTINUE;

    currentTransport = context->transport;
    processingFor = this;
    pushQueuedChanges (context->out_events);

    const auto* in = context->in_events;
    const bool eventsUsable = in != nullptr && in->size != nullptr && in->get != nullptr;
    const auto eventCount = eventsUsable ? in->size (in) : 0u;
    const auto frames = context->frames_count;

    const auto eventAt = [in] (std::uint32_t index) { return in->get (in, index); };
    const auto timeOf = [&] (std::uint32_t index) {
        const auto* event = eventAt (index);
        return event != nullptr ? event->time : 0u;
    };

    std::uint32_t nextEvent = 0;

    if (frames > 0)
    {
        // Events inside the block apply before the processor runs; the block
        // is never split.
        if (eventCount > 0 && timeOf (0) < frames)
        {
            for (; nextEvent < eventCount; ++nextEvent)
            {
                if (const auto* event = eventAt (nextEvent))
                    processEvent (*event, 0);

                if (nextEvent + 1 < eventCount && timeOf (nextEvent + 1) >= frames)
                {
                    ++nextEvent;
                    break;
                }
            }
        }

        std::array<float*, kMaxChannels> channels {};
        int outputChannels = 0;

        for (std::uint32_t port = 0; context->audio_outputs != nullptr && port < context->audio_outputs_count && outputChannels < kMaxChannels; ++port)
        {
            const auto& buffer = context->audio_outputs[port];
            for (std::uint32_t c = 0; buffer.data32 != nullptr && c < buffer.channel_count && outputChannels < kMaxChannels; ++c)
            {
                if (buffer.data32[c] == nullptr)
                    break;
                channels[static_cast<std::size_t> (outputChannels++)] = buffer.data32[c];
            }
        }

        int inputChannels = 0;
        for (std::uint32_t port = 0; context->audio_inputs != nullptr && port < context->audio_inputs_count && inputChannels < kMaxChannels; ++port)
        {
            const auto& buffer = context->audio_inputs[port];
            for (std::uint32_t c = 0; buffer.data32 != nullptr && c < buffer.channel_count && inputChannels < kMaxChannels; ++c)
            {
                float* input = buffer.data32[c];
                if (input == nullptr)
                    break;

                if (inputChannels < outputChannels)
                {
                    // In-place hosts give the same buffer for both.
                    if (channels[static_cast<std::size_t> (inputChannels)] != input)
                        std::memcpy (channels[static_cast<std::size_t> (inputChannels)], input, sizeof (float) * frames);
                }
                else if (inputChannels < spareChannels.getNumChannels() && frames <= static_cast<std::uint32_t> (spareChannels.getNumSamples()))
                {
                    auto* spare = spareChannels.getWritePointer (inputChannels);
                    std::memcpy (spare, input, sizeof (float) * frames);
                    channels[static_cast<std::size_t> (inputChannels)] = spare;
                }
                else
                {
                    channels[static_cast<std::size_t> (inputChannels)] = input;
                }
                ++inputChannels;
            }
        }

        // Output channels that got no input would carry whatever the host left in them.
        for (int c = inputChannels; c < outputChannels; ++c)
            std::memset (channels[static_cast<std::size_t> (c)], 0, sizeof (float) * frames);

        juce::AudioBuffer<float> buffer (channels.data(), std::max (outputChannels, inputChannels), static_cast<int> (frames));

        if (processor->isSuspended())
        {
            buffer.clear();
        }
        else
        {
            processor->processBlock (buffer, midiBuffer);
        }

        if (processor->producesMidi() && context->out_events != nullptr && context->out_events->try_push != nullptr)
        {
            for (const auto metadata : midiBuffer)
            {
                if (metadata.numBytes != 3)
                    continue;

                clap_event_midi midi {};
                midi.header.size = sizeof (clap_event_midi);
                midi.header.time = static_cast<std::uint32_t> (std::max (0, metadata.samplePosition));
                midi.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
                midi.header.type = CLAP_EVENT_MIDI;
                midi.port_index = 0;
                std::memcpy (midi.data, metadata.data, 3);
                context->out_events->try_push (context->out_events, &midi.header);
            }
        }

        midiBuffer.clear();

        for (; nextEvent < eventCount; ++nextEvent)
            if (const auto* event = eventAt (nextEvent))
                processEvent (*event, static_cast<int> (frames));
    }
    else
    {
        for (std::uint32_t i = 0; i < eventCount; ++i)
            if (const auto* event = eventAt (i))
                processEvent (*event, 0);
    }

    // The host's transport is valid only during this call.
    currentTransport = nullptr;
    processingFor = nullptr;

    if (announcementsWaiting.exchange (false))
        hostProxy.requestCallback();

    return CLAP_PROCESS_CONTINUE;
}

void ClapProcessorWrapper::processEvent (const clap_event_header& event, int sampleOffset)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID)
        return;

    const int position = std::max (0, static_cast<int> (std::min<std::uint32_t> (event.time, INT32_MAX)) - sampleOffset);

    switch (event.type)
    {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        {
            if (event.size < sizeof (clap_event_note))
                return;

            const auto& note = reinterpret_cast<const clap_event_note&> (event);
            const int channel = juce::jlimit (1, 16, note.channel + 1);
            const int key = note.key & 127;
            // Clamped here as JUCE would clamp them, without its debug assertions on host data.
            const auto velocity = static_cast<float> (std::isfinite (note.velocity) ? juce::jlimit (0.0, 1.0, note.velocity) : 0.0);

            // A CLAP note-on is a note-on at any velocity, while MIDI reads velocity 0 as a
            // note-off: a quiet note-on keeps a velocity byte of at least 1.
            const auto onVelocity = static_cast<juce::uint8> (std::max (1, juce::roundToInt (velocity * 127.0f)));
            midiBuffer.addEvent (event.type == CLAP_EVENT_NOTE_ON ? juce::MidiMessage::noteOn (channel, key, onVelocity)
                                                                  : juce::MidiMessage::noteOff (channel, key, velocity),
                                 position);
            break;
        }

        case CLAP_EVENT_PARAM_VALUE:
            if (event.size >= sizeof (clap_event_param_value))
                handleParameterChangeEvent (reinterpret_cast<const clap_event_param_value&> (event));
            break;

        case CLAP_EVENT_MIDI:
        {
            if (event.size < sizeof (clap_event_midi))
                return;

            // The buffer keeps as many of the three bytes as the status byte calls for.
            const auto& midi = reinterpret_cast<const clap_event_midi&> (event);
            midiBuffer.addEvent (midi.data, 3, position);
            break;
        }

        case CLAP_EVENT_MIDI_SYSEX:
        {
            if (event.size < sizeof (clap_event_midi_sysex))
                return;

            const auto& sysex = reinterpret_cast<const clap_event_midi_sysex&> (event);
            if (sysex.buffer != nullptr && sysex.size > 0 && sysex.size <= static_cast<std::uint32_t> (INT32_MAX))
                midiBuffer.addEvent (sysex.buffer, static_cast<int> (sysex.size), position);
            break;
        }

        default:
            break;
    }
}

juce::Optional<juce::AudioPlayHead::PositionInfo> ClapProcessorWrapper::getPosition() const
{
    if (processingFor != this || currentTransport == nullptr)
        return {};

    const auto& transport = *currentTransport;
    const auto flags = transport.flags;
    PositionInfo info;

    if ((flags & CLAP_TRANSPORT_HAS_TEMPO) != 0)
        info.setBpm (transport.tempo);

    if ((flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) != 0)
        info.setTimeSignature (TimeSignature { transport.tsig_num, transport.tsig_denom });

    if ((flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0)
    {
        const auto beats = [] (clap_beattime value) { return static_cast<double> (value) / static_cast<double> (CLAP_BEATTIME_FACTOR); };
        info.setPpqPosition (beats (transport.song_pos_beats));
        info.setPpqPositionOfLastBarStart (beats (transport.bar_start));
        info.setBarCount (transport.bar_number);
        info.setLoopPoints (LoopPoints { beats (transport.loop_start_beats), beats (transport.loop_end_beats) });
    }

    if ((flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) != 0)
    {
        const auto seconds = static_cast<double> (transport.song_pos_seconds) / static_cast<double> (CLAP_SECTIME_FACTOR);
        info.setTimeInSeconds (seconds);
        info.setTimeInSamples (static_cast<std::int64_t> (seconds * activeSampleRate));
    }

    info.setIsPlaying ((flags & CLAP_TRANSPORT_IS_PLAYING) != 0);
    info.setIsRecording ((flags & CLAP_TRANSPORT_IS_RECORDING) != 0);
    info.setIsLooping ((flags & CLAP_TRANSPORT_IS_LOOP_ACTIVE) != 0);
    return info;
}

//==============================================================================
// Parameters

std::uint32_t ClapProcessorWrapper::paramsCount()
{
    return static_cast<std::uint32_t> (knownIds.size());
}

bool ClapProcessorWrapper::paramsInfo (std::uint32_t index, clap_param_info* info)
{
    auto* parameter = parameterList[static_cast<int> (index)];
    if (parameter == nullptr)
        return false;

    const auto id = idOfIndex (static_cast<int> (index));
    std::memset (info, 0, sizeof (*info));
    info->id = id;
    info->flags = (parameter->isAutomatable() ? static_cast<std::uint32_t> (CLAP_PARAM_IS_AUTOMATABLE) : 0u) | (parameter->isBoolean() ? static_cast<std::uint32_t> (CLAP_PARAM_IS_STEPPED) : 0u);
    info->cookie = &paramsById[id];
    copyText (info->name, sizeof (info->name), parameter->getName (CLAP_NAME_SIZE).toRawUTF8());
    copyText (info->module, sizeof (info->module), "");
    info->min_value = 0.0;
    info->max_value = 1.0;
    info->default_value = parameter->getDefaultValue();
    return true;
}

bool ClapProcessorWrapper::paramsValue (clap_id id, double* value)
{
    *value = paramsById.at (id).processorParam->getValue();
    return true;
}

bool ClapProcessorWrapper::paramsValueToText (clap_id id, double value, char* display, std::uint32_t size)
{
    auto* parameter = paramsById.at (id).processorParam;
    const auto normalised = std::isfinite (value) ? juce::jlimit (0.0f, 1.0f, static_cast<float> (value)) : 0.0f;
    const auto text = legacyParameterMode ? parameter->getCurrentValueAsText()
                                          : parameter->getText (normalised, static_cast<int> (size));
    copyText (display, size, text.toRawUTF8());
    return true;
}

bool ClapProcessorWrapper::paramsTextToValue (clap_id id, const char* display, double* value)
{
    // Without a length JUCE sizes its copy of the text by decoding it and then
    // copies the bytes, so malformed UTF-8 overruns the copy, and it decodes
    // overlong forms, which would hide an exponent from the check: text that
    // is not UTF-8 is refused, and the rest is copied with its length.
    const auto length = std::min<std::size_t> (std::strlen (display), static_cast<std::size_t> (INT32_MAX));
    if (! SavedStateReader::isValidUtf8 (display, length) || SavedStateReader::hasOverlongExponent (display, length))
        return false;

    // Text such as "nan" reads as not-a-number, which is no value to give a host.
    const auto parsed = paramsById.at (id).processorParam->getValueForText (juce::String::fromUTF8 (display, static_cast<int> (length)));
    if (! std::isfinite (parsed))
        return false;

    *value = parsed;
    return true;
}

void ClapProcessorWrapper::paramsFlush (const clap_input_events* in, const clap_output_events* out)
{
    pushQueuedChanges (out);

    if (in == nullptr || in->size == nullptr || in->get == nullptr)
        return;

    const auto count = in->size (in);
    for (std::uint32_t i = 0; i < count; ++i)
        if (const auto* event = in->get (in, i))
            processEvent (*event, 0);

    if (announcementsWaiting.exchange (false))
        hostProxy.requestCallback();
}

bool ClapProcessorWrapper::isValidParamId (clap_id id)
{
    return knownIds.count (id) != 0;
}

ClapProcessorWrapper::JUCEParameterVariant* ClapProcessorWrapper::findParameter (const clap_event_param_value& event)
{
    // A cookie is only trusted when it is one of our own entries: a stale or
    // foreign pointer from the host falls back to the id.
    if (event.cookie != nullptr)
        for (auto& entry : paramsById)
            if (&entry.second == event.cookie)
                return &entry.second;

    if (const auto found = paramsById.find (event.param_id); found != paramsById.end())
        return &found->second;

    return nullptr;
}

void ClapProcessorWrapper::handleParameterChangeEvent (const clap_event_param_value& event)
{
    auto* entry = findParameter (event);
    if (entry == nullptr || entry->processorParam == nullptr || ! std::isfinite (event.value))
        return;

    auto* parameter = entry->processorParam;
    const auto value = juce::jlimit (0.0f, 1.0f, static_cast<float> (event.value));

    if (value == parameter->getValue())
        return;

    parameter->setValue (value);

    // While active, values arrive on the audio thread (process, or a flush).
    const auto index = parameter->getParameterIndex();
    if (processingFor != this && ! active)
    {
        announceHostValue (index);
        return;
    }

    if (index < 0 || index >= parameterList.size() || announcePending[static_cast<std::size_t> (index)].exchange (true))
        return;

    const auto write = announceFifo->write (1);
    if (write.blockSize1 > 0)
        announceQueue[static_cast<std::size_t> (write.startIndex1)] = index;
    announcementsWaiting = true;
}

void ClapProcessorWrapper::announceHostValue (int index)
{
    auto* parameter = parameterList[index];
    if (parameter == nullptr)
        return;

    const auto* previous = applyingHostChangeFor;
    applyingHostChangeFor = this;
    parameter->sendValueChangedMessageToListeners (parameter->getValue());
    applyingHostChangeFor = previous;
}

void ClapProcessorWrapper::announceHostValuesFromAudioThread()
{
    const auto read = announceFifo->read (announceFifo->getNumReady());
    read.forEach ([this] (int slot) {
        const auto index = announceQueue[static_cast<std::size_t> (slot)];
        // Cleared first, so that a value arriving meanwhile is announced again.
        announcePending[static_cast<std::size_t> (index)] = false;
        announceHostValue (index);
    });
}

void ClapProcessorWrapper::onMainThread()
{
    announceHostValuesFromAudioThread();
}

void ClapProcessorWrapper::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue)
{
    if (applyingHostChangeFor == this)
        return;

    queueChange (CLAP_EVENT_PARAM_VALUE, index, newValue);
}

void ClapProcessorWrapper::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    if (auto* parameter = parameterList[index])
        queueChange (CLAP_EVENT_PARAM_GESTURE_BEGIN, index, parameter->getValue());
}

void ClapProcessorWrapper::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    if (auto* parameter = parameterList[index])
        queueChange (CLAP_EVENT_PARAM_GESTURE_END, index, parameter->getValue());
}

void ClapProcessorWrapper::queueChange (std::int32_t kind, int index, float value)
{
    const auto write = hostChangeFifo.write (1);
    if (write.blockSize1 > 0)
        hostChangeQueue[static_cast<std::size_t> (write.startIndex1)] = { kind, 0, idOfIndex (index), value };

    if (const auto* params = hostProxy.hostParams)
    {
        if (hostHasCompleteParams (params))
            params->request_flush (hostProxy.host);
        else
            hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_params is partially implemented");
    }
}

void ClapProcessorWrapper::pushQueuedChanges (const clap_output_events* out)
{
    while (hostChangeFifo.getNumReady() > 0)
    {
        ParamChangeEntry entry;
        {
            const auto read = hostChangeFifo.read (1);
            entry = hostChangeQueue[static_cast<std::size_t> (read.startIndex1)];
        }

        if (out == nullptr || out->try_push == nullptr)
            continue;

        if (entry.kind == CLAP_EVENT_PARAM_VALUE)
        {
            clap_event_param_value event {};
            event.header = { sizeof (clap_event_param_value), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, entry.flags };
            event.param_id = entry.paramId;
            event.cookie = nullptr;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = entry.value;
            out->try_push (out, &event.header);
        }
        else if (entry.kind == CLAP_EVENT_PARAM_GESTURE_BEGIN || entry.kind == CLAP_EVENT_PARAM_GESTURE_END)
        {
            clap_event_param_gesture event {};
            event.header = { sizeof (clap_event_param_gesture), 0, CLAP_CORE_EVENT_SPACE_ID, static_cast<std::uint16_t> (entry.kind), entry.flags };
            event.param_id = entry.paramId;
            out->try_push (out, &event.header);
        }
    }
}

void ClapProcessorWrapper::audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details)
{
    const auto rescan = [this] (clap_param_rescan_flags flags) {
        if (destroying || hostProxy.hostParams == nullptr)
            return;
        if (! hostHasCompleteParams (hostProxy.hostParams))
        {
            hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_params is partially implemented");
            return;
        }
        hostProxy.ensureMainThread ("params.rescan");
        hostProxy.hostParams->rescan (hostProxy.host, flags);
    };

    if (details.latencyChanged)
    {
        runOnMainThread ([this] {
            if (destroying || hostProxy.hostLatency == nullptr)
                return;
            if (hostProxy.hostLatency->changed == nullptr)
            {
                hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_latency is partially implemented");
                return;
            }
            latencyChangePending = true;
            if (hostProxy.host->request_restart != nullptr)
                hostProxy.host->request_restart (hostProxy.host);
        });
    }

    if (details.programChanged)
        runOnMainThread ([rescan] { rescan (CLAP_PARAM_RESCAN_VALUES); });

    if (details.nonParameterStateChanged)
    {
        runOnMainThread ([this] {
            if (destroying || hostProxy.hostState == nullptr)
                return;
            if (hostProxy.hostState->mark_dirty == nullptr)
            {
                hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_state is partially implemented");
                return;
            }
            hostProxy.ensureMainThread ("state.mark_dirty");
            hostProxy.hostState->mark_dirty (hostProxy.host);
        });
    }

    if (details.parameterInfoChanged)
        runOnMainThread ([rescan] { rescan (CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT | CLAP_PARAM_RESCAN_INFO); });
}

//==============================================================================
// State

bool ClapProcessorWrapper::stateSave (const clap_ostream* stream)
{
    if (processor == nullptr || stream->write == nullptr)
        return false;

    // The parameter tree saves what its listeners last heard.
    announceHostValuesFromAudioThread();

    const juce::ScopedLock lock (stateLock);
    stateBuffer.reset();

    // Nothing may escape into the host's call.
    try
    {
        processor->getStateInformation (stateBuffer);
    }
    catch (...)
    {
        stateBuffer.reset();
        return false;
    }

    const auto* data = static_cast<const std::uint8_t*> (stateBuffer.getData());
    const auto size = static_cast<std::uint64_t> (stateBuffer.getSize());
    std::uint64_t written = 0;

    while (written < size)
    {
        const auto result = stream->write (stream, data + written, size - written);

        // A stream that fails, or that makes no progress, ends the save.
        if (result <= 0 || static_cast<std::uint64_t> (result) > size - written)
        {
            stateBuffer.reset();
            return false;
        }

        written += static_cast<std::uint64_t> (result);
    }

    stateBuffer.reset();
    return written == size;
}

bool ClapProcessorWrapper::stateLoad (const clap_istream* stream)
{
    if (processor == nullptr || stream->read == nullptr)
        return false;

    const juce::ScopedLock lock (stateLock);
    stateBuffer.reset();

    std::array<std::uint8_t, kStateReadSize> chunk;

    for (;;)
    {
        const auto result = stream->read (stream, chunk.data(), chunk.size());

        if (result < 0)
        {
            stateBuffer.reset();
            return false;
        }

        if (result == 0)
            break;

        try
        {
            stateBuffer.append (chunk.data(), static_cast<std::size_t> (std::min<std::int64_t> (result, kStateReadSize)));
        }
        catch (const std::bad_alloc&)
        {
            stateBuffer.reset();
            return false;
        }
    }

    if (stateBuffer.getSize() == 0 || stateBuffer.getSize() > static_cast<std::size_t> (INT32_MAX))
    {
        stateBuffer.reset();
        return false;
    }

    try
    {
        processor->setStateInformation (stateBuffer.getData(), static_cast<int> (stateBuffer.getSize()));
    }
    catch (...)
    {
        stateBuffer.reset();
        return false;
    }

    stateBuffer.reset();
    return true;
}

//==============================================================================
// Ports, notes and host information

std::uint32_t ClapProcessorWrapper::audioPortsCount (bool isInput)
{
    return static_cast<std::uint32_t> (processor->getBusCount (isInput));
}

bool ClapProcessorWrapper::audioPortsInfo (std::uint32_t index, bool isInput, clap_audio_port_info* info)
{
    auto* bus = processor->getBus (isInput, static_cast<int> (index));
    if (bus == nullptr)
        return false;

    const auto idOf = [] (bool input, std::uint32_t i) { return input ? kFirstInputPortId + i : kFirstOutputPortId + i; };
    const auto layout = bus->getDefaultLayout();

    std::memset (info, 0, sizeof (*info));
    info->id = idOf (isInput, index);
    copyText (info->name, sizeof (info->name), bus->getName().toRawUTF8());
    info->flags = index == 0 ? static_cast<std::uint32_t> (CLAP_AUDIO_PORT_IS_MAIN) : 0u;
    if (processor->supportsDoublePrecisionProcessing())
        info->flags |= CLAP_AUDIO_PORT_SUPPORTS_64BITS | CLAP_AUDIO_PORT_PREFERS_64BITS | CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    info->channel_count = static_cast<std::uint32_t> (layout.size());
    info->port_type = layout == juce::AudioChannelSet::mono()     ? CLAP_PORT_MONO
                      : layout == juce::AudioChannelSet::stereo() ? CLAP_PORT_STEREO
                                                                  : nullptr;
    info->in_place_pair = static_cast<int> (index) < processor->getBusCount (! isInput) ? idOf (! isInput, index) : CLAP_INVALID_ID;
    return true;
}

std::uint32_t ClapProcessorWrapper::notePortsCount (bool isInput)
{
    return (isInput ? processor->acceptsMidi() : processor->producesMidi()) ? 1u : 0u;
}

bool ClapProcessorWrapper::notePortsInfo (std::uint32_t, bool isInput, clap_note_port_info* info)
{
    std::memset (info, 0, sizeof (*info));
    info->id = isInput ? kNoteInputPortId : kNoteOutputPortId;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI | (processor->supportsMPE() ? static_cast<std::uint32_t> (CLAP_NOTE_DIALECT_MIDI_MPE) : 0u);
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    copyText (info->name, sizeof (info->name), isInput ? "JUCE Note Input" : "JUCE Note Output");
    return true;
}

std::uint32_t ClapProcessorWrapper::noteNameCount()
{
    noteNames.clear();

#if JUCE_MAJOR_VERSION >= 8
    for (int note = 0; note < 128; ++note)
        for (int channel = 1; channel <= 16; ++channel)
            if (const auto name = processor->getNameForMidiNoteNumber (note, channel))
                noteNames.push_back ({ *name, static_cast<std::int16_t> (note), static_cast<std::int16_t> (channel - 1) });
#endif
    // JUCE 7 processors cannot name notes.

    return static_cast<std::uint32_t> (noteNames.size());
}

bool ClapProcessorWrapper::noteNameGet (std::uint32_t index, clap_note_name* name)
{
    if (index >= noteNames.size())
        return false;

    const auto& entry = noteNames[index];
    copyText (name->name, sizeof (name->name), entry.name.toRawUTF8());
    name->port = -1;
    name->key = entry.key;
    name->channel = entry.channel;
    return true;
}

std::uint32_t ClapProcessorWrapper::latencyGet()
{
    return static_cast<std::uint32_t> (std::max (0, processor->getLatencySamples()));
}

std::uint32_t ClapProcessorWrapper::tailGet()
{
    if (! active)
        return 0;

    const auto samples = processor->getTailLengthSeconds() * activeSampleRate + 1.5e-8;
    if (! std::isfinite (samples))
        return std::isinf (samples) && samples > 0 ? static_cast<std::uint32_t> (INT32_MAX) : 0u;

    return static_cast<std::uint32_t> (juce::jlimit (0.0, static_cast<double> (INT32_MAX), std::round (samples)));
}

bool ClapProcessorWrapper::renderSetMode (clap_plugin_render_mode mode)
{
    processor->setNonRealtime (mode != CLAP_RENDER_REALTIME);
    return true;
}

void ClapProcessorWrapper::trackInfoChanged()
{
    clap_track_info info {};
    hostProxy.ensureMainThread ("track_info.get");
    if (! hostProxy.hostTrackInfo->get (hostProxy.host, &info))
        return;

    juce::AudioProcessor::TrackProperties properties;
    if ((info.flags & CLAP_TRACK_INFO_HAS_TRACK_NAME) != 0)
        properties.name = juce::String::fromUTF8 (info.name, static_cast<int> (strnlen (info.name, sizeof (info.name))));
    if ((info.flags & CLAP_TRACK_INFO_HAS_TRACK_COLOR) != 0)
        properties.colour = juce::Colour (info.color.red, info.color.green, info.color.blue, info.color.alpha);

    processor->updateTrackProperties (properties);
}

//==============================================================================
void ClapProcessorWrapper::onTimer (clap_id timerId)
{
    // Also here, in case the host is slow to answer request_callback.
    announceHostValuesFromAudioThread();
    MessageLoopDriver::timerFired (hostProxy, timerId);
}

void ClapProcessorWrapper::onPosixFd (int fd, clap_posix_fd_flags_t)
{
    MessageLoopDriver::descriptorReady (hostProxy, fd);
}

//==============================================================================
bool ClapProcessorWrapper::implementsGui() const
{
    return processor->hasEditor();
}

bool ClapProcessorWrapper::guiIsApiSupported (const char* api, bool floating)
{
    if (floating || api == nullptr)
        return false;

    return std::strcmp (api, CLAP_WINDOW_API_WIN32) == 0 || std::strcmp (api, CLAP_WINDOW_API_COCOA) == 0
           || std::strcmp (api, CLAP_WINDOW_API_X11) == 0;
}

bool ClapProcessorWrapper::guiCreate (const char*, bool floating)
{
    if (floating)
        return false;

    const juce::MessageManagerLock lock;

    if (editorWrapper == nullptr)
        editorWrapper = std::make_unique<EditorWrapperComponent> (*this);

    editorWrapper->createEditor (*processor);

    if (! MessageLoopDriver::isServiced())
        hostProxy.log (CLAP_LOG_WARNING, "The host offers neither clap.timer-support nor clap.posix-fd-support: "
                                         "the editor repaints only if the host runs the plug-in's message loop");

    return editorWrapper->getEditor() != nullptr;
}

void ClapProcessorWrapper::guiDestroy()
{
    if (editorWrapper != nullptr)
    {
        // An open menu may point into the editor.
        juce::PopupMenu::dismissAllActiveMenus();
        editorWrapper.reset();
    }

    parentAttached = false;
}

bool ClapProcessorWrapper::guiSetScale (double scale)
{
    const auto factor = static_cast<float> (scale > 50.0 ? scale * 0.01 : scale);

    // A zero, negative or non-finite scale would make the editor's transform singular.
    if (! std::isfinite (factor) || factor <= 0.0f)
        return false;

    guiScale = factor;

    if (editorWrapper != nullptr)
        editorWrapper->setEditorScaleFactor (guiScale);

    return true;
}

bool ClapProcessorWrapper::guiGetSize (std::uint32_t* width, std::uint32_t* height)
{
    const juce::MessageManagerLock lock;

    if (editorWrapper != nullptr && editorWrapper->getEditor() != nullptr)
    {
        *width = static_cast<std::uint32_t> (std::max (0, editorWrapper->getWidth()));
        *height = static_cast<std::uint32_t> (std::max (0, editorWrapper->getHeight()));
        return true;
    }

    *width = 1000;
    *height = 800;
    return false;
}

bool ClapProcessorWrapper::guiCanResize()
{
    if (editorWrapper != nullptr)
        if (auto* editor = editorWrapper->getEditor())
            return editor->isResizable();

    return true;
}

bool ClapProcessorWrapper::guiAdjustSize (std::uint32_t* width, std::uint32_t* height)
{
    auto* editor = editorWrapper != nullptr ? editorWrapper->getEditor() : nullptr;
    if (editor == nullptr || ! editor->isResizable())
        return false;

    const auto* constrainer = editor->getConstrainer();
    if (constrainer == nullptr)
        return true;

    double limits[] = { static_cast<double> (constrainer->getMinimumWidth()), static_cast<double> (constrainer->getMaximumWidth()),
                        static_cast<double> (constrainer->getMinimumHeight()), static_cast<double> (constrainer->getMaximumHeight()) };

    if (std::abs (guiScale - 1.0f) > 0.001f)
        for (auto& limit : limits)
            limit = std::round (limit * guiScale);

    // Host sizes are unsigned: a negative limit counts as 0.
    const auto asSize = [] (double value) {
        return static_cast<std::uint32_t> (juce::jlimit (0.0, static_cast<double> (UINT32_MAX), value));
    };

    *width = juce::jlimit (asSize (limits[0]), std::max (asSize (limits[0]), asSize (limits[1])), *width);
    *height = juce::jlimit (asSize (limits[2]), std::max (asSize (limits[2]), asSize (limits[3])), *height);

    if (const auto aspect = constrainer->getFixedAspectRatio(); aspect > 0.0)
        *width = asSize (std::round (aspect * *height));

    return true;
}

bool ClapProcessorWrapper::guiSetSize (std::uint32_t width, std::uint32_t height)
{
    auto* editor = editorWrapper != nullptr ? editorWrapper->getEditor() : nullptr;
    if (editor == nullptr || ! editor->isResizable())
        return false;

    editorWrapper->setSize (static_cast<int> (std::min (width, kMaxEditorSide)), static_cast<int> (std::min (height, kMaxEditorSide)));
    return true;
}

bool ClapProcessorWrapper::guiSetParent (const clap_window* window)
{
    parentAttached = true;

    // The host keeps the keyboard, so its shortcuts go on working.
    editorWrapper->addToDesktop (juce::ComponentPeer::windowIgnoresKeyPresses, nativeHandleOf (*window));
    editorWrapper->setTopLeftPosition (0, 0);
    editorWrapper->setVisible (true);
    editorWrapper->toFront (false);
    return true;
}

bool ClapProcessorWrapper::guiShow()
{
    return editorWrapper != nullptr && editorWrapper->getEditor() != nullptr && parentAttached;
}
