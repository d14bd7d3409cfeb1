#include "RenderPresets.h"

#include "PluginProcessor.h"
#include "ProcessorPresets.h"

namespace
{
/** Wide enough for the numbers of any bank a person keeps. */
constexpr int numberColumnWidth = 5;

juce::String numbered (int number, const juce::String& name)
{
    return juce::String (number).paddedLeft (' ', numberColumnWidth) + "  " + name + "\n";
}
}

juce::Result RenderPresets::load (VantrelDelayAudioProcessor& processor, const juce::String& fileOrName)
{
    const auto library = ProcessorPresets::createLiveSideLibrary (processor);
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (fileOrName);

    if (file.existsAsFile())
        return library->loadPresetFile (file) ? juce::Result::ok()
                                              : juce::Result::fail ("could not read preset file " + file.getFullPathName());

    auto number = 0;

    if (fileOrName == CV::PresetLibrary::initName)
        number = CV::PresetLibrary::initNumber;
    else if (const auto preset = library->findPreset (fileOrName))
        number = preset->number;
    else if (fileOrName.containsOnly ("0123456789") && fileOrName.length() < numberColumnWidth
        && juce::isPositiveAndNotGreaterThan (fileOrName.getIntValue(), library->getNumberOfItems()))
        number = fileOrName.getIntValue();

    if (number == 0)
        return juce::Result::fail ("no preset file or preset named \"" + fileOrName + "\" in " + library->presetsRoot.getFullPathName()
            + " (see --list-presets)");

    return library->selectPreset (number) ? juce::Result::ok()
                                          : juce::Result::fail ("could not read preset \"" + fileOrName + "\"");
}

juce::Result RenderPresets::save (VantrelDelayAudioProcessor& processor, const juce::File& file)
{
    const auto library = ProcessorPresets::createLiveSideLibrary (processor);

    return library->savePreset (file) ? juce::Result::ok()
                                      : juce::Result::fail ("could not write preset file " + CV::PresetFile::withExtension (file).getFullPathName());
}

juce::String RenderPresets::describe (VantrelDelayAudioProcessor& processor)
{
    const auto library = ProcessorPresets::createLiveSideLibrary (processor);
    juce::String text;
    text << "Presets in " << library->presetsRoot.getFullPathName() << "\n"
         << numbered (CV::PresetLibrary::initNumber, CV::PresetLibrary::initName);

    for (const auto& category : library->getCategories())
    {
        text << category.name << "\n";

        for (const auto& preset : category.presets)
            text << numbered (preset.number, preset.name);
    }

    return text;
}
