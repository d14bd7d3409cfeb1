#include "PresetLibrary.h"

#include <algorithm>
#include <cmath>

namespace CV
{

namespace
{
constexpr const char* presetsFolderName = "Presets";
constexpr const char* modifiedMark = "*";

/** Case-insensitive natural order, ties broken case-sensitively so the order never depends
    on how the file system happens to list a folder. */
bool naturallyBefore (const juce::String& a, const juce::String& b)
{
    if (const auto order = a.compareNatural (b, false); order != 0)
        return order < 0;

    return a.compare (b) < 0;
}
}

PresetLibrary::PresetLibrary (const juce::String& productName,
    juce::AudioProcessorValueTreeState& parametersToUse,
    const std::vector<juce::String>& parameterIDsToUse,
    juce::String& presetNameToUse,
    juce::String& presetPathToUse,
    int& presetIdToUse,
    const juce::String& pluginVersionToWrite,
    std::function<void()> onPresetChangedToUse,
    const juce::String& attributePrefixToUse)
    : presetsRoot (getPresetsRoot (productName))
    , userFolder (presetsRoot.getChildFile (userFolderName))
    , pluginVersion (pluginVersionToWrite)
    , attributePrefix (attributePrefixToUse)
    , parameters (parametersToUse)
    , parameterIDs (parameterIDsToUse)
    , presetName (presetNameToUse)
    , presetPath (presetPathToUse)
    , presetId (presetIdToUse)
    , onPresetChanged (std::move (onPresetChangedToUse))
{
    userFolder.createDirectory();
    updatePresetsList();
}

juce::File PresetLibrary::getPresetsRoot (const juce::String& productName)
{
    // Relative values of XDG_DATA_HOME are invalid and must be ignored.
    const auto dataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});
    const auto base = juce::File::isAbsolutePath (dataHome)
        ? juce::File (dataHome)
        : juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/share");

    return base.getChildFile (makerFolderName).getChildFile (productName).getChildFile (presetsFolderName);
}

//==============================================================================
std::vector<juce::File> PresetLibrary::listCategoryFolders() const
{
    auto folders = presetsRoot.findChildFiles (juce::File::findDirectories, false, "*", juce::File::FollowSymlinks::noCycles);
    std::vector<juce::File> sorted (folders.begin(), folders.end());
    std::sort (sorted.begin(), sorted.end(), [] (const juce::File& a, const juce::File& b)
        { return naturallyBefore (a.getFileName(), b.getFileName()); });
    return sorted;
}

std::vector<juce::File> PresetLibrary::listPresetsBelow (const juce::File& folder)
{
    std::vector<juce::File> presets;

    for (const auto& file : folder.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::noCycles))
        if (PresetFile::isPresetFile (file))
            presets.push_back (file);

    std::sort (presets.begin(), presets.end(), [&folder] (const juce::File& a, const juce::File& b)
        { return naturallyBefore (a.getRelativePathFrom (folder), b.getRelativePathFrom (folder)); });
    return presets;
}

void PresetLibrary::updatePresetsList()
{
    categories.clear();
    auto number = firstFileNumber;

    for (const auto& folder : listCategoryFolders())
    {
        Category category { PresetFile::nameOf (folder), {} };

        for (const auto& file : listPresetsBelow (folder))
            category.presets.push_back ({ number++, PresetFile::nameOf (file), file });

        categories.push_back (std::move (category));
    }
}

int PresetLibrary::getNumberOfItems() const
{
    auto items = 1;

    for (const auto& category : categories)
        items += (int) category.presets.size();

    return items;
}

std::optional<PresetLibrary::Preset> PresetLibrary::findPreset (const juce::String& name) const
{
    for (const auto ignoreCase : { false, true })
        for (const auto& category : categories)
            for (const auto& preset : category.presets)
                for (const auto& candidate : { preset.name, category.name + "/" + preset.name })
                    if (ignoreCase ? candidate.equalsIgnoreCase (name) : candidate == name)
                        return preset;

    return std::nullopt;
}

std::vector<juce::File> PresetLibrary::getPresetFiles() const
{
    // Only files in category folders are numbered, so number n is always the n-th item of the
    // browser's list; a stray file directly in the root would otherwise shift every number.
    std::vector<juce::File> files;

    for (const auto& folder : listCategoryFolders())
        for (const auto& file : listPresetsBelow (folder))
            files.push_back (file);

    return files;
}

int PresetLibrary::indexOf (const std::vector<juce::File>& files, const juce::String& path)
{
    const auto found = std::find_if (files.begin(), files.end(), [&path] (const juce::File& file)
        { return file.getFullPathName() == path; });
    return found == files.end() ? -1 : (int) std::distance (files.begin(), found);
}

//==============================================================================
bool PresetLibrary::selectPreset (int number)
{
    if (number < initNumber)
        return false;

    if (number == initNumber)
    {
        resetToDefaults();
        forgetLoadedPreset();
        presetId = initNumber;
        presetName = initName;
        presetPath = {};
        updateModifiedMark();

        if (onPresetChanged)
            onPresetChanged();

        return true;
    }

    const auto files = getPresetFiles();

    if (files.empty())
        return false;

    auto index = number - firstFileNumber;

    if (index >= (int) files.size())
    {
        updatePresetsList();
        index = 0;
    }

    return loadFile (files[(size_t) index], index + firstFileNumber);
}

bool PresetLibrary::loadPresetFile (const juce::File& file)
{
    const auto index = indexOf (getPresetFiles(), file.getFullPathName());
    return loadFile (file, index < 0 ? presetId : index + firstFileNumber);
}

bool PresetLibrary::loadFile (const juce::File& file, int number)
{
    const auto preset = PresetFile::read (file);

    if (preset == nullptr)
        return false;

    adoptPreset (file, *preset, number);
    loadParamsFromXML (*preset);

    if (onPresetChanged)
        onPresetChanged();

    return true;
}

void PresetLibrary::adoptPreset (const juce::File& file, const juce::XmlElement& preset, int number)
{
    presetId = number;
    presetName = PresetFile::nameOf (file);
    presetPath = file.getFullPathName();
    lastLoadedPreset = preset;
}

void PresetLibrary::forgetLoadedPreset()
{
    lastLoadedPreset = juce::XmlElement ("lastLoadedPreset");
}

int PresetLibrary::getPreviousPresetNumber() const
{
    const auto items = getNumberOfItems();

    if (presetId <= firstFileNumber)
        return items;

    if (presetId - 1 > items)
        return firstFileNumber;

    return presetId - 1;
}

int PresetLibrary::getNextPresetNumber() const
{
    const auto items = getNumberOfItems();

    if (presetId < initNumber)
        return items;

    if (presetId < items)
        return presetId + 1;

    return firstFileNumber;
}

//==============================================================================
juce::XmlElement PresetLibrary::createPresetXml (const juce::String& name) const
{
    return PresetFile::create (parameters, parameterIDs, attributePrefix, name, pluginVersion);
}

bool PresetLibrary::savePreset (const juce::File& target)
{
    const auto file = PresetFile::withExtension (target);
    const auto preset = createPresetXml (PresetFile::nameOf (file));

    if (!PresetFile::write (preset, file))
        return false;

    updatePresetsList();

    if (const auto index = indexOf (getPresetFiles(), file.getFullPathName()); index >= 0)
        adoptPreset (file, preset, index + firstFileNumber);

    updateModifiedMark();
    return true;
}

//==============================================================================
void PresetLibrary::initialize()
{
    const auto files = getPresetFiles();

    // A file that can no longer be read cannot be the reference of the modified mark.
    const auto rebind = [this, &files] (int index, bool needsSameName)
    {
        const auto& file = files[(size_t) index];

        if (needsSameName && PresetFile::nameOf (file) != presetName)
            return false;

        const auto preset = PresetFile::read (file);

        if (preset == nullptr)
            return false;

        presetId = index + firstFileNumber;
        presetName = PresetFile::nameOf (file);
        lastLoadedPreset = *preset;
        return true;
    };

    if (presetId == initNumber)
    {
        presetName = initName;
        forgetLoadedPreset();
        return;
    }

    const auto index = presetPath.isNotEmpty() ? indexOf (files, presetPath) : presetId - firstFileNumber;
    const auto isIndex = index >= 0 && index < (int) files.size();

    if (!isIndex || !rebind (index, presetPath.isEmpty()))
    {
        presetId = initNumber;
        forgetLoadedPreset();
    }
}

//==============================================================================
juce::RangedAudioParameter* PresetLibrary::findParameter (const juce::String& parameterID) const
{
    return parameters.getParameter (parameterID);
}

float PresetLibrary::defaultValueOf (const juce::RangedAudioParameter& parameter) const
{
    return parameter.convertFrom0to1 (parameter.getDefaultValue());
}

float PresetLibrary::storedValue (const juce::XmlElement& preset, const juce::String& parameterID) const
{
    auto* parameter = findParameter (parameterID);
    jassert (parameter != nullptr);

    const auto attribute = attributePrefix + parameterID;

    if (!preset.hasAttribute (attribute))
        return defaultValueOf (*parameter);

    const auto value = preset.getDoubleAttribute (attribute);

    if (!std::isfinite (value))
        return defaultValueOf (*parameter);

    // Clamping in double first keeps a huge number from overflowing the float.
    const auto& range = parameter->getNormalisableRange();
    return (float) juce::jlimit ((double) range.start, (double) range.end, value);
}

std::optional<float> PresetLibrary::legacyValue (const juce::XmlElement& preset) const
{
    if (!legacySwitches.has_value())
        return std::nullopt;

    const auto version = preset.getStringAttribute (PresetFile::versionAttribute, legacySwitches->versionWhenMissing);
    const auto isLegacy = std::any_of (legacySwitches->versionPrefixes.begin(), legacySwitches->versionPrefixes.end(),
        [&version] (const juce::String& prefix)
        { return version.startsWith (prefix); });

    if (!isLegacy)
        return std::nullopt;

    for (int value = 0; value < legacySwitches->switchAttributes.size(); ++value)
        if (preset.getBoolAttribute (attributePrefix + legacySwitches->switchAttributes[value]))
            return (float) value;

    return std::nullopt;
}

float PresetLibrary::expectedValue (const juce::XmlElement& preset, const juce::String& parameterID) const
{
    if (legacySwitches.has_value() && parameterID == legacySwitches->parameterID)
        if (const auto converted = legacyValue (preset))
            return *converted;

    return storedValue (preset, parameterID);
}

void PresetLibrary::setParameter (const juce::String& parameterID, float valueInOwnUnits)
{
    if (auto* parameter = findParameter (parameterID))
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (valueInOwnUnits));
}

void PresetLibrary::resetToDefaults()
{
    for (const auto& id : parameterIDs)
        if (auto* parameter = findParameter (id))
            parameter->setValueNotifyingHost (parameter->getDefaultValue());
}

void PresetLibrary::loadParamsFromXML (const juce::XmlElement& preset)
{
    for (const auto& id : parameterIDs)
        if (!excludedParameterIDs.contains (id) && findParameter (id) != nullptr)
            setParameter (id, expectedValue (preset, id));

    updateModifiedMark();
}

bool PresetLibrary::isModified() const
{
    for (const auto& id : parameterIDs)
    {
        auto* parameter = findParameter (id);

        if (parameter == nullptr)
            continue;

        // Compare with what the parameter holds after being set to the preset's value (snapped to
        // its steps and through the normalised float twice), so loading never marks itself.
        const auto expected = expectedValue (lastLoadedPreset, id);
        const auto settled = parameter->convertFrom0to1 (parameter->convertTo0to1 (
            parameter->convertFrom0to1 (parameter->convertTo0to1 (expected))));
        const auto current = parameters.getRawParameterValue (id)->load();

        if (std::abs ((double) current - (double) settled) > modifiedTolerance)
            return true;
    }

    return false;
}

void PresetLibrary::updatePresetName (bool addMark, bool removeMark)
{
    if (addMark && !presetName.endsWith (modifiedMark))
        presetName += modifiedMark;

    if (removeMark && presetName.endsWith (modifiedMark))
        presetName = presetName.dropLastCharacters (1);
}

void PresetLibrary::updateModifiedMark()
{
    const auto modified = isModified();
    updatePresetName (modified, !modified);
}

}
