#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
using Layout = juce::AudioProcessor::BusesLayout;

Layout layoutOf (const juce::AudioChannelSet& input, const juce::AudioChannelSet& output)
{
    Layout layout;
    layout.inputBuses.add (input);
    layout.outputBuses.add (output);
    return layout;
}
}

TEST (ProcessorShell, AnswersTheHostsFixedQuestions)
{
    VantrelDelayAudioProcessor processor;

    EXPECT_EQ (processor.getName(), "Quello");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_EQ (processor.getBypassParameter(), nullptr);
    EXPECT_EQ (processor.getLatencySamples(), 0);

    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}

TEST (ProcessorShell, ProgramCallsChangeNothing)
{
    VantrelDelayAudioProcessor processor;

    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);

    processor.setCurrentProgram (3);
    processor.changeProgramName (0, "Renamed");

    EXPECT_EQ (processor.getCurrentProgram(), 0);
    for (int index : { -1, 0, 1, 7 })
        EXPECT_EQ (processor.getProgramName (index), "");
}

TEST (ProcessorShell, AcceptsOnlyMatchingMonoOrStereoLayouts)
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto surround = juce::AudioChannelSet::create5point1();

    struct Row
    {
        juce::AudioChannelSet input, output;
        bool supported;
    };

    const Row rows[] = {
        { stereo, stereo, true },
        { mono, mono, true },
        { stereo, mono, false },
        { mono, stereo, false },
        { surround, surround, false },
        { stereo, surround, false },
    };

    VantrelDelayAudioProcessor processor;

    for (const auto& row : rows)
        EXPECT_EQ (processor.isBusesLayoutSupported (layoutOf (row.input, row.output)), row.supported)
            << row.input.getDescription() << " -> " << row.output.getDescription();
}

TEST (ProcessorShell, OnlyModeAndSideChangesReachTheListener)
{
    VantrelDelayAudioProcessor processor;

    for (const auto* id : ParamIDs::all)
    {
        const juce::String parameterID (id);

        if (parameterID == ParamIDs::mode || parameterID == ParamIDs::splitTestingSide)
            continue;

        auto* parameter = processor.parameters.getParameter (parameterID);
        parameter->setValueNotifyingHost (parameter->getValue() > 0.5f ? 0.0f : 1.0f);
        EXPECT_FALSE (processor.uiRefreshRequest.load()) << id;
    }

    processor.setParamValue (ParamIDs::mode, 4.0f);
    EXPECT_TRUE (processor.uiRefreshRequest.exchange (false));
}

TEST (ProcessorShell, SetParamValueTakesOwnUnitsAndClamps)
{
    VantrelDelayAudioProcessor processor;
    auto raw = [&] (const char* id)
    { return processor.parameters.getRawParameterValue (id)->load(); };

    processor.setParamValue (ParamIDs::lowCut, 1000.0f);
    processor.setParamValue (ParamIDs::pitchShift, -7.0f);
    processor.setParamValue (ParamIDs::in, 5.0f);
    processor.setParamValue (ParamIDs::mode, 0.0f);
    processor.setParamValue ("noSuchParameter", 1.0f);

    EXPECT_NEAR (raw (ParamIDs::lowCut), 1000.0f, 0.01f);
    EXPECT_EQ (raw (ParamIDs::pitchShift), -7.0f);
    EXPECT_EQ (raw (ParamIDs::in), 1.0f);
    EXPECT_EQ (raw (ParamIDs::mode), 1.0f);
}

TEST (ProcessorShell, NothingHappensBeforePrepareToPlay)
{
    VantrelDelayAudioProcessor processor;
    juce::AudioBuffer<float> buffer (2, 64);
    juce::MidiBuffer midi;

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (channel, i, 0.25f * (float) (channel + 1));

    processor.resetRequest.store (true);
    processor.processBlock (buffer, midi);

    EXPECT_FALSE (processor.prepared.load());
    EXPECT_TRUE (processor.resetRequest.load());
    EXPECT_EQ (buffer.getSample (0, 10), 0.25f);
    EXPECT_EQ (buffer.getSample (1, 63), 0.5f);

    processor.prepareToPlay (48000.0, 64);
    EXPECT_TRUE (processor.prepared.load());
}
