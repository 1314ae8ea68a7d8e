#pragma once

#include "clap/clap.h"

namespace clap::checked
{

/** The clap_context_menu_builder handed to a host: the host adds its menu
    items through it, one call per item, and each call arrives at addItem.
*/
class ContextMenuBuilder
{
public:
    ContextMenuBuilder() noexcept;
    virtual ~ContextMenuBuilder() = default;

    // The structure points back at this object, so it must stay where it is.
    ContextMenuBuilder (const ContextMenuBuilder&) = delete;
    ContextMenuBuilder& operator= (const ContextMenuBuilder&) = delete;

    const clap_context_menu_builder* clapBuilder() const noexcept { return &builder; }

protected:
    /** One item; data is the structure that belongs to the kind, or null. */
    virtual bool addItem (clap_context_menu_item_kind_t kind, const void* data) = 0;
    virtual bool supports (clap_context_menu_item_kind_t kind) const = 0;

private:
    static bool clapAddItem (const clap_context_menu_builder* builder, clap_context_menu_item_kind_t kind, const void* data);
    static bool clapSupports (const clap_context_menu_builder* builder, clap_context_menu_item_kind_t kind);

    clap_context_menu_builder builder {};
};

} // namespace clap::checked
