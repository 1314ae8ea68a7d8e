#include "SavedStateReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace
{
constexpr std::uint32_t kMagic = 0x21324356; // "VC2!"
constexpr int kHeaderSize = 8;

std::uint32_t readLittleEndian32 (const char* bytes) noexcept
{
    std::uint32_t value;
    std::memcpy (&value, bytes, sizeof (value));
    return juce::ByteOrder::swapIfBigEndian (value);
}

/** Length of the well-formed UTF-8 sequence at text[i], or 0 when it is malformed. */
std::size_t sequenceLength (std::string_view text, std::size_t i) noexcept
{
    const auto byte = [&text] (std::size_t at) { return static_cast<unsigned char> (text[at]); };
    const auto lead = byte (i);

    if (lead < 0x80)
        return 1;

    std::size_t length;
    unsigned char low = 0x80, high = 0xbf; // allowed range of the second byte

    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2;
    else if (lead >= 0xe0 && lead <= 0xef)
    {
        length = 3;
        if (lead == 0xe0)
            low = 0xa0; // no overlong forms
        if (lead == 0xed)
            high = 0x9f; // no surrogates
    }
    else if (lead >= 0xf0 && lead <= 0xf4)
    {
        length = 4;
        if (lead == 0xf0)
            low = 0x90;
        if (lead == 0xf4)
            high = 0x8f; // nothing above U+10FFFF
    }
    else
        return 0;

    if (i + length > text.size() || byte (i + 1) < low || byte (i + 1) > high)
        return 0;

    for (std::size_t k = 2; k < length; ++k)
        if ((byte (i + k) & 0xc0) != 0x80)
            return 0;

    return length;
}

/** The name under which a value tree keeps an attribute: one whose name
    starts with "base64:" and whose value decodes becomes binary data under the
    rest of the name.
*/
juce::String propertyName (const juce::String& name, const juce::String& value)
{
    juce::MemoryBlock decoded;

    if (name.startsWith ("base64:") && decoded.fromBase64Encoding (value))
        return name.substring (7);

    return name;
}

/** A parsed document made fit for a value tree. A tree has no text, so text
    between elements goes; of two attributes that would become the same
    property only the first stays, the one the tree reads (its XML writer
    would keep the last, and the document would change meaning on the next
    load).
*/
void prepareForValueTree (juce::XmlElement& element)
{
    element.deleteAllTextElements();

    juce::StringArray names, values, properties;

    for (int i = 0; i < element.getNumAttributes(); ++i)
    {
        const auto name = element.getAttributeName (i);
        const auto value = element.getAttributeValue (i);
        const auto property = propertyName (name, value);

        if (! properties.contains (property))
        {
            names.add (name);
            values.add (value);
            properties.add (property);
        }
    }

    if (names.size() < element.getNumAttributes())
    {
        element.removeAllAttributes();
        for (int i = 0; i < names.size(); ++i)
            element.setAttribute (names[i], values[i]);
    }

    for (auto* child : element.getChildIterator())
        prepareForValueTree (*child);
}
} // namespace

std::unique_ptr<juce::XmlElement> SavedStateReader::read (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= kHeaderSize)
        return {};

    const auto* bytes = static_cast<const char*> (data);

    if (readLittleEndian32 (bytes) != kMagic)
        return {};

    const auto length = static_cast<std::int32_t> (readLittleEndian32 (bytes + 4));

    if (length <= 0)
        return {};

    // The text ends at the data's end, the length field or a zero byte,
    // whichever comes first.
    const auto* textStart = bytes + kHeaderSize;
    const auto* textEnd = std::find (textStart, textStart + std::min (sizeInBytes - kHeaderSize, length), '\0');
    const auto text = repairUtf8 (std::string (textStart, textEnd));

    if (text.empty())
        return {};

    const auto shape = measure (text);

    if (shape.hasDeclarations || shape.hasInnerProcessingInstructions || shape.hasMarkupInValues || shape.depth > maximumDepth || shape.elements > maximumElements
        || shape.mostAttributes > maximumAttributes)
        return {};

    auto xml = juce::parseXML (juce::String::fromUTF8 (text.data(), static_cast<int> (text.size())));

    if (xml != nullptr)
        prepareForValueTree (*xml);

    return xml;
}

bool SavedStateReader::hasOverlongExponent (const char* text, std::size_t length)
{
    const auto isDigit = [text] (std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };

    for (std::size_t i = 0; i < length; ++i)
    {
        if (text[i] != 'e' && text[i] != 'E')
            continue;

        auto end = i + 1;
        if (end < length && (text[end] == '+' || text[end] == '-'))
            ++end;
        while (end < length && text[end] == '0')
            ++end;

        const auto start = end;
        while (end < length && isDigit (end))
            ++end;

        if (end - start >= 10)
            return true;
    }

    return false;
}

bool SavedStateReader::isValidUtf8 (const char* text, std::size_t length)
{
    const std::string_view view (text, length);

    for (std::size_t i = 0; i < view.size();)
    {
        const auto sequence = sequenceLength (view, i);
        if (sequence == 0)
            return false;
        i += sequence;
    }

    return true;
}

std::string SavedStateReader::repairUtf8 (const std::string& text)
{
    static constexpr char replacement[] = "\xef\xbf\xbd"; // U+FFFD

    std::string repaired;
    repaired.reserve (text.size());

    for (std::size_t i = 0; i < text.size();)
    {
        if (const auto length = sequenceLength (text, i); length > 0)
        {
            repaired.append (text, i, length);
            i += length;
        }
        else
        {
            repaired.append (replacement);
            ++i;
        }
    }

    return repaired;
}

SavedStateReader::DocumentShape SavedStateReader::measure (const std::string& text)
{
    DocumentShape shape;

    // Looked for in the raw text, not by the scan below, which may end a
    // malformed element elsewhere than the XML reader does.
    for (auto at = text.find ('<'); at != std::string::npos; at = text.find ('<', at + 1))
    {
        if (text.compare (at, 2, "<?") != 0 && text.compare (at, 2, "<!") != 0)
        {
            shape.hasInnerProcessingInstructions = text.find ("<?", at) != std::string::npos;
            break;
        }
    }

    int depth = 0;
    std::size_t i = 0;

    // Skips to just after the terminator, searching from `from` as the XML
    // reader does (so that "<!-->" does not end a comment).
    const auto skipPast = [&text, &i] (std::size_t from, const char* terminator) {
        const auto found = text.find (terminator, std::min (from, text.size()));
        i = found == std::string::npos ? text.size() : found + std::strlen (terminator);
    };

    while (i < text.size())
    {
        if (text[i] != '<')
        {
            ++i;
            continue;
        }

        if (text.compare (i, 4, "<!--") == 0)
        {
            skipPast (i + 4, "-->");
        }
        else if (text.compare (i, 9, "<![CDATA[") == 0)
        {
            skipPast (i + 9, "]]>");
        }
        else if (text.compare (i, 2, "<?") == 0)
        {
            skipPast (i + 2, "?>");
        }
        else if (text.compare (i, 2, "<!") == 0)
        {
            // A document type declaration, with its entities.
            shape.hasDeclarations = true;
            skipPast (i + 2, ">");
        }
        else if (text.compare (i, 2, "</") == 0)
        {
            depth = std::max (0, depth - 1);
            skipPast (i + 2, ">");
        }
        else
        {
            // An opening tag: find its end outside quoted values.
            char quote = 0;
            char previous = 0;
            int attributes = 0;

            for (++i; i < text.size(); ++i)
            {
                const char c = text[i];

                if (quote != 0)
                {
                    if (c == quote)
                        quote = 0;
                    else if (c == '<')
                        shape.hasMarkupInValues = true;
                }
                else if (c == '"' || c == '\'')
                {
                    quote = c;
                }
                else if (c == '=')
                {
                    ++attributes;
                }
                else if (c == '>')
                {
                    break;
                }

                previous = c;
            }
            ++i;

            ++shape.elements;
            shape.mostAttributes = std::max (shape.mostAttributes, attributes);
            shape.depth = std::max (shape.depth, depth + 1);

            if (previous != '/')
                ++depth;
        }
    }

    return shape;
}
