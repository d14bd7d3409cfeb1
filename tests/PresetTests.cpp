#include "PluginProcessor.h"
#include "ProcessorPresets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <unistd.h>

namespace
{
using Attributes = std::map<juce::String, juce::String>;

/** Points XDG_DATA_HOME and HOME at a fresh temporary folder for one test, so nothing touches
    the real home folders. */
class ScopedDataHome
{
public:
    // CTest runs tests as parallel processes: the process ID keeps their folders apart.
    ScopedDataHome()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("quello-preset-test-" + juce::String (getpid()), {}, false))
    {
        folder.createDirectory();
        setenv ("XDG_DATA_HOME", folder.getChildFile ("data").getFullPathName().toRawUTF8(), 1);
        setenv ("HOME", folder.getChildFile ("home").getFullPathName().toRawUTF8(), 1);
    }

    ~ScopedDataHome() { folder.deleteRecursively(); }

    const juce::File folder;
};

void writePreset (const juce::File& file, const Attributes& attributes)
{
    juce::XmlElement preset ("xmlToSave");

    for (const auto& [name, value] : attributes)
        preset.setAttribute (name, value);

    file.getParentDirectory().createDirectory();
    ASSERT_TRUE (preset.writeTo (file));
}

float valueOf (VantrelDelayAudioProcessor& processor, const char* id)
{
    return processor.parameters.getRawParameterValue (id)->load();
}

class PresetTest : public ::testing::Test
{
protected:
    ScopedDataHome dataHome;
    VantrelDelayAudioProcessor processor;
    std::unique_ptr<CV::PresetLibrary> library = ProcessorPresets::createLiveSideLibrary (processor);
    const juce::File root = library->presetsRoot;
};
}

TEST_F (PresetTest, PresetsRootFollowsXdgDataHomeAndHoldsUserFolder)
{
    EXPECT_EQ (root, dataHome.folder.getChildFile ("data/Corvalen/Quello/Presets"));
    EXPECT_TRUE (root.getChildFile ("User").isDirectory());
}

TEST_F (PresetTest, SaveThenLoadReproducesEveryPresetParameterAndLeavesSideAndBypassAlone)
{
    processor.setParamValue (ParamIDs::splitTestingSide, 1.0f);
    processor.setParamValue (ParamIDs::bypassAll, 1.0f);

    // A value near the top of each range, away from the default, so every parameter is exercised.
    std::map<juce::String, float> saved;

    for (const auto& id : ProcessorPresets::parameterIDs())
    {
        auto* parameter = processor.parameters.getParameter (id);
        const auto& range = parameter->getNormalisableRange();
        processor.setParamValue (id, range.start + 0.73f * (range.end - range.start));
        saved[id] = valueOf (processor, id.toRawUTF8());
    }

    ASSERT_TRUE (library->savePreset (library->userFolder.getChildFile ("Round Trip")));
    const auto file = library->userFolder.getChildFile ("Round Trip.cvpreset");
    ASSERT_TRUE (library->selectPreset (1));

    ASSERT_TRUE (library->loadPresetFile (file));

    for (const auto& [id, value] : saved)
        EXPECT_NEAR (valueOf (processor, id.toRawUTF8()), value, 1.0e-5 * std::max (1.0f, std::abs (value))) << id;

    EXPECT_EQ (valueOf (processor, ParamIDs::splitTestingSide), 1.0f);
    EXPECT_EQ (valueOf (processor, ParamIDs::bypassAll), 1.0f);
    EXPECT_FALSE (library->isModified());

    const auto text = file.loadFileAsString();
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<xmlToSave"));
    const auto xml = juce::parseXML (file);
    ASSERT_NE (xml, nullptr);
    ASSERT_EQ (xml->getNumAttributes(), 38);

    for (int index = 0; index < 36; ++index)
        EXPECT_EQ (xml->getAttributeName (index), "preset_" + ProcessorPresets::parameterIDs()[(size_t) index]);

    EXPECT_EQ (xml->getStringAttribute ("preset_name"), "Round Trip");
    EXPECT_EQ (xml->getStringAttribute ("plugin_version"), "1.3.1");
}

TEST_F (PresetTest, FileVersionsAndAttributeValuesLoadAsDocumented)
{
    struct Row
    {
        const char* what;
        Attributes attributes;
        const char* id;
        float expected;
    };

    const std::vector<Row> rows {
        { "1.2 switches convert", { { "plugin_version", "1.2.0" }, { "preset_trip", "1" } }, ParamIDs::timeMode, 2.0f },
        { "1.3 ignores switches", { { "plugin_version", "1.3.1" }, { "preset_trip", "1" } }, ParamIDs::timeMode, 0.0f },
        { "no version is 1.0", { { "preset_trip", "1" } }, ParamIDs::timeMode, 2.0f },
        { "switch words count", { { "plugin_version", "1.1.3" }, { "preset_ms", "false" }, { "preset_nrm", "true" } }, ParamIDs::timeMode, 1.0f },
        { "no switch on keeps the stored mode", { { "plugin_version", "1.0.0" }, { "preset_timeMode", "3" } }, ParamIDs::timeMode, 3.0f },
        { "1.3 reads timeMode", { { "plugin_version", "1.3.1" }, { "preset_timeMode", "3" } }, ParamIDs::timeMode, 3.0f },
        { "missing attribute loads default", { { "plugin_version", "1.3.1" } }, ParamIDs::feedback, 0.5f },
        { "not a number loads default", { { "preset_highCut", "nan" } }, ParamIDs::highCut, 20000.0f },
        { "infinity loads default", { { "preset_timeMs", "inf" } }, ParamIDs::timeMs, 1.0f },
        { "huge value clamps", { { "preset_lowCut", "1e300" } }, ParamIDs::lowCut, 20000.0f },
        { "text reads as zero", { { "preset_dry", "loud" } }, ParamIDs::dry, 0.0f },
    };

    for (const auto& row : rows)
    {
        processor.setParamValue (row.id, 1.0f);
        const auto file = root.getChildFile ("Cases").getChildFile (juce::String (row.what) + ".cvpreset");
        writePreset (file, row.attributes);

        ASSERT_TRUE (library->loadPresetFile (file)) << row.what;
        EXPECT_NEAR (valueOf (processor, row.id), row.expected, 1.0e-6 * std::max (1.0f, row.expected)) << row.what;
        EXPECT_FALSE (library->isModified()) << row.what;
    }
}

TEST_F (PresetTest, DryWetLockKeepsDryAndWetButInitResetsEverything)
{
    writePreset (root.getChildFile ("Mixing/Full.cvpreset"), { { "preset_dry", "1" }, { "preset_wet", "1" }, { "preset_feedback", "0.8" } });
    processor.lockDryWet = true;
    library = ProcessorPresets::createLiveSideLibrary (processor);
    processor.setParamValue (ParamIDs::dry, 0.3f);
    processor.setParamValue (ParamIDs::wet, 0.4f);

    ASSERT_TRUE (library->selectPreset (2));

    EXPECT_NEAR (valueOf (processor, ParamIDs::dry), 0.3f, 1.0e-6);
    EXPECT_NEAR (valueOf (processor, ParamIDs::wet), 0.4f, 1.0e-6);
    EXPECT_NEAR (valueOf (processor, ParamIDs::feedback), 0.8f, 1.0e-6);
    EXPECT_EQ (processor.presetNameA, "Full*");

    processor.setParamValue (ParamIDs::mode, 5.0f);
    ASSERT_TRUE (library->selectPreset (1));

    for (const auto& id : ProcessorPresets::parameterIDs())
    {
        auto* parameter = processor.parameters.getParameter (id);
        EXPECT_EQ (valueOf (processor, id.toRawUTF8()), parameter->convertFrom0to1 (parameter->getDefaultValue())) << id;
    }

    EXPECT_EQ (processor.presetNameA, "-init-");
    EXPECT_TRUE (processor.presetPathA.isEmpty());
}

TEST_F (PresetTest, ModifiedMarkFollowsChangesBeyondATolerance)
{
    writePreset (root.getChildFile ("Mixing/Bright.cvpreset"),
        { { "plugin_version", "1.3.1" }, { "preset_highCut", "15000.3" }, { "preset_lowCut", "19876.5" }, { "preset_spread", "0.005" }, { "preset_mode", "2.4" } });
    ASSERT_TRUE (library->selectPreset (2));
    EXPECT_EQ (processor.presetNameA, "Bright");

    processor.setParamValue (ParamIDs::feedback, 0.5005f);
    library->updateModifiedMark();
    EXPECT_EQ (processor.presetNameA, "Bright");

    processor.setParamValue (ParamIDs::feedback, 0.502f);
    library->updateModifiedMark();
    EXPECT_EQ (processor.presetNameA, "Bright*");

    processor.setParamValue (ParamIDs::feedback, 0.5f);
    library->updateModifiedMark();
    EXPECT_EQ (processor.presetNameA, "Bright");
}

TEST_F (PresetTest, LoadingRaisesResetRequestAndWritesTheLiveSide)
{
    writePreset (root.getChildFile ("Mixing/Side.cvpreset"), { { "preset_feedback", "0.2" } });
    processor.sideAActive = false;
    library = ProcessorPresets::createLiveSideLibrary (processor);
    processor.resetRequest = false;

    ASSERT_TRUE (library->selectPreset (2));

    EXPECT_TRUE (processor.resetRequest.load());
    EXPECT_EQ (processor.presetNameB, "Side");
    EXPECT_EQ (processor.presetIdB, 2);
    EXPECT_EQ (processor.presetPathB, root.getChildFile ("Mixing/Side.cvpreset").getFullPathName());
    EXPECT_EQ (processor.presetNameA, "-init-");
}

//==============================================================================
namespace
{
/** Ambient: "Preset 2", "Preset 10", "sub/Deep"; beta: "Twice" (extension twice); User: empty;
    plus a stray file in the root and a text file, neither of which is numbered. */
class PresetFolderTest : public PresetTest
{
protected:
    void SetUp() override
    {
        const std::vector<juce::String> files { "Ambient/Preset 10.cvpreset", "Ambient/Preset 2.cvpreset", "Ambient/sub/Deep.cvpreset",
            "beta/Twice.cvpreset.cvpreset", "stray.cvpreset" };
        auto feedback = 0.1;

        for (const auto& path : files)
            writePreset (root.getChildFile (path), { { "preset_feedback", juce::String (feedback += 0.1) } });

        root.getChildFile ("Ambient/notes.txt").replaceWithText ("not a preset");
        library->updatePresetsList();
    }

    juce::String pathOf (const char* relative) const { return root.getChildFile (relative).getFullPathName(); }
};
}

TEST_F (PresetFolderTest, CategoriesListInNaturalOrderWithNamesWithoutExtension)
{
    std::vector<juce::String> listed;

    for (const auto& category : library->getCategories())
        for (const auto& preset : category.presets)
            listed.push_back (category.name + "/" + juce::String (preset.number) + " " + preset.name);

    const std::vector<juce::String> expected { "Ambient/2 Preset 2", "Ambient/3 Preset 10", "Ambient/4 Deep", "beta/5 Twice" };
    EXPECT_EQ (listed, expected);
    ASSERT_EQ (library->getCategories().size(), 3u);
    EXPECT_EQ (library->getCategories()[2].name, "User");
    EXPECT_EQ (library->getNumberOfItems(), 5);
}

TEST_F (PresetFolderTest, NumberingSteppingAndRestoringFollowTheRules)
{
    enum class Action
    {
        select,
        previous,
        next,
        initialize
    };

    struct Row
    {
        const char* what;
        int startId;
        juce::String startName, startPath;
        Action action;
        int argument;
        int expectedId;
        juce::String expectedName;
        bool expectsLoadedPreset;
    };

    const auto deep = pathOf ("Ambient/sub/Deep.cvpreset");
    const std::vector<Row> rows {
        { "select first file", 1, "-init-", {}, Action::select, 2, 2, "Preset 2", true },
        { "natural order", 1, "-init-", {}, Action::select, 3, 3, "Preset 10", true },
        { "recursive below category", 1, "-init-", {}, Action::select, 4, 4, "Deep", true },
        { "double extension", 1, "-init-", {}, Action::select, 5, 5, "Twice", true },
        { "stale number loads first", 3, "Preset 10", {}, Action::select, 9, 2, "Preset 2", true },
        { "next wraps to first", 5, "Twice", {}, Action::next, 0, 2, "Preset 2", true },
        { "next from init", 1, "-init-", {}, Action::next, 0, 2, "Preset 2", true },
        { "next steps", 3, "Preset 10", {}, Action::next, 0, 4, "Deep", true },
        { "previous from first wraps", 2, "Preset 2", {}, Action::previous, 0, 5, "Twice", true },
        { "previous from init wraps", 1, "-init-", {}, Action::previous, 0, 5, "Twice", true },
        { "previous steps", 4, "Deep", {}, Action::previous, 0, 3, "Preset 10", true },
        { "previous beyond the list", 9, "Gone", {}, Action::previous, 0, 2, "Preset 2", true },
        { "init keeps init", 1, "Stale", deep, Action::initialize, 0, 1, "-init-", false },
        { "path found", 7, "Old", deep, Action::initialize, 0, 4, "Deep", true },
        { "path gone", 3, "Gone", pathOf ("Ambient/Gone.cvpreset"), Action::initialize, 0, 1, "Gone", false },
        { "number and name match", 3, "Preset 10", {}, Action::initialize, 0, 3, "Preset 10", true },
        { "modified name falls back", 3, "Preset 10*", {}, Action::initialize, 0, 1, "Preset 10*", false },
        { "number beyond the list", 40, "Far", {}, Action::initialize, 0, 1, "Far", false },
    };

    for (const auto& row : rows)
    {
        processor.presetIdA = row.startId;
        processor.presetNameA = row.startName;
        processor.presetPathA = row.startPath;
        library->lastLoadedPreset = juce::XmlElement ("lastLoadedPreset");

        switch (row.action)
        {
            case Action::select:
                EXPECT_TRUE (library->selectPreset (row.argument)) << row.what;
                break;
            case Action::previous:
                EXPECT_TRUE (library->selectPreviousPreset()) << row.what;
                break;
            case Action::next:
                EXPECT_TRUE (library->selectNextPreset()) << row.what;
                break;
            case Action::initialize:
                library->initialize();
                break;
        }

        EXPECT_EQ (processor.presetIdA, row.expectedId) << row.what;
        EXPECT_EQ (processor.presetNameA, row.expectedName) << row.what;
        EXPECT_EQ (library->lastLoadedPreset.hasAttribute ("preset_feedback"), row.expectsLoadedPreset) << row.what;

        if (row.action != Action::initialize)
        {
            EXPECT_NEAR (valueOf (processor, ParamIDs::feedback), library->lastLoadedPreset.getDoubleAttribute ("preset_feedback"), 1.0e-6) << row.what;
        }
    }
}

TEST_F (PresetFolderTest, UnreadableOrUnparsableFilesChangeNothing)
{
    const std::vector<std::pair<const char*, std::function<void (const juce::File&)>>> rows {
        { "empty", [] (const juce::File& file)
            { file.replaceWithText ({}); } },
        { "binary garbage", [] (const juce::File& file)
            {
                const unsigned char bytes[] = { 0x00, 0xff, 0x3c, 0x13, 0x88, 0x00, 0x7f };
                file.replaceWithData (bytes, sizeof (bytes));
            } },
        { "no root element", [] (const juce::File& file)
            { file.replaceWithText ("<?xml version=\"1.0\"?>\njust text"); } },
        { "dangling link", [] (const juce::File& file)
            { ASSERT_EQ (symlink ("/nonexistent/quello.cvpreset", file.getFullPathName().toRawUTF8()), 0); } },
    };

    for (const auto& [what, makeBad] : rows)
    {
        ASSERT_TRUE (library->selectPreset (3));
        processor.setParamValue (ParamIDs::tape, 0.6f);
        const auto bad = root.getChildFile ("Ambient/Preset 3.cvpreset");
        makeBad (bad);
        ASSERT_EQ (library->getPresetFiles()[1], bad) << what;
        processor.resetRequest = false;

        EXPECT_FALSE (library->loadPresetFile (bad)) << what;
        EXPECT_FALSE (library->selectPreset (3)) << what;

        EXPECT_EQ (processor.presetIdA, 3) << what;
        EXPECT_EQ (processor.presetNameA, "Preset 10") << what;
        EXPECT_EQ (processor.presetPathA, pathOf ("Ambient/Preset 10.cvpreset")) << what;
        EXPECT_NEAR (library->lastLoadedPreset.getDoubleAttribute ("preset_feedback"), valueOf (processor, ParamIDs::feedback), 1.0e-6) << what;
        EXPECT_NEAR (valueOf (processor, ParamIDs::tape), 0.6f, 1.0e-6) << what;
        EXPECT_FALSE (processor.resetRequest.load()) << what;
        bad.deleteFile();
    }
}

TEST_F (PresetFolderTest, SavingAddsTheExtensionAndAFailedSaveKeepsTheOldFile)
{
    processor.setParamValue (ParamIDs::feedback, 0.9f);
    ASSERT_TRUE (library->savePreset (library->userFolder.getChildFile ("Big Room")));

    const auto saved = library->userFolder.getChildFile ("Big Room.cvpreset");
    EXPECT_TRUE (saved.existsAsFile());
    EXPECT_EQ (processor.presetNameA, "Big Room");
    EXPECT_EQ (processor.presetIdA, 6);
    EXPECT_EQ (processor.presetPathA, saved.getFullPathName());
    EXPECT_EQ (library->getNumberOfItems(), 6);

    // Block the temporary file with a folder: writing fails whatever the user's rights are.
    const auto before = saved.loadFileAsString();
    library->userFolder.getChildFile (".Big Room.saving/blocker").create();
    processor.setParamValue (ParamIDs::feedback, 0.1f);

    EXPECT_FALSE (library->savePreset (saved));
    EXPECT_EQ (saved.loadFileAsString(), before);
}

TEST_F (PresetTest, FactoryBankIsCompleteAndInTheCurrentFormat)
{
    const auto bank = juce::File (QUELLO_SOURCE_DIR).getChildFile ("presets");
    const auto files = bank.findChildFiles (juce::File::findFiles, true, juce::String ("*") + CV::PresetFile::extension);
    ASSERT_FALSE (files.isEmpty());

    for (const auto& file : files)
    {
        const auto preset = CV::PresetFile::read (file);
        ASSERT_NE (preset, nullptr) << file.getFullPathName();

        for (const auto& id : ProcessorPresets::parameterIDs())
            EXPECT_TRUE (preset->hasAttribute ("preset_" + id)) << file.getFileName() << " " << id;

        EXPECT_EQ (preset->getStringAttribute ("plugin_version"), "1.3.1") << file.getFileName();
        EXPECT_EQ (preset->getStringAttribute ("preset_name"), CV::PresetFile::nameOf (file)) << file.getFileName();
        ASSERT_TRUE (library->loadPresetFile (file));
        EXPECT_FALSE (library->isModified()) << file.getFileName();
    }
}
