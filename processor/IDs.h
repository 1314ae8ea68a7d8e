#pragma once

#include <juce_core/juce_core.h>

/** Identifiers of the settings node and its MIDI-note keys in the state tree. */
namespace IDs
{
inline const juce::Identifier settings { "settings" };
inline const juce::Identifier record1MidiNote { "recordMidiNote" };
inline const juce::Identifier overdubMidiNote { "overdubMidiNote" };
inline const juce::Identifier multiplyMidiNote { "multiplyMidiNote" };
inline const juce::Identifier retrigMidiNote { "retrigMidiNote" };
inline const juce::Identifier undoMidiNote { "undoMidiNote" };
inline const juce::Identifier redoMidiNote { "redoMidiNote" };
inline const juce::Identifier muteMidiNote { "muteMidiNote" };
inline const juce::Identifier resetMidiNote { "resetMidiNote" };
} // namespace IDs
