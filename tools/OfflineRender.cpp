#include "OfflineRender.h"

#include "RenderPlayHead.h"

#include <algorithm>
#include <cmath>
#include <limits>

juce::Result RenderSettings::validate() const
{
    if (blockSize < 1 || blockSize > maxBlockSize)
        return juce::Result::fail ("the block size must be 1 to " + juce::String (maxBlockSize) + " samples, not " + juce::String (blockSize));

    if (!std::isfinite (tempoBpm) || tempoBpm < minTempoBpm || tempoBpm > maxTempoBpm)
        return juce::Result::fail ("the tempo must be " + juce::String (minTempoBpm) + " to " + juce::String (maxTempoBpm) + " BPM, not " + juce::String (tempoBpm));

    if (!std::isfinite (tailSeconds) || tailSeconds < 0.0 || tailSeconds > maxTailSeconds)
        return juce::Result::fail ("the tail must be 0 to " + juce::String (maxTailSeconds) + " seconds, not " + juce::String (tailSeconds));

    return juce::Result::ok();
}

RenderInput RenderInput::fromBuffer (juce::AudioBuffer<float> audio, double sampleRate)
{
    RenderInput input;
    input.source = std::make_unique<juce::MemoryAudioSource> (audio, true);
    input.sampleRate = sampleRate;
    input.numChannels = audio.getNumChannels();
    input.lengthInSamples = audio.getNumSamples();
    return input;
}

double RenderSummary::durationSeconds() const
{
    return sampleRate > 0.0 ? (double) numSamples / sampleRate : 0.0;
}

double RenderSummary::realtimeFactor() const
{
    return wallClockSeconds > 0.0 ? durationSeconds() / wallClockSeconds : std::numeric_limits<double>::infinity();
}

double RenderSummary::peakDecibels() const
{
    return peak > 0.0f ? 20.0 * std::log10 ((double) peak) : -std::numeric_limits<double>::infinity();
}

juce::Result RenderInput::validate() const
{
    if (source == nullptr)
        return juce::Result::fail ("no input audio");

    if (numChannels < 1 || numChannels > 2)
        return juce::Result::fail ("the input has " + juce::String (numChannels) + " channels: only mono and stereo can be rendered");

    if (!(sampleRate >= RenderSettings::minSampleRate && sampleRate <= RenderSettings::maxSampleRate))
        return juce::Result::fail ("the input's sample rate of " + juce::String (sampleRate) + " Hz is outside "
            + juce::String (RenderSettings::minSampleRate) + " to " + juce::String (RenderSettings::maxSampleRate) + " Hz");

    if (lengthInSamples < 0)
        return juce::Result::fail ("the input has no readable length");

    return juce::Result::ok();
}

namespace
{
/** Mono in, mono out or stereo in, stereo out: the layouts a host offers for such a file. */
juce::Result applyBusLayout (juce::AudioProcessor& processor, int numChannels)
{
    const auto channelSet = juce::AudioChannelSet::canonicalChannelSet (numChannels);
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (channelSet);
    layout.outputBuses.add (channelSet);

    if (!processor.setBusesLayout (layout))
        return juce::Result::fail ("the processor does not accept " + channelSet.getDescription().toLowerCase() + " input and output");

    return juce::Result::ok();
}

juce::int64 countNonFiniteSamples (const juce::AudioBuffer<float>& block)
{
    juce::int64 count = 0;

    for (int channel = 0; channel < block.getNumChannels(); ++channel)
    {
        const auto* samples = block.getReadPointer (channel);
        count += std::count_if (samples, samples + block.getNumSamples(), [] (float sample)
            { return !std::isfinite (sample); });
    }

    return count;
}

/** Releases the processor and the input however the render ends. */
struct PreparedSession
{
    juce::AudioProcessor& processor;
    juce::PositionableAudioSource& source;

    ~PreparedSession()
    {
        processor.releaseResources();
        processor.setPlayHead (nullptr);
        source.releaseResources();
    }
};
}

juce::Result renderThroughProcessor (juce::AudioProcessor& processor,
    RenderInput& input,
    const RenderSettings& settings,
    const RenderBlockSink& sink,
    const RenderProgress& progress,
    RenderSummary& summary)
{
    for (const auto& check : { settings.validate(), input.validate() })
        if (check.failed())
            return check;

    if (const auto layout = applyBusLayout (processor, input.numChannels); layout.failed())
        return layout;

    const auto sampleRate = input.sampleRate;
    const auto blockSize = settings.blockSize;
    const auto tailSamples = (juce::int64) std::llround (settings.tailSeconds * sampleRate);
    const auto totalSamples = input.lengthInSamples + tailSamples;

    RenderPlayHead playHead (sampleRate, settings.tempoBpm);
    processor.setNonRealtime (true);
    processor.setPlayHead (&playHead);
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);
    input.source->prepareToPlay (blockSize, sampleRate);
    input.source->setNextReadPosition (0);
    PreparedSession session { processor, *input.source };

    juce::AudioBuffer<float> buffer (input.numChannels, blockSize);
    juce::MidiBuffer midi;
    summary = RenderSummary {};
    summary.sampleRate = sampleRate;
    const auto startTicks = juce::Time::getHighResolutionTicks();

    for (juce::int64 position = 0; position < totalSamples;)
    {
        const auto numSamples = (int) juce::jmin ((juce::int64) blockSize, totalSamples - position);
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), input.numChannels, numSamples);
        block.clear();

        if (const auto inputSamples = juce::jmin ((juce::int64) numSamples, input.lengthInSamples - position); inputSamples > 0)
            input.source->getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, (int) inputSamples));

        playHead.setTimeInSamples (position);

        {
            // Hosts hold this lock around every callback; a suspended processor outputs silence.
            const juce::ScopedLock callbackLock (processor.getCallbackLock());

            if (processor.isSuspended())
                block.clear();
            else
                processor.processBlock (block, midi);
        }

        midi.clear();
        summary.peak = juce::jmax (summary.peak, block.getMagnitude (0, numSamples));
        summary.nonFiniteSamples += countNonFiniteSamples (block);

        if (!sink (block))
            return juce::Result::fail ("the output could not be written");

        position += numSamples;
        summary.numSamples = position;

        if (progress)
            progress ((double) position / (double) totalSamples);
    }

    summary.wallClockSeconds = juce::Time::highResolutionTicksToSeconds (juce::Time::getHighResolutionTicks() - startTicks);
    return juce::Result::ok();
}

juce::Result renderBuffer (juce::AudioProcessor& processor,
    const juce::AudioBuffer<float>& input,
    double sampleRate,
    const RenderSettings& settings,
    juce::AudioBuffer<float>& output)
{
    if (const auto check = settings.validate(); check.failed())
        return check;

    auto source = RenderInput::fromBuffer (input, sampleRate);
    const auto tailSamples = (int) std::llround (settings.tailSeconds * sampleRate);
    output.setSize (input.getNumChannels(), input.getNumSamples() + tailSamples);
    int written = 0;

    const auto collect = [&output, &written] (const juce::AudioBuffer<float>& block)
    {
        for (int channel = 0; channel < block.getNumChannels(); ++channel)
            output.copyFrom (channel, written, block, channel, 0, block.getNumSamples());

        written += block.getNumSamples();
        return true;
    };

    RenderSummary summary;
    return renderThroughProcessor (processor, source, settings, collect, {}, summary);
}
