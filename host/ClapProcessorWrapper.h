#pragma once

#include "checked/Plugin.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

/** The plug-in object a CLAP host holds: it owns one JUCE audio processor and
    maps the CLAP life cycle, audio callback, events, parameters, state, ports
    and host information onto it. Every host call has passed the checks of
    clap::checked::Plugin before it arrives here.
*/
class ClapProcessorWrapper : public clap::checked::Plugin,
                             public juce::AudioProcessorListener,
                             public juce::AudioPlayHead,
                             public juce::AudioProcessorParameter::Listener
{
public:
    /** The one descriptor of this bundle. */
    static const clap_plugin_descriptor desc;

    /** Takes ownership of the processor. [main-thread] */
    ClapProcessorWrapper (const clap_host* host, std::unique_ptr<juce::AudioProcessor> processor);
    ~ClapProcessorWrapper() override;

    /** The CLAP id of a parameter ID string: h = 31 h + code point, from 0, modulo 2^32. */
    static clap_id parameterIdFor (const juce::String& parameterId) noexcept;

    /** The transport of the process call in progress, empty outside one. [audio-thread] */
    juce::Optional<PositionInfo> getPosition() const override;

    juce::AudioProcessor& getProcessor() const noexcept { return *processor; }

protected:
    bool init() override;
    bool activate (double sampleRate, std::uint32_t minFrameCount, std::uint32_t maxFrameCount) override;
    void deactivate() override {}
    bool startProcessing() override { return true; }
    void stopProcessing() override {}
    void reset() override;
    clap_process_status process (const clap_process* process) override;
    void onMainThread() override;

    // Parameters
    bool implementsParams() const override { return true; }
    std::uint32_t paramsCount() override;
    bool paramsInfo (std::uint32_t index, clap_param_info* info) override;
    bool paramsValue (clap_id id, double* value) override;
    bool paramsValueToText (clap_id id, double value, char* display, std::uint32_t size) override;
    bool paramsTextToValue (clap_id id, const char* display, double* value) override;
    void paramsFlush (const clap_input_events* in, const clap_output_events* out) override;
    bool isValidParamId (clap_id id) override;

    // State, ports, notes and host information
    bool implementsState() const override { return true; }
    bool stateSave (const clap_ostream* stream) override;
    bool stateLoad (const clap_istream* stream) override;
    bool implementsAudioPorts() const override { return true; }
    std::uint32_t audioPortsCount (bool isInput) override;
    bool audioPortsInfo (std::uint32_t index, bool isInput, clap_audio_port_info* info) override;
    bool implementsNotePorts() const override { return true; }
    std::uint32_t notePortsCount (bool isInput) override;
    bool notePortsInfo (std::uint32_t index, bool isInput, clap_note_port_info* info) override;
    bool implementsNoteName() const override { return true; }
    std::uint32_t noteNameCount() override;
    bool noteNameGet (std::uint32_t index, clap_note_name* name) override;
    bool implementsLatency() const override { return true; }
    std::uint32_t latencyGet() override;
    bool implementsTail() const override { return true; }
    std::uint32_t tailGet() override;
    bool implementsRender() const override { return true; }
    bool renderSetMode (clap_plugin_render_mode mode) override;
    bool implementsTrackInfo() const override { return true; }
    void trackInfoChanged() override;
    bool implementsTimerSupport() const override { return true; }
    void onTimer (clap_id timerId) override;
    bool implementsPosixFdSupport() const override { return true; }
    void onPosixFd (int fd, clap_posix_fd_flags_t flags) override;

    // Editor
    bool implementsGui() const override;
    bool guiIsApiSupported (const char* api, bool floating) override;
    bool guiCreate (const char* api, bool floating) override;
    void guiDestroy() override;
    bool guiSetScale (double scale) override;
    bool guiGetSize (std::uint32_t* width, std::uint32_t* height) override;
    bool guiCanResize() override;
    bool guiAdjustSize (std::uint32_t* width, std::uint32_t* height) override;
    bool guiSetSize (std::uint32_t width, std::uint32_t height) override;
    bool guiSetParent (const clap_window* window) override;
    bool guiShow() override;

    // juce::AudioProcessorListener
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override;

    // juce::AudioProcessorParameter::Listener: the wrapper listens to no parameter.
    void parameterValueChanged (int, float) override {}
    void parameterGestureChanged (int, bool) override {}

private:
    class EditorWrapperComponent;

    /** A parameter as the bridge sees it; an entry's address is its CLAP cookie. */
    struct JUCEParameterVariant
    {
        juce::AudioProcessorParameter* processorParam = nullptr;
        juce::RangedAudioParameter* rangedParameter = nullptr;
    };

    /** A change made inside the plug-in, waiting for the next process or flush. */
    struct ParamChangeEntry
    {
        std::int32_t kind = 0; ///< CLAP_EVENT_PARAM_VALUE, _GESTURE_BEGIN or _GESTURE_END
        std::uint32_t flags = 0;
        clap_id paramId = 0;
        float value = 0.0f; ///< normalised
    };

    struct NoteNameInfo
    {
        juce::String name;
        std::int16_t key = 0;
        std::int16_t channel = 0;
    };

    static constexpr int kQueueSize = 65536;
    static constexpr int kMaxChannels = 128;
    static constexpr std::uint32_t kMaxSpareFrames = 1u << 18; ///< longest block a spare channel holds, 5 s at 48 kHz

    void buildParameterTables();
    clap_id idOfIndex (int index) const;
    JUCEParameterVariant* findParameter (const clap_event_param_value& event);
    void handleParameterChangeEvent (const clap_event_param_value& event);
    void processEvent (const clap_event_header& event, int sampleOffset);
    void queueChange (std::int32_t kind, int index, float value);
    void announceHostValue (int index);
    void announceHostValuesFromAudioThread();
    void pushQueuedChanges (const clap_output_events* out);
    void defineAudioPorts();

    juce::ScopedJuceInitialiser_GUI guiInitialiser;
    std::unique_ptr<juce::AudioProcessor> processor;
    bool legacyParameterMode = false;
    std::atomic<bool> latencyChangePending { false };
    juce::MidiBuffer midiBuffer;

    // The host's input buffers are read-only, and the processor works in
    // place: an input to one of its output channels that the host gives no
    // output channel for is processed here, in a copy.
    juce::AudioBuffer<float> spareChannels;

    juce::CriticalSection stateLock;
    juce::MemoryBlock stateBuffer;

    juce::AbstractFifo hostChangeFifo { kQueueSize };
    std::array<ParamChangeEntry, kQueueSize> hostChangeQueue {};

    // Host values applied on the audio thread, whose listeners (the editor's
    // attachments, the parameter tree) hear of them later on the main thread:
    // JUCE's listener lists take locks. Each parameter waits at most once.
    std::unique_ptr<juce::AbstractFifo> announceFifo;
    std::vector<int> announceQueue;
    std::unique_ptr<std::atomic<bool>[]> announcePending;
    std::atomic<bool> announcementsWaiting { false };

    std::unordered_map<clap_id, JUCEParameterVariant> paramsById;
    std::unordered_map<juce::AudioProcessorParameter*, clap_id> idsByParam;
    std::unordered_set<clap_id> knownIds;
    juce::Array<juce::AudioProcessorParameter*> parameterList;

    // Valid only during the process call that carried it.
    const clap_event_transport* currentTransport = nullptr;

    std::vector<NoteNameInfo> noteNames;

    std::unique_ptr<EditorWrapperComponent> editorWrapper;
    float guiScale = 1.0f;
    bool parentAttached = false;
};
