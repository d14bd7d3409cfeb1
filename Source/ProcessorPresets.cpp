#include "ProcessorPresets.h"
#include "PluginProcessor.h"

namespace
{
/** Versions before 1.3 stored the delay-time mode as four switches, one per timeMode value. */
CV::PresetLibrary::LegacySwitches timeModeSwitches()
{
    return { ParamIDs::timeMode, { "ms", "nrm", "trip", "dot" }, { "1.0", "1.1", "1.2" }, "1.0.0" };
}
}

namespace ProcessorPresets
{
const std::vector<juce::String>& parameterIDs()
{
    static const std::vector<juce::String> ids = []
    {
        std::vector<juce::String> presetIDs;

        // The side selector and the global bypass belong to no preset.
        for (const auto* id : ParamIDs::all)
            if (juce::String (id) != ParamIDs::splitTestingSide && juce::String (id) != ParamIDs::bypassAll)
                presetIDs.emplace_back (id);

        return presetIDs;
    }();

    return ids;
}

juce::StringArray exclusionsFor (bool lockDryWet)
{
    if (lockDryWet)
        return { ParamIDs::dry, ParamIDs::wet };

    return {};
}

std::unique_ptr<CV::PresetLibrary> createLibrary (VantrelDelayAudioProcessor& processor, bool forSideA)
{
    auto library = std::make_unique<CV::PresetLibrary> (
        productName,
        processor.parameters,
        parameterIDs(),
        forSideA ? processor.presetNameA : processor.presetNameB,
        forSideA ? processor.presetPathA : processor.presetPathB,
        forSideA ? processor.presetIdA : processor.presetIdB,
        pluginVersion,
        [&processor]
        { processor.resetRequest.store (true); },
        attributePrefix);
    library->legacySwitches = timeModeSwitches();
    library->excludedParameterIDs = exclusionsFor (processor.lockDryWet);
    return library;
}

std::unique_ptr<CV::PresetLibrary> createLiveSideLibrary (VantrelDelayAudioProcessor& processor)
{
    return createLibrary (processor, processor.sideAActive.load());
}
}
