#pragma once

// CLAP 1.2.7 byte streams, used to save and load state. Either side may
// transfer fewer bytes than asked for, so callers loop until done.

#include "clap/abi-check.h"
#include "clap/macros.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

// Stream the plug-in reads its state from.
typedef struct clap_istream
{
    void* ctx;

    // (no thread tag) Returns the bytes read, 0 at end of stream, or -1 on error.
    int64_t (CLAP_ABI* read) (const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;

// Stream the plug-in writes its state to.
typedef struct clap_ostream
{
    void* ctx;

    // (no thread tag) Returns the bytes written, or -1 on error.
    int64_t (CLAP_ABI* write) (const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;

#ifdef __cplusplus
}
#endif

#if CLAP_ABI_CHECK_64BIT
CLAP_ABI_CHECK_SIZE (clap_istream_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_istream_t, ctx, 0);
CLAP_ABI_CHECK_OFFSET (clap_istream_t, read, 8);

CLAP_ABI_CHECK_SIZE (clap_ostream_t, 16, 8);
CLAP_ABI_CHECK_OFFSET (clap_ostream_t, ctx, 0);
CLAP_ABI_CHECK_OFFSET (clap_ostream_t, write, 8);
#endif
