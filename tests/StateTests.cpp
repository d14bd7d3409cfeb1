#include "ProcessorTestHelpers.h"

namespace
{
using Record = VantrelDelayAudioProcessor::PresetParams;

std::unique_ptr<juce::XmlElement> xmlOf (const juce::MemoryBlock& block)
{
    return juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
}

/** A state block holding only the given children ("id", "value"), like older versions wrote. */
juce::String paramsWith (std::initializer_list<std::pair<const char*, const char*>> children, const char* tag = "Params")
{
    juce::String text = "<" + juce::String (tag) + ">";

    for (const auto& [id, value] : children)
        text << "<PARAM id=\"" << id << "\" value=\"" << value << "\"/>";

    return text + "</" + tag + ">";
}
}

class StateTest : public ProcessorTest
{
protected:
    void restoreInto (const juce::MemoryBlock& block) { restore (processor, block); }
};

TEST_F (StateTest, ASaveRightAfterCreationHoldsTheRecordDefaults)
{
    const auto xml = xmlOf (saved (processor));
    ASSERT_NE (xml, nullptr);

    EXPECT_EQ (xml->getTagName(), "Params");
    EXPECT_EQ (xml->getDoubleAttribute ("preset_timeMs"), 1.0);
    EXPECT_EQ (xml->getDoubleAttribute ("preset_highCut"), 20000.0);
    EXPECT_EQ (xml->getIntAttribute ("preset_diffQuality"), 8);
    EXPECT_EQ (xml->getStringAttribute ("preset_ms"), "1");
    EXPECT_EQ (xml->getStringAttribute ("presetNameA"), "-init-");
    EXPECT_EQ (xml->getStringAttribute ("presetNameB"), "-init-");
    EXPECT_EQ (xml->getStringAttribute ("lockDryWet"), "0");
}

TEST_F (StateTest, TheExtraAttributesComeInTheirOrder)
{
    const auto xml = xmlOf (saved (processor));
    juce::StringArray names;

    for (int index = 0; index < xml->getNumAttributes(); ++index)
        names.add (xml->getAttributeName (index));

    const juce::StringArray expected { "preset_tape", "preset_diffAmt", "preset_diffSize", "preset_duck",
        "preset_duckAttack", "preset_duckRelease", "preset_feedback", "preset_modAmt", "preset_modRate",
        "preset_timeMs", "preset_dry", "preset_wet", "preset_in", "preset_out", "preset_distortion",
        "preset_lowCut", "preset_highCut", "preset_lowCutQ", "preset_highCutQ", "preset_pan", "preset_spread",
        "preset_echoOffset", "preset_frequencyShift", "preset_pitchShift", "preset_timeNrm", "preset_timeTrip",
        "preset_timeDot", "preset_mode", "preset_distFunction", "preset_diffQuality", "preset_fdbFil",
        "preset_postDist", "preset_ms", "preset_nrm", "preset_trip", "preset_dot", "preset_pipo", "preset_mono",
        "preset_midSideMode", "presetNameA", "presetNameB", "presetIdA", "presetIdB", "presetPathA",
        "presetPathB", "lockDryWet" };

    ASSERT_GE (names.size(), expected.size());
    names.removeRange (0, names.size() - expected.size());
    EXPECT_EQ (names.joinIntoString (" "), expected.joinIntoString (" "));
}

TEST_F (StateTest, ASideBSaveStoresSideAsRecordAndRestoresWithoutApplyingIt)
{
    set (ParamIDs::feedback, 0.8f);
    set (ParamIDs::splitTestingSide, 1.0f);
    set (ParamIDs::feedback, 0.2f);

    const auto block = saved (processor);
    const auto xml = xmlOf (block);
    EXPECT_NEAR (xml->getDoubleAttribute ("preset_feedback"), 0.8, 1e-6);
    EXPECT_EQ (xml->getChildByAttribute ("id", "splitTestingSide")->getDoubleAttribute ("value"), 1.0);

    VantrelDelayAudioProcessor restored;
    restore (restored, block);
    EXPECT_FALSE (restored.sideAActive.load());
    EXPECT_NEAR (restored.presetParamsA.feedback, 0.8f, 1e-6f);
    EXPECT_NEAR (valueOf (restored, ParamIDs::feedback), 0.2f, 1e-6f);
    EXPECT_EQ (valueOf (restored, ParamIDs::splitTestingSide), 1.0f);
}

TEST_F (StateTest, ABooleanChildBlockGivesTimeModeAndSide)
{
    restoreInto (blockOf (paramsWith ({ { "ms", "0" }, { "trip", "1" }, { "b", "1" } })));

    EXPECT_EQ (valueOf (ParamIDs::timeMode), 2.0f);
    EXPECT_EQ (valueOf (ParamIDs::splitTestingSide), 1.0f);
    EXPECT_FALSE (processor.sideAActive.load());
    EXPECT_FALSE (processor.loadingState.load());
}

TEST_F (StateTest, BooleanChildrenAfterATimeModeChildAreIgnored)
{
    restoreInto (blockOf (paramsWith ({ { "timeMode", "1" }, { "dot", "1" } })));

    EXPECT_EQ (valueOf (ParamIDs::timeMode), 1.0f);
}

TEST_F (StateTest, ABlockWithoutRecordAttributesGivesTheReadingDefaults)
{
    processor.presetParamsB.feedback = 0.9f;
    restoreInto (blockOf (paramsWith ({ { "feedback", "0.3" } })));

    Record expected;
    expected.timeMs = 0.5f;
    EXPECT_EQ (describe (processor.presetParamsB), describe (expected));
    EXPECT_TRUE (processor.presetParamsB.ms);
    EXPECT_NEAR (valueOf (ParamIDs::feedback), 0.3f, 1e-6f);
}

TEST_F (StateTest, AMissingParameterChildResetsThatParameter)
{
    set (ParamIDs::feedback, 0.9f);
    restoreInto (blockOf (paramsWith ({ { "tape", "0.5" } })));

    EXPECT_EQ (valueOf (ParamIDs::feedback), 0.5f);
}

TEST_F (StateTest, ALowerCaseRootIsAccepted)
{
    restoreInto (blockOf (paramsWith ({ { "feedback", "0.25" } }, "params")));

    EXPECT_NEAR (valueOf (ParamIDs::feedback), 0.25f, 1e-6f);
    EXPECT_EQ (xmlOf (saved (processor))->getTagName(), "Params");
}

TEST_F (StateTest, RejectedBlocksChangeNothing)
{
    set (ParamIDs::feedback, 0.7f);
    set (ParamIDs::splitTestingSide, 1.0f);
    processor.presetNameA = "Kept";
    processor.lockDryWet = true;
    const auto before = describeEverything (processor);

    const auto valid = blockOf (paramsWith ({ { "feedback", "0.1" } }));
    const auto withHeader = [&valid] (juce::uint32 magic, juce::uint32 length)
    {
        auto block = valid;
        std::memcpy (block.getData(), &magic, sizeof (magic));
        std::memcpy (static_cast<char*> (block.getData()) + 4, &length, sizeof (length));
        return block;
    };

    const std::vector<std::pair<const char*, juce::MemoryBlock>> rejected {
        { "eight bytes", juce::MemoryBlock (valid.getData(), 8) },
        { "wrong magic", withHeader (0x21324357, (juce::uint32) valid.getSize() - 9) },
        { "zero length", withHeader (0x21324356, 0) },
        { "negative length", withHeader (0x21324356, 0x80000000u) },
        { "text that does not parse", rawBlockOf ("<Params><PARAM id=\"feedback\" value=\"0.1\"") },
        { "another root", blockOf (paramsWith ({ { "feedback", "0.1" } }, "State")) },
        { "empty", juce::MemoryBlock() },
    };

    for (const auto& [name, block] : rejected)
    {
        restoreInto (block);
        EXPECT_EQ (describeEverything (processor), before) << name;
        EXPECT_FALSE (processor.loadingState.load()) << name;
    }
}

TEST_F (StateTest, AnOversizedLengthReadsTheTextThatIsThere)
{
    auto block = blockOf (paramsWith ({ { "feedback", "0.1" } }));
    const juce::uint32 hugeLength = 0x7fffffff;
    std::memcpy (static_cast<char*> (block.getData()) + 4, &hugeLength, sizeof (hugeLength));

    restoreInto (block);
    EXPECT_NEAR (valueOf (ParamIDs::feedback), 0.1f, 1e-6f);
}

TEST_F (StateTest, NumbersThatAreNotFiniteReadAsZeroThenClamped)
{
    juce::XmlElement xml ("Params");
    const std::vector<std::pair<const char*, const char*>> children {
        { ParamIDs::feedback, "nan" },
        { ParamIDs::lowCut, "inf" },
        { ParamIDs::highCut, "-inf" },
        { ParamIDs::timeMs, "1e99" },
        { ParamIDs::pan, "-7" },
        { ParamIDs::splitTestingSide, "nan" },
        { ParamIDs::timeMode, "inf" },
    };

    for (const auto& [id, value] : children)
    {
        auto* child = xml.createNewChildElement ("PARAM");
        child->setAttribute ("id", id);
        child->setAttribute ("value", value);
    }

    xml.setAttribute ("preset_feedback", "nan");
    xml.setAttribute ("preset_lowCut", "-inf");
    xml.setAttribute ("preset_highCut", "123456");
    xml.setAttribute ("preset_mode", "99");
    restoreInto (blockOf (xml));

    EXPECT_EQ (valueOf (ParamIDs::feedback), 0.0f);
    EXPECT_EQ (valueOf (ParamIDs::lowCut), 20.0f);
    EXPECT_EQ (valueOf (ParamIDs::highCut), 20.0f);
    EXPECT_EQ (valueOf (ParamIDs::timeMs), 0.0f);
    EXPECT_EQ (valueOf (ParamIDs::pan), -1.0f);
    EXPECT_EQ (valueOf (ParamIDs::timeMode), 0.0f);
    EXPECT_TRUE (processor.sideAActive.load());
    EXPECT_EQ (processor.presetParamsB.feedback, 0.0f);
    EXPECT_EQ (processor.presetParamsB.lowCut, 20.0f);
    EXPECT_EQ (processor.presetParamsB.highCut, 20000.0f);
    EXPECT_EQ (processor.presetParamsB.mode, 7);

    for (const auto* parameterID : ParamIDs::all)
        EXPECT_TRUE (std::isfinite (valueOf (parameterID))) << parameterID;
}

TEST_F (StateTest, TheLiveSideAlwaysAgreesWithTheSideParameter)
{
    for (const auto* storedSide : { "0.4", "0.7", "-3", "12" })
    {
        restoreInto (blockOf (paramsWith ({ { "splitTestingSide", storedSide } })));
        EXPECT_EQ (processor.sideAActive.load(), valueOf (ParamIDs::splitTestingSide) == 0.0f) << storedSide;
    }
}

TEST_F (StateTest, ThousandsOfUnknownChildrenAreFine)
{
    juce::XmlElement xml ("Params");

    for (int index = 0; index < 5000; ++index)
        xml.createNewChildElement ("Unknown" + juce::String (index % 7))->setAttribute ("value", index);

    auto* feedback = xml.createNewChildElement ("PARAM");
    feedback->setAttribute ("id", ParamIDs::feedback);
    feedback->setAttribute ("value", 0.125);
    restoreInto (blockOf (xml));

    EXPECT_EQ (valueOf (ParamIDs::feedback), 0.125f);
    EXPECT_NE (xmlOf (saved (processor)), nullptr);
}

TEST_F (StateTest, EverythingSurvivesSaveNewInstanceRestore)
{
    // Side A: every parameter away from its default; side B live with other values.
    for (const auto* parameterID : ParamIDs::all)
    {
        auto* parameter = processor.parameters.getParameter (parameterID);
        if (juce::String (parameterID) != ParamIDs::splitTestingSide)
            parameter->setValueNotifyingHost (parameter->getDefaultValue() > 0.5f ? 0.3f : 0.7f);
    }

    set (ParamIDs::splitTestingSide, 1.0f);

    for (const auto* parameterID : ParamIDs::all)
    {
        auto* parameter = processor.parameters.getParameter (parameterID);
        if (juce::String (parameterID) != ParamIDs::splitTestingSide)
            parameter->setValueNotifyingHost (parameter->getDefaultValue() > 0.5f ? 0.1f : 0.9f);
    }

    processor.presetNameA = "Tape Wash";
    processor.presetNameB = "Ping <&> \"Pong\"";
    processor.presetIdA = 7;
    processor.presetIdB = 12;
    processor.presetPathA = "/presets/Factory/Tape Wash.cvpreset";
    processor.presetPathB = "/home/someone/Ünïcode/Ping.cvpreset";
    processor.lockDryWet = true;

    VantrelDelayAudioProcessor restored;
    restore (restored, saved (processor));
    expectSameSettings (restored, processor);

    // The stored side A comes back live, with B's values in the record.
    restored.setParamValue (ParamIDs::splitTestingSide, 0.0f);
    processor.setParamValue (ParamIDs::splitTestingSide, 0.0f);
    expectSameSettings (restored, processor);
}

TEST_F (StateTest, DeeplyNestedTextIsRejectedWithoutExhaustingTheStack)
{
    constexpr int depth = 200000;
    const auto text = "<Params><PARAM id=\"feedback\" value=\"0.1\"/>" + juce::String::repeatedString ("<a>", depth)
        + juce::String::repeatedString ("</a>", depth) + "</Params>";

    const auto before = describeEverything (processor);
    restoreInto (rawBlockOf (text));
    EXPECT_EQ (describeEverything (processor), before);
}

TEST_F (StateTest, NestingHiddenInCommentsStillCounts)
{
    juce::String text = "<Params><PARAM id=\"feedback\" value=\"0.1\"/>";

    for (int level = 0; level < 100; ++level)
        text << "<a><!-- </a> --><b x=\"/>\"/>";

    const auto before = describeEverything (processor);
    restoreInto (rawBlockOf (text + "</Params>"));
    EXPECT_EQ (describeEverything (processor), before);
}

TEST_F (StateTest, RepeatedAttributesReadTheFirstAndSaveItBack)
{
    restoreInto (rawBlockOf ("<Params><PARAM id=\"tape\" value=\"0.25\" id=\"feedback\" value=\"nan\"/></Params>"));

    EXPECT_EQ (valueOf (ParamIDs::tape), 0.25f);
    EXPECT_EQ (valueOf (ParamIDs::feedback), 0.5f);

    VantrelDelayAudioProcessor restored;
    restore (restored, saved (processor));
    EXPECT_EQ (valueOf (restored, ParamIDs::tape), 0.25f);
}
