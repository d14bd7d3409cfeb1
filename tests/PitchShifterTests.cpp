#include "PitchShifter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <juce_core/juce_core.h>
#include <vector>

namespace
{
constexpr float sampleRate = 48000.0f;
constexpr double twoPi = juce::MathConstants<double>::twoPi;
constexpr float amplitude = 0.5f;

/** Runs a sine (faded in over 10 ms) through a fresh shifter; returns both output channels interleaved as left only. */
std::vector<float> shiftSine (int semitones, double frequency, int length)
{
    PitchShifter shifter;
    shifter.setSemitones (semitones);
    shifter.prepare (sampleRate);
    std::vector<float> out;
    out.reserve ((size_t) length);

    for (int n = 0; n < length; ++n)
    {
        const auto fadeIn = std::min (1.0f, (float) n / 480.0f);
        auto left = fadeIn * amplitude * (float) std::sin (twoPi * frequency * n / sampleRate);
        auto right = left;
        shifter.process (left, right);
        out.push_back (left);
    }

    return out;
}

/** Frequency from the first and last rising zero crossing after `from`, interpolated. */
double measureFrequency (const std::vector<float>& signal, size_t from)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;

    for (auto n = from + 1; n < signal.size(); ++n)
    {
        if (signal[n - 1] < 0.0f && signal[n] >= 0.0f)
        {
            const auto position = (double) (n - 1) + signal[n - 1] / (double) (signal[n - 1] - signal[n]);
            if (first < 0.0)
                first = position;
            last = position;
            ++crossings;
        }
    }

    return (crossings - 1) * (double) sampleRate / (last - first);
}

class PitchShifterRatio : public ::testing::TestWithParam<int>
{
};
}

TEST_P (PitchShifterRatio, ShiftsASineToTheRatiosFrequency)
{
    const auto semitones = GetParam();
    constexpr double input = 440.0;
    const auto out = shiftSine (semitones, input, (int) (2.0f * sampleRate));
    const auto expected = input * std::pow (2.0, semitones / 12.0);

    EXPECT_NEAR (measureFrequency (out, (size_t) (0.3f * sampleRate)), expected, 0.005 * expected);
}

INSTANTIATE_TEST_SUITE_P (OctavesFifthsAndUnison, PitchShifterRatio, ::testing::Values (-12, -7, 0, 7, 12));

class PitchShifterContinuity : public ::testing::TestWithParam<int>
{
};

TEST_P (PitchShifterContinuity, StaysContinuousOverLongRuns)
{
    const auto semitones = GetParam();
    constexpr double input = 220.0;
    const auto out = shiftSine (semitones, input, (int) (3.0f * sampleRate));
    const auto outputFrequency = input * std::pow (2.0, semitones / 12.0);
    // A sine's largest step between samples; splices and carry fades may add a little.
    const auto ownSlope = twoPi * outputFrequency * amplitude / sampleRate;

    float largestStep = 0.0f;
    for (auto n = (size_t) (0.2f * sampleRate); n < out.size(); ++n)
        largestStep = std::max (largestStep, std::abs (out[n] - out[n - 1]));

    EXPECT_LE (largestStep, 1.25 * ownSlope);
}

INSTANTIATE_TEST_SUITE_P (EveryRatio, PitchShifterContinuity, ::testing::Range (-12, 13));

TEST (PitchShifter, UnisonDelaysByTheLatency)
{
    PitchShifter shifter;
    shifter.setSemitones (0);
    shifter.prepare (sampleRate);
    EXPECT_EQ (shifter.getLatency(), 3552); // 74 ms at 48 kHz

    int echoAt = -1;
    for (int n = 0; n < 3 * shifter.getLatency(); ++n)
    {
        auto left = n == 5000 ? 1.0f : 0.0f;
        auto right = left;
        shifter.process (left, right);
        if (left > 0.5f)
            echoAt = n - 5000;
    }

    EXPECT_EQ (echoAt, shifter.getLatency() + 1);
}

TEST (PitchShifter, ChangingTheShiftRestartsTheResamplersAtTheNextBlock)
{
    PitchShifter shifter;
    shifter.setSemitones (7);
    shifter.prepare (sampleRate);

    const auto run = [&shifter] (int samples)
    {
        for (int n = 0; n < samples; ++n)
        {
            auto left = std::sin (0.01f * (float) n);
            auto right = left;
            shifter.process (left, right);
        }
    };

    run (3 * shifter.blockLength + 100);
    shifter.setSemitones (-5);
    EXPECT_NE (shifter.channels[0].history[0], 0.0f) << "nothing restarts before the block ends";

    run (shifter.blockLength - 100);
    for (const auto& channel : shifter.channels)
    {
        EXPECT_EQ (channel.phase, 1.0);
        EXPECT_EQ (channel.historyIndex, 0);
        EXPECT_EQ (channel.history[0], 0.0f);
        EXPECT_EQ (channel.history[1], 0.0f);
    }
}

TEST (PitchShifter, FlushSilencesTheOutput)
{
    PitchShifter shifter;
    shifter.setSemitones (12);
    shifter.prepare (sampleRate);
    for (int n = 0; n < 20000; ++n)
    {
        auto left = std::sin (0.02f * (float) n);
        auto right = left;
        shifter.process (left, right);
    }

    shifter.flush();
    for (int n = 0; n < 5 * shifter.blockLength; ++n)
    {
        auto left = 0.0f, right = 0.0f;
        shifter.process (left, right);
        ASSERT_LT (std::abs (left) + std::abs (right), 1.0e-4f) << "sample " << n;
    }
}
