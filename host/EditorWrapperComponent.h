#pragma once

#include "ClapProcessorWrapper.h"
#include "EditorHostContext.h"

/** The component a CLAP host's window holds: it owns the processor's editor,
    follows its size both ways, and asks the host to resize the window when
    the editor changes its own size. Its own red shows only where the editor
    leaves a gap.
*/
class ClapProcessorWrapper::EditorWrapperComponent : public juce::Component
{
public:
    explicit EditorWrapperComponent (ClapProcessorWrapper& wrapper);
    ~EditorWrapperComponent() override;

    /** Asks the processor for its editor and takes its size. */
    void createEditor (juce::AudioProcessor& processor);

    /** Scales the editor; it keeps its logical size and the window follows. */
    void setEditorScaleFactor (float scale);

    juce::AudioProcessorEditor* getEditor() const noexcept { return editor.get(); }

    void paint (juce::Graphics& g) override;
    void resized() override;
    void childBoundsChanged (juce::Component* child) override;

private:
    void deleteEditor();
    void resizeHostWindow();

    const clap::checked::HostProxy* hostProxy;
    ClapProcessorWrapper* wrapper;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    std::unique_ptr<EditorHostContext> hostContext;
    juce::Rectangle<int> lastEditorBounds;

    // Keep the wrapper and the editor from resizing each other in a loop.
    bool resizingChildToFitParent = false;
    bool resizingParentToFitChild = false;
};
