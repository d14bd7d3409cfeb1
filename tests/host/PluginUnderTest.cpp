#include "HostCheck.h"

#include <iostream>
#include <lilv/lilv.h>

namespace
{
// Creation-time details only; every check prepares the instance itself.
constexpr double creationSampleRate = 44100.0;
constexpr int creationBlockSize = 512;

std::unique_ptr<juce::AudioPluginFormat> createFormat (const juce::String& formatName)
{
    if (formatName.equalsIgnoreCase ("VST3"))
        return std::make_unique<juce::VST3PluginFormat>();

    if (formatName.equalsIgnoreCase ("LV2"))
        return std::make_unique<juce::LV2PluginFormat>();

    return nullptr;
}

/** The plug-in identifiers to describe: a VST3 is found by its bundle path, an LV2 by its URI
    once the bundle's folder has been searched, as LV2 hosts do. */
juce::StringArray findIdentifiers (juce::AudioPluginFormat& format, const juce::File& bundle)
{
    if (format.getName() != "LV2")
        return { bundle.getFullPathName() };

    auto uris = format.searchPathsForPlugins (juce::FileSearchPath (bundle.getParentDirectory().getFullPathName()), false, false);

    if (!uris.contains (QUELLO_LV2_URI))
        std::cerr << "the LV2 search did not find " << QUELLO_LV2_URI << ", only: " << uris.joinIntoString (", ") << std::endl;

    return { QUELLO_LV2_URI };
}

/** Reads doap:release / doap:revision, where LV2 hosts find a plug-in's version. */
juce::String readLv2Revision (const juce::File& bundle, const juce::String& uri)
{
    auto* world = lilv_world_new();
    const auto bundlePath = juce::File::addTrailingSeparator (bundle.getFullPathName());
    auto* bundleNode = lilv_new_file_uri (world, nullptr, bundlePath.toRawUTF8());
    auto* pluginNode = lilv_new_uri (world, uri.toRawUTF8());
    auto* releaseNode = lilv_new_uri (world, "http://usefulinc.com/ns/doap#release");
    auto* revisionNode = lilv_new_uri (world, "http://usefulinc.com/ns/doap#revision");
    lilv_world_load_bundle (world, bundleNode);

    juce::String revision;

    // Asking the plug-in (not the world) makes lilv load its data file, as it does for hosts.
    if (const auto* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), pluginNode))
    {
        auto* releases = lilv_plugin_get_value (plugin, releaseNode);

        if (releases != nullptr && lilv_nodes_size (releases) > 0)
        {
            if (auto* value = lilv_world_get (world, lilv_nodes_get_first (releases), revisionNode, nullptr))
            {
                revision = juce::String::fromUTF8 (lilv_node_as_string (value));
                lilv_node_free (value);
            }
        }

        lilv_nodes_free (releases);
    }

    for (auto* node : { bundleNode, pluginNode, releaseNode, revisionNode })
        lilv_node_free (node);

    lilv_world_free (world);
    return revision;
}
}

PluginUnderTest::PluginUnderTest (std::unique_ptr<juce::AudioPluginFormat> formatToUse, juce::PluginDescription descriptionToUse, juce::File bundleToUse)
    : format (std::move (formatToUse))
    , description (std::move (descriptionToUse))
    , bundle (std::move (bundleToUse))
{
}

std::unique_ptr<PluginUnderTest> PluginUnderTest::load (const juce::String& formatName, const juce::File& bundle, juce::String& error)
{
    auto format = createFormat (formatName);

    if (format == nullptr)
    {
        error = "unknown plug-in format " + formatName;
        return nullptr;
    }

    if (!bundle.exists())
    {
        error = "no bundle at " + bundle.getFullPathName();
        return nullptr;
    }

    juce::OwnedArray<juce::PluginDescription> found;

    for (const auto& identifier : findIdentifiers (*format, bundle))
        format->findAllTypesForFile (found, identifier);

    if (found.size() != 1)
    {
        error = juce::String (found.size()) + " plug-ins found in " + bundle.getFullPathName() + ", expected exactly one";
        return nullptr;
    }

    return std::unique_ptr<PluginUnderTest> (new PluginUnderTest (std::move (format), *found.getFirst(), bundle));
}

std::unique_ptr<juce::AudioPluginInstance> PluginUnderTest::createInstance() const
{
    juce::String error;
    auto instance = format->createInstanceFromDescription (description, creationSampleRate, creationBlockSize, error);

    if (instance == nullptr)
        std::cerr << "cannot create an instance: " << error << std::endl;

    return instance;
}

juce::String PluginUnderTest::getAdvertisedVersion() const
{
    if (isLv2())
        return readLv2Revision (bundle, description.fileOrIdentifier);

    return description.version;
}
