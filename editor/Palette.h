#pragma once

#include <juce_graphics/juce_graphics.h>

/** The editor's thirty greys, from black (gray1) to white (gray30). Every
    colour the editor draws comes from here; the steps are uneven on purpose.
*/
namespace Palette
{
extern const juce::Colour gray1, gray2, gray3, gray4, gray5, gray6, gray7, gray8, gray9, gray10;
extern const juce::Colour gray11, gray12, gray13, gray14, gray15, gray16, gray17, gray18, gray19, gray20;
extern const juce::Colour gray21, gray22, gray23, gray24, gray25, gray26, gray27, gray28, gray29, gray30;
} // namespace Palette
