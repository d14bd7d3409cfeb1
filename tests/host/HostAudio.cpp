#include "HostAudio.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace HostAudio
{
std::vector<juce::AudioProcessorParameter*> getPluginParameters (juce::AudioPluginInstance& instance)
{
    std::vector<juce::AudioProcessorParameter*> result;

    for (auto* parameter : instance.getParameters())
        if (parameter != instance.getBypassParameter())
            result.push_back (parameter);

    return result;
}

juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& instance, const juce::String& name)
{
    for (auto* parameter : getPluginParameters (instance))
        if (parameter->getName (1024) == name)
            return parameter;

    return nullptr;
}

void prepare (juce::AudioPluginInstance& instance, double sampleRate, int maximumBlockSize)
{
    instance.enableAllBuses();
    auto layout = instance.getBusesLayout();

    for (auto* buses : { &layout.inputBuses, &layout.outputBuses })
        for (auto& channelSet : *buses)
            channelSet = juce::AudioChannelSet::stereo();

    instance.setBusesLayout (layout);
    instance.setRateAndBufferSizeDetails (sampleRate, maximumBlockSize);
    instance.prepareToPlay (sampleRate, maximumBlockSize);
}

void settle (juce::AudioPluginInstance& instance, int blockSize)
{
    // Long enough for the message loop to deliver what the last block reported.
    static constexpr int dispatchMilliseconds = 20;

    juce::AudioBuffer<float> silence (numChannels, blockSize);
    silence.clear();
    BlockProcessor (instance).process (silence);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (dispatchMilliseconds);
}

void fillWithTestSignal (juce::AudioBuffer<float>& buffer, juce::Random& random, float amplitude)
{
    // A tone under the noise gives the delay something periodic to chew on.
    static constexpr float toneStep = 0.0731f;
    const auto half = amplitude * 0.5f;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer (channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
            samples[i] = half * (random.nextFloat() * 2.0f - 1.0f) + half * std::sin (toneStep * (float) i);
    }
}

bool isFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        const auto* samples = buffer.getReadPointer (channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite (samples[i]))
                return false;
    }

    return true;
}

float getPeak (const juce::AudioBuffer<float>& buffer)
{
    auto peak = 0.0f;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        const auto* samples = buffer.getReadPointer (channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            if (!std::isfinite (samples[i]))
                return std::numeric_limits<float>::infinity();

            peak = std::max (peak, std::abs (samples[i]));
        }
    }

    return peak;
}
}
