#include "DemoPhrase.h"
#include "OfflineRender.h"
#include "PluginProcessor.h"
#include "ProcessorPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace
{
/** -60 dBFS RMS: far below any echo a preset is made for, far above rounding noise. */
constexpr double audibleRms = 0.001;

/** Enough ring-out for the echoes of the longest delay time to be heard. */
constexpr double tailSeconds = 1.5;

double rms (const juce::AudioBuffer<float>& buffer, int startSample = 0)
{
    double sum = 0.0;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int sample = startSample; sample < buffer.getNumSamples(); ++sample)
            sum += (double) buffer.getSample (channel, sample) * buffer.getSample (channel, sample);

    return std::sqrt (sum / (double) juce::jmax (1, buffer.getNumChannels() * (buffer.getNumSamples() - startSample)));
}

bool allFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int sample = 0; sample < buffer.getNumSamples(); ++sample)
            if (!std::isfinite (buffer.getSample (channel, sample)))
                return false;

    return true;
}
}

TEST (FactoryPresets, EveryPresetTurnsTheDemoPhraseIntoFiniteAudibleEchoes)
{
    // Loading through the library creates the presets root: keep it out of the real home folder.
    const auto dataHome = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("quello-factory-render", {}, false);
    setenv ("XDG_DATA_HOME", dataHome.getFullPathName().toRawUTF8(), 1);

    const auto files = juce::File (QUELLO_SOURCE_DIR).getChildFile ("presets").findChildFiles (juce::File::findFiles, true, "*.cvpreset");
    ASSERT_FALSE (files.isEmpty());

    const auto dry = DemoPhrase::generate();
    RenderSettings settings;
    settings.tailSeconds = tailSeconds;

    for (const auto& file : files)
    {
        SCOPED_TRACE (file.getParentDirectory().getFileName() + "/" + file.getFileName());
        VantrelDelayAudioProcessor processor;
        ASSERT_TRUE (ProcessorPresets::createLiveSideLibrary (processor)->loadPresetFile (file));

        juce::AudioBuffer<float> output;
        ASSERT_TRUE (renderBuffer (processor, dry, DemoPhrase::defaultSampleRate, settings, output).wasOk());
        ASSERT_TRUE (allFinite (output));
        EXPECT_GT (rms (output), audibleRms);

        juce::AudioBuffer<float> difference (output);

        for (int channel = 0; channel < dry.getNumChannels(); ++channel)
            difference.addFrom (channel, 0, dry, channel, 0, dry.getNumSamples(), -1.0f);

        // The first block is left out: the reset a preset load requests acts on it.
        EXPECT_GT (rms (difference, settings.blockSize), audibleRms);
    }

    dataHome.deleteRecursively();
}
