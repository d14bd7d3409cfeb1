#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <vector>

namespace CV
{

/** One preset file on disk: an XML element "xmlToSave" with one attribute per stored parameter
    (prefix + ID, the value in the parameter's own units), the preset's name and the version
    that wrote it. */
namespace PresetFile
{
inline constexpr const char* extension = ".cvpreset";
inline constexpr const char* rootTag = "xmlToSave";
inline constexpr const char* nameAttribute = "preset_name";
inline constexpr const char* versionAttribute = "plugin_version";

/** The name a preset file is listed under: its file name without the extension, also when the
    extension appears twice. */
juce::String nameOf (const juce::File& file);

/** True when the file name contains the extension. */
bool isPresetFile (const juce::File& file);

/** The file itself when its name ends with the extension, else the same name with it added. */
juce::File withExtension (const juce::File& file);

/** The parsed root element, or nothing when the file is missing, unreadable, absurdly large or
    not XML. */
std::unique_ptr<juce::XmlElement> read (const juce::File& file);

/** The current values of the given parameters as a preset element. */
juce::XmlElement create (const juce::AudioProcessorValueTreeState& parameters,
    const std::vector<juce::String>& parameterIDs,
    const juce::String& attributePrefix,
    const juce::String& name,
    const juce::String& pluginVersion);

/** Writes the element in the framework's default XML text format through a temporary file in
    the same folder and a rename, so a failure never leaves a half-written or lost preset.
    Creates the folder when missing. False when anything failed. */
bool write (const juce::XmlElement& preset, const juce::File& file);
}

}
