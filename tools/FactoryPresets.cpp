// Writes Quello's factory preset bank through the plug-in's own preset code, so the files in
// presets/ are always exactly in the current format. Usage: quello-factory-presets <folder>
// (run it on purpose and commit the result; `make demo` installs the committed files).

#include "PluginProcessor.h"
#include "ProcessorPresets.h"

#include <iostream>

namespace
{
struct Setting
{
    const char* id;
    const char* text; // as the parameter itself shows it, read back through its own text rule
};

struct FactoryPreset
{
    const char* category;
    const char* name;
    std::vector<Setting> settings; // applied in order: `pipo` before `spread`, whose text depends on it
};

const std::vector<FactoryPreset>& factoryBank()
{
    static const std::vector<FactoryPreset> bank {
        // Tempo-locked echoes for parts that must sit in the groove.
        { "Rhythmic", "Dotted Eighth Lead", { { "timeMode", "dot" }, { "timeDot", "1/8." }, { "feedback", "42%" }, { "wet", "45%" }, { "lowCut", "150 Hz" }, { "highCut", "6 kHz" }, { "fdbFil", "On" } } },
        { "Rhythmic", "Quarter Ping-Pong", { { "timeMode", "nrm" }, { "timeNrm", "1/4" }, { "pipo", "On" }, { "spread", "100%" }, { "feedback", "50%" }, { "wet", "40%" }, { "highCut", "8 kHz" } } },
        { "Rhythmic", "Triplet Bounce", { { "timeMode", "trip" }, { "timeTrip", "1/8t" }, { "pipo", "On" }, { "spread", "70%" }, { "feedback", "38%" }, { "wet", "40%" }, { "lowCut", "200 Hz" } } },
        { "Rhythmic", "Sixteenth Stutter", { { "timeMode", "nrm" }, { "timeNrm", "1/16" }, { "feedback", "62%" }, { "wet", "35%" }, { "highCut", "5 kHz" }, { "fdbFil", "On" } } },
        { "Rhythmic", "Half Note Wash", { { "timeMode", "nrm" }, { "timeNrm", "1/2" }, { "feedback", "55%" }, { "diffAmt", "40%" }, { "diffSize", "50%" }, { "wet", "35%" }, { "highCut", "4.5 kHz" }, { "fdbFil", "On" } } },

        // Long, smeared tails for pads and sparse parts.
        { "Ambient", "Endless Cloud", { { "timeMs", "650 ms" }, { "feedback", "85%" }, { "diffAmt", "80%" }, { "diffSize", "80%" }, { "modAmt", "20%" }, { "modRate", "0.3 Hz" }, { "lowCut", "200 Hz" }, { "highCut", "7 kHz" }, { "fdbFil", "On" }, { "dry", "90%" }, { "wet", "60%" } } },
        { "Ambient", "Frozen Lake", { { "timeMs", "1000 ms" }, { "feedback", "92%" }, { "diffAmt", "100%" }, { "diffSize", "100%" }, { "tape", "20%" }, { "highCut", "4 kHz" }, { "fdbFil", "On" }, { "wet", "50%" } } },
        { "Ambient", "Wide Haze", { { "timeMs", "300 ms" }, { "spread", "6 ms" }, { "diffAmt", "50%" }, { "diffSize", "40%" }, { "modAmt", "30%" }, { "modRate", "0.8 Hz" }, { "feedback", "60%" }, { "wet", "50%" } } },
        { "Ambient", "Shimmer Octave", { { "mode", "Pitch" }, { "pitchShift", "12 Semi" }, { "timeMs", "400 ms" }, { "feedback", "65%" }, { "diffAmt", "60%" }, { "diffSize", "70%" }, { "highCut", "9 kHz" }, { "fdbFil", "On" }, { "wet", "45%" } } },

        // Worn machines: wow and flutter, dark repeats, distortion in the loop.
        { "Tape & Lo-Fi", "Worn Cassette", { { "tape", "70%" }, { "timeMs", "350 ms" }, { "feedback", "55%" }, { "lowCut", "250 Hz" }, { "highCut", "3.5 kHz" }, { "fdbFil", "On" }, { "distortion", "30%" }, { "distFunction", "Tube" }, { "wet", "50%" } } },
        { "Tape & Lo-Fi", "Broken Radio", { { "timeMs", "250 ms" }, { "feedback", "50%" }, { "distortion", "60%" }, { "distFunction", "Pixelated" }, { "lowCut", "500 Hz" }, { "highCut", "2.5 kHz" }, { "lowCutQ", "4.0" }, { "highCutQ", "4.0" }, { "mono", "On" }, { "wet", "60%" } } },
        { "Tape & Lo-Fi", "Crackle Dub", { { "timeMode", "dot" }, { "timeDot", "1/4." }, { "feedback", "75%" }, { "distortion", "45%" }, { "distFunction", "Crackly" }, { "postDist", "On" }, { "lowCut", "300 Hz" }, { "highCut", "2.5 kHz" }, { "highCutQ", "6.0" }, { "fdbFil", "On" }, { "wet", "55%" } } },
        { "Tape & Lo-Fi", "Wobbly VHS", { { "tape", "100%" }, { "modAmt", "35%" }, { "modRate", "4.5 Hz" }, { "timeMs", "180 ms" }, { "feedback", "40%" }, { "highCut", "5 kHz" }, { "diffQuality", "2" }, { "diffAmt", "30%" }, { "wet", "50%" } } },
        { "Tape & Lo-Fi", "Overdriven Echo", { { "in", "+6.0 dB" }, { "distortion", "55%" }, { "distFunction", "Amp" }, { "out", "-6.0 dB" }, { "timeMode", "nrm" }, { "timeNrm", "1/8" }, { "feedback", "45%" }, { "tape", "25%" }, { "wet", "45%" } } },

        // Backwards and wandering repeats.
        { "Reverse & Chaos", "Reverse Swell", { { "mode", "Pure Rev" }, { "timeMs", "600 ms" }, { "feedback", "30%" }, { "diffAmt", "30%" }, { "wet", "60%" } } },
        { "Reverse & Chaos", "Forward Backward", { { "mode", "Rev Forw" }, { "timeMode", "nrm" }, { "timeNrm", "1/4" }, { "feedback", "40%" }, { "wet", "50%" }, { "highCut", "7 kHz" } } },
        { "Reverse & Chaos", "Reverse Offset Pad", { { "mode", "Pure Rev" }, { "echoOffset", "50%" }, { "timeMs", "450 ms" }, { "diffAmt", "70%" }, { "diffSize", "60%" }, { "feedback", "60%" }, { "highCut", "6 kHz" }, { "fdbFil", "On" }, { "wet", "50%" } } },
        { "Reverse & Chaos", "Chaos Tape", { { "mode", "Chaos" }, { "timeMs", "300 ms" }, { "feedback", "50%" }, { "diffAmt", "40%" }, { "tape", "30%" }, { "wet", "50%" } } },
        { "Reverse & Chaos", "Reverse Chaos Storm", { { "mode", "Rev Chaos" }, { "echoOffset", "30%" }, { "timeMs", "500 ms" }, { "feedback", "70%" }, { "diffAmt", "60%" }, { "diffSize", "80%" }, { "distortion", "20%" }, { "distFunction", "Samurai" }, { "wet", "55%" } } },

        // Shifters in the loop: every repeat moves further away.
        { "Pitch & Frequency", "Barber Pole Up", { { "mode", "Frequency" }, { "frequencyShift", "+40 Hz" }, { "timeMs", "180 ms" }, { "feedback", "75%" }, { "highCut", "8 kHz" }, { "fdbFil", "On" }, { "wet", "50%" } } },
        { "Pitch & Frequency", "Barber Pole Down", { { "mode", "Frequency" }, { "frequencyShift", "-40 Hz" }, { "timeMs", "180 ms" }, { "feedback", "75%" }, { "lowCut", "120 Hz" }, { "fdbFil", "On" }, { "wet", "50%" } } },
        { "Pitch & Frequency", "Metallic Ring", { { "mode", "Frequency" }, { "frequencyShift", "+250 Hz" }, { "timeMs", "60 ms" }, { "feedback", "55%" }, { "diffAmt", "30%" }, { "distortion", "25%" }, { "distFunction", "Comb" }, { "wet", "45%" } } },
        { "Pitch & Frequency", "Fifth Cascade", { { "mode", "Pitch" }, { "pitchShift", "7 Semi" }, { "timeMode", "nrm" }, { "timeNrm", "1/8" }, { "pipo", "On" }, { "spread", "80%" }, { "feedback", "55%" }, { "wet", "40%" } } },
        { "Pitch & Frequency", "Octave Down Drop", { { "mode", "Pitch" }, { "pitchShift", "-12 Semi" }, { "timeMs", "350 ms" }, { "feedback", "50%" }, { "lowCut", "80 Hz" }, { "highCut", "4 kHz" }, { "fdbFil", "On" }, { "wet", "45%" } } },

        // Mix tools: sends, throws and width.
        { "Mixing", "Vocal Plate Echo", { { "timeMs", "120 ms" }, { "diffAmt", "60%" }, { "diffSize", "30%" }, { "feedback", "30%" }, { "lowCut", "200 Hz" }, { "highCut", "7 kHz" }, { "duck", "50%" }, { "wet", "35%" } } },
        { "Mixing", "Ducked Vocal Throw", { { "timeMode", "nrm" }, { "timeNrm", "1/4" }, { "duck", "90%" }, { "duckAttack", "5 ms" }, { "duckRelease", "180 ms" }, { "feedback", "50%" }, { "lowCut", "250 Hz" }, { "highCut", "6 kHz" }, { "wet", "80%" } } },
        { "Mixing", "Mono Send 100% Wet", { { "dry", "0%" }, { "wet", "100%" }, { "mono", "On" }, { "timeMode", "nrm" }, { "timeNrm", "1/4" }, { "feedback", "40%" }, { "lowCut", "150 Hz" }, { "highCut", "6 kHz" } } },
        { "Mixing", "Haas Widener", { { "timeMs", "15 ms" }, { "feedback", "0%" }, { "spread", "10 ms" }, { "wet", "60%" } } },
        { "Mixing", "Mid Side Space", { { "midSideMode", "On" }, { "timeMs", "90 ms" }, { "feedback", "35%" }, { "diffAmt", "50%" }, { "diffSize", "40%" }, { "wet", "40%" } } },
        { "Mixing", "Slapback Left", { { "timeMs", "90 ms" }, { "feedback", "10%" }, { "pan", "-60%" }, { "tape", "15%" }, { "highCut", "5 kHz" }, { "wet", "50%" } } },
    };

    return bank;
}

/** Sets every preset parameter to its default, then the preset's own settings by their texts. */
bool applySettings (VantrelDelayAudioProcessor& processor, const FactoryPreset& preset)
{
    for (const auto& id : ProcessorPresets::parameterIDs())
        if (auto* parameter = processor.parameters.getParameter (id))
            parameter->setValueNotifyingHost (parameter->getDefaultValue());

    for (const auto& setting : preset.settings)
    {
        auto* parameter = processor.parameters.getParameter (setting.id);

        if (parameter == nullptr)
        {
            std::cerr << preset.name << ": unknown parameter " << setting.id << "\n";
            return false;
        }

        parameter->setValueNotifyingHost (parameter->getValueForText (setting.text));
        const auto shown = parameter->getCurrentValueAsText();

        // A text the parameter does not read back the same way is a typo in the bank.
        if (shown.removeCharacters (" +").compareIgnoreCase (juce::String (setting.text).removeCharacters (" +")) != 0)
        {
            std::cerr << preset.name << ": " << setting.id << " \"" << setting.text << "\" reads back as \"" << shown << "\"\n";
            return false;
        }
    }

    return true;
}
}

int main (int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: quello-factory-presets <output folder>\n";
        return 2;
    }

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    VantrelDelayAudioProcessor processor;

    for (const auto& preset : factoryBank())
    {
        if (!applySettings (processor, preset))
            return 1;

        const auto file = folder.getChildFile (preset.category).getChildFile (juce::String (preset.name) + CV::PresetFile::extension);
        const auto xml = CV::PresetFile::create (processor.parameters, ProcessorPresets::parameterIDs(), ProcessorPresets::attributePrefix,
            preset.name, ProcessorPresets::pluginVersion);

        if (!CV::PresetFile::write (xml, file))
        {
            std::cerr << "could not write " << file.getFullPathName() << "\n";
            return 1;
        }

        std::cout << file.getFullPathName() << "\n";
    }

    return 0;
}
