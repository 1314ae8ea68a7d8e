// The fuzz input loaded through the bundle's clap.state, with a stream whose
// reads the input decides: short reads, early ends (0), errors (-1) and
// counts beyond what was asked. After every load the state must save; a
// failed load must leave the saved state as it was.
//
// Input: one byte, the number of planned reads (modulo 17); per planned read
// a kind byte and a 16-bit size; one byte, the most a write may take
// (0: all); the rest is the stream's content. Reads past the plan give what
// is asked.

#include "FuzzHost.h"
#include "FuzzInput.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using fuzzing::fail;
using fuzzing::FuzzHost;
using fuzzing::FuzzInput;

enum ReadKind : std::uint8_t
{
    shortRead, ///< at most the planned size
    endOfStream,
    readError,
    overstated, ///< gives what is asked but claims the planned size more
    planKinds
};

struct PlannedRead
{
    ReadKind kind;
    std::uint16_t size;
};

struct Source
{
    std::string content;
    std::vector<PlannedRead> plan;
    std::size_t position = 0;
    std::size_t reads = 0;
};

std::int64_t read (const clap_istream* stream, void* buffer, std::uint64_t size)
{
    auto& source = *static_cast<Source*> (stream->ctx);
    const auto left = static_cast<std::uint64_t> (source.content.size() - source.position);
    const auto give = [&] (std::uint64_t most) {
        const auto given = std::min ({ size, left, most });
        std::memcpy (buffer, source.content.data() + source.position, static_cast<std::size_t> (given));
        source.position += static_cast<std::size_t> (given);
        return given;
    };

    if (source.reads >= source.plan.size())
        return static_cast<std::int64_t> (give (size));

    const auto planned = source.plan[source.reads++];
    switch (planned.kind)
    {
        case endOfStream:
            return 0;
        case readError:
            return -1;
        case overstated:
            return static_cast<std::int64_t> (give (size) + planned.size);
        default:
            return static_cast<std::int64_t> (give (planned.size));
    }
}

struct Sink
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t maxWrite = UINT64_MAX;
};

std::int64_t write (const clap_ostream* stream, const void* buffer, std::uint64_t size)
{
    auto& sink = *static_cast<Sink*> (stream->ctx);
    const auto taken = std::min (size, sink.maxWrite);
    const auto* bytes = static_cast<const std::uint8_t*> (buffer);
    sink.bytes.insert (sink.bytes.end(), bytes, bytes + taken);
    return static_cast<std::int64_t> (taken);
}

bool load (Source& source)
{
    const clap_istream stream { &source, read };
    auto& host = FuzzHost::get();
    return host.extension<clap_plugin_state> (CLAP_EXT_STATE).load (host.plugin, &stream);
}

std::vector<std::uint8_t> save (std::uint64_t maxWrite = UINT64_MAX)
{
    Sink sink;
    sink.maxWrite = maxWrite;
    const clap_ostream stream { &sink, write };
    auto& host = FuzzHost::get();

    if (! host.extension<clap_plugin_state> (CLAP_EXT_STATE).save (host.plugin, &stream))
        fail ("state.save failed");
    if (sink.bytes.size() < 8 || std::memcmp (sink.bytes.data(), "VC2!", 4) != 0)
        fail ("state.save wrote no saved state");

    return sink.bytes;
}

const std::vector<std::uint8_t>& freshState()
{
    static const auto bytes = save();
    return bytes;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    const auto& fresh = freshState();
    FuzzInput input (data, size);

    Source source;
    for (auto count = input.byte() % 17; count > 0; --count)
    {
        const auto kind = static_cast<ReadKind> (input.byte() % planKinds);
        source.plan.push_back ({ kind, input.read<std::uint16_t>() });
    }
    const std::uint64_t maxWrite = input.byte();
    source.content = input.rest();

    const bool loaded = load (source);
    const auto saved = save (maxWrite == 0 ? UINT64_MAX : maxWrite);

    if (! loaded && saved != fresh)
        fail ("a failed load changed the saved state");

    // The next input starts from the fresh state again.
    if (saved != fresh)
    {
        Source reset;
        reset.content.assign (fresh.begin(), fresh.end());
        if (! load (reset) || save() != fresh)
            fail ("loading the fresh state does not bring it back");
    }

    return 0;
}
