#include "EditorContextMenu.h"

EditorContextMenu::MenuBuilder::MenuBuilder (const clap::checked::HostProxy& proxy, clap_context_menu_target menuTarget)
    : hostProxy (proxy),
      target (menuTarget)
{
}

bool EditorContextMenu::MenuBuilder::addItem (clap_context_menu_item_kind_t kind, const void* data)
{
    auto& menu = menus.back();

    switch (kind)
    {
        case CLAP_CONTEXT_MENU_ITEM_ENTRY:
            if (const auto* entry = static_cast<const clap_context_menu_entry*> (data))
                addEntry (entry->label, entry->is_enabled, false, entry->action_id);
            break;

        case CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY:
            if (const auto* entry = static_cast<const clap_context_menu_check_entry*> (data))
                addEntry (entry->label, entry->is_enabled, entry->is_checked, entry->action_id);
            break;

        case CLAP_CONTEXT_MENU_ITEM_SEPARATOR:
            menu.addSeparator();
            break;

        case CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU:
        {
            const auto* submenu = static_cast<const clap_context_menu_submenu*> (data);
            menus.emplace_back();
            openSubmenus.push_back ({ submenu != nullptr ? juce::String::fromUTF8 (submenu->label) : juce::String(),
                                      submenu == nullptr || submenu->is_enabled });
            break;
        }

        case CLAP_CONTEXT_MENU_ITEM_END_SUBMENU:
            // An end without a begin must not pop the root menu.
            if (! openSubmenus.empty())
            {
                auto finished = std::move (menus.back());
                menus.pop_back();
                const auto submenu = openSubmenus.back();
                openSubmenus.pop_back();
                menus.back().addSubMenu (submenu.label, std::move (finished), submenu.enabled);
            }
            break;

        case CLAP_CONTEXT_MENU_ITEM_TITLE:
            if (const auto* title = static_cast<const clap_context_menu_item_title*> (data))
                menu.addSectionHeader (juce::String::fromUTF8 (title->title));
            break;

        default:
            break;
    }

    return true;
}

void EditorContextMenu::MenuBuilder::addEntry (const char* label, bool enabled, bool checked, clap_id actionId)
{
    juce::PopupMenu::Item item (juce::String::fromUTF8 (label));
    item.itemID = ++itemCounter;
    item.isEnabled = enabled;
    item.isTicked = checked;
    item.action = [proxy = &hostProxy, menuTarget = target, actionId] {
        proxy->ensureMainThread ("context_menu.perform");
        proxy->hostContextMenu->perform (proxy->host, &menuTarget, actionId);
    };
    menus.back().addItem (std::move (item));
}

//==============================================================================
EditorContextMenu::EditorContextMenu (const clap::checked::HostProxy& proxy, clap_context_menu_target menuTarget)
    : hostProxy (proxy),
      target (menuTarget)
{
}

juce::PopupMenu EditorContextMenu::getEquivalentPopupMenu() const
{
    // A builder per request, so that asking twice does not repeat the items.
    MenuBuilder builder (hostProxy, target);
    hostProxy.ensureMainThread ("context_menu.populate");
    hostProxy.hostContextMenu->populate (hostProxy.host, &target, builder.clapBuilder());
    return builder.rootMenu();
}

void EditorContextMenu::showNativeMenu (juce::Point<int> position) const
{
    hostProxy.ensureMainThread ("context_menu.can_popup");
    if (! hostProxy.hostContextMenu->can_popup (hostProxy.host))
        return;

    hostProxy.ensureMainThread ("context_menu.popup");
    hostProxy.hostContextMenu->popup (hostProxy.host, &target, 0, position.x, position.y);
}
