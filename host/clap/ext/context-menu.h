#pragma once

// CLAP 1.2.7 context-menu extension: the plug-in and the host add items to
// each other's context menus. A null target means the global context.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/id.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_CONTEXT_MENU[] = "clap.context-menu/1";

// Draft ID of the same interface; may be removed in 2026.
static const char CLAP_EXT_CONTEXT_MENU_COMPAT[] = "clap.context-menu.draft/0";

// Values of clap_context_menu_target.kind.
enum
{
    CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL = 0, // the whole plug-in
    CLAP_CONTEXT_MENU_TARGET_KIND_PARAM = 1,  // a parameter; id is the parameter ID
};

// What a context menu is about.
typedef struct clap_context_menu_target
{
    uint32_t kind; // CLAP_CONTEXT_MENU_TARGET_KIND_*
    clap_id id;
} clap_context_menu_target_t;

typedef uint32_t clap_context_menu_item_kind_t;

// Item kinds for clap_context_menu_builder.add_item, and the item_data each takes.
enum
{
    CLAP_CONTEXT_MENU_ITEM_ENTRY,         // const clap_context_menu_entry_t*
    CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY,   // const clap_context_menu_check_entry_t*
    CLAP_CONTEXT_MENU_ITEM_SEPARATOR,     // null
    CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU, // const clap_context_menu_submenu_t*
    CLAP_CONTEXT_MENU_ITEM_END_SUBMENU,   // null
    CLAP_CONTEXT_MENU_ITEM_TITLE,         // const clap_context_menu_item_title_t*
};

// A clickable menu entry.
typedef struct clap_context_menu_entry
{
    const char* label; // text to display
    bool is_enabled;   // false: greyed out, not clickable
    clap_id action_id; // given back to perform
} clap_context_menu_entry_t;

// A menu entry with a checkmark.
typedef struct clap_context_menu_check_entry
{
    const char* label; // text to display
    bool is_enabled;   // false: greyed out, not clickable
    bool is_checked;   // true: shown checked
    clap_id action_id; // given back to perform
} clap_context_menu_check_entry_t;

// A title entry.
typedef struct clap_context_menu_item_title
{
    const char* title; // text to display
    bool is_enabled;   // false: greyed out
} clap_context_menu_item_title_t;

// The start of a submenu.
typedef struct clap_context_menu_submenu
{
    const char* label; // text to display
    bool is_enabled;   // false: greyed out, submenu not shown
} clap_context_menu_submenu_t;

// Collects menu items. Not thread-safe: use it only on the thread that provided it.
typedef struct clap_context_menu_builder
{
    void* ctx;

    // (no thread tag) Only on the thread where the builder was provided. True on success.
    bool (CLAP_ABI* add_item) (const struct clap_context_menu_builder* builder,
                               clap_context_menu_item_kind_t item_kind,
                               const void* item_data);

    // (no thread tag) Only on the thread where the builder was provided.
    // True if the builder accepts item_kind.
    bool (CLAP_ABI* supports) (const struct clap_context_menu_builder* builder, clap_context_menu_item_kind_t item_kind);
} clap_context_menu_builder_t;

// Plug-in side of the context-menu extension.
typedef struct clap_plugin_context_menu
{
    // [main-thread] Adds the plug-in's items for target; true on success.
    bool (CLAP_ABI* populate) (const clap_plugin_t* plugin,
                               const clap_context_menu_target_t* target,
                               const clap_context_menu_builder_t* builder);

    // [main-thread] Runs the plug-in's action_id; true on success.
    bool (CLAP_ABI* perform) (const clap_plugin_t* plugin, const clap_context_menu_target_t* target, clap_id action_id);
} clap_plugin_context_menu_t;

// Host side of the context-menu extension.
typedef struct clap_host_context_menu
{
    // [main-thread] Adds the host's items for target; true on success.
    bool (CLAP_ABI* populate) (const clap_host_t* host,
                               const clap_context_menu_target_t* target,
                               const clap_context_menu_builder_t* builder);

    // [main-thread] Runs the host's action_id; true on success.
    bool (CLAP_ABI* perform) (const clap_host_t* host, const clap_context_menu_target_t* target, clap_id action_id);

    // [main-thread] May depend on the windowing system; stale once the plug-in window exists.
    bool (CLAP_ABI* can_popup) (const clap_host_t* host);

    // [main-thread] Coordinates relative to the plug-in window when embedded,
    // else absolute on screen_index. True on success.
    bool (CLAP_ABI* popup) (const clap_host_t* host,
                            const clap_context_menu_target_t* target,
                            int32_t screen_index,
                            int32_t x,
                            int32_t y);
} clap_host_context_menu_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_context_menu_target_t, 8, 4);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_target_t, kind, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_target_t, id, 4);

CLAP_ABI_CHECK_SIZE (clap_context_menu_entry_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_entry_t, label, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_entry_t, is_enabled, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_entry_t, action_id, 12);

CLAP_ABI_CHECK_SIZE (clap_context_menu_check_entry_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_check_entry_t, label, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_check_entry_t, is_enabled, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_check_entry_t, is_checked, 9);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_check_entry_t, action_id, 12);

CLAP_ABI_CHECK_SIZE (clap_context_menu_item_title_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_item_title_t, title, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_item_title_t, is_enabled, 8);

CLAP_ABI_CHECK_SIZE (clap_context_menu_submenu_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_submenu_t, label, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_submenu_t, is_enabled, 8);

CLAP_ABI_CHECK_SIZE (clap_context_menu_builder_t, 24, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_builder_t, ctx, 0);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_builder_t, add_item, 8);
CLAP_ABI_CHECK_OFFSET (clap_context_menu_builder_t, supports, 16);

CLAP_ABI_CHECK_SIZE (clap_plugin_context_menu_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_context_menu_t, populate, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_context_menu_t, perform, 8);

CLAP_ABI_CHECK_SIZE (clap_host_context_menu_t, 32, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_context_menu_t, populate, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_context_menu_t, perform, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_context_menu_t, can_popup, 16);
CLAP_ABI_CHECK_OFFSET (clap_host_context_menu_t, popup, 24);
#endif
