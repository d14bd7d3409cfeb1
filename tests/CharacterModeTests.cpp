#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Signal = EngineFixture::Signal;

constexpr size_t impulseAt = 1000;
constexpr float sampleRate = 48000.0f;

/** A fixture with only the wet path audible, no feedback, at a millisecond delay time. */
EngineFixture& wetOnly (EngineFixture& fixture, int mode, float timeMs = 0.5f)
{
    fixture.set (ParamIDs::mode, (float) mode);
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.set (ParamIDs::timeMs, timeMs);
    fixture.settle();
    return fixture;
}

/** Groups the non-silent samples into echoes: runs separated by more than `gap` silent samples. */
std::vector<std::pair<size_t, size_t>> echoes (const Signal& signal, size_t gap = 64, float threshold = 1.0e-5f)
{
    std::vector<std::pair<size_t, size_t>> found;
    for (auto position : EngineFixture::peaks (signal, threshold))
    {
        if (found.empty() || position > found.back().second + gap)
            found.emplace_back (position, position);
        else
            found.back().second = position;
    }
    return found;
}

/** Energy-weighted mean position of a signal. */
double energyCentre (const Signal& signal)
{
    double energy = 0.0, moment = 0.0;
    for (size_t n = 0; n < signal.size(); ++n)
    {
        energy += (double) signal[n] * signal[n];
        moment += (double) n * signal[n] * signal[n];
    }
    return moment / energy;
}

size_t forwardEchoPosition()
{
    EngineFixture fixture;
    const auto output = wetOnly (fixture, 1).process (EngineFixture::impulse (30000, impulseAt));
    return EngineFixture::peaks (output.left).front();
}
}

TEST (ReverseModes, PureReverseGivesOneReversedEchoAndNoForwardEcho)
{
    const auto forward = forwardEchoPosition();
    EngineFixture fixture;
    const auto delay = (size_t) wetOnly (fixture, 3).engine().getSmoothedValue (Delay::delayTime);
    const auto output = fixture.process (EngineFixture::impulse (impulseAt + 6 * delay, impulseAt));

    const auto found = echoes (output.left);
    ASSERT_EQ (found.size(), 1u);
    EXPECT_LE (found[0].second - found[0].first, 1u) << "a single reversed impulse";
    EXPECT_GT (found[0].first, impulseAt);
    EXPECT_LT (found[0].first, impulseAt + 2 * delay + 4);
    EXPECT_EQ (output.left[forward], 0.0f);
    EXPECT_EQ (echoes (output.right).size(), 1u);
}

TEST (ReverseModes, ReverseForwardGivesTheForwardAndTheReversedEcho)
{
    const auto forward = forwardEchoPosition();
    EngineFixture fixture;
    const auto delay = (size_t) wetOnly (fixture, 2).engine().getSmoothedValue (Delay::delayTime);
    const auto output = fixture.process (EngineFixture::impulse (impulseAt + 6 * delay, impulseAt));

    const auto found = echoes (output.left, 0);
    ASSERT_EQ (found.size(), 2u);
    EXPECT_TRUE (found[0].first == forward || found[1].first == forward);
}

TEST (ReverseModes, ZeroDelayFreezesTheReversedValueAndNormalModeClearsIt)
{
    EngineFixture fixture;
    wetOnly (fixture, 3, 0.0f);
    fixture.settle (4.0);
    ASSERT_LE (fixture.engine().getSmoothedValue (Delay::delayTime), 1.0f);

    // Whatever was playing when the delay reached zero stays.
    fixture.engine().channels[0].reversed = 0.3f;
    fixture.process (Signal (4800, 0.25f));
    EXPECT_EQ (fixture.engine().channels[0].reversed, 0.3f);

    fixture.set (ParamIDs::mode, 1.0f);
    fixture.process (Signal (512, 0.25f));
    EXPECT_EQ (fixture.engine().channels[0].reversed, 0.0f);
}

TEST (ChaosModes, CursorCyclesWithPeriodTwoAndAHalfDelayTimesWhileStopped)
{
    EngineFixture fixture (48000.0, 2, 100);
    wetOnly (fixture, 1, 0.5f);
    const auto target = fixture.engine().getSmoothedValue (Delay::delayTime);
    fixture.set (ParamIDs::mode, 4.0f);
    fixture.process (Signal (100, 0.0f));
    // The first block of the chaos mode starts from 0 and rises half a sample per sample.
    EXPECT_FLOAT_EQ (fixture.engine().chaos.chaosCursor, 50.0f);

    fixture.process (Signal ((size_t) (2.5f * target), 0.0f));
    EXPECT_NEAR (fixture.engine().chaos.chaosCursor, 50.0f, 2.0f) << "one period later";
}

TEST (ChaosModes, CycleStartsFromTheSongPositionWhenPlaybackStarts)
{
    EngineFixture fixture (48000.0, 2, 100);
    wetOnly (fixture, 4, 0.5f);
    ASSERT_FALSE (fixture.engine().chaos.wasPlaying);

    // 1000 samples into the song the cycle has risen to 500; this block adds 100 half-sample steps.
    fixture.playHead.position.setIsPlaying (true);
    fixture.playHead.position.setTimeInSamples (1000);
    fixture.process (Signal (100, 0.0f));

    EXPECT_FLOAT_EQ (fixture.engine().chaos.chaosCursor, 550.0f);
    EXPECT_TRUE (fixture.engine().chaos.wasPlaying);
}

TEST (ShifterModes, FrequencyModeShiftsTheEcho)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::frequencyShift, 0.4f); // 200 Hz up
    wetOnly (fixture, 6, 0.3f);

    Signal input ((size_t) sampleRate, 0.0f);
    for (size_t n = 0; n < input.size(); ++n)
        input[n] = 0.25f * std::sin (juce::MathConstants<float>::twoPi * 1000.0f * (float) n / sampleRate);

    const auto output = fixture.process (input);
    const auto magnitude = [&output] (double frequency)
    {
        double re = 0.0, im = 0.0;
        for (size_t n = output.left.size() / 2; n < output.left.size(); ++n)
        {
            re += output.left[n] * std::cos (juce::MathConstants<double>::twoPi * frequency * (double) n / sampleRate);
            im += output.left[n] * std::sin (juce::MathConstants<double>::twoPi * frequency * (double) n / sampleRate);
        }
        return std::hypot (re, im);
    };

    EXPECT_GT (magnitude (1200.0), 30.0 * magnitude (800.0));
    EXPECT_GT (magnitude (1200.0), 30.0 * magnitude (1000.0));
}

class PitchEchoTiming : public ::testing::TestWithParam<float>
{
};

TEST_P (PitchEchoTiming, EchoComesAtTheSetTime)
{
    const auto timeMs = GetParam();
    EngineFixture fixture;
    const auto normalised = fixture.engine().timeRange.convertTo0to1 (timeMs);
    wetOnly (fixture, 1, normalised);
    const auto forward = EngineFixture::peaks (fixture.process (EngineFixture::impulse (60000, impulseAt)).left).front();

    fixture.set (ParamIDs::mode, 7.0f);
    fixture.settle (1.0);
    const auto output = fixture.process (EngineFixture::impulse (60000, impulseAt));
    const auto found = echoes (output.left);

    ASSERT_EQ (found.size(), 1u);
    EXPECT_NEAR ((double) found[0].first, (double) forward, 2.0);
}

INSTANTIATE_TEST_SUITE_P (AtLeastTheLatency, PitchEchoTiming, ::testing::Values (74.0f, 100.0f, 350.0f, 1000.0f));

TEST (ShifterModes, PitchModeDelaysShortTimesToTheLatency)
{
    EngineFixture fixture;
    wetOnly (fixture, 7, fixture.engine().timeRange.convertTo0to1 (20.0f));
    const auto output = fixture.process (EngineFixture::impulse (20000, impulseAt));
    const auto found = echoes (output.left);

    ASSERT_EQ (found.size(), 1u);
    EXPECT_NEAR ((double) (found[0].first - impulseAt), 74.0 * sampleRate / 1000.0, 4.0);
}

class DiffusedEchoTiming : public ::testing::TestWithParam<float>
{
};

TEST_P (DiffusedEchoTiming, EnergyCentreStaysAtTheDelayTime)
{
    const auto size = GetParam();
    const auto forward = forwardEchoPosition();
    EngineFixture fixture;
    fixture.set (ParamIDs::diffAmt, 1.0f);
    fixture.set (ParamIDs::diffSize, size);
    const auto delay = (double) wetOnly (fixture, 1).engine().getSmoothedValue (Delay::delayTime);

    // A band-limited click, so that the interpolated stage reads keep its energy.
    constexpr int clickLength = 64;
    Signal input (impulseAt + 40 * (size_t) delay, 0.0f);
    for (int n = 0; n < clickLength; ++n)
        input[impulseAt + (size_t) n] = 0.5f - 0.5f * std::cos (juce::MathConstants<float>::twoPi * ((float) n + 0.5f) / clickLength);

    const auto output = fixture.process (input);
    const auto centre = energyCentre (output.left) - 0.5 * (clickLength - 1);

    EXPECT_NEAR (centre, (double) forward, 0.02 * delay);
}

INSTANTIATE_TEST_SUITE_P (Sizes, DiffusedEchoTiming, ::testing::Values (0.0f, 0.3f, 0.7f, 1.0f));

TEST (Diffusion, SwitchingOnCrossfadesOverThreeMilliseconds)
{
    EngineFixture fixture (48000.0, 2, 480);
    wetOnly (fixture, 1, 0.2f);
    fixture.set (ParamIDs::feedback, 0.5f);

    Signal input (48000);
    for (size_t n = 0; n < input.size(); ++n)
        input[n] = 0.5f * std::sin (juce::MathConstants<float>::twoPi * 440.0f * (float) n / sampleRate);

    fixture.process (input);
    fixture.set (ParamIDs::diffAmt, 0.8f);
    const auto switched = fixture.process (Signal (input.begin(), input.begin() + 480));
    auto& ramp = fixture.engine().channels[0].diffuserRamp;
    EXPECT_FALSE (ramp.active) << "done within the block of 10 ms";

    float largestStep = 0.0f;
    for (size_t n = 1; n < switched.left.size(); ++n)
        largestStep = std::max (largestStep, std::abs (switched.left[n] - switched.left[n - 1]));

    // Stale diffuser material would otherwise jump in at once.
    const auto ownSlope = 0.5f * 2.0f * juce::MathConstants<float>::pi * 440.0f / sampleRate;
    EXPECT_LT (largestStep, 3.0f * ownSlope);
}
