#pragma once

#include <array>

/** Single-sideband frequency shifter: two all-pass paths 90 degrees apart, mixed with a
    quadrature oscillator so that one sideband cancels. Plain value class; prepare on the
    preparation thread, everything else on the audio thread without allocation. */
class FrequencyShifter
{
public:
    /** One second-order all-pass section in z^-2: y = c (x + y[n-2]) - x[n-2]. */
    struct AllPass
    {
        float coefficient = 0.0f;
        std::array<float, 2> inputHistory {};
        std::array<float, 2> outputHistory {};

        float process (float x) noexcept;
    };

    static constexpr int numSections = 4;

    FrequencyShifter();

    /** Stores the rate and restarts the oscillator at phase 0. */
    void prepare (double newSampleRate) noexcept;

    /** Per block: the shift in Hz; its sign picks the direction. */
    void setShift (float shiftHz) noexcept;

    /** One sample; audio thread. */
    float process (float x) noexcept;

    /** Zeroes the filter histories; the oscillator keeps its phase. */
    void flush() noexcept;

    float sampleRate = 44100.0f;
    double sampleRateD = 44100.0;
    double increment = 0.0;
    double sine = 0.0;
    double cosine = 1.0;
    std::array<AllPass, numSections> pathA;
    std::array<AllPass, numSections> pathB;
    float lastB = 0.0f;
    float direction = 1.0f;
};
