#pragma once

// CLAP 1.2.7 gui extension: an embedded or floating plug-in window.
//
// Embedded: is_api_supported -> create(api, false) -> set_scale (not for cocoa)
//   -> can_resize -> set_size or get_size -> set_parent -> show ... hide/show ... destroy.
// Floating: create(api, true) -> set_transient -> suggest_title -> show.

#include "clap/abi-check.h"
#include "clap/host.h"
#include "clap/macros.h"
#include "clap/plugin.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

static const char CLAP_EXT_GUI[] = "clap.gui";

// Window APIs. win32, x11 and wayland use physical pixels; cocoa uses logical
// pixels, so set_scale is not called for it.
static const char CLAP_WINDOW_API_WIN32[] = "win32"; // embedding via SetParent
static const char CLAP_WINDOW_API_COCOA[] = "cocoa";
static const char CLAP_WINDOW_API_X11[] = "x11";         // embedding via XEmbed
static const char CLAP_WINDOW_API_WAYLAND[] = "wayland"; // no embedding: floating only

typedef void* clap_hwnd;
typedef void* clap_nsview;
typedef unsigned long clap_xwnd; // 4 bytes on 64-bit Windows; the union stays 8

// A native window handle; api selects the union member.
typedef struct clap_window
{
    const char* api; // one of the CLAP_WINDOW_API_* strings
    union
    {
        clap_nsview cocoa; // "cocoa": an NSView
        clap_xwnd x11;     // "x11": an X11 window ID
        clap_hwnd win32;   // "win32": an HWND
        void* ptr;         // APIs defined outside CLAP
    };
} clap_window_t;

// How the plug-in window can be resized.
typedef struct clap_gui_resize_hints
{
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;   // only meaningful if both directions are resizable
    uint32_t aspect_ratio_width;  // only used if preserve_aspect_ratio
    uint32_t aspect_ratio_height; // only used if preserve_aspect_ratio
} clap_gui_resize_hints_t;

// Plug-in side of the gui extension.
typedef struct clap_plugin_gui
{
    // [main-thread]
    bool (CLAP_ABI* is_api_supported) (const clap_plugin_t* plugin, const char* api, bool is_floating);

    // [main-thread] Sets *api to one of the CLAP_WINDOW_API_* constants (the pointer, not a copy).
    bool (CLAP_ABI* get_preferred_api) (const clap_plugin_t* plugin, const char** api, bool* is_floating);

    // [main-thread] api may be null or blank for a floating window.
    bool (CLAP_ABI* create) (const clap_plugin_t* plugin, const char* api, bool is_floating);

    // [main-thread]
    void (CLAP_ABI* destroy) (const clap_plugin_t* plugin);

    // [main-thread] Absolute factor (2.0 = 200%); false if ignored or not applied.
    bool (CLAP_ABI* set_scale) (const clap_plugin_t* plugin, double scale);

    // [main-thread]
    bool (CLAP_ABI* get_size) (const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);

    // [main-thread & !floating]
    bool (CLAP_ABI* can_resize) (const clap_plugin_t* plugin);

    // [main-thread & !floating]
    bool (CLAP_ABI* get_resize_hints) (const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);

    // [main-thread & !floating] Rounds a host-proposed size to one the plug-in accepts.
    bool (CLAP_ABI* adjust_size) (const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);

    // [main-thread & !floating]
    bool (CLAP_ABI* set_size) (const clap_plugin_t* plugin, uint32_t width, uint32_t height);

    // [main-thread & !floating]
    bool (CLAP_ABI* set_parent) (const clap_plugin_t* plugin, const clap_window_t* window);

    // [main-thread & floating]
    bool (CLAP_ABI* set_transient) (const clap_plugin_t* plugin, const clap_window_t* window);

    // [main-thread & floating]
    void (CLAP_ABI* suggest_title) (const clap_plugin_t* plugin, const char* title);

    // [main-thread]
    bool (CLAP_ABI* show) (const clap_plugin_t* plugin);

    // [main-thread]
    bool (CLAP_ABI* hide) (const clap_plugin_t* plugin);
} clap_plugin_gui_t;

// Host side of the gui extension.
typedef struct clap_host_gui
{
    // [thread-safe & !floating]
    void (CLAP_ABI* resize_hints_changed) (const clap_host_t* host);

    // [thread-safe & !floating] True: the new size is accepted (off the main thread:
    // the request is acknowledged; the host reverts through set_size if it fails).
    bool (CLAP_ABI* request_resize) (const clap_host_t* host, uint32_t width, uint32_t height);

    // [thread-safe]
    bool (CLAP_ABI* request_show) (const clap_host_t* host);

    // [thread-safe]
    bool (CLAP_ABI* request_hide) (const clap_host_t* host);

    // [thread-safe] The floating window closed or the GUI connection was lost;
    // if was_destroyed, the host must call clap_plugin_gui.destroy.
    void (CLAP_ABI* closed) (const clap_host_t* host, bool was_destroyed);
} clap_host_gui_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_window_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_window_t, api, 0);
CLAP_ABI_CHECK_OFFSET (clap_window_t, cocoa, 8);
CLAP_ABI_CHECK_OFFSET (clap_window_t, x11, 8);
CLAP_ABI_CHECK_OFFSET (clap_window_t, win32, 8);
CLAP_ABI_CHECK_OFFSET (clap_window_t, ptr, 8);

CLAP_ABI_CHECK_SIZE (clap_gui_resize_hints_t, 12, 4);
CLAP_ABI_CHECK_OFFSET (clap_gui_resize_hints_t, can_resize_horizontally, 0);
CLAP_ABI_CHECK_OFFSET (clap_gui_resize_hints_t, can_resize_vertically, 1);
CLAP_ABI_CHECK_OFFSET (clap_gui_resize_hints_t, preserve_aspect_ratio, 2);
CLAP_ABI_CHECK_OFFSET (clap_gui_resize_hints_t, aspect_ratio_width, 4);
CLAP_ABI_CHECK_OFFSET (clap_gui_resize_hints_t, aspect_ratio_height, 8);

CLAP_ABI_CHECK_SIZE (clap_plugin_gui_t, 120, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, is_api_supported, 0);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, get_preferred_api, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, create, 16);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, destroy, 24);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, set_scale, 32);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, get_size, 40);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, can_resize, 48);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, get_resize_hints, 56);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, adjust_size, 64);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, set_size, 72);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, set_parent, 80);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, set_transient, 88);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, suggest_title, 96);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, show, 104);
CLAP_ABI_CHECK_OFFSET (clap_plugin_gui_t, hide, 112);

CLAP_ABI_CHECK_SIZE (clap_host_gui_t, 40, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_gui_t, resize_hints_changed, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_gui_t, request_resize, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_gui_t, request_show, 16);
CLAP_ABI_CHECK_OFFSET (clap_host_gui_t, request_hide, 24);
CLAP_ABI_CHECK_OFFSET (clap_host_gui_t, closed, 32);
#endif
