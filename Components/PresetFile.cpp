#include "PresetFile.h"

namespace CV::PresetFile
{

namespace
{
// A preset is about 1.5 kB; anything far larger is not one and is refused rather than read whole.
constexpr juce::int64 maximumFileBytes = 1 << 20;

constexpr const char* temporarySuffix = ".saving";
}

juce::String nameOf (const juce::File& file)
{
    auto name = file.getFileNameWithoutExtension();

    if (name.endsWith (extension))
        name = name.dropLastCharacters (juce::String (extension).length());

    return name;
}

bool isPresetFile (const juce::File& file)
{
    return file.getFileName().contains (extension);
}

juce::File withExtension (const juce::File& file)
{
    return file.getFileName().endsWith (extension) ? file : file.getSiblingFile (file.getFileName() + extension);
}

std::unique_ptr<juce::XmlElement> read (const juce::File& file)
{
    if (!file.existsAsFile() || file.getSize() > maximumFileBytes)
        return nullptr;

    return juce::XmlDocument::parse (file);
}

juce::XmlElement create (const juce::AudioProcessorValueTreeState& parameters,
    const std::vector<juce::String>& parameterIDs,
    const juce::String& attributePrefix,
    const juce::String& name,
    const juce::String& pluginVersion)
{
    juce::XmlElement preset (rootTag);

    for (const auto& id : parameterIDs)
        if (auto* value = parameters.getRawParameterValue (id))
            preset.setAttribute (attributePrefix + id, (double) value->load());

    preset.setAttribute (nameAttribute, name);
    preset.setAttribute (versionAttribute, pluginVersion);
    return preset;
}

bool write (const juce::XmlElement& preset, const juce::File& file)
{
    if (file == juce::File() || file.isDirectory())
        return false;

    // The temporary name must not look like a preset, so a crash mid-save never lists it.
    const auto folder = file.getParentDirectory();
    const auto temporary = folder.getChildFile ("." + file.getFileName().replace (extension, "") + temporarySuffix);
    folder.createDirectory();
    temporary.deleteFile();

    {
        juce::FileOutputStream stream (temporary);

        if (!stream.openedOk())
            return false;

        preset.writeTo (stream, {});
        stream.flush();

        if (!stream.getStatus().wasOk())
        {
            temporary.deleteFile();
            return false;
        }
    }

    if (!temporary.replaceFileIn (file))
    {
        temporary.deleteFile();
        return false;
    }

    return true;
}

}
