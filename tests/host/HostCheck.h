#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <vector>

/** Quello as a host finds it: one plug-in format, the description the format's scan gives,
    and instances made exactly as a DAW makes them. */
class PluginUnderTest
{
public:
    /** Scans the built bundle ("VST3" or "LV2"); on failure returns nullptr and fills error. */
    static std::unique_ptr<PluginUnderTest> load (const juce::String& formatName, const juce::File& bundle, juce::String& error);

    /** A new instance, created but not yet prepared. */
    std::unique_ptr<juce::AudioPluginInstance> createInstance() const;

    const juce::PluginDescription& getDescription() const { return description; }
    const juce::File& getBundle() const { return bundle; }
    bool isLv2() const { return description.pluginFormatName == "LV2"; }

    /** The version the bundle advertises to hosts (LV2 hosts read it from the metadata). */
    juce::String getAdvertisedVersion() const;

private:
    PluginUnderTest (std::unique_ptr<juce::AudioPluginFormat> formatToUse, juce::PluginDescription descriptionToUse, juce::File bundleToUse);

    std::unique_ptr<juce::AudioPluginFormat> format;
    juce::PluginDescription description;
    juce::File bundle;
};

/** What a check works with: a freshly created instance of the plug-in, the plug-in itself for
    further instances, and the record of findings. */
class CheckContext
{
public:
    CheckContext (juce::AudioPluginInstance& instanceToCheck, const PluginUnderTest& pluginToCheck);

    /** Records a failure with its description when condition is false; returns condition. */
    bool expect (bool condition, const juce::String& whatWasExpected);

    /** Prints a measured figure or a remark that is not a failure. */
    void note (const juce::String& message) const;

    int getNumFailures() const { return failures; }

    juce::AudioPluginInstance& instance;
    const PluginUnderTest& plugin;

private:
    int failures = 0;
};

/** One named check; it reports through the context and must leave no thread running. */
struct NamedCheck
{
    const char* name;
    void (*run) (CheckContext&);
};

/** Identity, parameters, texts, processing and state: what every host relies on. */
const std::vector<NamedCheck>& getBasicChecks();

/** A/B split testing through the host: a switch made by the host shows the other side's values
    in the host, and both sides survive the host's state round trip. */
const std::vector<NamedCheck>& getSplitTestChecks();

/** The strict validator matrix: rates, block sizes, automation, bad input, threads, allocations. */
const std::vector<NamedCheck>& getValidationChecks();
