#pragma once

#include "PluginProcessor.h"
#include "PresetParamsFields.h"

#include <gtest/gtest.h>

/** A processor with the framework initialised, so this thread is the message thread. */
class ProcessorTest : public ::testing::Test
{
protected:
    float valueOf (const char* parameterID) { return valueOf (processor, parameterID); }

    static float valueOf (VantrelDelayAudioProcessor& target, const char* parameterID)
    {
        return target.parameters.getRawParameterValue (parameterID)->load();
    }

    void set (const char* parameterID, float value) { processor.setParamValue (parameterID, value); }

    static juce::MemoryBlock saved (VantrelDelayAudioProcessor& source)
    {
        juce::MemoryBlock block;
        source.getStateInformation (block);
        return block;
    }

    static void restore (VantrelDelayAudioProcessor& target, const juce::MemoryBlock& block)
    {
        target.setStateInformation (block.getData(), (int) block.getSize());
    }

    static juce::MemoryBlock blockOf (const juce::XmlElement& xml)
    {
        juce::MemoryBlock block;
        juce::AudioProcessor::copyXmlToBinary (xml, block);
        return block;
    }

    static juce::MemoryBlock blockOf (const juce::String& xmlText)
    {
        return blockOf (*juce::parseXML (xmlText));
    }

    /** A block in the framework's container around any text, well-formed or not. */
    static juce::MemoryBlock rawBlockOf (const juce::String& text)
    {
        constexpr juce::uint32 magic = 0x21324356; // "VC2!"
        const auto length = (juce::uint32) text.getNumBytesAsUTF8();
        juce::MemoryBlock block;
        block.append (&magic, sizeof (magic));
        block.append (&length, sizeof (length));
        block.append (text.toRawUTF8(), length + 1);
        return block;
    }

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    VantrelDelayAudioProcessor processor;
};

/** Enough decimals to tell apart any two parameter values that differ. */
inline constexpr int exactDecimals = 9;

/** Every field of a record as text, so that records compare with a readable difference. */
inline juce::String describe (const VantrelDelayAudioProcessor::PresetParams& record)
{
    using namespace PresetParamsFields;
    juce::StringArray fields;

    for (const auto& field : floats)
        fields.add (juce::String (field.id) + "=" + juce::String (record.*field.member, exactDecimals));

    for (const auto& field : ints)
        fields.add (juce::String (field.id) + "=" + juce::String (record.*field.member));

    const auto addSwitches = [&fields, &record] (const auto& switches)
    {
        for (const auto& field : switches)
            fields.add (juce::String (field.id) + "=" + (record.*field.member ? "1" : "0"));
    };

    addSwitches (switchesBeforeTimeMode);
    addSwitches (timeModeFlags);
    addSwitches (switchesAfterTimeMode);
    return fields.joinIntoString (" ");
}

/** Everything a state call may change: the 38 parameters, the live side, both records and the
    preset bookkeeping. */
inline juce::String describeEverything (VantrelDelayAudioProcessor& processor)
{
    juce::StringArray parts;

    for (const auto* parameterID : ParamIDs::all)
        parts.add (juce::String (parameterID) + "=" + juce::String (processor.parameters.getRawParameterValue (parameterID)->load(), exactDecimals));

    parts.add ("sideAActive=" + juce::String ((int) processor.sideAActive.load()));
    parts.add ("A[" + describe (processor.presetParamsA) + "]");
    parts.add ("B[" + describe (processor.presetParamsB) + "]");
    parts.add (processor.presetNameA + "|" + processor.presetNameB + "|" + juce::String (processor.presetIdA) + "|"
        + juce::String (processor.presetIdB) + "|" + processor.presetPathA + "|" + processor.presetPathB + "|"
        + juce::String ((int) processor.lockDryWet));
    return parts.joinIntoString ("\n");
}

/** Expects two processors to hold the same settings, parameter values up to the rounding of
    their normalisation. */
inline void expectSameSettings (VantrelDelayAudioProcessor& actual, VantrelDelayAudioProcessor& expected)
{
    constexpr float relativeTolerance = 1.0e-5f;
    const auto expectNear = [] (float a, float b, const juce::String& what)
    { EXPECT_NEAR (a, b, relativeTolerance * std::max (1.0f, std::abs (b))) << what; };

    for (const auto* parameterID : ParamIDs::all)
        expectNear (actual.parameters.getRawParameterValue (parameterID)->load(),
            expected.parameters.getRawParameterValue (parameterID)->load(),
            parameterID);

    using namespace PresetParamsFields;

    for (const auto* side : { "A", "B" })
    {
        const bool isA = juce::String (side) == "A";
        const auto& actualRecord = isA ? actual.presetParamsA : actual.presetParamsB;
        const auto& expectedRecord = isA ? expected.presetParamsA : expected.presetParamsB;

        for (const auto& field : floats)
            expectNear (actualRecord.*field.member, expectedRecord.*field.member, side + juce::String (field.id));

        auto withoutFloats = [] (VantrelDelayAudioProcessor::PresetParams record)
        {
            for (const auto& field : floats)
                record.*field.member = 0.0f;

            return describe (record);
        };

        EXPECT_EQ (withoutFloats (actualRecord), withoutFloats (expectedRecord)) << side;
    }

    EXPECT_EQ (actual.sideAActive.load(), expected.sideAActive.load());
    EXPECT_EQ (actual.presetNameA, expected.presetNameA);
    EXPECT_EQ (actual.presetNameB, expected.presetNameB);
    EXPECT_EQ (actual.presetIdA, expected.presetIdA);
    EXPECT_EQ (actual.presetIdB, expected.presetIdB);
    EXPECT_EQ (actual.presetPathA, expected.presetPathA);
    EXPECT_EQ (actual.presetPathB, expected.presetPathB);
    EXPECT_EQ (actual.lockDryWet, expected.lockDryWet);
}
