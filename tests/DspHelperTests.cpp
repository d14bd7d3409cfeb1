#include "CircularBuffer.h"
#include "LinearSmoother.h"
#include "Modulation.h"
#include "TransitionRamp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct SizingCase
{
    int requested;
    int expectedSize;
};

class CircularBufferSizing : public ::testing::TestWithParam<SizingCase>
{
};

TEST_P (CircularBufferSizing, RoundsUpToAPowerOfTwo)
{
    CV::CircularBuffer<float> buffer;
    buffer.resize (GetParam().requested);
    EXPECT_EQ (buffer.size, GetParam().expectedSize);
    EXPECT_EQ (buffer.mask, GetParam().expectedSize - 1);
    EXPECT_EQ ((int) buffer.data.size(), GetParam().expectedSize);
}

// Four seconds at the common rates, and the edges of the rounding.
INSTANTIATE_TEST_SUITE_P (Rates, CircularBufferSizing, ::testing::Values (SizingCase { 4 * 44100, 262144 }, SizingCase { 4 * 48000, 262144 }, SizingCase { 4 * 88200, 524288 }, SizingCase { 4 * 96000, 524288 }, SizingCase { 1024, 1024 }, SizingCase { 1025, 2048 }, SizingCase { 1, 1 }));

TEST (CircularBuffer, ReadOfZeroReturnsTheSampleWrittenLast)
{
    CV::CircularBuffer<float> buffer;
    buffer.resize (8);

    for (float x : { 1.0f, 2.0f, 3.0f })
        buffer.write (x);

    EXPECT_EQ (buffer.read (0.0f), 3.0f);
    EXPECT_EQ (buffer.read (2.0f), 1.0f);
}

TEST (CircularBuffer, FractionalReadInterpolatesTowardsTheOlderSample)
{
    CV::CircularBuffer<float> buffer;
    buffer.resize (8);
    buffer.write (4.0f);
    buffer.write (8.0f);

    EXPECT_FLOAT_EQ (buffer.read (0.25f), 0.75f * 8.0f + 0.25f * 4.0f);
}

TEST (CircularBuffer, PositionsWrapAroundTheRing)
{
    CV::CircularBuffer<float> buffer;
    buffer.resize (4);

    for (int i = 1; i <= 10; ++i)
        buffer.write ((float) i);

    EXPECT_EQ (buffer.writeIndex, 10 & 3);
    EXPECT_EQ (buffer.read (0.0f), 10.0f);
    EXPECT_EQ (buffer.read (buffer.getMaximumDelay()), 8.0f);
}

TEST (CircularBuffer, ClearKeepsThePosition)
{
    CV::CircularBuffer<float> buffer;
    buffer.resize (4);
    buffer.write (1.0f);
    buffer.clear();

    EXPECT_EQ (buffer.writeIndex, 1);
    EXPECT_EQ (buffer.read (0.0f), 0.0f);
}

TEST (LinearSmoother, ReachesTheTargetInTheGivenTime)
{
    LinearSmoother smoother;
    smoother.setTarget (1.0f, 100.0f);

    for (int i = 0; i < 99; ++i)
        smoother.next();

    EXPECT_NEAR (smoother.current, 0.99f, 1.0e-5f);

    // Rounding of the repeated steps may leave the last one for the next sample.
    smoother.next();
    smoother.next();
    EXPECT_EQ (smoother.current, 1.0f);
}

TEST (LinearSmoother, LandsExactlyWhenTheStepFallsBelowTheFloatResolution)
{
    // 28 samples short of a 48000-sample delay, a 0.3 s glide step is below half a float's resolution.
    LinearSmoother smoother;
    smoother.current = 47972.0f;
    smoother.setTarget (48000.0f, 0.3f * 48000.0f);
    smoother.next();

    EXPECT_EQ (smoother.current, 48000.0f);
}

TEST (Modulation, StaysWithinUnitAmplitude)
{
    Modulation lfo;
    lfo.setFrequency (10.0f, 48000.0f);
    float largest = 0.0f;

    for (int i = 0; i < 48000; ++i)
        largest = std::max (largest, std::abs (lfo.next()));

    EXPECT_LE (largest, 1.0f);
    EXPECT_GT (largest, 0.99f);
}

TEST (Modulation, ChangesFrequencyWithoutAPhaseJump)
{
    Modulation lfo;
    lfo.setFrequency (2.0f, 48000.0f);

    for (int i = 0; i < 3000; ++i)
        lfo.next();

    const auto before = lfo.value;
    lfo.setFrequency (7.0f, 48000.0f);
    const auto after = lfo.next();
    const auto largestStepAt7Hz = 6.2832f * 7.0f / 48000.0f;

    EXPECT_LT (std::abs (after - before), largestStepAt7Hz * 1.01f);
    EXPECT_NE (after, before);
}

TEST (Modulation, HoldsItsValueAtZeroHertz)
{
    Modulation lfo;
    lfo.setFrequency (3.0f, 48000.0f);

    for (int i = 0; i < 1000; ++i)
        lfo.next();

    lfo.setFrequency (0.0f, 48000.0f);
    const auto held = lfo.next();

    for (int i = 0; i < 1000; ++i)
        EXPECT_NEAR (lfo.next(), held, 1.0e-6f);
}

TEST (TransitionRamp, CrossfadesFromTheHeldValueOverThreeMilliseconds)
{
    static constexpr float sampleRate = 48000.0f;
    static constexpr int rampSamples = 144; // 3 ms at 48 kHz
    TransitionRamp ramp;
    ramp.prepare (sampleRate);
    ramp.process (0.0f);
    ramp.restart();

    int samplesUntilDone = 0;
    float previous = 0.0f;

    while (ramp.active && samplesUntilDone < 10 * rampSamples)
    {
        const auto y = ramp.process (1.0f);
        EXPECT_GE (y, previous - 1.0e-6f);
        previous = y;
        ++samplesUntilDone;
    }

    EXPECT_NEAR (samplesUntilDone, rampSamples, 2);
    EXPECT_EQ (ramp.process (1.0f), 1.0f);
}

TEST (TransitionRamp, PassesItsInputWhileInactive)
{
    TransitionRamp ramp;
    ramp.prepare (48000.0f);
    EXPECT_EQ (ramp.process (0.25f), 0.25f);
    EXPECT_EQ (ramp.held, 0.25f);
}
}
