#pragma once

#include <cmath>

/** A recursive sine oscillator: one multiply-add per sample and no trigonometric call.
    It restarts exactly at its peaks, so its amplitude cannot drift, and it changes
    frequency without a phase jump. Used for the delay-time LFO and the diffuser stages. */
struct Modulation
{
    /** Starts at phase 0 moving downwards (the diffuser stages' start). Not real-time critical. */
    void start (float newFrequency, float sampleRate) noexcept
    {
        const auto omega = angularStep (newFrequency, sampleRate);
        frequency = newFrequency;
        coefficient = 2.0 * std::cos (omega);
        cosOmega = std::cos (omega);
        y1 = 0.0;
        y2 = std::sin (omega);
        rising = false;
        value = 0.0f;
    }

    /** Changes the frequency keeping the current phase and direction; audio thread, once per block. */
    void setFrequency (float newFrequency, float sampleRate) noexcept
    {
        // The phase passes through degrees in single precision, as the oscillator always has.
        static constexpr double degreesPerRadian = 57.29577951308232;
        static constexpr double twoPi = 6.283185307179586;

        const auto omega = angularStep (newFrequency, sampleRate);
        frequency = newFrequency;
        coefficient = 2.0 * std::cos (omega);
        cosOmega = std::sin (twoPi * 0.25 - omega);

        const auto phase = (double) (float) (std::asin (y1) * degreesPerRadian) * twoPi / 360.0;
        y2 = rising ? std::sin (phase - omega) : std::sin (phase + omega);
        y1 = std::sin (phase);
    }

    /** The next output in [-1, 1]. */
    float next() noexcept
    {
        auto y = coefficient * y1 - y2;

        if (y >= 1.0)
        {
            y = 1.0;
            y2 = cosOmega;
        }
        else if (y <= -1.0)
        {
            y = -1.0;
            y2 = -cosOmega;
        }
        else
        {
            y2 = y1;
        }

        y1 = y;
        rising = y > (double) value;
        value = (float) y;
        return value;
    }

    bool rising = false;
    float value = 0.0f;
    float frequency = 0.0f;
    double coefficient = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
    double cosOmega = 0.0;

private:
    static double angularStep (float frequencyHz, float sampleRate) noexcept
    {
        return 6.283185307179586 * (double) frequencyHz / (double) sampleRate;
    }
};
