#include "FrequencyShifter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <juce_core/juce_core.h>
#include <vector>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr double twoPi = juce::MathConstants<double>::twoPi;

/** Magnitude of one frequency in a Hann-windowed signal (Goertzel). */
double magnitudeAt (const std::vector<float>& signal, double frequency)
{
    const auto size = signal.size();
    const auto coefficient = 2.0 * std::cos (twoPi * frequency / sampleRate);
    double s1 = 0.0, s2 = 0.0;

    for (size_t n = 0; n < size; ++n)
    {
        const auto window = 0.5 - 0.5 * std::cos (twoPi * (double) n / (double) size);
        const auto s0 = window * signal[n] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }

    return std::sqrt (std::max (0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2));
}

std::vector<float> shiftSine (FrequencyShifter& shifter, double frequency, int length)
{
    constexpr int settle = 4800;
    std::vector<float> out;
    out.reserve ((size_t) length);

    for (int n = 0; n < settle + length; ++n)
    {
        const auto y = shifter.process ((float) std::sin (twoPi * frequency * n / sampleRate));
        if (n >= settle)
            out.push_back (y);
    }

    return out;
}

struct SidebandCase
{
    double inputHz;
    float shiftHz;
};

class FrequencyShifterSideband : public ::testing::TestWithParam<SidebandCase>
{
};
}

TEST_P (FrequencyShifterSideband, KeepsTheWantedSidebandAndSuppressesTheOther)
{
    const auto [inputHz, shiftHz] = GetParam();
    FrequencyShifter shifter;
    shifter.prepare (sampleRate);
    shifter.setShift (shiftHz);

    const auto out = shiftSine (shifter, inputHz, 48000);
    const auto wanted = magnitudeAt (out, inputHz + shiftHz);
    const auto image = magnitudeAt (out, std::abs (inputHz - shiftHz));
    const auto suppressionDb = 20.0 * std::log10 (wanted / image);

    EXPECT_NEAR (wanted / (0.25 * out.size()), 1.0, 0.05) << "wanted sideband at full level";
    EXPECT_GE (suppressionDb, 30.0);
}

INSTANTIATE_TEST_SUITE_P (AcrossTheBand,
    FrequencyShifterSideband,
    ::testing::Values (SidebandCase { 200.0, 100.0f },
        SidebandCase { 200.0, -100.0f },
        SidebandCase { 1000.0, 500.0f },
        SidebandCase { 1000.0, -500.0f },
        SidebandCase { 5000.0, 250.0f },
        SidebandCase { 10000.0, -250.0f },
        SidebandCase { 15000.0, 500.0f },
        SidebandCase { 15000.0, -500.0f }));

TEST (FrequencyShifter, ZeroShiftFreezesTheOscillator)
{
    FrequencyShifter shifter;
    shifter.prepare (sampleRate);
    shifter.setShift (100.0f);
    for (int n = 0; n < 1234; ++n)
        shifter.process (0.1f);

    shifter.setShift (0.0f);
    const auto sine = shifter.sine;
    const auto cosine = shifter.cosine;
    for (int n = 0; n < 4800; ++n)
        shifter.process (0.1f);

    EXPECT_EQ (shifter.sine, sine);
    EXPECT_EQ (shifter.cosine, cosine);
}

TEST (FrequencyShifter, FlushSilencesTheFiltersButKeepsThePhase)
{
    FrequencyShifter shifter;
    shifter.prepare (sampleRate);
    shifter.setShift (300.0f);
    for (int n = 0; n < 1000; ++n)
        shifter.process (std::sin (0.05f * (float) n));

    const auto sine = shifter.sine;
    shifter.flush();

    EXPECT_EQ (shifter.sine, sine);
    EXPECT_EQ (shifter.process (0.0f), 0.0f);
}
