#pragma once

#include "../Components/PresetLibrary.h"

#include <memory>
#include <vector>

class VantrelDelayAudioProcessor;

/** What Quello's presets are made of, and the preset library bound to the processor's
    bookkeeping of one A/B side. */
namespace ProcessorPresets
{
inline constexpr const char* productName = "Quello";
inline constexpr const char* pluginVersion = "1.3.1";
inline constexpr const char* attributePrefix = "preset_";

/** The 36 parameters a preset stores, in the order their attributes are written. */
const std::vector<juce::String>& parameterIDs();

/** IDs a preset load leaves alone: "dry" and "wet" while the dry/wet lock is on. */
juce::StringArray exclusionsFor (bool lockDryWet);

/** A library bound to side A's or side B's name, number and path. Files of versions 1.0 to 1.2
    are converted, the dry/wet lock as it stands now is applied, and every load raises the
    processor's resetRequest so the audio thread flushes the old echoes. Message thread. */
std::unique_ptr<CV::PresetLibrary> createLibrary (VantrelDelayAudioProcessor& processor, bool forSideA);

/** The same for the side that is live now. */
std::unique_ptr<CV::PresetLibrary> createLiveSideLibrary (VantrelDelayAudioProcessor& processor);
}
