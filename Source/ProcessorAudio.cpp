#include "PluginProcessor.h"

DelayParams::RawValues VantrelDelayAudioProcessor::cacheRawParameterValues (juce::AudioProcessorValueTreeState& tree)
{
    DelayParams::RawValues values {};

    for (size_t i = 0; i < ParamIDs::all.size(); ++i)
        values[i] = tree.getRawParameterValue (ParamIDs::all[i]);

    return values;
}

void VantrelDelayAudioProcessor::prepareToPlay (double sampleRate, int)
{
    delay.prepare ((float) sampleRate, getTotalNumOutputChannels());
    processorSampleRate = (float) sampleRate;
    ready = true;
    prepared.store (true);
}

void VantrelDelayAudioProcessor::releaseResources()
{
    reset();
}

void VantrelDelayAudioProcessor::reset()
{
    suspendProcessing (true);
    delay.flushAllBuffers();
    suspendProcessing (false);
}

void VantrelDelayAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    if (!ready)
        return;

    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    for (int channel = getTotalNumInputChannels(); channel < std::min (getTotalNumOutputChannels(), numChannels); ++channel)
        buffer.clear (channel, 0, numSamples);

    delayParams.refresh (rawParameterValues, processorSampleRate);

    if (auto* playHead = getPlayHead(); playHead != nullptr && delay.getNumOutputChannels() > 0 && numChannels > 0)
    {
        if (const auto position = playHead->getPosition())
            transport.update (*position);

        auto* channel0 = buffer.getWritePointer (0);
        auto* channel1 = delay.getNumOutputChannels() >= 2 && numChannels >= 2 ? buffer.getWritePointer (1) : channel0;
        delay.process (channel0, channel1, numSamples, delayParams, transport);

        // The meters show the last sample of the block; the editor polls far slower than blocks.
        if (numSamples > 0)
        {
            meterLevelLeft.store (std::abs (std::min (channel0[numSamples - 1], 1.0f)), std::memory_order_relaxed);
            meterLevelRight.store (std::abs (std::min (channel1[numSamples - 1], 1.0f)), std::memory_order_relaxed);
        }
    }

    if (resetRequest.exchange (false))
    {
        delay.flushAllBuffers();
        buffer.clear();
    }
}
