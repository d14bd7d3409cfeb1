#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The built-in demonstration phrase: a few seconds of stereo plucks and clicks, generated
    the same way every time, so the product can be heard and tested with no input file. */
namespace DemoPhrase
{
/** The rate the demo renders at when nothing else asks for one. */
inline constexpr double defaultSampleRate = 48000.0;

/** Length of the phrase; the last second lets the final notes die away. */
inline constexpr double lengthSeconds = 4.0;

/** Generates the phrase in stereo at the given rate; identical output for identical rates. */
juce::AudioBuffer<float> generate (double sampleRate = defaultSampleRate);
}
