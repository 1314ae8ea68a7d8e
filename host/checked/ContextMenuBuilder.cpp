#include "checked/ContextMenuBuilder.h"

namespace clap::checked
{

ContextMenuBuilder::ContextMenuBuilder() noexcept
{
    builder.ctx = this;
    builder.add_item = clapAddItem;
    builder.supports = clapSupports;
}

bool ContextMenuBuilder::clapAddItem (const clap_context_menu_builder* builder, clap_context_menu_item_kind_t kind, const void* data)
{
    if (builder == nullptr || builder->ctx == nullptr)
        return false;

    return static_cast<ContextMenuBuilder*> (builder->ctx)->addItem (kind, data);
}

bool ContextMenuBuilder::clapSupports (const clap_context_menu_builder* builder, clap_context_menu_item_kind_t kind)
{
    if (builder == nullptr || builder->ctx == nullptr)
        return false;

    return static_cast<const ContextMenuBuilder*> (builder->ctx)->supports (kind);
}

} // namespace clap::checked
