#include "Diffusion.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <juce_core/juce_core.h>
#include <limits>
#include <vector>

namespace
{
constexpr float sampleRate = 48000.0f;
// A click of 64 samples (Hann shape): band-limited, so that the interpolated reads of the
// modulated stage lengths do not eat its energy the way they would a one-sample impulse's.
constexpr int clickLength = 64;
constexpr double clickCentre = 0.5 * (clickLength - 1);

float click (int n)
{
    return n < clickLength ? 0.5f - 0.5f * std::cos (juce::MathConstants<float>::twoPi * ((float) n + 0.5f) / (float) clickLength) : 0.0f;
}

/** One diffuser bound to values the test controls. */
struct DiffuserFixture
{
    float delayTime = 4800.0f;
    float amount = 1.0f;
    float size = 1.0f;
    float modulationFactor = 1.0f;
    Diffusion diffuser;

    DiffuserFixture (int side, int quality, float sizeShare)
        : size (sizeShare)
    {
        diffuser.reset (sampleRate, side, &delayTime, &amount, &size, &modulationFactor);
        diffuser.setQuality (quality);
    }

    std::vector<float> response (int length, float (*input) (int))
    {
        std::vector<float> out ((size_t) length);
        for (int n = 0; n < length; ++n)
            out[(size_t) n] = diffuser.processAPFCascaded (input (n));
        return out;
    }

    std::vector<float> impulseResponse (int length)
    {
        return response (length, [] (int n)
            { return n == 0 ? 1.0f : 0.0f; });
    }
};

double energyCentre (const std::vector<float>& response)
{
    double energy = 0.0, moment = 0.0;
    for (size_t n = 0; n < response.size(); ++n)
    {
        energy += (double) response[n] * response[n];
        moment += (double) n * response[n] * response[n];
    }
    return moment / energy;
}

struct CentreCase
{
    int side;
    int quality;
    float size;
};

class DiffusionTiming : public ::testing::TestWithParam<CentreCase>
{
};
}

TEST_P (DiffusionTiming, SuppliesItsShareOfTheDelayTime)
{
    const auto [side, quality, size] = GetParam();
    DiffuserFixture fixture (side, quality, size);
    const auto response = fixture.response (40 * (int) fixture.delayTime, click);

    // All-pass stages keep the energy, and its centre lies at the sum of the stage lengths.
    EXPECT_NEAR (energyCentre (response) - clickCentre, size * fixture.delayTime, 0.02 * fixture.delayTime);
}

INSTANTIATE_TEST_SUITE_P (SizesAndQualities,
    DiffusionTiming,
    ::testing::Values (CentreCase { 0, 8, 1.0f },
        CentreCase { 1, 8, 1.0f },
        CentreCase { 0, 8, 0.5f },
        CentreCase { 1, 4, 0.5f },
        CentreCase { 0, 4, 0.25f },
        CentreCase { 1, 1, 1.0f },
        CentreCase { 0, 1, 0.3f },
        CentreCase { 1, 3, 0.0f }));

TEST (Diffusion, RemovedStagesShareTheirLengthWithTheRest)
{
    for (int side = 0; side < 2; ++side)
    {
        for (int quality = 1; quality <= Diffusion::maxStages; ++quality)
        {
            DiffuserFixture fixture (side, quality, 1.0f);
            const auto& diffuser = fixture.diffuser;
            float total = 0.0f;
            for (int i = 0; i < diffuser.numStages; ++i)
                total += diffuser.tables->length[(size_t) i] + diffuser.extraLength;

            EXPECT_EQ (diffuser.numStages, quality);
            EXPECT_NEAR (total, 1.0f, 1.0e-5f) << "side " << side << ", quality " << quality;
        }
    }
}

TEST (Diffusion, QualityOneIsASingleStageOfTheWholeLength)
{
    DiffuserFixture fixture (0, 1, 0.5f);
    const auto response = fixture.impulseResponse (6000);

    EXPECT_NEAR (response[0], -0.8f, 1.0e-6f) << "the direct part of an all-pass of gain 0.8";
    size_t loudest = 1;
    for (size_t n = 1; n < response.size(); ++n)
        if (std::abs (response[n]) > std::abs (response[loudest]))
            loudest = n;

    EXPECT_NEAR ((double) loudest, 0.5 * fixture.delayTime, 0.01 * fixture.delayTime);
}

TEST (Diffusion, SizeZeroMakesOneSampleStages)
{
    DiffuserFixture fixture (1, 8, 0.0f);
    const auto response = fixture.impulseResponse (4000);
    double late = 0.0;
    for (size_t n = 600; n < response.size(); ++n)
        late += std::abs (response[n]);

    EXPECT_LT (energyCentre (response), 20.0);
    EXPECT_LT (late, 1.0e-6);
}

TEST (Diffusion, SidesUseTheirOwnTables)
{
    DiffuserFixture left (0, 8, 1.0f), right (1, 8, 1.0f);
    EXPECT_EQ (left.diffuser.tables, &Diffusion::leftTables);
    EXPECT_EQ (right.diffuser.tables, &Diffusion::rightTables);
}

TEST (Diffusion, FlushEmptiesTheStages)
{
    DiffuserFixture fixture (0, 8, 1.0f);
    fixture.impulseResponse (3000);
    fixture.diffuser.flush();

    for (int n = 0; n < 5 * 4800; ++n)
        ASSERT_EQ (fixture.diffuser.processAPFCascaded (0.0f), 0.0f);
}

TEST (Diffusion, ADecayingTailNeverLeavesDenormalsBehind)
{
    DiffuserFixture fixture (0, 8, 0.01f);
    fixture.delayTime = 480.0f;
    const auto response = fixture.impulseResponse (200000);

    const auto isDenormal = [] (float x)
    { return x != 0.0f && std::abs (x) < std::numeric_limits<float>::min(); };
    EXPECT_TRUE (std::none_of (response.begin(), response.end(), isDenormal));

    for (const auto& stage : fixture.diffuser.stages)
        EXPECT_TRUE (std::none_of (stage.data.begin(), stage.data.end(), isDenormal));
}
