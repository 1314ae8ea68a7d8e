#pragma once

#include "clap/clap.h"

#include <cstdint>

/** Capability interfaces a processor may derive from to learn, while it is
    being constructed, that it is built for CLAP and by which host. The
    looper's processor derives from neither; the statics are still kept as
    the factory promises.
*/
namespace clap_capabilities
{
struct clap_properties
{
    virtual ~clap_properties() = default;

    static bool building_clap;
    static std::uint32_t clap_version_major;
    static std::uint32_t clap_version_minor;
    static std::uint32_t clap_version_revision;
};

struct audio_processor_capabilities
{
    virtual ~audio_processor_capabilities() = default;

    static const clap_host* clapHostStatic;
};
} // namespace clap_capabilities
