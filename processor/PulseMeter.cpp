#include "PulseMeter.h"

void PulseMeter::prepare (const juce::dsp::ProcessSpec& spec, float attackTimeMs, float releaseTimeMs)
{
    filter.prepare (spec);
    filter.setLevelCalculationType (juce::dsp::BallisticsFilterLevelCalculationType::peak);
    filter.setAttackTime (attackTimeMs);
    filter.setReleaseTime (releaseTimeMs);
    filter.reset();
    lastOutput = 0.0f;
}
