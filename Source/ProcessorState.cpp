#include "PluginProcessor.h"
#include "PresetParamsFields.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace
{
constexpr const char* rootTag = "Params";
constexpr const char* parameterChildType = "PARAM";
constexpr const char* idAttribute = "id";
constexpr const char* valueAttribute = "value";
constexpr const char* recordPrefix = "preset_";
constexpr const char* presetNameAKey = "presetNameA";
constexpr const char* presetNameBKey = "presetNameB";
constexpr const char* presetIdAKey = "presetIdA";
constexpr const char* presetIdBKey = "presetIdB";
constexpr const char* presetPathAKey = "presetPathA";
constexpr const char* presetPathBKey = "presetPathB";
constexpr const char* lockDryWetKey = "lockDryWet";
constexpr const char* defaultPresetName = "-init-";
constexpr int defaultPresetId = 1;

// A block without a stored delay time gives the other side 0.5 on the time scale (200 ms).
constexpr float storedTimeMsDefault = 0.5f;

// The container: a four-byte magic number and a four-byte text length in front of the text.
constexpr int magicBytes = 4;
constexpr int headerBytes = 8;

// The text decoder may look up to three bytes past the last one of a cut-off UTF-8 sequence.
constexpr int decoderPadding = 4;

// The parser descends once per level of nesting: deeper text could exhaust a host thread's
// stack. Our own blocks nest two levels deep.
constexpr int maximumNesting = 64;

// A switch that overlaps the copy of the tree makes the copy start again, this often at most.
constexpr int maximumCopyAttempts = 4;

/** An upper bound of how deep the elements of an XML text nest. Comments, CDATA sections,
    declarations and quoted attribute values are skipped, so nothing inside them can hide a
    level. */
int nestingDepthOf (const char* text, size_t length)
{
    const std::string_view document (text, length);
    const auto skipPast = [&document] (size_t from, std::string_view end)
    {
        const auto found = document.find (end, from);
        return found == std::string_view::npos ? document.size() : found + end.size();
    };

    int depth = 0, deepest = 0;
    size_t position = 0;

    while ((position = document.find ('<', position)) != std::string_view::npos)
    {
        const auto rest = document.substr (position);

        if (rest.substr (0, 4) == "<!--")
            position = skipPast (position, "-->");
        else if (rest.substr (0, 9) == "<![CDATA[")
            position = skipPast (position, "]]>");
        else if (rest.substr (0, 2) == "<?")
            position = skipPast (position, "?>");
        else if (rest.substr (0, 2) == "<!")
        {
            // A declaration ends where its own angle brackets balance, as the parser reads it.
            int open = 0;

            for (; position < document.size(); ++position)
            {
                if (document[position] == '<')
                    ++open;
                else if (document[position] == '>' && --open == 0)
                    break;
            }
        }
        else if (rest.substr (0, 2) == "</")
        {
            depth = std::max (0, depth - 1);
            position = skipPast (position, ">");
        }
        else
        {
            deepest = std::max (deepest, ++depth);
            char quote = 0, previous = 0;

            for (++position; position < document.size(); ++position)
            {
                const auto character = document[position];

                if (quote != 0)
                {
                    if (character == quote)
                        quote = 0;
                }
                else if (character == '"' || character == '\'')
                {
                    quote = character;
                }
                else if (character == '>')
                {
                    if (previous == '/')
                        --depth;

                    break;
                }

                previous = character;
            }
        }
    }

    return deepest;
}

/** The block's XML, or nothing when the framework's container does not hold a readable
    document of a sound depth. */
std::unique_ptr<juce::XmlElement> decodeBlock (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= headerBytes)
        return {};

    // Decoding works on a padded copy, so that a block cut inside a character is never read
    // beyond its end.
    juce::MemoryBlock padded (data, (size_t) sizeInBytes);
    padded.setSize ((size_t) sizeInBytes + decoderPadding, true);

    const auto storedLength = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (padded.getData(), magicBytes));
    const auto textLength = juce::jmin (sizeInBytes - headerBytes, storedLength);

    if (textLength > 0 && nestingDepthOf (static_cast<const char*> (padded.getData()) + headerBytes, (size_t) textLength) > maximumNesting)
        return {};

    return juce::AudioProcessor::getXmlFromBinary (padded.getData(), sizeInBytes);
}

juce::String recordKey (const char* id) { return juce::String (recordPrefix) + id; }

/** A stored number as a float: texts that are no finite float ("nan", "inf", "1e99") read as 0,
    like any other text that does not parse, so they never reach a parameter or a record. */
float finiteOrZero (double value)
{
    constexpr auto largest = (double) std::numeric_limits<float>::max();
    return std::isfinite (value) && std::abs (value) <= largest ? (float) value : 0.0f;
}

float clampedTo (const juce::NormalisableRange<float>& range, float value)
{
    return juce::jlimit (range.start, range.end, value);
}

/** What a parameter holds after being set from a stored value: clamped and snapped. */
float valueAsStored (const juce::RangedAudioParameter& parameter, double storedValue)
{
    return parameter.convertFrom0to1 (parameter.convertTo0to1 (finiteOrZero (storedValue)));
}

/** Keeps the first of properties that share a name. The framework reads the first one, but
    would write the last one back, so a repeated "id" or "value" would change on every save. */
void keepFirstOfEachProperty (juce::ValueTree& tree)
{
    for (int index = 0; index < tree.getNumProperties(); ++index)
    {
        const auto name = tree.getPropertyName (index);
        int occurrences = 0;

        for (int other = 0; other < tree.getNumProperties(); ++other)
            if (tree.getPropertyName (other) == name)
                ++occurrences;

        if (occurrences > 1)
        {
            const auto first = tree.getProperty (name);

            while (tree.hasProperty (name))
                tree.removeProperty (name, nullptr);

            tree.setProperty (name, first, nullptr);
        }
    }
}

/** Makes the children what the framework reads into the parameters, and only sound values:
    one set of properties per child, every stored value a finite number inside its parameter's
    range, and a value for every parameter (its default where the block has none, as the
    framework would give it). */
void makeParameterChildrenSound (juce::ValueTree& state, juce::AudioProcessorValueTreeState& parameters)
{
    const juce::Identifier id (idAttribute), value (valueAttribute);

    for (auto child : state)
    {
        keepFirstOfEachProperty (child);
        const auto* parameter = parameters.getParameter (child.getProperty (id).toString());

        if (parameter == nullptr || !child.hasProperty (value))
            continue;

        const auto stored = (double) child.getProperty (value);
        const auto sound = clampedTo (parameter->getNormalisableRange(), finiteOrZero (stored));

        if ((double) sound != stored)
            child.setProperty (value, (double) sound, nullptr);
    }

    for (const auto* parameterID : ParamIDs::all)
    {
        const auto* parameter = parameters.getParameter (parameterID);
        const auto defaultValue = (double) parameter->convertFrom0to1 (parameter->getDefaultValue());

        // The framework links a parameter to the last child that names it.
        juce::ValueTree linked;

        for (const auto& child : state)
            if (child.getProperty (id).toString() == parameterID)
                linked = child;

        if (!linked.isValid())
        {
            linked = juce::ValueTree (parameterChildType);
            linked.setProperty (id, parameterID, nullptr);
            state.appendChild (linked, nullptr);
        }

        if (!linked.hasProperty (value))
            linked.setProperty (value, defaultValue, nullptr);
    }
}

/** The live side and time mode a block stands for, read from its children in document order:
    "timeMode" and "splitTestingSide" children win, the older boolean children count only
    before either of them. */
struct StoredSelection
{
    int timeMode = 0;
    int side = 0;
    bool modern = false;
};

StoredSelection readStoredSelection (const juce::ValueTree& state, juce::AudioProcessorValueTreeState& parameters)
{
    const auto& timeModeParameter = *parameters.getParameter (ParamIDs::timeMode);
    const auto& sideParameter = *parameters.getParameter (ParamIDs::splitTestingSide);

    StoredSelection selection;

    for (const auto& child : state)
    {
        const auto id = child.getProperty (idAttribute).toString();
        const auto value = (double) child.getProperty (valueAttribute);

        if (id == ParamIDs::timeMode)
        {
            selection.timeMode = (int) valueAsStored (timeModeParameter, value);
            selection.modern = true;
        }
        else if (id == ParamIDs::splitTestingSide)
        {
            selection.side = (int) valueAsStored (sideParameter, value);
            selection.modern = true;
        }
        else if (!selection.modern && finiteOrZero (value) != 0.0f)
        {
            const auto& flags = PresetParamsFields::timeModeFlags;

            for (size_t timeMode = 0; timeMode < flags.size(); ++timeMode)
                if (id == flags[timeMode].id)
                    selection.timeMode = (int) timeMode;

            if (id == "a")
                selection.side = 0;
            else if (id == "b")
                selection.side = 1;
        }
    }

    return selection;
}
}

void VantrelDelayAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    const juce::ScopedLock stateCallGuard (stateCallLock);

    for (int attempt = 1;; ++attempt)
    {
        int generationBeforeCopy;
        {
            const juce::ScopedLock lock (recordLock);
            generationBeforeCopy = recordGeneration;
        }

        // copyState takes the tree's own lock; recordLock is not held meanwhile, so that a
        // restore holding the tree's lock never waits on a switch that waits on recordLock.
        auto xml = parameters.copyState().createXml();

        const juce::ScopedLock lock (recordLock);

        if (recordGeneration != generationBeforeCopy && attempt < maximumCopyAttempts)
            continue;

        if (xml == nullptr)
            return;

        // A switch handed over to the message thread may not have happened yet: the block
        // stores the side the live values belong to.
        for (auto* child : xml->getChildIterator())
            if (child->getStringAttribute (idAttribute) == ParamIDs::splitTestingSide)
                child->setAttribute (valueAttribute, sideAActive.load() ? 0 : 1);

        const auto& record = sideAActive.load() ? presetParamsB : presetParamsA;

        using namespace PresetParamsFields;

        for (const auto& field : floats)
            xml->setAttribute (recordKey (field.id), (double) (record.*field.member));

        for (const auto& field : ints)
            xml->setAttribute (recordKey (field.id), record.*field.member);

        const auto writeSwitches = [&] (const auto& fields)
        {
            for (const auto& field : fields)
                xml->setAttribute (recordKey (field.id), record.*field.member ? 1 : 0);
        };

        writeSwitches (switchesBeforeTimeMode);
        writeSwitches (timeModeFlags);
        writeSwitches (switchesAfterTimeMode);

        xml->setAttribute (presetNameAKey, presetNameA);
        xml->setAttribute (presetNameBKey, presetNameB);
        xml->setAttribute (presetIdAKey, presetIdA);
        xml->setAttribute (presetIdBKey, presetIdB);
        xml->setAttribute (presetPathAKey, presetPathA);
        xml->setAttribute (presetPathBKey, presetPathB);
        xml->setAttribute (lockDryWetKey, lockDryWet ? 1 : 0);

        copyXmlToBinary (*xml, destData);
        return;
    }
}

void VantrelDelayAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const juce::ScopedLock stateCallGuard (stateCallLock);

    loadingState.exchange (true);
    restoreState (data, sizeInBytes);
    loadingState.exchange (false);
}

void VantrelDelayAudioProcessor::restoreState (const void* data, int sizeInBytes)
{
    const auto xml = decodeBlock (data, sizeInBytes);

    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase (rootTag))
        return;

    // The tree is built first and every decision below is read from it, exactly as the
    // framework will read it. The extra attributes stay out of it: they are written afresh.
    auto rootWithoutAttributes = *xml;
    rootWithoutAttributes.setTagName (rootTag);
    rootWithoutAttributes.removeAllAttributes();
    auto state = juce::ValueTree::fromXml (rootWithoutAttributes);

    const auto selection = readStoredSelection (state, parameters);
    makeParameterChildrenSound (state, parameters);

    {
        const juce::ScopedLock lock (recordLock);

        presetNameA = xml->getStringAttribute (presetNameAKey, defaultPresetName);
        presetNameB = xml->getStringAttribute (presetNameBKey, defaultPresetName);
        presetIdA = xml->getIntAttribute (presetIdAKey, defaultPresetId);
        presetIdB = xml->getIntAttribute (presetIdBKey, defaultPresetId);
        presetPathA = xml->getStringAttribute (presetPathAKey);
        presetPathB = xml->getStringAttribute (presetPathBKey);
        lockDryWet = xml->getBoolAttribute (lockDryWetKey, false);

        sideAActive.store (selection.side == 0);
        auto& record = sideAActive.load() ? presetParamsB : presetParamsA;

        PresetParams defaults;
        defaults.timeMs = storedTimeMsDefault;

        using namespace PresetParamsFields;

        for (const auto& field : floats)
        {
            const auto key = recordKey (field.id);
            const auto stored = xml->hasAttribute (key) ? finiteOrZero (xml->getDoubleAttribute (key)) : defaults.*field.member;
            record.*field.member = clampedTo (parameters.getParameterRange (field.id), stored);
        }

        for (const auto& field : ints)
        {
            const auto& range = parameters.getParameterRange (field.id);
            const auto stored = xml->getIntAttribute (recordKey (field.id), defaults.*field.member);
            record.*field.member = juce::jlimit ((int) range.start, (int) range.end, stored);
        }

        const auto readSwitches = [&] (const auto& fields)
        {
            for (const auto& field : fields)
                record.*field.member = xml->getBoolAttribute (recordKey (field.id), defaults.*field.member);
        };

        readSwitches (switchesBeforeTimeMode);
        readSwitches (timeModeFlags);
        readSwitches (switchesAfterTimeMode);

        ++recordGeneration;
    }

    parameters.replaceState (state);

    if (!selection.modern)
    {
        setParamValue (ParamIDs::timeMode, (float) selection.timeMode);
        setParamValue (ParamIDs::splitTestingSide, (float) selection.side);
    }

    // A wrapper may pass on none of the changes a restore makes: the host hears of them again.
    sideSwitchFinisher.requestAnnouncement();
}
