#include "PluginProcessor.h"

void VantrelDelayAudioProcessor::prepareToPlay (double sampleRate, int)
{
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
    suspendProcessing (false);
}

void VantrelDelayAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    if (!ready)
        return;

    for (int channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());

    // Until the engine runs, the block passes through; a reset request still empties it.
    if (resetRequest.exchange (false))
        buffer.clear();
}
