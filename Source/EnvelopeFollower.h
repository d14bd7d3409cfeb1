#pragma once

#include <cmath>
#include <limits>

/** Mean-square level detector with separate attack and release times, used for ducking. */
struct EnvelopeFollower
{
    /** Not real-time: zeroes the envelope and the coefficients. */
    void prepare (float newSampleRate) noexcept
    {
        sampleRate = newSampleRate;
        envelope = 0.0f;
        attackCoefficient = 0.0f;
        releaseCoefficient = 0.0f;
    }

    /** Once per block; times in milliseconds (0 responds instantly). */
    void setTimes (float attackMs, float releaseMs) noexcept
    {
        attackCoefficient = coefficientFor (attackMs);
        releaseCoefficient = coefficientFor (releaseMs);
    }

    /** Feeds one sample into the detector. */
    void track (float x) noexcept
    {
        const auto power = x * x;
        const auto coefficient = power > envelope ? attackCoefficient : releaseCoefficient;
        envelope = (envelope - power) * coefficient + power;

        if (std::abs (envelope) < std::numeric_limits<float>::min())
            envelope = 0.0f;
    }

    /** The detected RMS level. */
    float level() const noexcept { return std::sqrt (envelope); }

    float attackCoefficient = 0.0f;
    float releaseCoefficient = 0.0f;
    float sampleRate = 44100.0f;
    float envelope = 0.0f;

private:
    float coefficientFor (float milliseconds) const noexcept
    {
        // ln 0.368: the envelope covers 63.2 % of a step in the given time.
        static constexpr float logOfTimeConstantShare = -0.99967235f;

        if (milliseconds <= 0.0f)
            return 0.0f;

        return std::exp (logOfTimeConstantShare / (milliseconds * sampleRate * 0.001f));
    }
};
