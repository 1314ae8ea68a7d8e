#include "EditorWrapperComponent.h"

ClapProcessorWrapper::EditorWrapperComponent::EditorWrapperComponent (ClapProcessorWrapper& owner)
    : hostProxy (&owner.hostProxy),
      wrapper (&owner)
{
    setOpaque (true);
    setBroughtToFrontOnMouseClick (true);
}

ClapProcessorWrapper::EditorWrapperComponent::~EditorWrapperComponent()
{
    deleteEditor();
}

void ClapProcessorWrapper::EditorWrapperComponent::deleteEditor()
{
    if (editor != nullptr)
    {
        editor->processor.editorBeingDeleted (editor.get());
        editor->setHostContext (nullptr);
        removeChildComponent (editor.get());
    }

    editor.reset();
    hostContext.reset();
}

void ClapProcessorWrapper::EditorWrapperComponent::createEditor (juce::AudioProcessor& processor)
{
    auto* made = processor.createEditorIfNeeded();
    if (made != editor.get())
    {
        deleteEditor();
        editor.reset (made);
    }

    if (editor == nullptr)
        return;

    auto context = std::make_unique<EditorHostContext> (*hostProxy, wrapper->idsByParam);
    editor->setHostContext (context.get());
    hostContext = std::move (context);

    addAndMakeVisible (*editor);
    editor->setTopLeftPosition (0, 0);
    lastEditorBounds = getLocalArea (editor.get(), editor->getLocalBounds());

    const juce::ScopedValueSetter<bool> guard (resizingParentToFitChild, true);
    setBounds (lastEditorBounds);
}

void ClapProcessorWrapper::EditorWrapperComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::red);
}

void ClapProcessorWrapper::EditorWrapperComponent::resized()
{
    if (editor == nullptr || resizingParentToFitChild)
        return;

    const auto local = getLocalBounds();
    {
        const juce::ScopedValueSetter<bool> guard (resizingChildToFitParent, true);
        editor->setBounds (editor->getLocalArea (this, local).withPosition (0, 0));
    }
    lastEditorBounds = local;
}

void ClapProcessorWrapper::EditorWrapperComponent::childBoundsChanged (juce::Component* child)
{
    if (resizingChildToFitParent || editor == nullptr || child != editor.get())
        return;

    const auto bounds = getLocalArea (editor.get(), editor->getLocalBounds());
    if (bounds == lastEditorBounds)
        return;

    resizeHostWindow();
    repaint();
    lastEditorBounds = bounds;
}

void ClapProcessorWrapper::EditorWrapperComponent::resizeHostWindow()
{
    if (editor == nullptr)
        return;

    const auto bounds = getLocalArea (editor.get(), editor->getLocalBounds());
    const auto width = std::max (0, bounds.getWidth());
    const auto height = std::max (0, bounds.getHeight());

    {
        // A host may answer the request by calling set_size at once.
        const juce::ScopedValueSetter<bool> guard (resizingParentToFitChild, true);

        if (const auto* gui = hostProxy->hostGui)
        {
            if (gui->request_resize != nullptr)
            {
                hostProxy->ensureMainThread ("gui.request_resize");
                gui->request_resize (hostProxy->host, static_cast<std::uint32_t> (width), static_cast<std::uint32_t> (height));
            }
            else
            {
                hostProxy->log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_gui is partially implemented");
            }
        }
    }

    setBounds (0, 0, width, height);
}

void ClapProcessorWrapper::EditorWrapperComponent::setEditorScaleFactor (float scale)
{
    if (editor == nullptr)
        return;

    const auto unscaled = editor->getLocalArea (this, lastEditorBounds);
    {
        const juce::ScopedValueSetter<bool> guard (resizingChildToFitParent, true);
        editor->setScaleFactor (scale);
        editor->setBounds (unscaled.withPosition (0, 0));
    }

    lastEditorBounds = getLocalArea (editor.get(), editor->getLocalBounds());
    resizeHostWindow();
    repaint();
}
