#include "FrequencyShifter.h"

#include <cmath>
#include <juce_core/juce_core.h>

namespace
{
// Squared coefficients of Olli Niemitalo's eighth-order 90-degree phase-difference network:
// the two paths stay 90 degrees apart over nearly the whole audio band.
constexpr std::array<float, FrequencyShifter::numSections> pathACoefficients { 0.16175849735736847f, 0.7330289483070374f, 0.9453496932983398f, 0.9905991554260254f };
constexpr std::array<float, FrequencyShifter::numSections> pathBCoefficients { 0.4794008731842041f, 0.8762184977531433f, 0.9765976071357727f, 0.9974992275238037f };

float processPath (std::array<FrequencyShifter::AllPass, FrequencyShifter::numSections>& path, float x) noexcept
{
    for (auto& section : path)
        x = section.process (x);

    return x;
}
}

float FrequencyShifter::AllPass::process (float x) noexcept
{
    const auto y = coefficient * (x + outputHistory[1]) - inputHistory[1];
    inputHistory = { x, inputHistory[0] };
    outputHistory = { y, outputHistory[0] };
    return y;
}

FrequencyShifter::FrequencyShifter()
{
    for (int i = 0; i < numSections; ++i)
    {
        pathA[(size_t) i].coefficient = pathACoefficients[(size_t) i];
        pathB[(size_t) i].coefficient = pathBCoefficients[(size_t) i];
    }
}

void FrequencyShifter::prepare (double newSampleRate) noexcept
{
    sampleRate = (float) newSampleRate;
    sampleRateD = newSampleRate;
    sine = 0.0;
    cosine = 1.0;
}

void FrequencyShifter::setShift (float shiftHz) noexcept
{
    direction = shiftHz < 0.0f ? -1.0f : 1.0f;
    // 2 sin (pi f / fs) makes the coupled-form oscillator below run at exactly f.
    increment = 2.0 * std::sin (juce::MathConstants<double>::pi * std::abs ((double) shiftHz) / sampleRateD);
}

float FrequencyShifter::process (float x) noexcept
{
    const auto a = processPath (pathA, x);
    const auto b = lastB;
    lastB = processPath (pathB, x);

    sine += increment * cosine;
    cosine -= increment * sine;

    return (float) sine * a * direction + (float) cosine * b;
}

void FrequencyShifter::flush() noexcept
{
    for (auto* path : { &pathA, &pathB })
        for (auto& section : *path)
            section.inputHistory = section.outputHistory = {};

    lastB = 0.0f;
}
