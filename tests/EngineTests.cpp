#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Signal = EngineFixture::Signal;

constexpr size_t impulseAt = 100;

/** The read is one sample behind the delay time and the Haas stage adds one more. */
constexpr size_t readLatency = 2;

//==============================================================================
struct EchoCase
{
    const char* name;
    int timeMode;
    const char* noteParameter;
    int noteIndex;
    int expectedDelay;
};

class TempoSyncedEcho : public ::testing::TestWithParam<EchoCase>
{
};

TEST_P (TempoSyncedEcho, LandsOnTheNoteLengthAt120BpmAnd48kHz)
{
    const auto& c = GetParam();
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMode, (float) c.timeMode);
    fixture.set (c.noteParameter, (float) c.noteIndex);
    fixture.settle();

    EXPECT_EQ (fixture.engine().getSmoothedValue (Delay::delayTime), (float) c.expectedDelay);

    const auto output = fixture.process (EngineFixture::impulse ((size_t) c.expectedDelay + 1000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt, impulseAt + (size_t) c.expectedDelay + readLatency }));
}

INSTANTIATE_TEST_SUITE_P (NoteValues, TempoSyncedEcho, ::testing::Values (EchoCase { "quarter", 1, ParamIDs::timeNrm, 2, 24000 }, EchoCase { "quarterTriplet", 2, ParamIDs::timeTrip, 2, 16000 }, EchoCase { "dottedQuarter", 3, ParamIDs::timeDot, 2, 36000 }, EchoCase { "eighth", 1, ParamIDs::timeNrm, 3, 12000 }, EchoCase { "wholeNote", 1, ParamIDs::timeNrm, 0, 96000 }), [] (const auto& info)
    { return std::string (info.param.name); });

TEST (MillisecondEcho, SettledGlideGivesTheSampleExactEchoAtOneSecond)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMs, 1.0f);
    fixture.settle();

    const auto output = fixture.process (EngineFixture::impulse (50000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt, impulseAt + 48000 + readLatency }));
    EXPECT_EQ (output.left[impulseAt + 48000 + readLatency], 1.0f);
}

TEST (MillisecondEcho, HalfTheRangeIsTwoHundredMillisecondsTruncatedToSamples)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMs, 0.5f);
    fixture.settle();

    const auto delay = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime);
    EXPECT_TRUE (delay == 9599 || delay == 9600) << delay;

    const auto output = fixture.process (EngineFixture::impulse (12000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt, impulseAt + delay + readLatency }));
}

TEST (MillisecondEcho, ZeroTimeEchoesTwoSamplesLater)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMs, 0.0f);
    fixture.settle();

    const auto output = fixture.process (EngineFixture::impulse (1000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt, impulseAt + readLatency }));
}

TEST (Feedback, RepeatsAtTheDelayTimeWithTheFeedbackGain)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 0.5f);
    fixture.settle();
    const auto period = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + readLatency;

    const auto output = fixture.process (EngineFixture::impulse (4 * period, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt, impulseAt + period, impulseAt + 2 * period, impulseAt + 3 * period }));
    EXPECT_FLOAT_EQ (output.left[impulseAt + 2 * period], 0.5f);
    EXPECT_FLOAT_EQ (output.left[impulseAt + 3 * period], 0.25f);
}

TEST (TempoSync, ATempoChangeOfOneThousandthIsAppliedAtOnce)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMode, 1.0f);
    fixture.set (ParamIDs::timeNrm, 2.0f);
    fixture.settle();

    fixture.setBpm (120.12);
    fixture.process (Signal (512, 0.0f));
    EXPECT_EQ (fixture.engine().getSmoothedValue (Delay::delayTime), 23976.0f);
}

TEST (TempoSync, TheSameChangeInMillisecondsGlides)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 1.0f);
    fixture.settle();

    // About 0.1 % shorter than 1000 ms.
    fixture.set (ParamIDs::timeMs, 0.99957f);
    fixture.process (Signal (512, 0.0f));
    const auto& time = fixture.engine().smoothers[Delay::delayTime];
    EXPECT_LT (time.target, 48000.0f);
    EXPECT_GT (time.current, time.target);
}

TEST (TempoSync, APositionWithoutTempoMeans120BpmAndNoPositionKeepsTheLastTempo)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMode, 1.0f);
    fixture.set (ParamIDs::timeNrm, 2.0f);
    fixture.setBpm (90.0);
    fixture.process (Signal (512, 0.0f));
    EXPECT_EQ (fixture.engine().smoothers[Delay::delayTime].target, 32000.0f);

    fixture.playHead.position = juce::AudioPlayHead::PositionInfo();
    fixture.process (Signal (512, 0.0f));
    EXPECT_EQ (fixture.engine().smoothers[Delay::delayTime].target, 24000.0f);

    fixture.setBpm (60.0);
    fixture.playHead.supplied = false;
    fixture.process (Signal (512, 0.0f));
    EXPECT_EQ (fixture.engine().smoothers[Delay::delayTime].target, 24000.0f);
}

TEST (TempoSync, SlowTemposAreHeldAtTheLineCapacityInsteadOfWrapping)
{
    EngineFixture fixture;
    fixture.setBpm (30.0);
    fixture.set (ParamIDs::timeMode, 3.0f);
    fixture.set (ParamIDs::timeDot, 0.0f);
    fixture.process (Signal (512, 0.0f));

    EXPECT_EQ (fixture.engine().smoothers[Delay::delayTime].target, fixture.engine().lines[0].getMaximumDelay());
}

//==============================================================================
struct PingPongCase
{
    float spread;
    bool firstEchoOnRight;
};

class PingPong : public ::testing::TestWithParam<PingPongCase>
{
};

TEST_P (PingPong, FullSpreadStartsTheEchoesOnOneSideAndAlternates)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 0.5f);
    fixture.set (ParamIDs::pipo, 1.0f);
    fixture.set (ParamIDs::spread, GetParam().spread);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.settle();
    const auto period = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + 1; // no Haas sample

    const auto output = fixture.process (EngineFixture::impulse (4 * period, impulseAt));
    const auto& first = GetParam().firstEchoOnRight ? output.right : output.left;
    const auto& second = GetParam().firstEchoOnRight ? output.left : output.right;

    EXPECT_EQ (EngineFixture::peaks (first), (std::vector<size_t> { impulseAt + period, impulseAt + 3 * period }));
    EXPECT_EQ (EngineFixture::peaks (second), (std::vector<size_t> { impulseAt + 2 * period }));
    EXPECT_FLOAT_EQ (second[impulseAt + 2 * period], 0.5f);
}

INSTANTIATE_TEST_SUITE_P (Spread, PingPong, ::testing::Values (PingPongCase { 1.0f, true }, PingPongCase { -1.0f, false }));

TEST (Spread, PositiveSpreadDelaysTheRightWetByTenMilliseconds)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 0.5f);
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::spread, 1.0f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.settle();
    const auto delay = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + readLatency;

    const auto output = fixture.process (EngineFixture::impulse (12000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt + delay }));
    EXPECT_EQ (EngineFixture::peaks (output.right), (std::vector<size_t> { impulseAt + delay + 480 }));
}
}
