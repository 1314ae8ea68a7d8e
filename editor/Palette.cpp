#include "Palette.h"

namespace Palette
{
const juce::Colour gray1 = juce::Colour::fromString ("#ff000000");
const juce::Colour gray2 = juce::Colour::fromString ("#ff101010");
const juce::Colour gray3 = juce::Colour::fromString ("#ff1b1b1b");
const juce::Colour gray4 = juce::Colour::fromString ("#ff242424");
const juce::Colour gray5 = juce::Colour::fromString ("#ff2c2c2c");
const juce::Colour gray6 = juce::Colour::fromString ("#ff333333");
const juce::Colour gray7 = juce::Colour::fromString ("#ff3a3a3a");
const juce::Colour gray8 = juce::Colour::fromString ("#ff414141");
const juce::Colour gray9 = juce::Colour::fromString ("#ff484848");
const juce::Colour gray10 = juce::Colour::fromString ("#ff4f4f4f");
const juce::Colour gray11 = juce::Colour::fromString ("#ff565656");
const juce::Colour gray12 = juce::Colour::fromString ("#ff5d5d5d");
const juce::Colour gray13 = juce::Colour::fromString ("#ff646464");
const juce::Colour gray14 = juce::Colour::fromString ("#ff6b6b6b");
const juce::Colour gray15 = juce::Colour::fromString ("#ff727272");
const juce::Colour gray16 = juce::Colour::fromString ("#ff797979");
const juce::Colour gray17 = juce::Colour::fromString ("#ff818181");
const juce::Colour gray18 = juce::Colour::fromString ("#ff898989");
const juce::Colour gray19 = juce::Colour::fromString ("#ff919191");
const juce::Colour gray20 = juce::Colour::fromString ("#ff999999");
const juce::Colour gray21 = juce::Colour::fromString ("#ffa2a2a2");
const juce::Colour gray22 = juce::Colour::fromString ("#ffababab");
const juce::Colour gray23 = juce::Colour::fromString ("#ffb4b4b4");
const juce::Colour gray24 = juce::Colour::fromString ("#ffbebebe");
const juce::Colour gray25 = juce::Colour::fromString ("#ffc8c8c8");
const juce::Colour gray26 = juce::Colour::fromString ("#ffd2d2d2");
const juce::Colour gray27 = juce::Colour::fromString ("#ffdddddd");
const juce::Colour gray28 = juce::Colour::fromString ("#ffe8e8e8");
const juce::Colour gray29 = juce::Colour::fromString ("#fff3f3f3");
const juce::Colour gray30 = juce::Colour::fromString ("#ffffffff");
} // namespace Palette
