// Random text through the bundle's params.text_to_value, and random values
// into buffers of random sizes (each a heap block of exactly that size)
// through value_to_text. A value read from text is in its parameter's range;
// a text fits its buffer, zero included, and is valid UTF-8; a value's text,
// read back and shown again, is the same text.
//
// Input: a parameter byte (below 224: one of the plug-in's, by index modulo
// their count; above: a 32-bit id), a 16-bit buffer size (modulo 300), a
// value (see FuzzInput::value), then the text: the rest of the input, to its
// first zero byte.

#include "FuzzHost.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
using fuzzing::fail;
using fuzzing::FuzzHost;
using fuzzing::FuzzInput;

constexpr std::uint32_t kLargestBuffer = 300;

struct Parameter
{
    clap_id id;
    double minimum;
    double maximum;
};

struct Fixture
{
    Fixture()
        : host (FuzzHost::get()),
          params (host.extension<clap_plugin_params> (CLAP_EXT_PARAMS))
    {
        for (std::uint32_t i = 0; i < params.count (host.plugin); ++i)
        {
            clap_param_info info {};
            if (! params.get_info (host.plugin, i, &info))
                fail ("params.get_info failed");
            parameters.push_back ({ info.id, info.min_value, info.max_value });
        }

        if (parameters.empty())
            fail ("the plug-in has no parameters");
    }

    FuzzHost& host;
    const clap_plugin_params& params;
    std::vector<Parameter> parameters;
};

Fixture& fixture()
{
    static auto* const instance = new Fixture();
    return *instance;
}

/** True when the text is well-formed UTF-8: no stray or missing continuation
    bytes, no overlong forms, surrogates or code points beyond U+10FFFF.
*/
bool isValidUtf8 (const std::string& text)
{
    const auto byte = [&text] (std::size_t i) { return static_cast<unsigned char> (text[i]); };

    for (std::size_t i = 0; i < text.size();)
    {
        const auto lead = byte (i);
        std::size_t length;
        unsigned char low = 0x80, high = 0xbf;

        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xc2 && lead <= 0xdf)
            length = 2;
        else if (lead >= 0xe0 && lead <= 0xef)
        {
            length = 3;
            low = lead == 0xe0 ? 0xa0 : low;
            high = lead == 0xed ? 0x9f : high;
        }
        else if (lead >= 0xf0 && lead <= 0xf4)
        {
            length = 4;
            low = lead == 0xf0 ? 0x90 : low;
            high = lead == 0xf4 ? 0x8f : high;
        }
        else
            return false;

        if (i + length > text.size() || (length > 1 && (byte (i + 1) < low || byte (i + 1) > high)))
            return false;

        for (std::size_t k = 2; k < length; ++k)
            if ((byte (i + k) & 0xc0) != 0x80)
                return false;

        i += length;
    }

    return true;
}

/** value_to_text into a buffer of exactly `size` bytes; the text, or none when refused. */
std::unique_ptr<std::string> show (clap_id id, double value, std::uint32_t size)
{
    auto& f = fixture();
    auto buffer = std::make_unique<char[]> (size);

    if (! f.params.value_to_text (f.host.plugin, id, value, buffer.get(), size))
        return nullptr;

    const auto length = strnlen (buffer.get(), size);
    if (length == size)
        fail ("value_to_text left its text without a terminating zero");

    auto text = std::make_unique<std::string> (buffer.get(), length);
    if (! isValidUtf8 (*text))
        fail ("value_to_text gave text that is not valid UTF-8");

    return text;
}

/** text_to_value; checks the value against the parameter's range when given. */
bool read (clap_id id, const std::string& text, double& value, const Parameter* parameter)
{
    auto& f = fixture();
    if (! f.params.text_to_value (f.host.plugin, id, text.c_str(), &value))
        return false;

    if (parameter != nullptr && ! (value >= parameter->minimum && value <= parameter->maximum))
        fail ("text_to_value gave a value outside the parameter's range");

    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    auto& f = fixture();
    FuzzInput input (data, size);

    const auto choice = input.byte();
    const Parameter* parameter = choice < 224 ? &f.parameters[choice % f.parameters.size()] : nullptr;
    const auto id = parameter != nullptr ? parameter->id : input.read<std::uint32_t>();
    const auto bufferSize = input.read<std::uint16_t>() % kLargestBuffer;
    const auto value = input.value();
    const auto bytes = input.rest();
    const std::string text (bytes.c_str()); // to its first zero, and terminated

    double fromText = 0.0;
    read (id, text, fromText, parameter);
    show (id, value, bufferSize);

    // With room enough, a value's text reads back as a value with the same text.
    if (const auto shown = show (id, value, kLargestBuffer))
    {
        double back = 0.0;
        if (read (id, *shown, back, parameter))
        {
            const auto again = show (id, back, kLargestBuffer);
            if (again == nullptr || *again != *shown)
                fail ("a value read from its text shows as another text");
        }
    }

    return 0;
}
