#pragma once

// Compile-time checks that pin the CLAP structs to the 1.2.7 binary layout.
// The sizes, alignments and offsets are those of 64-bit targets (LP64 and
// LLP64 alike), so the checks are only compiled there.

#include <stddef.h>
#include <stdint.h>

#if defined(__cplusplus)
#define CLAP_ABI_STATIC_ASSERT(cond, msg) static_assert (cond, msg)
#define CLAP_ABI_ALIGNOF(type) alignof (type)
#else
#define CLAP_ABI_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#define CLAP_ABI_ALIGNOF(type) _Alignof(type)
#endif

#if (defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 8) || defined(_WIN64) \
    || (! defined(__SIZEOF_POINTER__) && defined(UINTPTR_MAX) && defined(UINT64_MAX) && UINTPTR_MAX == UINT64_MAX)
#define CLAP_ABI_CHECK_64BIT 1
#else
#define CLAP_ABI_CHECK_64BIT 0
#endif

// sizeof and alignof of a struct (two checks).
#define CLAP_ABI_CHECK_SIZE(type, size, align)                                     \
    CLAP_ABI_STATIC_ASSERT (sizeof (type) == (size), #type " has the wrong size"); \
    CLAP_ABI_STATIC_ASSERT (CLAP_ABI_ALIGNOF (type) == (align), #type " has the wrong alignment")

// Offset of one field (one check).
#define CLAP_ABI_CHECK_OFFSET(type, field, offset) \
    CLAP_ABI_STATIC_ASSERT (offsetof (type, field) == (offset), #type "." #field " is at the wrong offset")
