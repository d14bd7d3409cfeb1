#include "TapeModulator.h"

#include <juce_core/juce_core.h>

TapeModulator::TapeModulator()
{
    randomSeed = juce::Random::getSystemRandom().nextInt64();
}

void TapeModulator::prepare (float newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    wowPeriod = (int) (wowPeriodSeconds * sampleRate);
    wowSpeed = wowSamplesPerSecond / sampleRate;
}
