#include "Diffusion.h"

#include <algorithm>
#include <cmath>

namespace
{
// The all-pass gain at full amount: dense smearing that still decays quickly.
constexpr float maximumGain = 0.8f;
// Each stage's buffer holds the longest length it can take at a four-second delay.
constexpr float capacitySeconds = 4.0f;
// Smallest normal float: anything below is flushed so the feedback of a stage never turns denormal.
constexpr float smallestNormal = 1.17549435e-38f;

// What circulates in the stages and what leaves the cascade is flushed; the values passed from
// stage to stage are not, which keeps the flush off the chain of dependent operations.
float flushDenormal (float x) noexcept
{
    return std::abs (x) < smallestNormal ? 0.0f : x;
}

float stageCapacityDivisor (int stage) noexcept
{
    // Later stages are shorter: divisors 1, 1.5, 2, ..., 4.5.
    return (float) (stage + 2) * 0.5f;
}
}

// Mirrored lengths and rates keep the two channels decorrelated; the depths differ on purpose.
const Diffusion::StageTable Diffusion::leftTables {
    { 0.1853f, 0.1093f, 0.157f, 0.0539f, 0.183f, 0.0965f, 0.13f, 0.085f },
    { 0.3f, 0.242f, 0.35f, 0.1234f, 0.253f, 0.523f, 0.452f, 0.256f },
    { 0.0052f, 0.0079f, 0.0065f, 0.0089f, 0.0092f, 0.00801f, 0.0046f, 0.0048f }
};

const Diffusion::StageTable Diffusion::rightTables {
    { 0.085f, 0.13f, 0.0965f, 0.183f, 0.0539f, 0.157f, 0.1093f, 0.1853f },
    { 0.256f, 0.452f, 0.523f, 0.253f, 0.1234f, 0.35f, 0.242f, 0.3f },
    { 0.0083f, 0.0039f, 0.0054f, 0.0048f, 0.0088f, 0.000762f, 0.0079f, 0.0095f }
};

void Diffusion::reset (float newSampleRate, int newSide, const float* newDelayTime, const float* newAmount, const float* newSize, const float* newModulationFactor)
{
    sampleRate = newSampleRate;
    samplesPerMs = newSampleRate / 1000.0f;
    side = newSide;
    delayTime = newDelayTime;
    amount = newAmount;
    size = newSize;
    modulationFactor = newModulationFactor;
    tables = side != 0 ? &rightTables : &leftTables;

    stages.clear();
    stageLfos.clear();
    stages.resize (maxStages);
    stageLfos.resize (maxStages);

    for (int i = 0; i < maxStages; ++i)
    {
        stages[(size_t) i].resize ((int) (capacitySeconds * sampleRate / stageCapacityDivisor (i)));
        stageLfos[(size_t) i].start (tables->rate[(size_t) i], sampleRate);
    }

    setQuality (numStages);
}

void Diffusion::setQuality (int quality) noexcept
{
    numStages = std::clamp (quality, 1, maxStages);

    float removed = 0.0f;
    for (auto i = numStages; i < maxStages; ++i)
        removed += tables != nullptr ? tables->length[(size_t) i] : 0.0f;

    extraLength = removed / (float) numStages;
}

float Diffusion::processAPFCascaded (float x) noexcept
{
    const auto sizeShare = *size;
    const auto lengthScale = *delayTime * sizeShare * *modulationFactor;
    const auto gain = maximumGain * *amount;

    for (int i = 0; i < numStages; ++i)
    {
        auto& stage = stages[(size_t) i];
        const auto lfo = stageLfos[(size_t) i].next();
        const auto length = (tables->length[(size_t) i] + extraLength) * lengthScale * (1.0f + tables->depth[(size_t) i] * lfo * sizeShare);

        const auto delayed = stage.read (length);
        const auto v = x + gain * delayed;
        x = delayed - gain * v;
        stage.write (flushDenormal (v));
    }

    return flushDenormal (x);
}

void Diffusion::flush() noexcept
{
    for (auto& stage : stages)
        stage.clear();
}
