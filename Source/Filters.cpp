#include "Filters.h"

void Filters::reset (float newSampleRate, int)
{
    sampleRate = newSampleRate;
    numChannels = 2;
    coefficients.fill (0.0f);

    for (auto& channelState : state)
        channelState.fill (0.0f);

    needsUpdate = true;
}

void Filters::updateCoefficients (float frequency, float q) noexcept
{
    if (!needsUpdate && frequency == cachedFrequency && q == cachedQ)
        return;

    static constexpr float twoPi = 6.28318530717958647f;
    const auto theta = twoPi * frequency / sampleRate;
    const auto alpha = std::sin (theta) / (2.0f * q);
    const auto beta = 0.5f * (1.0f - alpha) / (1.0f + alpha);
    const auto gamma = (0.5f + beta) * std::cos (theta);

    if ((type & 1) == highPass)
    {
        const auto sum = 0.5f + beta + gamma;
        coefficients[0] = sum / 2.0f;
        coefficients[1] = -sum;
    }
    else
    {
        const auto sum = 0.5f + beta - gamma;
        coefficients[0] = sum / 2.0f;
        coefficients[1] = sum;
    }

    coefficients[2] = coefficients[0];
    coefficients[3] = -2.0f * gamma;
    coefficients[4] = 2.0f * beta;

    cachedFrequency = frequency;
    cachedQ = q;
    needsUpdate = false;
}
