#include "ProcessorTestHelpers.h"

#include <set>

namespace
{
// Enough presses for every value of the largest choice (15 distortion functions) to appear.
constexpr int presses = 300;
}

class RandomiserTest : public ProcessorTest
{
protected:
    // A fixed seed keeps every run of these tests the same.
    RandomiserTest() { processor.random.setSeed (seed); }

    static constexpr juce::int64 seed = 20261211;

    std::set<int> valuesSeenOf (const char* parameterID)
    {
        std::set<int> seen;

        for (int press = 0; press < presses; ++press)
        {
            processor.randomizeParameters();
            seen.insert ((int) valueOf (parameterID));
        }

        return seen;
    }

    static std::set<int> wholeNumbers (int first, int last)
    {
        std::set<int> numbers;

        for (int value = first; value <= last; ++value)
            numbers.insert (value);

        return numbers;
    }
};

TEST_F (RandomiserTest, ExcludedParametersNeverChange)
{
    const std::vector<std::pair<const char*, float>> excluded {
        { ParamIDs::dry, 0.3f },
        { ParamIDs::wet, 0.6f },
        { ParamIDs::in, -0.4f },
        { ParamIDs::out, 0.2f },
        { ParamIDs::splitTestingSide, 1.0f },
        { ParamIDs::bypassAll, 1.0f },
    };

    for (const auto& [parameterID, value] : excluded)
        set (parameterID, value);

    std::map<const char*, float> before;
    for (const auto& [parameterID, value] : excluded)
        before[parameterID] = valueOf (parameterID);

    for (int press = 0; press < presses; ++press)
    {
        processor.randomizeParameters();

        for (const auto& [parameterID, value] : before)
            ASSERT_EQ (valueOf (parameterID), value) << parameterID;
    }
}

TEST_F (RandomiserTest, HighCutStaysAtOrAboveLowCutUnlessAllDrawsFail)
{
    // All 100 draws fall below the low cut with probability x^100 for a low cut at x on the
    // 0..1 scale: about once in 100 presses, and practically only for low cuts above 10 kHz.
    constexpr float highLowCut = 10000.0f;
    constexpr int allowedFailures = presses / 20;
    int failures = 0;

    for (int press = 0; press < presses; ++press)
    {
        processor.randomizeParameters();

        if (valueOf (ParamIDs::highCut) < valueOf (ParamIDs::lowCut))
        {
            ++failures;
            EXPECT_GT (valueOf (ParamIDs::lowCut), highLowCut);
        }
    }

    EXPECT_LE (failures, allowedFailures);
}

struct ChoiceRow
{
    const char* parameterID;
    int first, last;
};

class RandomiserChoiceTest : public RandomiserTest, public ::testing::WithParamInterface<ChoiceRow>
{
};

TEST_P (RandomiserChoiceTest, TakesExactlyTheValuesOfItsSet)
{
    const auto row = GetParam();
    EXPECT_EQ (valuesSeenOf (row.parameterID), wholeNumbers (row.first, row.last));
}

INSTANTIATE_TEST_SUITE_P (ValueSets,
    RandomiserChoiceTest,
    ::testing::Values (ChoiceRow { ParamIDs::mode, 1, 7 },
        ChoiceRow { ParamIDs::distFunction, 1, 15 },
        ChoiceRow { ParamIDs::diffQuality, 1, 8 },
        ChoiceRow { ParamIDs::pitchShift, 1, 8 },
        ChoiceRow { ParamIDs::timeMode, 0, 3 },
        ChoiceRow { ParamIDs::timeNrm, 0, 4 }));

TEST_F (RandomiserTest, TheSameSeedGivesTheSameSettings)
{
    VantrelDelayAudioProcessor other;
    other.random.setSeed (seed);

    for (int press = 0; press < 20; ++press)
    {
        processor.randomizeParameters();
        other.randomizeParameters();
        ASSERT_EQ (describeEverything (processor), describeEverything (other)) << press;
    }
}

TEST_F (RandomiserTest, DifferentSeedsGiveDifferentSettings)
{
    VantrelDelayAudioProcessor other;
    processor.random.setSeed (1);
    other.random.setSeed (2);
    processor.randomizeParameters();
    other.randomizeParameters();

    EXPECT_NE (describeEverything (processor), describeEverything (other));
}
