#pragma once

#include "PluginProcessor.h"

#include <array>
#include <vector>

/** The demo's tour of the playback modes: the opening of the demonstration phrase once per
    mode, with the mode switched between the passes (the echoes of one pass ring on into the
    next, as they do when a user switches). Deterministic, like the phrase itself. */
namespace DemoTour
{
/** One pass: the mode and the character controls that show it off, in their own units. */
struct Scene
{
    int mode;
    float diffAmt;
    float diffSize;
    float frequencyShift;
    int pitchShift;
};

inline constexpr std::array<Scene, 7> scenes { {
    { 1, 0.0f, 0.0f, 0.0f, 0 },
    { 2, 0.0f, 0.0f, 0.0f, 0 },
    { 3, 0.0f, 0.0f, 0.0f, 0 },
    { 4, 0.5f, 0.4f, 0.0f, 0 },
    { 5, 0.5f, 0.4f, 0.0f, 0 },
    { 6, 0.0f, 0.0f, 0.3f, 0 },
    { 7, 0.0f, 0.0f, 0.0f, 7 },
} };

/** Length of one pass: the phrase's first ten notes. */
inline constexpr double sceneSeconds = 2.5;

/** The phrase's opening, faded out at its end, once per scene, in stereo at the rate. */
juce::AudioBuffer<float> generate (double sampleRate);

/** The scene that plays at a position of the render (the last one through the tail). */
int sceneAt (juce::int64 position, double sampleRate);

/** Sets the scene's controls, except those the user chose (their IDs in `userChoices`). */
void apply (VantrelDelayAudioProcessor& processor, int scene, const juce::StringArray& userChoices);
}
