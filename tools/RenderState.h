#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class VantrelDelayAudioProcessor;

/** The renderer's state options: the very block a host stores in its project, read from and
    written to a file, so that a host's setting can be inspected and reproduced outside it. */
namespace RenderState
{
/** Restores the processor from a state file. Fails with a one-line reason, changing nothing,
    when the file cannot be read or holds no Quello state. */
juce::Result load (VantrelDelayAudioProcessor& processor, const juce::File& file);

/** Writes the processor's state to a file through a temporary file beside it, so that a failed
    write leaves an existing file as it was. */
juce::Result save (VantrelDelayAudioProcessor& processor, const juce::File& file);
}
