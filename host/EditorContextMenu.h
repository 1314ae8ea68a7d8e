#pragma once

#include "checked/ContextMenuBuilder.h"
#include "checked/HostProxy.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

/** The host's context menu for a parameter (or for the whole plug-in), as
    the editor sees it: either the host's own pop-up, or the same items as a
    juce::PopupMenu whose entries run the host's actions.
*/
class EditorContextMenu : public juce::HostProvidedContextMenu
{
public:
    /** Turns the items a host adds into a juce::PopupMenu; item ids count from 1. */
    class MenuBuilder : public clap::checked::ContextMenuBuilder
    {
    public:
        MenuBuilder (const clap::checked::HostProxy& hostProxy, clap_context_menu_target target);

        /** The finished menu; submenus still open are left out. */
        const juce::PopupMenu& rootMenu() const noexcept { return menus.front(); }

    protected:
        bool addItem (clap_context_menu_item_kind_t kind, const void* data) override;
        bool supports (clap_context_menu_item_kind_t) const override { return true; }

    private:
        struct Submenu
        {
            juce::String label;
            bool enabled = true;
        };

        void addEntry (const char* label, bool enabled, bool checked, clap_id actionId);

        const clap::checked::HostProxy& hostProxy;
        const clap_context_menu_target target;
        std::vector<juce::PopupMenu> menus { 1 };
        std::vector<Submenu> openSubmenus;
        int itemCounter = 0;
    };

    /** The host must offer all four context-menu functions. */
    EditorContextMenu (const clap::checked::HostProxy& hostProxy, clap_context_menu_target target);

    /** Lets the host add its items and returns them as a menu. */
    juce::PopupMenu getEquivalentPopupMenu() const override;

    /** Asks the host to show its own menu at this position, when it can. */
    void showNativeMenu (juce::Point<int> position) const override;

    const clap_context_menu_target& getTarget() const noexcept { return target; }

private:
    const clap::checked::HostProxy& hostProxy;
    const clap_context_menu_target target;
};
