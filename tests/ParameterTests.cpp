#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
struct ParameterRow
{
    const char* id;
    const char* name;
    float start, end, defaultValue;
    const char* defaultText;
};

// The published parameter set in creation order; an empty default text is not checked.
const ParameterRow parameterTable[] = {
    { "tape", "Tape", 0, 1, 0, "0%" },
    { "diffAmt", "Diffusion Amount", 0, 1, 0, "0%" },
    { "diffSize", "Diffusion Size", 0, 1, 0, "0%" },
    { "duck", "Duck", 0, 1, 0, "0%" },
    { "duckAttack", "Duck Attack", 0, 1, 0.5f, "100 ms" },
    { "duckRelease", "Duck Release", 0, 1, 0.5f, "100 ms" },
    { "feedback", "Feedback", 0, 1, 0.5f, "50%" },
    { "modAmt", "Modulation Amount", 0, 1, 0, "0%" },
    { "modRate", "Modulation Rate", 0, 1, 0, "0.0 Hz" },
    { "timeMs", "Time Ms", 0, 1, 1, "1000 ms" },
    { "dry", "Dry", 0, 1, 1, "100%" },
    { "wet", "Wet", 0, 1, 1, "100%" },
    { "distortion", "Distortion", 0, 1, 0, "0%" },
    { "lowCut", "Low Cut", 20, 20000, 20, "20 Hz" },
    { "highCut", "High Cut", 20, 20000, 20000, "20 kHz" },
    { "spread", "Spread", -1, 1, 0, "0 ms" },
    { "echoOffset", "Echo Offset", 0, 1, 0, "0%" },
    { "frequencyShift", "Frequency Shift", -1, 1, 0, "+0 Hz" },
    { "lowCutQ", "Low Cut Resonance", 0, 1, 0, "0.7" },
    { "highCutQ", "High Cut Resonance", 0, 1, 0, "0.7" },
    { "in", "In", -1, 1, 0, "+0.0 dB" },
    { "out", "Out", -1, 1, 0, "+0.0 dB" },
    { "pan", "Pan", -1, 1, 0, "+0%" },
    { "timeNrm", "Time Sync Normal", 0, 4, 0, "1/1" },
    { "timeTrip", "Time Sync Triplet", 0, 4, 0, "1/1t" },
    { "timeDot", "Time Sync Dotted", 0, 4, 0, "1/1." },
    { "mode", "Mode", 1, 7, 1, "Normal" },
    { "distFunction", "Distortion Function", 1, 15, 1, "Saturation" },
    { "diffQuality", "Diffusion Quality", 1, 8, 8, "8" },
    { "pitchShift", "Pitch Shift", -12, 12, 0, "0 Semi" },
    { "fdbFil", "Feedback Filter", 0, 1, 0, "Off" },
    { "postDist", "Post Distortion", 0, 1, 0, "Off" },
    { "timeMode", "Time Mode", 0, 3, 0, "ms" },
    { "pipo", "PiPo", 0, 1, 0, "Off" },
    { "mono", "Mono", 0, 1, 0, "Off" },
    { "splitTestingSide", "Split Testing Side", 0, 1, 0, "A" },
    { "midSideMode", "Mid/Side Mode", 0, 1, 0, "Off" },
    { "bypassAll", "Bypass All", 0, 1, 0, "Off" },
};

class ParameterSet : public ::testing::Test
{
protected:
    juce::RangedAudioParameter& parameter (const char* id)
    {
        auto* found = processor.parameters.getParameter (id);
        EXPECT_NE (found, nullptr) << id;
        return *found;
    }

    VantrelDelayAudioProcessor processor;
};
}

TEST_F (ParameterSet, PublishesTheTableInOrderWithRangesDefaultsAndTexts)
{
    const auto& published = processor.getParameters();
    ASSERT_EQ (published.size(), (int) std::size (parameterTable));
    ASSERT_EQ (ParamIDs::all.size(), std::size (parameterTable));

    for (size_t i = 0; i < std::size (parameterTable); ++i)
    {
        const auto& row = parameterTable[i];
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (published[(int) i]);
        ASSERT_NE (ranged, nullptr) << row.id;
        SCOPED_TRACE (row.id);

        EXPECT_EQ (ranged->getParameterID(), row.id);
        EXPECT_STREQ (ParamIDs::all[i], row.id);
        EXPECT_EQ (ranged->getName (100), row.name);
        EXPECT_EQ (ranged->getVersionHint(), 0);
        EXPECT_TRUE (ranged->isMetaParameter());
        EXPECT_TRUE (ranged->isAutomatable());
        EXPECT_EQ (ranged->getLabel(), "");
        EXPECT_EQ (ranged->getNormalisableRange().start, row.start);
        EXPECT_EQ (ranged->getNormalisableRange().end, row.end);
        EXPECT_FLOAT_EQ (ranged->convertFrom0to1 (ranged->getDefaultValue()), row.defaultValue);
        EXPECT_FLOAT_EQ (processor.parameters.getRawParameterValue (row.id)->load(), row.defaultValue);
        EXPECT_EQ (ranged->getCurrentValueAsText(), row.defaultText);
    }
}

TEST_F (ParameterSet, RangesHaveTheirIntervalsAndMappings)
{
    EXPECT_FLOAT_EQ (parameter ("feedback").getNormalisableRange().interval, 0.000001f);
    EXPECT_FLOAT_EQ (parameter ("in").getNormalisableRange().interval, 0.000001f);
    EXPECT_FLOAT_EQ (parameter ("spread").getNormalisableRange().interval, 0.01f);

    // The frequency range is logarithmic: the middle of the knob is 20 x 1000^0.5 Hz.
    auto& lowCut = parameter ("lowCut");
    EXPECT_NEAR (lowCut.convertFrom0to1 (0.5f), 632.456f, 0.01f);
    EXPECT_NEAR (lowCut.convertTo0to1 (1000.0f), std::log (50.0f) / std::log (1000.0f), 1e-6f);
}

TEST_F (ParameterSet, SpreadTextFollowsPingPongWithoutChangingItsValue)
{
    auto& spread = parameter ("spread");
    spread.setValueNotifyingHost (0.25f);
    EXPECT_EQ (spread.getCurrentValueAsText(), "-5 ms");

    parameter ("pipo").setValueNotifyingHost (1.0f);
    EXPECT_EQ (spread.getCurrentValueAsText(), "-50%");
    EXPECT_FLOAT_EQ (spread.getValue(), 0.25f);
}

namespace
{
struct TextToValueRow
{
    const char* id;
    const char* typed;
    float expectedNormalised;
};

struct ValueToTextRow
{
    const char* id;
    float normalised;
    const char* expectedText;
};
}

TEST_F (ParameterSet, TypedTextsGiveTheirValues)
{
    const float thousandHertz = std::log (50.0f) / std::log (1000.0f);

    const TextToValueRow rows[] = {
        { "duckAttack", "150 ms", 0.75f },
        { "duckAttack", "300", 1.0f },
        { "duckAttack", "abc", 0.0f },
        { "lowCut", "1k", thousandHertz },
        { "lowCut", "1 kHz", thousandHertz },
        { "lowCut", "1000hz", thousandHertz },
        { "lowCut", "5", 0.0f },
        { "feedback", "150%", 1.0f },
        { "feedback", "-5", 0.0f },
        { "feedback", " 42 % ", 0.42f },
        { "mode", "rev chaos", 4.0f / 6.0f },
        { "mode", "REVCHAOS", 4.0f / 6.0f },
        { "mode", "reverse", 0.0f },
        { "pitchShift", "+7 semitones", 19.0f / 24.0f },
        { "pitchShift", "-30", 0.0f },
        { "spread", "5 ms", 0.75f },
        { "timeMs", "200", 0.5f },
        { "timeMs", "2000", 1.0f },
        { "in", "-12 dB", 0.25f },
        { "frequencyShift", "+250 Hz", 0.75f },
        { "lowCutQ", "20", 1.0f },
        { "timeMode", "Trip", 2.0f / 3.0f },
        { "splitTestingSide", "b", 1.0f },
        { "fdbFil", "on", 1.0f },
        { "diffQuality", "3", 2.0f / 7.0f },
    };

    for (const auto& row : rows)
        EXPECT_NEAR (parameter (row.id).getValueForText (row.typed), row.expectedNormalised, 1e-5f)
            << row.id << " typed \"" << row.typed << "\"";
}

TEST_F (ParameterSet, ValuesShowTheirTexts)
{
    const ValueToTextRow rows[] = {
        { "feedback", 0.004f, "0%" },
        { "feedback", 0.006f, "1%" },
        { "duckAttack", 0.5f, "100 ms" },
        { "lowCutQ", 0.0f, "0.7" },
        { "lowCutQ", 1.0f, "20.0" },
        { "modRate", 0.5f, "5.0 Hz" },
        { "in", 0.0f, "-24.0 dB" },
        { "in", 0.5f - 0.04f / 48.0f, "-0.0 dB" },
        { "pan", 1.0f, "+100%" },
        { "timeMs", 0.5f, "200 ms" },
        { "lowCut", 0.5f, "632 Hz" },
        { "highCut", 1.0f, "20 kHz" },
        { "mode", 1.0f / 6.0f, "Rev Forw" },
        { "distFunction", 1.0f, "Fresh" },
        { "timeDot", 1.0f, "1/16." },
        { "pitchShift", 0.0f, "-12 Semi" },
        { "pitchShift", 1.0f, "12 Semi" },
        { "splitTestingSide", 1.0f, "B" },
        { "mono", 1.0f, "On" },
    };

    for (const auto& row : rows)
        EXPECT_EQ (parameter (row.id).getText (row.normalised, 100), row.expectedText)
            << row.id << " at " << row.normalised;
}

TEST (GenericRangeFormatting, FollowsTheRoundingPaddingSignAndUnitRules)
{
    using Options = CV::ParamTypes::GenericRange::Options;
    const juce::NormalisableRange<float> range (-1000000.0f, 10000000.0f);

    struct Row
    {
        Options options;
        float value;
        const char* expected;
    };

    const Row rows[] = {
        { { 1, true, true, " dB", {}, {} }, -0.04f, "-0.0 dB" },
        { { 1, false, false, {}, {}, {} }, 5.0f, "5.0" },
        { { 2, false, false, {}, {}, {} }, 5.2f, "5.2" },
        { { 0, false, false, {}, {}, {} }, 200.0f, "200" },
        { { 1, false, false, {}, {}, {} }, 12.3f, "12.3" },
        { { 0, false, false, {}, {}, {} }, 1234567.0f, "1.23457e+06" },
        { { 0, true, true, " Hz", {}, {} }, 0.0f, "+0 Hz" },
        { { 0, true, false, " ms", "off", "max" }, 0.0f, "off" },
    };

    for (const auto& row : rows)
    {
        CV::ParamTypes::GenericRange parameter ({ "p", 0 }, "P", range, 0.0f, row.options);
        const float normalised = row.options.minText.isNotEmpty() ? 0.0f : 0.5f;
        EXPECT_EQ (parameter.formatValueToString (row.value, normalised), row.expected) << row.value;
    }
}

TEST (GenericRangeFormatting, EndTextsAreTypedBack)
{
    CV::ParamTypes::LinearRange parameter ({ "p", 0 }, "P", { 0.0f, 1.0f }, 0.5f, { 0, true, false, " ms", "off", "max" }, 0.0f, 200.0f);
    EXPECT_EQ (parameter.getText (0.0f, 100), "off");
    EXPECT_EQ (parameter.getText (1.0f, 100), "max");
    EXPECT_EQ (parameter.getValueForText ("  OFF "), 0.0f);
    EXPECT_EQ (parameter.getValueForText ("Max"), 1.0f);
    EXPECT_EQ (parameter.getValueForText ("100"), 0.5f);
}
