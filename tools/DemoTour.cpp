#include "DemoTour.h"

#include "DemoPhrase.h"

namespace
{
// Long enough to hide the cut through the ringing plucks, short enough to keep the last note.
constexpr double fadeOutSeconds = 0.1;

juce::int64 sceneLength (double sampleRate)
{
    return (juce::int64) juce::roundToInt (DemoTour::sceneSeconds * sampleRate);
}
}

juce::AudioBuffer<float> DemoTour::generate (double sampleRate)
{
    const auto phrase = DemoPhrase::generate (sampleRate);
    const auto length = (int) sceneLength (sampleRate);
    const auto fadeLength = juce::roundToInt (fadeOutSeconds * sampleRate);
    juce::AudioBuffer<float> tour (phrase.getNumChannels(), length * (int) scenes.size());

    for (int scene = 0; scene < (int) scenes.size(); ++scene)
    {
        for (int channel = 0; channel < tour.getNumChannels(); ++channel)
        {
            tour.copyFrom (channel, scene * length, phrase, channel, 0, length);
            tour.applyGainRamp (channel, scene * length + length - fadeLength, fadeLength, 1.0f, 0.0f);
        }
    }

    return tour;
}

int DemoTour::sceneAt (juce::int64 position, double sampleRate)
{
    return (int) juce::jlimit ((juce::int64) 0, (juce::int64) scenes.size() - 1, position / sceneLength (sampleRate));
}

void DemoTour::apply (VantrelDelayAudioProcessor& processor, int scene, const juce::StringArray& userChoices)
{
    const auto& settings = scenes[(size_t) scene];
    const auto set = [&] (const char* parameterId, float value)
    {
        if (!userChoices.contains (parameterId))
            processor.setParamValue (parameterId, value);
    };

    set (ParamIDs::mode, (float) settings.mode);
    set (ParamIDs::diffAmt, settings.diffAmt);
    set (ParamIDs::diffSize, settings.diffSize);
    set (ParamIDs::frequencyShift, settings.frequencyShift);
    set (ParamIDs::pitchShift, (float) settings.pitchShift);
}
