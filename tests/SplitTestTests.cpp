#include "ProcessorTestHelpers.h"

#include <thread>

namespace
{
using Record = VantrelDelayAudioProcessor::PresetParams;

/** A setting far from the defaults for each of the 36 record parameters. */
const std::vector<std::pair<const char*, float>> settingA {
    { ParamIDs::tape, 0.25f },
    { ParamIDs::diffAmt, 0.5f },
    { ParamIDs::diffSize, 0.75f },
    { ParamIDs::duck, 0.3f },
    { ParamIDs::duckAttack, 0.1f },
    { ParamIDs::duckRelease, 0.9f },
    { ParamIDs::feedback, 0.8f },
    { ParamIDs::modAmt, 0.4f },
    { ParamIDs::modRate, 0.6f },
    { ParamIDs::timeMs, 0.3f },
    { ParamIDs::dry, 0.2f },
    { ParamIDs::wet, 0.7f },
    { ParamIDs::in, -0.5f },
    { ParamIDs::out, 0.5f },
    { ParamIDs::distortion, 0.35f },
    { ParamIDs::lowCut, 150.0f },
    { ParamIDs::highCut, 5000.0f },
    { ParamIDs::lowCutQ, 0.45f },
    { ParamIDs::highCutQ, 0.55f },
    { ParamIDs::pan, -0.25f },
    { ParamIDs::spread, 0.37f },
    { ParamIDs::echoOffset, 0.65f },
    { ParamIDs::frequencyShift, -0.8f },
    { ParamIDs::pitchShift, -7.0f },
    { ParamIDs::timeNrm, 3.0f },
    { ParamIDs::timeTrip, 2.0f },
    { ParamIDs::timeDot, 4.0f },
    { ParamIDs::mode, 6.0f },
    { ParamIDs::distFunction, 12.0f },
    { ParamIDs::diffQuality, 3.0f },
    { ParamIDs::fdbFil, 1.0f },
    { ParamIDs::postDist, 1.0f },
    { ParamIDs::timeMode, 3.0f },
    { ParamIDs::pipo, 1.0f },
    { ParamIDs::mono, 1.0f },
    { ParamIDs::midSideMode, 1.0f },
};

/** The 36 parameter values a record stands for. */
std::vector<std::pair<const char*, float>> settingOf (const Record& record)
{
    using namespace PresetParamsFields;
    std::vector<std::pair<const char*, float>> setting;

    for (const auto& field : floats)
        setting.emplace_back (field.id, record.*field.member);

    for (const auto& field : ints)
        setting.emplace_back (field.id, (float) (record.*field.member));

    for (const auto& field : switchesBeforeTimeMode)
        setting.emplace_back (field.id, record.*field.member ? 1.0f : 0.0f);

    for (const auto& field : switchesAfterTimeMode)
        setting.emplace_back (field.id, record.*field.member ? 1.0f : 0.0f);

    setting.emplace_back (ParamIDs::timeMode, (float) timeModeOf (record));
    return setting;
}

// The finest parameter step among the record's parameters, and the frequency tolerance of the
// logarithmic range (it has no interval, so only float rounding separates the values).
constexpr float valueTolerance = 0.01f;
constexpr float frequencyTolerance = 0.05f;
}

class SplitTestTest : public ProcessorTest
{
protected:
    void apply (const std::vector<std::pair<const char*, float>>& setting)
    {
        for (const auto& [parameterID, value] : setting)
            set (parameterID, value);
    }

    void expectSetting (const std::vector<std::pair<const char*, float>>& setting)
    {
        for (const auto& [parameterID, value] : setting)
        {
            const bool isFrequency = juce::String (parameterID).endsWith ("Cut");
            EXPECT_NEAR (valueOf (parameterID), value, isFrequency ? frequencyTolerance : valueTolerance) << parameterID;
        }
    }

    void selectSide (int side) { set (ParamIDs::splitTestingSide, (float) side); }
};

TEST_F (SplitTestTest, FreshSideBAppliesTheRecordDefaults)
{
    apply (settingA);
    selectSide (1);

    expectSetting (settingOf (Record {}));
    EXPECT_EQ (valueOf (ParamIDs::timeMs), 1.0f);
    EXPECT_EQ (valueOf (ParamIDs::timeMode), 0.0f);
    EXPECT_FALSE (processor.sideAActive.load());
    EXPECT_TRUE (processor.uiRefreshRequest.load());
}

TEST_F (SplitTestTest, AThenBThenARestoresAsValuesUpToTheirIntervals)
{
    apply (settingA);
    selectSide (1);
    selectSide (0);

    expectSetting (settingA);
    EXPECT_TRUE (processor.sideAActive.load());
}

TEST_F (SplitTestTest, EachSideKeepsItsOwnSetting)
{
    selectSide (1);
    apply (settingA);
    selectSide (0);
    set (ParamIDs::feedback, 0.1f);
    selectSide (1);

    expectSetting (settingA);
    selectSide (0);
    EXPECT_NEAR (valueOf (ParamIDs::feedback), 0.1f, valueTolerance);
}

TEST_F (SplitTestTest, TripletTimeModeSurvivesARoundTrip)
{
    set (ParamIDs::timeMode, 2.0f);
    selectSide (1);
    selectSide (0);

    EXPECT_EQ (valueOf (ParamIDs::timeMode), 2.0f);
}

TEST_F (SplitTestTest, BypassStaysAcrossSwitches)
{
    set (ParamIDs::bypassAll, 1.0f);
    selectSide (1);
    EXPECT_EQ (valueOf (ParamIDs::bypassAll), 1.0f);

    set (ParamIDs::bypassAll, 0.0f);
    selectSide (0);
    EXPECT_EQ (valueOf (ParamIDs::bypassAll), 0.0f);
}

TEST_F (SplitTestTest, TheDryWetLockDoesNotAffectSwitching)
{
    processor.lockDryWet = true;
    set (ParamIDs::dry, 0.3f);
    set (ParamIDs::wet, 0.4f);
    selectSide (1);

    EXPECT_EQ (valueOf (ParamIDs::dry), 1.0f);
    EXPECT_EQ (valueOf (ParamIDs::wet), 1.0f);
    selectSide (0);
    EXPECT_NEAR (valueOf (ParamIDs::dry), 0.3f, valueTolerance);
    EXPECT_NEAR (valueOf (ParamIDs::wet), 0.4f, valueTolerance);
}

TEST_F (SplitTestTest, ASideChangeDuringARestoreOnlyChangesTheParameter)
{
    apply (settingA);
    const auto recordsBefore = describe (processor.presetParamsA) + describe (processor.presetParamsB);

    processor.loadingState.store (true);
    selectSide (1);
    processor.loadingState.store (false);

    EXPECT_EQ (valueOf (ParamIDs::splitTestingSide), 1.0f);
    EXPECT_TRUE (processor.sideAActive.load());
    EXPECT_EQ (describe (processor.presetParamsA) + describe (processor.presetParamsB), recordsBefore);
    expectSetting (settingA);
}

TEST_F (SplitTestTest, ASwitchOnAnotherThreadHappensAtOnce)
{
    apply (settingA);
    std::thread hostThread ([this]
        { selectSide (1); });
    hostThread.join();

    EXPECT_FALSE (processor.sideAActive.load());
    EXPECT_EQ (valueOf (ParamIDs::feedback), 0.5f);
}

TEST_F (SplitTestTest, ASwitchAndBackOnAnotherThreadKeepBothSettings)
{
    apply (settingA);
    std::thread hostThread ([this]
        {
        selectSide (1);
        set (ParamIDs::feedback, 0.9f);
        selectSide (0); });
    hostThread.join();
    processor.finishPendingSideSwitch();

    EXPECT_TRUE (processor.sideAActive.load());
    expectSetting (settingA);
    EXPECT_NEAR (processor.presetParamsB.feedback, 0.9f, valueTolerance);
}

namespace
{
/** Counts, per parameter index, the changes the processor announces to a host. */
struct HostRecorder : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float) override { ++changes[index]; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    std::map<int, int> changes;
};
}

TEST_F (SplitTestTest, AfterASwitchTheHostHearsOfEveryRecordParameterAgain)
{
    HostRecorder host;
    processor.addListener (&host);
    selectSide (1);
    host.changes.clear();

    processor.finishPendingSideSwitch();
    processor.removeListener (&host);

    const auto indexOf = [] (const char* parameterID)
    { return (int) (std::find (ParamIDs::all.begin(), ParamIDs::all.end(), parameterID) - ParamIDs::all.begin()); };

    EXPECT_EQ (host.changes.size(), 36u);
    EXPECT_EQ (host.changes.count (indexOf (ParamIDs::splitTestingSide)), 0u);
    EXPECT_EQ (host.changes.count (indexOf (ParamIDs::bypassAll)), 0u);
}
