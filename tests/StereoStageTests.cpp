#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Signal = EngineFixture::Signal;

constexpr size_t impulseAt = 100;
constexpr size_t readLatency = 2;

/** A fixture with short echoes that plays only the wet signal unless told otherwise. */
class ShortEcho : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fixture.set (ParamIDs::timeMs, 0.1f);
        fixture.set (ParamIDs::feedback, 0.0f);
        fixture.set (ParamIDs::dry, 0.0f);
    }

    size_t echoDelay() { return (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + readLatency; }

    EngineFixture fixture;
};

//==============================================================================
struct DuckCase
{
    float duck;
    float inputLevel;
    float expectedGain;
};

class Ducking : public ::testing::TestWithParam<DuckCase>
{
};

TEST_P (Ducking, AttenuatesTheWetSignalByTheInputLevel)
{
    const auto& c = GetParam();
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 0.1f);
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.set (ParamIDs::duck, c.duck);
    fixture.set (ParamIDs::duckAttack, 0.0f);
    fixture.set (ParamIDs::duckRelease, 0.0f);
    fixture.settle();

    // A steady input: its echo arrives while the same level is still coming in.
    const auto output = fixture.process (Signal (4800, c.inputLevel));
    EXPECT_NEAR (output.left.back(), c.inputLevel * c.expectedGain, 1.0e-6f);
}

INSTANTIATE_TEST_SUITE_P (Levels, Ducking, ::testing::Values (DuckCase { 0.0f, 0.5f, 1.0f }, DuckCase { 1.0f, 0.2f, 0.0f }, DuckCase { 1.0f, 0.02f, 0.7f }, DuckCase { 0.5f, 0.02f, 0.85f }, DuckCase { 1.0f, 1.0f / 15.0f, 0.0f }));

TEST_F (ShortEcho, MonoMakesTheWetSignalIdenticalAndKeepsTheDryImage)
{
    fixture.set (ParamIDs::mono, 1.0f);
    fixture.set (ParamIDs::dry, 1.0f);
    fixture.settle();

    const auto output = fixture.process (EngineFixture::impulse (6000, impulseAt), Signal (6000, 0.0f));
    EXPECT_EQ (output.left[impulseAt], 1.0f);
    EXPECT_EQ (output.right[impulseAt], 0.0f);
    EXPECT_EQ (output.left[impulseAt + echoDelay()], 0.5f);
    EXPECT_EQ (output.right[impulseAt + echoDelay()], 0.5f);
}

struct PanCase
{
    float pan;
    float leftWet, rightWet;
};

class PanLaw : public ::testing::TestWithParam<PanCase>
{
};

TEST_P (PanLaw, BalancesOnlyTheWetSignalLinearly)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::timeMs, 0.1f);
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::pan, GetParam().pan);
    fixture.settle();
    const auto delay = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + readLatency;

    const auto output = fixture.process (EngineFixture::impulse (6000, impulseAt, 0.5f));
    EXPECT_EQ (output.left[impulseAt], 0.5f);
    EXPECT_EQ (output.right[impulseAt], 0.5f);
    EXPECT_FLOAT_EQ (output.left[impulseAt + delay], 0.5f * GetParam().leftWet);
    EXPECT_FLOAT_EQ (output.right[impulseAt + delay], 0.5f * GetParam().rightWet);
}

INSTANTIATE_TEST_SUITE_P (Positions, PanLaw, ::testing::Values (PanCase { 0.0f, 1.0f, 1.0f }, PanCase { -1.0f, 1.0f, 0.0f }, PanCase { 1.0f, 0.0f, 1.0f }, PanCase { 0.5f, 0.5f, 1.0f }));

TEST (MidSide, WithWetZeroTheOutputEqualsTheInputExactly)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::midSideMode, 1.0f);
    fixture.set (ParamIDs::wet, 0.0f);
    fixture.settle (0.5);

    juce::Random random (7);
    Signal left (9600), right (9600);

    for (size_t i = 0; i < left.size(); ++i)
    {
        left[i] = (float) (random.nextInt (65536) - 32768) / 32768.0f;
        right[i] = (float) (random.nextInt (65536) - 32768) / 32768.0f;
    }

    const auto output = fixture.process (left, right);
    EXPECT_EQ (output.left, left);
    EXPECT_EQ (output.right, right);
}

TEST (OutputStage, BypassPassesLoudSamplesUnclippedAndProcessingClipsThem)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::wet, 0.0f);
    fixture.settle (0.5);
    EXPECT_EQ (fixture.process (Signal (512, 1.5f)).left.back(), 1.0f);
    EXPECT_EQ (fixture.process (Signal (512, -1.5f)).left.back(), -1.0f);

    fixture.set (ParamIDs::bypassAll, 1.0f);
    EXPECT_EQ (fixture.process (Signal (512, 1.5f)).left.back(), 1.5f);
}

TEST (OutputStage, MonoLayoutCarriesTheRightHandPath)
{
    // With full spread the right path echoes 10 ms later than the left one.
    EngineFixture fixture (48000.0, 1);
    fixture.set (ParamIDs::timeMs, 0.1f);
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.set (ParamIDs::spread, 1.0f);
    fixture.settle();
    const auto delay = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + readLatency;

    const auto output = fixture.process (EngineFixture::impulse (12000, impulseAt));
    EXPECT_EQ (EngineFixture::peaks (output.left), (std::vector<size_t> { impulseAt + delay + 480 }));
}

TEST (Lifecycle, NothingHappensBeforePrepareToPlay)
{
    VantrelDelayAudioProcessor processor;
    juce::AudioBuffer<float> buffer (2, 256);
    juce::MidiBuffer midi;

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 256; ++i)
            buffer.setSample (channel, i, 3.0f);

    processor.processBlock (buffer, midi);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ (buffer.getSample (channel, i), 3.0f);
}

TEST (Lifecycle, WithoutAPlayHeadTheBlockPassesUntouchedButAResetRequestIsHonoured)
{
    EngineFixture fixture;
    fixture.processor.setPlayHead (nullptr);
    EXPECT_EQ (fixture.process (Signal (512, 1.5f)).left.back(), 1.5f);

    fixture.processor.resetRequest = true;
    EXPECT_EQ (fixture.process (Signal (512, 1.5f)).left.back(), 0.0f);
    EXPECT_FALSE (fixture.processor.resetRequest.load());
}

TEST (Lifecycle, AfterPrepareTheCutsStartOpenAndTheGainsFadeIn)
{
    EngineFixture fixture;
    EXPECT_EQ (fixture.engine().getSmoothedValue (Delay::lowCutFrequency), 20.0f);
    EXPECT_EQ (fixture.engine().getSmoothedValue (Delay::highCutFrequency), 20000.0f);
    EXPECT_EQ (fixture.engine().getSmoothedValue (Delay::dry), 0.0f);

    const auto output = fixture.process (Signal (64, 0.5f));
    EXPECT_LT (output.left.front(), 0.01f);
    EXPECT_GT (output.left.back(), output.left.front());
}

TEST_F (ShortEcho, ResetRequestSilencesTheBlockAndEmptiesTheEchoes)
{
    fixture.set (ParamIDs::feedback, 0.9f);
    fixture.set (ParamIDs::dry, 1.0f);
    fixture.settle();
    fixture.process (EngineFixture::impulse (512, 10));

    fixture.processor.resetRequest = true;
    const auto flushed = fixture.process (Signal (512, 0.25f));
    EXPECT_EQ (EngineFixture::peaks (flushed.left, 0.0f), std::vector<size_t>());
    EXPECT_FALSE (fixture.processor.resetRequest.load());

    const auto after = fixture.process (Signal (48000, 0.0f));
    EXPECT_EQ (EngineFixture::peaks (after.left, 0.0f), std::vector<size_t>());
}

TEST_F (ShortEcho, NonFiniteInputIsSilenceAndNeverPoisonsTheEchoes)
{
    fixture.set (ParamIDs::feedback, 0.5f);
    fixture.set (ParamIDs::dry, 1.0f);
    fixture.settle();

    Signal input (24000, 0.0f);
    input[10] = std::numeric_limits<float>::quiet_NaN();
    input[11] = std::numeric_limits<float>::infinity();
    input[12] = -std::numeric_limits<float>::infinity();
    input[200] = 0.5f;
    const auto output = fixture.process (input);

    for (size_t i = 0; i < output.left.size(); ++i)
        ASSERT_TRUE (std::isfinite (output.left[i]) && std::isfinite (output.right[i])) << i;

    EXPECT_EQ (output.left[10], 0.0f);
    EXPECT_EQ (output.left[200 + echoDelay()], 0.5f);
}

struct MeterCase
{
    float lastSample;
    bool bypass;
    float expectedMeter;
};

class Meters : public ::testing::TestWithParam<MeterCase>
{
};

TEST_P (Meters, ShowTheMagnitudeOfTheLastOutputSampleCappedForPositiveSamples)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::wet, 0.0f);
    fixture.set (ParamIDs::bypassAll, GetParam().bypass ? 1.0f : 0.0f);
    fixture.settle (0.5);
    fixture.process (Signal (512, GetParam().lastSample), Signal (512, -0.125f));

    EXPECT_EQ (fixture.processor.meterLevelLeft.load(), GetParam().expectedMeter);
    EXPECT_EQ (fixture.processor.meterLevelRight.load(), 0.125f);
}

INSTANTIATE_TEST_SUITE_P (Samples, Meters, ::testing::Values (MeterCase { 0.5f, false, 0.5f }, MeterCase { -0.25f, false, 0.25f }, MeterCase { 1.5f, true, 1.0f }, MeterCase { -1.5f, true, 1.5f }));
}
