#pragma once

#include "PresetFile.h"

#include <functional>
#include <optional>
#include <vector>

namespace CV
{

/** The preset files of a product on disk and one set of preset bookkeeping (name, path and
    number of the loaded preset) bound to a parameter tree: listing, loading, stepping,
    saving, restoring after a project load and the modified mark.

    It knows nothing of a particular plug-in: the parameter tree, the IDs a preset stores,
    the bookkeeping fields and the conversion of older files are handed in. The on-screen
    browser sits on top of it; tests and command-line tools drive it directly.

    Presets are numbered in one flat list: 1 is "-init-" (every parameter at its default),
    n >= 2 is the (n - 1)-th preset file. Categories and files are listed in a case-insensitive
    natural order ("Preset 2" before "Preset 10"), so the numbers are the same on every machine.

    Message thread only (or any single thread that owns the parameters' writes). */
class PresetLibrary
{
public:
    /** A parameter that older files stored as a group of on/off switches, one per value:
        switch i on means value i. Files whose version starts with one of the prefixes are
        converted after loading. */
    struct LegacySwitches
    {
        juce::String parameterID;
        juce::StringArray switchAttributes;
        juce::StringArray versionPrefixes;
        juce::String versionWhenMissing;
    };

    /** One entry of the browser's list. */
    struct Preset
    {
        int number = 0;
        juce::String name;
        juce::File file;
    };

    /** A folder directly inside the presets root with the presets found below it. */
    struct Category
    {
        juce::String name;
        std::vector<Preset> presets;
    };

    static constexpr int initNumber = 1;
    static constexpr int firstFileNumber = 2;
    static constexpr const char* initName = "-init-";
    static constexpr const char* userFolderName = "User";
    static constexpr const char* makerFolderName = "Corvalen";

    /** Binds the library to a parameter tree and to one set of bookkeeping fields, which must
        outlive it. Creates the user folder when it is missing (a failure is ignored).
        onPresetChanged is called after every load of a preset (may be empty). */
    PresetLibrary (const juce::String& productName,
        juce::AudioProcessorValueTreeState& parameters,
        const std::vector<juce::String>& parameterIDs,
        juce::String& presetName,
        juce::String& presetPath,
        int& presetId,
        const juce::String& pluginVersion,
        std::function<void()> onPresetChanged,
        const juce::String& attributePrefix);

    /** $XDG_DATA_HOME/Corvalen/<product>/Presets, or ~/.local/share/... when that is unset. */
    static juce::File getPresetsRoot (const juce::String& productName);

    //==============================================================================
    /** Re-reads the folders into the category list the browser shows. */
    void updatePresetsList();

    const std::vector<Category>& getCategories() const { return categories; }

    /** Items of the browser's list: "-init-" plus every listed preset. */
    int getNumberOfItems() const;

    /** The listed preset called "Category/Name" or "Name": an exact match first, then one that
        differs only in case. */
    std::optional<Preset> findPreset (const juce::String& name) const;

    /** Every preset file in numbering order, read from disk now: file i has number i + 2. */
    std::vector<juce::File> getPresetFiles() const;

    /** Loads the preset with this number, as choosing it in the browser does. 1 resets every
        preset parameter to its default, ignoring the exclusions. A number beyond the files on
        disk (a stale list) re-reads the list and loads the first preset. Returns false, changing
        nothing, for 0, for an empty folder and for a file that cannot be read or parsed. */
    bool selectPreset (int number);

    /** Loads a preset file from anywhere; its number is its place in the list, or stays as it
        was for a file outside the presets root. Returns false, changing nothing, when the file
        cannot be read or parsed. */
    bool loadPresetFile (const juce::File& file);

    /** The numbers the previous and next buttons go to, wrapping around past the ends. */
    int getPreviousPresetNumber() const;
    int getNextPresetNumber() const;

    bool selectPreviousPreset() { return selectPreset (getPreviousPresetNumber()); }
    bool selectNextPreset() { return selectPreset (getNextPresetNumber()); }

    /** Writes the current values to target (the extension is added when the name lacks it)
        through a temporary file, so a failed save leaves an existing file intact. On success the
        saved file becomes the loaded preset when it lies in the presets root. Returns false when
        the file could not be written. */
    bool savePreset (const juce::File& target);

    /** The current values as a preset element, as savePreset writes them. */
    juce::XmlElement createPresetXml (const juce::String& name) const;

    /** Re-binds the loaded preset after the host restored a project: finds the file by path,
        else by number and exact name, else falls back to "-init-". Changes no parameter. */
    void initialize();

    /** Sets the preset parameters from a preset element: missing attributes, values that are not
        finite numbers and excluded IDs aside, then converts older file versions. */
    void loadParamsFromXML (const juce::XmlElement& preset);

    /** True when any preset parameter differs by more than modifiedTolerance (in its own units)
        from the value the loaded preset gives it. Excluded IDs count too. */
    bool isModified() const;

    /** Adds or removes the trailing "*" of the preset name. */
    void updatePresetName (bool addMark, bool removeMark);

    /** Makes the "*" of the name follow isModified; the browser calls it from its timer. */
    void updateModifiedMark();

    //==============================================================================
    /** IDs left alone when a preset file is loaded (the dry/wet lock). */
    juce::StringArray excludedParameterIDs;

    /** Conversion of files from older versions; none by default. */
    std::optional<LegacySwitches> legacySwitches;

    const juce::File presetsRoot;
    const juce::File userFolder;
    const juce::String pluginVersion;
    const juce::String attributePrefix;

    /** The attributes of the preset loaded last; none after "-init-". */
    juce::XmlElement lastLoadedPreset { "lastLoadedPreset" };

    static constexpr double modifiedTolerance = 0.001;

private:
    juce::RangedAudioParameter* findParameter (const juce::String& parameterID) const;
    float defaultValueOf (const juce::RangedAudioParameter& parameter) const;
    float storedValue (const juce::XmlElement& preset, const juce::String& parameterID) const;
    std::optional<float> legacyValue (const juce::XmlElement& preset) const;
    float expectedValue (const juce::XmlElement& preset, const juce::String& parameterID) const;
    void setParameter (const juce::String& parameterID, float valueInOwnUnits);
    void resetToDefaults();
    bool loadFile (const juce::File& file, int number);
    void adoptPreset (const juce::File& file, const juce::XmlElement& preset, int number);
    void forgetLoadedPreset();
    std::vector<juce::File> listCategoryFolders() const;
    static std::vector<juce::File> listPresetsBelow (const juce::File& folder);
    static int indexOf (const std::vector<juce::File>& files, const juce::String& path);

    juce::AudioProcessorValueTreeState& parameters;
    const std::vector<juce::String> parameterIDs;
    juce::String& presetName;
    juce::String& presetPath;
    int& presetId;
    std::function<void()> onPresetChanged;
    std::vector<Category> categories;
};

}
