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
    /** Limits on what a document may hold: far beyond the two levels, fourteen
        elements and four attributes of a state this plug-in writes, and far
        below what makes the recursive XML reader exhaust a stack or its
        attribute and text handling take quadratic time.
    */
    static constexpr int maximumDepth = 64;
    static constexpr int maximumElements = 4096;
    static constexpr int maximumAttributes = 256;

    /** Returns the document, ready to become a value tree (no text elements,
        no attributes that would become the same property), or null when the
        data holds none or one beyond the limits. Document type declarations
        (and with them entity definitions, which the XML reader would expand
        without bound) are refused too, and so are processing instructions
        inside elements (text after one sends the XML reader round in circles)
        and a "<" inside a quoted value (where a malformed attribute can have
        the XML reader see elements that the scan does not): this plug-in
        never writes any.
    */
    static std::unique_ptr<juce::XmlElement> read (const void* data, int sizeInBytes);

    /** True when the text holds an exponent of ten digits or more (leading
        zeros aside), which JUCE's number reader adds up in an int until it
        overflows: such text must not reach it.
    */
    static bool hasOverlongExponent (const char* text, std::size_t length);

    /** True when the text is well-formed UTF-8: no overlong forms (which
        JUCE decodes, so that "\xc1\xa5" reads as an 'e'), surrogates or code
        points beyond U+10FFFF.
    */
    static bool isValidUtf8 (const char* text, std::size_t length);

    /** The text with every malformed UTF-8 sequence replaced by U+FFFD. */
    static std::string repairUtf8 (const std::string& text);

    /** What a light scan of an XML text finds: it skips comments, processing
        instructions, CDATA and quoted attribute values the way the XML reader
        does, so that it never finds less nesting than the reader will.
    */
    struct DocumentShape
    {
        int depth = 0;                               ///< deepest element nesting
        int elements = 0;                            ///< number of elements
        int mostAttributes = 0;                      ///< most attributes on one element
        bool hasDeclarations = false;                ///< a "<!" that is neither a comment nor CDATA
        bool hasInnerProcessingInstructions = false; ///< a "<?" anywhere after the first element starts
        bool hasMarkupInValues = false;              ///< a "<" inside a quoted attribute value
    };

    static DocumentShape measure (const std::string& text);
};
