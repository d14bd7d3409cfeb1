#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Signal = EngineFixture::Signal;

constexpr size_t impulseAt = 100;
constexpr float twoPi = 6.28318530717958647f;

Signal sine (size_t length, float frequency, float amplitude, double sampleRate = 48000.0)
{
    Signal signal (length);

    for (size_t i = 0; i < length; ++i)
        signal[i] = amplitude * std::sin (twoPi * frequency * (float) i / (float) sampleRate);

    return signal;
}

float largestStep (const Signal& signal, size_t from, size_t to)
{
    float step = 0.0f;

    for (size_t i = from + 1; i < to; ++i)
        step = std::max (step, std::abs (signal[i] - signal[i - 1]));

    return step;
}

/** White noise quantised to 16 bits, so sums and halves of two samples are exact in float. */
Signal quantisedNoise (size_t length, int seed)
{
    juce::Random random (seed);
    Signal signal (length);

    for (auto& x : signal)
        x = (float) (random.nextInt (65536) - 32768) / 32768.0f;

    return signal;
}

//==============================================================================
struct TransparencyCase
{
    float lowCutQ, highCutQ;
};

class TransparentFilters : public ::testing::TestWithParam<TransparencyCase>
{
};

TEST_P (TransparentFilters, CutsAtTheEndsOfTheirRangesPassTheInputUnchangedWhateverTheQ)
{
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMs, 0.0f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.set (ParamIDs::fdbFil, 1.0f);
    fixture.set (ParamIDs::lowCutQ, GetParam().lowCutQ);
    fixture.set (ParamIDs::highCutQ, GetParam().highCutQ);
    fixture.settle (0.5);

    const auto input = quantisedNoise (4096, 1);
    const auto output = fixture.process (input);

    for (size_t i = 2; i < input.size(); ++i)
        ASSERT_EQ (output.left[i], input[i - 2]) << i;
}

INSTANTIATE_TEST_SUITE_P (Resonances, TransparentFilters, ::testing::Values (TransparencyCase { 0.0f, 0.0f }, TransparencyCase { 1.0f, 1.0f }, TransparencyCase { 0.5f, 0.0f }));

struct CutoffCase
{
    float lowCut, highCut, sampleRate;
    float expectedLowCut, expectedHighCut, expectedLowBlend, expectedHighBlend;
};

class CutoffsAndBlends : public ::testing::TestWithParam<CutoffCase>
{
};

TEST_P (CutoffsAndBlends, FollowTheRawValues)
{
    const auto& c = GetParam();
    DelayParams params;
    params.setCutoffs (c.lowCut, c.highCut, c.sampleRate);
    EXPECT_FLOAT_EQ (params.lowCut, c.expectedLowCut);
    EXPECT_FLOAT_EQ (params.highCut, c.expectedHighCut);
    EXPECT_FLOAT_EQ (params.lowCutBlend, c.expectedLowBlend);
    EXPECT_FLOAT_EQ (params.highCutBlend, c.expectedHighBlend);
}

INSTANTIATE_TEST_SUITE_P (Table, CutoffsAndBlends, ::testing::Values (CutoffCase { 20.0f, 20000.0f, 48000.0f, 20.0f, 20000.0f, 0.0f, 0.0f }, CutoffCase { 25.0f, 19000.0f, 48000.0f, 25.0f, 19000.0f, 0.5f, 0.5f }, CutoffCase { 1000.0f, 5000.0f, 48000.0f, 1000.0f, 5000.0f, 1.0f, 1.0f }, CutoffCase { 20.0f, 20000.0f, 32000.0f, 20.0f, 32000.0f / 2.1f, 0.0f, 0.0f }, CutoffCase { 20000.0f, 20000.0f, 32000.0f, 32000.0f / 2.1f, 32000.0f / 2.1f, 1.0f, 0.0f }));

TEST (Filters, A25HzLowCutMixesTheHighPassHalfWithItsInput)
{
    Delay::AllFilters filters;
    filters.reset (48000.0f);
    filters.updateCoefficients (25.0f, 0.707f, 20000.0f, 0.707f);

    float y = 0.0f;

    for (int i = 0; i < 48000; ++i)
        y = filters.process (1.0f, 0, { 0.5f, 0.0f }); // DC: the high-pass removes it completely

    EXPECT_NEAR (y, 0.5f, 1.0e-4f);
}

float gainAtCutoff (Delay::AllFilters& filters, int channel, const Delay::AllFilters::Blends& blends, float frequency)
{
    const auto input = sine (48000, frequency, 0.01f);
    float peak = 0.0f;

    for (size_t i = 0; i < input.size(); ++i)
    {
        const auto y = filters.process (input[i], channel, blends);

        if (i > input.size() / 2)
            peak = std::max (peak, std::abs (y));
    }

    return peak / 0.01f;
}

TEST (Filters, ResonanceActsOnTheInputPairOnly)
{
    static constexpr float cutoff = 1000.0f;
    Delay engine;
    engine.prepare (48000.0f, 2);
    DelayParams params;
    params.setCutoffs (cutoff, 20000.0f, 48000.0f);
    params.lowCutQ = 1.0f;
    params.fdbFil = true;
    TransportInfo transport;

    // Let the cutoff glide settle.
    Signal silence (512, 0.0f);

    for (int i = 0; i < 400; ++i)
        engine.process (silence.data(), silence.data(), 512, params, TransportInfo());

    EXPECT_FLOAT_EQ (engine.inputFilters.highPass.cachedQ, 20.0f);
    EXPECT_FLOAT_EQ (engine.feedbackFilters.highPass.cachedQ, 0.707f);
    EXPECT_NEAR (gainAtCutoff (engine.inputFilters, 0, { 1.0f, 0.0f }, cutoff), 20.0f, 1.0f);
    EXPECT_NEAR (gainAtCutoff (engine.feedbackFilters, 0, { 1.0f, 0.0f }, cutoff), 0.707f, 0.02f);
}

//==============================================================================
struct CurvePoint
{
    int function;
    std::array<float, 17> values;
};

constexpr std::array<float, 17> tabledInputs { -1.0f, -0.8f, -0.6f, -0.4f, -0.2f, -0.1f, -0.04f, -0.02f, 0.0f, 0.02f, 0.04f, 0.1f, 0.2f, 0.4f, 0.6f, 0.8f, 1.0f };

class DistortionCurves : public ::testing::TestWithParam<CurvePoint>
{
};

TEST_P (DistortionCurves, PassThroughEveryTabledPoint)
{
    const auto& table = Distortion::getCurves()[(size_t) GetParam().function];

    for (size_t i = 0; i < tabledInputs.size(); ++i)
    {
        const auto index = (size_t) std::lround (250.0f * (tabledInputs[i] + 1.0f));
        EXPECT_NEAR (table[index], GetParam().values[i], 0.0005f) << "x = " << tabledInputs[i];
    }
}

INSTANTIATE_TEST_SUITE_P (
    AllFunctions, DistortionCurves,
    ::testing::Values (
        CurvePoint { 1, { -1, -0.9949f, -0.9884f, -0.9725f, -0.8903f, -0.6783f, -0.3102f, -0.161f, 0, 0.161f, 0.3102f, 0.6783f, 0.8903f, 0.9725f, 0.9884f, 0.9949f, 1 } },
        CurvePoint { 2, { -1, -1, -1, -1, -1, -0.9744f, -0.8633f, -0.725f, 0, 0.5033f, 0.735f, 0.9193f, 0.8407f, 0.6309f, 0.5071f, 0.4594f, 0.4423f } },
        CurvePoint { 3, { -1, -1, -1, -1, -1, -1, -0.4051f, -0.2025f, 0, 0.2025f, 0.4051f, 1, 1, 1, 1, 1, 1 } },
        CurvePoint { 4, { -1, -0.9994f, -0.9982f, -0.9961f, -0.9781f, -0.9336f, -0.8411f, -0.6597f, 0, 0.6597f, 0.8411f, 0.9336f, 0.9781f, 0.9961f, 0.9982f, 0.9994f, 1 } },
        CurvePoint { 5, { -1, -1, -1, -1, -1, -1, -0.5f, -0.25f, 0, -0.25f, -0.5f, -1, -1, -1, -1, -1, -1 } },
        CurvePoint { 6, { -1, -0.6769f, -0.4525f, -0.2614f, -0.1008f, -0.0374f, -0.0096f, -0.0035f, 0, 0.0026f, 0.0068f, 0.0308f, 0.1287f, 0.4836f, 0.6797f, 0.848f, 1 } },
        CurvePoint { 7, { -1, -0.8f, -0.6f, -0.4f, -0.2f, -0.1718f, -0.0758f, -0.2785f, 0, 0.2785f, 0.0758f, 0.1718f, 0.2f, 0.4f, 0.6f, 0.8f, 1 } },
        CurvePoint { 8, { -0.9999f, -0.9913f, -0.9719f, -0.9332f, -0.779f, -0.5145f, -0.2525f, -0.1385f, 0, 0.1385f, 0.2525f, 0.5145f, 0.779f, 0.9332f, 0.9719f, 0.9913f, 0.9999f } },
        CurvePoint { 9, { 1, 0.7628f, -0.8027f, -1, -0.9739f, -0.7638f, -0.4224f, -0.2385f, 0, 0.2385f, 0.4224f, 0.7638f, 0.9739f, 1, 0.8027f, -0.7628f, -1 } },
        CurvePoint { 10, { -1, -0.9159f, -0.9231f, -0.9363f, -0.9198f, -0.8155f, -0.4223f, -0.2416f, 0, 0.2416f, 0.4223f, 0.8155f, 0.9198f, 0.9363f, 0.9231f, 0.9159f, 1 } },
        CurvePoint { 11, { -1, -0.8199f, -0.6197f, -0.4196f, -0.2195f, -0.1193f, -0.0594f, -0.0393f, 0, 0.0393f, 0.0594f, 0.1193f, 0.2195f, 0.4196f, 0.6197f, 0.8199f, 1 } },
        CurvePoint { 12, { 0, -0.0575f, -0.0813f, -0.0994f, -0.1147f, -0.9999f, -0.8037f, -0.6038f, 0, 0.6038f, 0.8037f, 0.9999f, 0.1147f, 0.0994f, 0.0813f, 0.0575f, 0 } },
        CurvePoint { 13, { -1, -0.977f, -0.9383f, -0.8739f, -0.6576f, -0.1722f, -0.0269f, -0.0067f, 0, -0.0067f, -0.0269f, -0.1722f, -0.6576f, -0.8739f, -0.9383f, -0.977f, -1 } },
        CurvePoint { 14, { -1, -0.9919f, -0.9821f, -0.9707f, -0.9575f, -0.938f, -0.8917f, -0.8402f, 0, 0.8402f, 0.8917f, 0.938f, 0.9575f, 0.9707f, 0.9821f, 0.9919f, 1 } },
        CurvePoint { 15, { -1, -0.1929f, -0.114f, -0.8667f, -0.2385f, -0.9082f, -0.878f, -0.6097f, 0, 0.6097f, 0.878f, 0.9082f, 0.2385f, 0.8667f, 0.114f, 0.1929f, 1 } }));

struct MakeupCase
{
    int function;
    float gain;
};

class DistortionEnds : public ::testing::TestWithParam<MakeupCase>
{
};

TEST_P (DistortionEnds, InputsBeyondTheRangeReadTheEndValuesTimesTheMakeupGain)
{
    Distortion distortion;
    distortion.select (GetParam().function);
    const auto& table = Distortion::getCurves()[(size_t) GetParam().function];

    for (float x : { 1.0f, 1.5f, 40.0f, 1.0e30f })
        EXPECT_FLOAT_EQ (distortion.shape (x), table.back() * GetParam().gain) << x;

    for (float x : { -1.0f, -1.001f, -3.0f, -1.0e30f })
        EXPECT_FLOAT_EQ (distortion.shape (x), table.front() * GetParam().gain) << x;
}

INSTANTIATE_TEST_SUITE_P (Gains, DistortionEnds, ::testing::Values (MakeupCase { 1, 0.203f }, MakeupCase { 3, 0.155f }, MakeupCase { 5, 0.2f }, MakeupCase { 6, 1.0f }, MakeupCase { 11, 0.9f }, MakeupCase { 15, 0.183f }));

TEST (Distortion, FullAmountOutputsTheScaledCurveAndUnknownFunctionsUseTheFirst)
{
    Distortion distortion;
    distortion.select (6);
    EXPECT_FLOAT_EQ (distortion.process (0.2f, 1.0f), 0.1287f);
    distortion.select (0);
    EXPECT_FLOAT_EQ (distortion.process (0.2f, 1.0f), Distortion::getCurves()[1][300] * 0.203f);
}

struct SwitchCase
{
    const char* name;
    float distortionBefore, distortionAfter, postBefore, postAfter;
};

class DistortionSwitching : public ::testing::TestWithParam<SwitchCase>
{
};

TEST_P (DistortionSwitching, CrossfadesWithoutAStepLargerThanTheSignalsOwn)
{
    const auto& c = GetParam();
    EngineFixture fixture;
    fixture.set (ParamIDs::feedback, 0.0f);
    fixture.set (ParamIDs::timeMs, 0.2f);
    fixture.set (ParamIDs::dry, 0.0f);
    fixture.set (ParamIDs::distortion, c.distortionBefore);
    fixture.set (ParamIDs::postDist, c.postBefore);
    fixture.settle (1.0);

    const auto before = fixture.process (sine (24000, 220.0f, 0.5f)).left;
    fixture.set (ParamIDs::distortion, c.distortionAfter);
    fixture.set (ParamIDs::postDist, c.postAfter);
    const auto after = fixture.process (sine (48000, 220.0f, 0.5f)).left;

    // The output switches at once, the echoes when the line content written after the switch
    // comes round; between and after those 3 ms crossfades the signal has its own steps.
    static constexpr size_t crossfade = 200;
    const auto echo = (size_t) fixture.engine().getSmoothedValue (Delay::delayTime) + 2;
    const auto ownStep = std::max ({ largestStep (before, 12000, 24000), largestStep (after, crossfade, echo), largestStep (after, echo + crossfade, 48000) });
    EXPECT_LE (largestStep (after, 0, crossfade), ownStep * 1.05f);
    EXPECT_LE (largestStep (after, echo, echo + crossfade), ownStep * 1.05f);
}

INSTANTIATE_TEST_SUITE_P (Switches, DistortionSwitching, ::testing::Values (SwitchCase { "preOn", 0.0f, 1.0f, 0.0f, 0.0f }, SwitchCase { "preOff", 1.0f, 0.0f, 0.0f, 0.0f }, SwitchCase { "postOn", 0.0f, 1.0f, 1.0f, 1.0f }, SwitchCase { "postToggled", 1.0f, 1.0f, 0.0f, 1.0f }), [] (const auto& info)
    { return std::string (info.param.name); });
}
