#pragma once

#include <array>
#include <cmath>
#include <limits>

/** A two-channel second-order low-pass or high-pass (the normalised Audio EQ Cookbook shapes,
    12 dB per octave, resonance set by Q) in direct form I. Coefficients change once per block,
    and only when the cutoff or Q changed. */
class Filters
{
public:
    enum Type
    {
        lowPass = 0,
        highPass = 1
    };

    /** Stores the rate, zeroes coefficients and states and forces the next update. Not real-time. */
    void reset (float newSampleRate, int unusedBlockSize);

    /** Recomputes the coefficients when frequency (Hz) or q differ from the cached ones; audio thread. */
    void updateCoefficients (float frequency, float q) noexcept;

    /** One sample of one channel (0 or 1). */
    float process (float x, int channel) noexcept
    {
        auto& s = state[(size_t) channel];
        auto y = coefficients[0] * x + coefficients[1] * s[0] + coefficients[2] * s[1]
            - coefficients[3] * s[2] - coefficients[4] * s[3];

        // Explicitly flushed as well, so a decaying tail never turns subnormal even without FTZ.
        if (std::abs (y) < std::numeric_limits<float>::min())
            y = 0.0f;

        s[1] = s[0];
        s[0] = x;
        s[3] = s[2];
        s[2] = y;
        return y;
    }

    float sampleRate = 44100.0f;
    int numChannels = 2;
    int type = lowPass;
    float cachedFrequency = 0.0f;
    float cachedQ = 0.0f;
    bool needsUpdate = true;
    std::array<float, 5> coefficients {};         // b0, b1, b2, a1, a2 (a0 normalised to 1)
    std::array<std::array<float, 4>, 2> state {}; // per channel: x[n-1], x[n-2], y[n-1], y[n-2]
};
