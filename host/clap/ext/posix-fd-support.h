#pragma once

// CLAP 1.2.7 posix-fd-support extension: file descriptors watched by the host's
// main-thread event loop (level-triggered).

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

static const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

// Interest (register_fd, modify_fd) or events that happened (on_fd).
typedef uint32_t clap_posix_fd_flags_t;

enum
{
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};

// Plug-in side of the posix-fd-support extension.
typedef struct clap_plugin_posix_fd_support
{
    // [main-thread] Level-triggered: a writable fd keeps reporting WRITE until modify_fd drops it.
    void (CLAP_ABI* on_fd) (const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
} clap_plugin_posix_fd_support_t;

// Host side of the posix-fd-support extension.
typedef struct clap_host_posix_fd_support
{
    // [main-thread] True on success.
    bool (CLAP_ABI* register_fd) (const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);

    // [main-thread] True on success.
    bool (CLAP_ABI* modify_fd) (const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);

    // [main-thread] True on success.
    bool (CLAP_ABI* unregister_fd) (const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_plugin_posix_fd_support_t, 8, 8);
CLAP_ABI_CHECK_OFFSET (clap_plugin_posix_fd_support_t, on_fd, 0);

CLAP_ABI_CHECK_SIZE (clap_host_posix_fd_support_t, 24, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_posix_fd_support_t, register_fd, 0);
CLAP_ABI_CHECK_OFFSET (clap_host_posix_fd_support_t, modify_fd, 8);
CLAP_ABI_CHECK_OFFSET (clap_host_posix_fd_support_t, unregister_fd, 16);
#endif
