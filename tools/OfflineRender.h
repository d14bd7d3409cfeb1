#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <memory>

/** How a render drives the processor: block size, transport tempo and the silent tail. */
struct RenderSettings
{
    int blockSize = 512;
    double tempoBpm = 120.0;
    double tailSeconds = 2.0;

    /** Larger blocks than this are no host's habit and only waste memory. */
    static constexpr int maxBlockSize = 65536;
    /** The tempo range hosts offer. */
    static constexpr double minTempoBpm = 1.0, maxTempoBpm = 999.0;
    /** An hour of ring-out is more than any echo needs. */
    static constexpr double maxTailSeconds = 3600.0;
    /** The sample rates hosts run plug-ins at, from telephone quality to 192 kHz. */
    static constexpr double minSampleRate = 8000.0, maxSampleRate = 192000.0;

    /** Fails with a one-line reason when a field is outside its limits. */
    juce::Result validate() const;
};

/** Audio to render: a source read block by block from its start, with its format. */
struct RenderInput
{
    std::unique_ptr<juce::PositionableAudioSource> source;
    double sampleRate = 0.0;
    int numChannels = 0;
    juce::int64 lengthInSamples = 0;

    /** Fails with a one-line reason when the rate or channel count cannot be rendered. */
    juce::Result validate() const;

    /** Wraps audio held in memory (the demo phrase, or a test signal). */
    static RenderInput fromBuffer (juce::AudioBuffer<float> audio, double sampleRate);
};

/** What a finished render measured. */
struct RenderSummary
{
    juce::int64 numSamples = 0;
    double sampleRate = 0.0;
    double wallClockSeconds = 0.0;
    float peak = 0.0f;
    /** NaN or infinite output samples: always a fault of the processor. */
    juce::int64 nonFiniteSamples = 0;

    double durationSeconds() const;
    double realtimeFactor() const;
    /** Peak of the output in dBFS; minus infinity for silence. */
    double peakDecibels() const;
};

/** Receives each processed block in order; returns false when it could not take it (write failure). */
using RenderBlockSink = std::function<bool (const juce::AudioBuffer<float>& block)>;

/** Told the fraction (0..1) of the render done after every block. */
using RenderProgress = std::function<void (double fraction)>;

/** Runs the input, followed by the silent tail, through the processor the way a host's
    offline bounce does: matching bus layout, non-realtime flag, a playing transport,
    prepareToPlay, fixed-size blocks under the callback lock, and releaseResources at the end.
    Fails with a one-line reason (nothing is processed) when the input's rate or channel count
    cannot be handled or the settings are out of range. */
juce::Result renderThroughProcessor (juce::AudioProcessor& processor,
    RenderInput& input,
    const RenderSettings& settings,
    const RenderBlockSink& sink,
    const RenderProgress& progress,
    RenderSummary& summary);

/** Convenience for tests and benchmarks: renders audio in memory (plus the tail) into output. */
juce::Result renderBuffer (juce::AudioProcessor& processor,
    const juce::AudioBuffer<float>& input,
    double sampleRate,
    const RenderSettings& settings,
    juce::AudioBuffer<float>& output);
