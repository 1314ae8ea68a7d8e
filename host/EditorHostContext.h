#pragma once

#include "checked/HostProxy.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <unordered_map>

/** What the editor may ask of the CLAP host: a parameter's context menu. */
class EditorHostContext : public juce::AudioProcessorEditorHostContext
{
public:
    EditorHostContext (const clap::checked::HostProxy& hostProxy,
                       const std::unordered_map<juce::AudioProcessorParameter*, clap_id>& idsByParam);

    /** None when the host has no complete context-menu extension; a null
        parameter asks for the plug-in's global menu.
    */
    std::unique_ptr<juce::HostProvidedContextMenu> getContextMenuForParameter (const juce::AudioProcessorParameter* parameter) const override;

private:
    const clap::checked::HostProxy& hostProxy;
    const std::unordered_map<juce::AudioProcessorParameter*, clap_id>& idsByParam;
};
