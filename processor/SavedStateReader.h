#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/** Reads the document of a saved state from JUCE's binary XML form ("VC2!",
    a little-endian length, UTF-8 text, a zero byte) without trusting the data.

    It takes the same decisions as juce::AudioProcessor::getXmlFromBinary, and
    in addition never lets JUCE's XML reader see what it cannot handle safely:
    malformed UTF-8 and nesting deep enough to exhaust the stack.
*/
class SavedStateReader
{
public:
    /** Deepest element nesting accepted: far beyond the two levels of a state
        this plug-in writes, far below what the recursive XML reader survives.
    */
    static constexpr int maximumDepth = 64;

    /** Returns the document, ready to become a value tree (no text elements,
        no repeated attributes), or null when the data holds none.
    */
    static std::unique_ptr<juce::XmlElement> read (const void* data, int sizeInBytes);

    /** The text with every malformed UTF-8 sequence replaced by U+FFFD. */
    static std::string repairUtf8 (const std::string& text);

    /** Deepest element nesting of an XML text, from a light scan that skips
        comments, declarations, CDATA and quoted attribute values.
    */
    static int elementDepth (const std::string& text);
};
