#include "ClapProcessorWrapper.h"
#include "../StubAudioProcessor.h"
#include "ClapCapabilities.h"
#include "ClapEntryPoint.h"
#include "LooperAudioProcessor.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <unistd.h>
#include <vector>

namespace
{
/** A processor that records what the wrapper hands it. */
class ProbeProcessor : public StubAudioProcessor
{
public:
    ProbeProcessor (int inputs = 2, int outputs = 2)
        : StubAudioProcessor (makeBuses (inputs, outputs))
    {
        addParameter (gain = new juce::AudioParameterFloat (juce::ParameterID { "gain", 0 }, "Gain", 0.0f, 1.0f, 0.5f));
    }

    static BusesProperties makeBuses (int inputs, int outputs)
    {
        BusesProperties buses;
        if (inputs > 0)
            buses = buses.withInput ("In", juce::AudioChannelSet::canonicalChannelSet (inputs), true);
        if (outputs > 0)
            buses = buses.withOutput ("Out", juce::AudioChannelSet::canonicalChannelSet (outputs), true);
        return buses;
    }

    struct Block
    {
        std::vector<float*> channels;
        std::vector<std::vector<float>> samples;
        std::vector<std::pair<int, juce::MidiMessage>> midi;
        float gainDuringBlock;
        juce::Optional<juce::AudioPlayHead::PositionInfo> position;
    };

    void prepareToPlay (double rate, int) override { preparedRates.push_back (rate); }
    void releaseResources() override { ++releases; }
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiIn) override
    {
        Block block;
        for (int c = 0; c < buffer.getNumChannels(); ++c)
        {
            block.channels.push_back (buffer.getWritePointer (c));
            block.samples.emplace_back (buffer.getReadPointer (c), buffer.getReadPointer (c) + buffer.getNumSamples());
        }
        for (const auto metadata : midiIn)
            block.midi.emplace_back (metadata.samplePosition, metadata.getMessage());
        block.gainDuringBlock = gain->get();
        block.position = getPlayHead() != nullptr ? getPlayHead()->getPosition() : juce::Optional<juce::AudioPlayHead::PositionInfo> {};
        blocks.push_back (std::move (block));
    }
    bool acceptsMidi() const override { return true; }

    juce::AudioParameterFloat* gain;
    std::vector<Block> blocks;
    std::vector<double> preparedRates;
    int releases = 0;
};

/** A wrapped probe, initialised, activated and processing. */
struct WrappedProbe
{
    explicit WrappedProbe (int inputs = 2, int outputs = 2)
    {
        auto owned = std::make_unique<ProbeProcessor> (inputs, outputs);
        probe = owned.get();
        plugin = (new ClapProcessorWrapper (&host.host, std::move (owned)))->clapPlugin();
        host.offersThreadCheck = false;
        plugin->init (plugin);
        plugin->activate (plugin, 48000.0, 1, 512);
        plugin->start_processing (plugin);
    }

    ~WrappedProbe() { plugin->destroy (plugin); }

    /** One process call on these buffers with these events. */
    clap_process_status process (std::uint32_t frames, std::vector<float*> inputs, std::vector<float*> outputs,
                                 const std::vector<const clap_event_header*>& events, const clap_event_transport* transport = nullptr)
    {
        clap_audio_buffer in { inputs.data(), nullptr, static_cast<std::uint32_t> (inputs.size()), 0, 0 };
        clap_audio_buffer out { outputs.data(), nullptr, static_cast<std::uint32_t> (outputs.size()), 0, 0 };
        const clap_input_events list { const_cast<std::vector<const clap_event_header*>*> (&events),
                                       [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<const std::vector<const clap_event_header*>*> (l->ctx)->size()); },
                                       [] (const clap_input_events* l, std::uint32_t i) { return (*static_cast<const std::vector<const clap_event_header*>*> (l->ctx))[i]; } };
        const clap_output_events outList { &outputEvents, [] (const clap_output_events* l, const clap_event_header* e) {
                                              static_cast<std::vector<clap_event_param_value>*> (l->ctx)->push_back (*reinterpret_cast<const clap_event_param_value*> (e));
                                              return true;
                                          } };
        clap_process context { -1, frames, transport, inputs.empty() ? nullptr : &in, outputs.empty() ? nullptr : &out,
                               inputs.empty() ? 0u : 1u, outputs.empty() ? 0u : 1u, &list, &outList };
        return plugin->process (plugin, &context);
    }

    TestHost host;
    ProbeProcessor* probe;
    const clap_plugin* plugin;
    std::vector<clap_event_param_value> outputEvents;
};

clap_event_note noteOn (std::uint32_t time, int key, double velocity, int channel = -1)
{
    clap_event_note note {};
    note.header = { sizeof (clap_event_note), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0 };
    note.note_id = -1;
    note.channel = static_cast<std::int16_t> (channel);
    note.key = static_cast<std::int16_t> (key);
    note.velocity = velocity;
    return note;
}

clap_event_param_value paramValue (std::uint32_t time, clap_id id, double value)
{
    clap_event_param_value event {};
    event.header = { sizeof (clap_event_param_value), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 };
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    return event;
}
} // namespace

TEST (ClapEntryPoint, AnswersOnlyItsFactoryAndItsPlugin)
{
    EXPECT_TRUE (ClapEntryPoint::clap_init ("/anywhere"));
    EXPECT_EQ (ClapEntryPoint::clap_get_factory ("clap.plugin-factory"), &ClapEntryPoint::plugin_factory);
    for (const char* id : { "clap.plugin-factory ", "clap.plugin", "", "clap.preset-discovery-factory/2" })
        EXPECT_EQ (ClapEntryPoint::clap_get_factory (id), nullptr) << id;

    const auto* factory = &ClapEntryPoint::plugin_factory;
    EXPECT_EQ (factory->get_plugin_count (factory), 1u);
    EXPECT_EQ (factory->get_plugin_descriptor (factory, 0), &ClapProcessorWrapper::desc);
    EXPECT_EQ (factory->get_plugin_descriptor (factory, 7), &ClapProcessorWrapper::desc);

    TestHost host;
    {
        // The refusal of a wrong id is announced on standard output.
        std::fflush (stdout);
        auto* captured = std::tmpfile();
        const int saved = dup (STDOUT_FILENO);
        dup2 (fileno (captured), STDOUT_FILENO);
        EXPECT_EQ (factory->create_plugin (factory, &host.host, "com.example.other"), nullptr);
        std::fflush (stdout);
        dup2 (saved, STDOUT_FILENO);
        close (saved);

        std::string written;
        std::rewind (captured);
        for (int c; (c = std::fgetc (captured)) != EOF;)
            written += static_cast<char> (c);
        std::fclose (captured);
        EXPECT_EQ (written, "Warning: CLAP asked for plugin_id 'com.example.other' and this plug-in's ID is 'com.ravelwick.looper'\n");
    }

    const auto* first = factory->create_plugin (factory, &host.host, ClapProcessorWrapper::desc.id);
    const auto* second = factory->create_plugin (factory, &host.host, ClapProcessorWrapper::desc.id);
    ASSERT_NE (first, nullptr);
    ASSERT_NE (second, nullptr);
    EXPECT_NE (first->plugin_data, second->plugin_data);
    EXPECT_EQ (first->desc, &ClapProcessorWrapper::desc);

    EXPECT_FALSE (clap_capabilities::clap_properties::building_clap);
    EXPECT_EQ (clap_capabilities::audio_processor_capabilities::clapHostStatic, nullptr);
    EXPECT_EQ (clap_capabilities::clap_properties::clap_version_major, 1u);
    EXPECT_EQ (clap_capabilities::clap_properties::clap_version_minor, 2u);
    EXPECT_EQ (clap_capabilities::clap_properties::clap_version_revision, 7u);

    first->destroy (first);
    second->destroy (second);
}

TEST (ClapProcessorWrapper, HashesParameterIdsStably)
{
    EXPECT_EQ (ClapProcessorWrapper::parameterIdFor ("record"), 3360058449u);
    EXPECT_EQ (ClapProcessorWrapper::parameterIdFor (""), 0u);

    std::set<clap_id> ids;
    for (const auto* id : LooperAudioProcessor::parameterIds)
        ids.insert (ClapProcessorWrapper::parameterIdFor (id));
    EXPECT_EQ (ids.size(), LooperAudioProcessor::parameterIds.size()) << "no two parameters share an id";
}

TEST (ClapProcessorWrapper, AppliesEventsInsideTheBlockBeforeProcessingAndKeepsLaterOnes)
{
    WrappedProbe wrapped;
    std::vector<float> left (64, 0.25f), right (64, -0.25f);
    const auto gainId = ClapProcessorWrapper::parameterIdFor ("gain");

    const auto early = paramValue (10, gainId, 0.75);
    const auto note = noteOn (70, 60, 1.0);
    const auto late = paramValue (100, gainId, 0.25);
    wrapped.process (64, { left.data(), right.data() }, { left.data(), right.data() }, { &early.header, &note.header, &late.header });

    ASSERT_EQ (wrapped.probe->blocks.size(), 1u);
    EXPECT_FLOAT_EQ (wrapped.probe->blocks[0].gainDuringBlock, 0.75f) << "the event inside the block applied before it ran";
    EXPECT_TRUE (wrapped.probe->blocks[0].midi.empty());
    EXPECT_FLOAT_EQ (wrapped.probe->gain->get(), 0.25f) << "the later event applied after it ran";

    wrapped.process (64, { left.data(), right.data() }, { left.data(), right.data() }, {});
    ASSERT_EQ (wrapped.probe->blocks[1].midi.size(), 1u);
    EXPECT_EQ (wrapped.probe->blocks[1].midi[0].first, 6) << "70 - 64";
    EXPECT_TRUE (wrapped.probe->blocks[1].midi[0].second.isNoteOn());
}

TEST (ClapProcessorWrapper, ConvertsNotesToMidi)
{
    const struct
    {
        int channel;
        int key;
        double velocity;
        int midiChannel;
        int midiVelocity;
    } cases[] = {
        { -1, 60, 1.0, 1, 127 },
        { 0, 60, 0.5, 1, 64 },
        { 40, 200, 2.0, 16, 127 },
        { 15, 67, 0.0, 16, 1 }, // a CLAP note-on stays a note-on: MIDI velocity 0 would be a note-off
        { 3, 61, 0.003, 4, 1 },
    };

    for (const auto& c : cases)
    {
        WrappedProbe wrapped;
        std::vector<float> left (16), right (16);
        const auto note = noteOn (3, c.key, c.velocity, c.channel);
        wrapped.process (16, { left.data(), right.data() }, { left.data(), right.data() }, { &note.header });

        ASSERT_EQ (wrapped.probe->blocks[0].midi.size(), 1u);
        const auto& message = wrapped.probe->blocks[0].midi[0].second;
        EXPECT_EQ (wrapped.probe->blocks[0].midi[0].first, 3);
        EXPECT_EQ (message.getChannel(), c.midiChannel) << c.channel;
        EXPECT_EQ (message.getNoteNumber(), c.key & 127);
        EXPECT_EQ (message.getVelocity(), c.midiVelocity) << c.velocity;
        EXPECT_TRUE (message.isNoteOn()) << c.velocity;
    }
}

TEST (ClapProcessorWrapper, ZeroFrameBlockConvertsEveryEventForTheNextBlock)
{
    WrappedProbe wrapped;
    std::vector<float> left (32), right (32);
    const auto note = noteOn (5, 61, 1.0);
    const auto value = paramValue (9, ClapProcessorWrapper::parameterIdFor ("gain"), 1.0);

    EXPECT_EQ (wrapped.process (0, { left.data(), right.data() }, { left.data(), right.data() }, { &note.header, &value.header }), CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE (wrapped.probe->blocks.empty());
    EXPECT_FLOAT_EQ (wrapped.probe->gain->get(), 1.0f);

    wrapped.process (32, { left.data(), right.data() }, { left.data(), right.data() }, {});
    ASSERT_EQ (wrapped.probe->blocks[0].midi.size(), 1u);
    EXPECT_EQ (wrapped.probe->blocks[0].midi[0].first, 5);
}

TEST (ClapProcessorWrapper, GathersChannelsInPlaceOrCopied)
{
    std::vector<float> inLeft (8, 0.5f), inRight (8, -0.5f), outLeft (8, 0.0f), outRight (8, 0.0f);

    WrappedProbe separate;
    separate.process (8, { inLeft.data(), inRight.data() }, { outLeft.data(), outRight.data() }, {});
    const auto& block = separate.probe->blocks[0];
    EXPECT_EQ (block.channels, (std::vector<float*> { outLeft.data(), outRight.data() }));
    EXPECT_EQ (block.samples[0][7], 0.5f) << "the output buffers already hold the input";
    EXPECT_EQ (block.samples[1][0], -0.5f);

    WrappedProbe inPlace;
    inPlace.process (8, { inLeft.data(), inRight.data() }, { inLeft.data(), inRight.data() }, {});
    EXPECT_EQ (inPlace.probe->blocks[0].channels, (std::vector<float*> { inLeft.data(), inRight.data() }));

    // A host that gives fewer input channels than outputs: the rest are silent,
    // not whatever the host left in them.
    std::vector<float> stale (8, 0.75f);
    WrappedProbe shortInput;
    shortInput.process (8, { inLeft.data() }, { outLeft.data(), stale.data() }, {});
    EXPECT_EQ (shortInput.probe->blocks[0].samples[1], std::vector<float> (8, 0.0f));
    EXPECT_EQ (shortInput.probe->blocks[0].samples[0][3], 0.5f);

    // Fewer outputs than inputs: the processor, which works in place, gets a
    // copy of the input that has no output, as the host's input is read-only.
    WrappedProbe shortOutput;
    shortOutput.process (8, { inLeft.data(), inRight.data() }, { outLeft.data() }, {});
    EXPECT_EQ (shortOutput.probe->blocks[0].channels[0], outLeft.data());
    EXPECT_NE (shortOutput.probe->blocks[0].channels[1], inRight.data());
    EXPECT_EQ (shortOutput.probe->blocks[0].samples[1], inRight);

    // Without output channels of its own, a processor writes none.
    WrappedProbe noOutput (2, 0);
    noOutput.process (8, { inLeft.data(), inRight.data() }, {}, {});
    EXPECT_EQ (noOutput.probe->blocks[0].channels, (std::vector<float*> { inLeft.data(), inRight.data() }));
}

TEST (ClapProcessorWrapper, SuspendedProcessorLeavesSilence)
{
    WrappedProbe wrapped;
    std::vector<float> left (8, 0.5f), right (8, 0.5f);
    wrapped.probe->suspendProcessing (true);
    wrapped.process (8, { left.data(), right.data() }, { left.data(), right.data() }, {});
    EXPECT_TRUE (wrapped.probe->blocks.empty());
    EXPECT_EQ (left, std::vector<float> (8, 0.0f));
    EXPECT_EQ (right, std::vector<float> (8, 0.0f));
}

TEST (ClapProcessorWrapper, ReportsTheTransportOnlyDuringProcess)
{
    WrappedProbe wrapped;
    std::vector<float> left (8), right (8);

    clap_event_transport transport {};
    transport.header = { sizeof (clap_event_transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0 };
    transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_TIME_SIGNATURE | CLAP_TRANSPORT_HAS_BEATS_TIMELINE
                      | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
    transport.tempo = 128.0;
    transport.tsig_num = 7;
    transport.tsig_denom = 8;
    transport.song_pos_beats = 3 * CLAP_BEATTIME_FACTOR / 2;
    transport.bar_start = CLAP_BEATTIME_FACTOR;
    transport.bar_number = 4;
    transport.song_pos_seconds = 2 * CLAP_SECTIME_FACTOR;

    wrapped.process (8, { left.data(), right.data() }, { left.data(), right.data() }, {}, &transport);
    const auto& position = wrapped.probe->blocks[0].position;
    ASSERT_TRUE (position.hasValue());
    EXPECT_EQ (*position->getBpm(), 128.0);
    EXPECT_EQ (position->getTimeSignature()->numerator, 7);
    EXPECT_EQ (position->getTimeSignature()->denominator, 8);
    EXPECT_EQ (*position->getPpqPosition(), 1.5);
    EXPECT_EQ (*position->getPpqPositionOfLastBarStart(), 1.0);
    EXPECT_EQ (*position->getBarCount(), 4);
    EXPECT_EQ (*position->getTimeInSeconds(), 2.0);
    EXPECT_EQ (*position->getTimeInSamples(), 96000);
    EXPECT_TRUE (position->getIsPlaying());
    EXPECT_FALSE (position->getIsRecording());

    EXPECT_FALSE (wrapped.probe->getPlayHead()->getPosition().hasValue()) << "the host's transport is gone after process";

    wrapped.process (8, { left.data(), right.data() }, { left.data(), right.data() }, {});
    EXPECT_FALSE (wrapped.probe->blocks[1].position.hasValue());
}

TEST (ClapProcessorWrapper, ReactivationPreparesAgainAndNeverReleases)
{
    WrappedProbe wrapped;
    wrapped.plugin->stop_processing (wrapped.plugin);
    wrapped.plugin->deactivate (wrapped.plugin);
    wrapped.plugin->activate (wrapped.plugin, 96000.0, 1, 256);
    EXPECT_EQ (wrapped.probe->preparedRates, (std::vector<double> { 48000.0, 96000.0 }));
    EXPECT_EQ (wrapped.probe->releases, 0);
}

TEST (ClapProcessorWrapper, SendsEditorChangesToTheHostButNotHostChangesBack)
{
    TestHost host;
    auto owned = std::make_unique<LooperAudioProcessor>();
    auto* processor = owned.get();
    const auto* plugin = (new ClapProcessorWrapper (&host.host, std::move (owned)))->clapPlugin();
    host.offersThreadCheck = false;
    plugin->init (plugin);

    std::vector<clap_event_param_value> received;
    const clap_output_events out { &received, [] (const clap_output_events* l, const clap_event_header* e) {
                                      static_cast<std::vector<clap_event_param_value>*> (l->ctx)->push_back (*reinterpret_cast<const clap_event_param_value*> (e));
                                      return true;
                                  } };
    const auto* params = static_cast<const clap_plugin_params*> (plugin->get_extension (plugin, CLAP_EXT_PARAMS));

    // As the editor's REC button does: press, then release.
    processor->apvts.getParameter ("record")->setValueNotifyingHost (1.0f);
    processor->apvts.getParameter ("record")->setValueNotifyingHost (0.0f);
    params->flush (plugin, nullptr, &out);
    ASSERT_EQ (received.size(), 2u);
    EXPECT_EQ (received[0].header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ (received[0].header.time, 0u);
    EXPECT_EQ (received[0].param_id, 3360058449u);
    EXPECT_EQ (received[0].value, 1.0);
    EXPECT_EQ (received[1].value, 0.0);
    EXPECT_EQ (received[0].note_id, -1);

    // A host change reaches the processor but is not echoed.
    received.clear();
    const auto mute = paramValue (0, ClapProcessorWrapper::parameterIdFor ("mute"), 1.0);
    const std::vector<const clap_event_header*> events { &mute.header };
    const clap_input_events in { const_cast<std::vector<const clap_event_header*>*> (&events),
                                 [] (const clap_input_events* l) { return static_cast<std::uint32_t> (static_cast<const std::vector<const clap_event_header*>*> (l->ctx)->size()); },
                                 [] (const clap_input_events* l, std::uint32_t i) { return (*static_cast<const std::vector<const clap_event_header*>*> (l->ctx))[i]; } };
    params->flush (plugin, &in, &out);
    EXPECT_EQ (processor->apvts.getRawParameterValue ("mute")->load(), 1.0f);
    params->flush (plugin, nullptr, &out);
    EXPECT_TRUE (received.empty());

    plugin->destroy (plugin);
}

TEST (ClapProcessorWrapper, HostValuesInProcessReachListenersOnlyOnTheMainThread)
{
    WrappedProbe wrapped;

    struct Recorder : juce::AudioProcessorParameter::Listener
    {
        void parameterValueChanged (int, float value) override { values.push_back (value); }
        void parameterGestureChanged (int, bool) override {}
        std::vector<float> values;
    } listener;
    wrapped.probe->gain->addListener (&listener);

    const auto id = ClapProcessorWrapper::parameterIdFor ("gain");
    std::vector<float> in (64, 0.0f), out (64, 0.0f);
    const auto first = paramValue (0, id, 0.25);
    const auto second = paramValue (10, id, 0.75);
    const auto callbacksBefore = wrapped.host.callbackRequests;
    wrapped.process (64, { in.data() }, { out.data() }, { &first.header, &second.header });

    // JUCE's listener lists take locks, so none is told on the audio thread;
    // the processor sees the value all the same.
    EXPECT_TRUE (listener.values.empty());
    EXPECT_EQ (wrapped.probe->blocks.back().gainDuringBlock, 0.75f);
    EXPECT_EQ (wrapped.host.callbackRequests, callbacksBefore + 1);

    // A second value before the main thread runs is told once, as the latest.
    const auto third = paramValue (0, id, 0.5);
    wrapped.process (64, { in.data() }, { out.data() }, { &third.header });
    wrapped.plugin->on_main_thread (wrapped.plugin);
    EXPECT_EQ (listener.values, (std::vector<float> { 0.5f }));
    EXPECT_TRUE (wrapped.outputEvents.empty()) << "a host value is not echoed";

    // A state saved before the main thread runs has the latest value too.
    const auto fourth = paramValue (0, id, 0.25);
    wrapped.process (64, { in.data() }, { out.data() }, { &fourth.header });
    const auto* state = static_cast<const clap_plugin_state*> (wrapped.plugin->get_extension (wrapped.plugin, CLAP_EXT_STATE));
    std::vector<std::uint8_t> bytes;
    const clap_ostream stream { &bytes, [] (const clap_ostream* s, const void* data, std::uint64_t size) -> std::int64_t {
                                   auto& sink = *static_cast<std::vector<std::uint8_t>*> (s->ctx);
                                   sink.insert (sink.end(), static_cast<const std::uint8_t*> (data), static_cast<const std::uint8_t*> (data) + size);
                                   return static_cast<std::int64_t> (size);
                               } };
    state->save (wrapped.plugin, &stream);
    EXPECT_EQ (listener.values, (std::vector<float> { 0.5f, 0.25f }));

    wrapped.probe->gain->removeListener (&listener);
}
