#include "EditorHostContext.h"

#include "EditorContextMenu.h"

EditorHostContext::EditorHostContext (const clap::checked::HostProxy& proxy,
                                      const std::unordered_map<juce::AudioProcessorParameter*, clap_id>& ids)
    : hostProxy (proxy),
      idsByParam (ids)
{
}

std::unique_ptr<juce::HostProvidedContextMenu> EditorHostContext::getContextMenuForParameter (const juce::AudioProcessorParameter* parameter) const
{
    const auto* menus = hostProxy.hostContextMenu;
    if (menus == nullptr)
        return {};

    if (menus->populate == nullptr || menus->perform == nullptr || menus->can_popup == nullptr || menus->popup == nullptr)
    {
        hostProxy.log (CLAP_LOG_HOST_MISBEHAVING, "clap_host_context_menu is partially implemented");
        return {};
    }

    clap_context_menu_target target { CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL, 0 };
    if (parameter != nullptr)
    {
        const auto found = idsByParam.find (const_cast<juce::AudioProcessorParameter*> (parameter));
        target = { CLAP_CONTEXT_MENU_TARGET_KIND_PARAM, found != idsByParam.end() ? found->second : 0 };
    }

    return std::make_unique<EditorContextMenu> (hostProxy, target);
}
