#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class VantrelDelayAudioProcessor;

/** The renderer's preset options, on the same preset library the plug-in's browser uses,
    bound to the processor's live side (so a load raises its reset request and honours the
    dry/wet lock like a load from the browser). */
namespace RenderPresets
{
/** Loads a preset: a .cvpreset file path, a listed name ("Category/Name" or "Name", exact first,
    then ignoring case), "-init-", or a number as --list-presets shows it. Fails with a one-line
    reason, changing nothing, when there is no such preset or its file cannot be read. */
juce::Result load (VantrelDelayAudioProcessor& processor, const juce::String& fileOrName);

/** Saves the processor's current values as a preset file (".cvpreset" is added when missing). */
juce::Result save (VantrelDelayAudioProcessor& processor, const juce::File& file);

/** The presets root, then "-init-" and every category with its presets and their numbers. */
juce::String describe (VantrelDelayAudioProcessor& processor);
}
