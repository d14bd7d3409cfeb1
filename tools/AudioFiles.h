#pragma once

#include "OfflineRender.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

/** Opens a WAV, AIFF or FLAC file as render input; fails with a one-line reason. */
juce::Result openAudioFile (const juce::File& file, RenderInput& input);

/** A WAV file written to a hidden temporary file beside its target and moved over the target
    only by commit(): a render that fails never leaves a truncated file nor touches an
    existing one. An object destroyed without commit() removes its temporary file. */
class WavFileOutput
{
public:
    WavFileOutput() = default;

    /** The sample formats offered: 16 and 24 bit integer, 32 bit float. */
    static bool isSupportedBitDepth (int bitsPerSample);

    /** Checks the target and opens the temporary file; fails with a one-line reason. */
    juce::Result open (const juce::File& target, double sampleRate, int numChannels, int bitsPerSample);

    /** Appends a block; false when the disk refused it. */
    bool write (const juce::AudioBuffer<float>& block);

    /** Where the audio goes until commit(). */
    juce::File getTemporaryFile() const;

    /** Completes the file and moves it over the target. */
    juce::Result commit();

private:
    // Declared in this order so that the writer closes the file before it is removed.
    juce::File target;
    std::unique_ptr<juce::TemporaryFile> temporary;
    std::unique_ptr<juce::AudioFormatWriter> writer;

    JUCE_DECLARE_NON_COPYABLE (WavFileOutput)
};
