#pragma once

// CLAP 1.2.7 plug-in feature strings, for clap_plugin_descriptor.features
// (an array of these, terminated by a null pointer).

// Main category of an audio effect.
#define CLAP_PLUGIN_FEATURE_AUDIO_EFFECT "audio-effect"
