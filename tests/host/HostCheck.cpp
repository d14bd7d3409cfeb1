/*  quello-host-check: loads the built Quello bundle through JUCE's own plug-in hosting, exactly as
    a DAW does, and checks it through the host interface only.

    Usage: quello-host-check --format VST3|LV2 --bundle PATH [--suite basic|validation|splitTest|all] [--check NAME] [--list]

    Every check runs on a freshly created, unprepared instance and reports through its CheckContext.
    To add a check:
      1. write a function `void checkSomething (CheckContext& context)` in BasicChecks.cpp (what every
         host relies on) or ValidationChecks.cpp (the strict validator matrix), or in a new file of
         your own listed in tests/host/CMakeLists.txt;
      2. add `{ "somethingName", checkSomething }` to the list returned by getBasicChecks() or
         getValidationChecks() (or add your own list and append it in allSuites() below).
    Use `context.instance` (a juce::AudioPluginInstance), `context.plugin.createInstance()` for more
    instances, the helpers in HostAudio.h, `context.expect (condition, "what was expected")` for
    findings and `context.note (...)` for figures. A check must stop every thread it starts. */

#include "HostCheck.h"

#include <iostream>

CheckContext::CheckContext (juce::AudioPluginInstance& instanceToCheck, const PluginUnderTest& pluginToCheck)
    : instance (instanceToCheck)
    , plugin (pluginToCheck)
{
}

bool CheckContext::expect (bool condition, const juce::String& whatWasExpected)
{
    if (!condition)
    {
        ++failures;
        std::cout << "    FAILED: " << whatWasExpected << std::endl;
    }

    return condition;
}

void CheckContext::note (const juce::String& message) const
{
    std::cout << "    " << message << std::endl;
}

namespace
{
struct Suite
{
    const char* name;
    const std::vector<NamedCheck>& checks;
};

std::vector<Suite> allSuites()
{
    return { { "basic", getBasicChecks() }, { "validation", getValidationChecks() }, { "splitTest", getSplitTestChecks() } };
}

juce::String getOption (const juce::StringArray& arguments, const juce::String& option, const juce::String& fallback = {})
{
    const auto index = arguments.indexOf (option);
    return index >= 0 && index + 1 < arguments.size() ? arguments[index + 1] : fallback;
}

std::vector<NamedCheck> selectChecks (const juce::String& suiteName, const juce::String& checkName)
{
    std::vector<NamedCheck> selected;

    for (const auto& suite : allSuites())
        if (suiteName == "all" || suiteName == suite.name)
            for (const auto& check : suite.checks)
                if (checkName.isEmpty() || checkName == check.name)
                    selected.push_back (check);

    return selected;
}

int runChecks (const PluginUnderTest& plugin, const std::vector<NamedCheck>& checks)
{
    int failedChecks = 0;

    for (const auto& check : checks)
    {
        std::cout << "[ RUN  ] " << plugin.getDescription().pluginFormatName << " " << check.name << std::endl;
        auto instance = plugin.createInstance();

        if (instance == nullptr)
        {
            std::cout << "[ FAIL ] " << check.name << ": no instance" << std::endl;
            ++failedChecks;
            continue;
        }

        const auto start = juce::Time::getMillisecondCounterHiRes();
        CheckContext context (*instance, plugin);
        check.run (context);
        const auto elapsed = juce::roundToInt (juce::Time::getMillisecondCounterHiRes() - start);

        std::cout << (context.getNumFailures() == 0 ? "[  OK  ] " : "[ FAIL ] ") << check.name << " (" << elapsed << " ms)" << std::endl;
        failedChecks += context.getNumFailures() == 0 ? 0 : 1;
    }

    return failedChecks;
}
}

int main (int argc, char* argv[])
{
    juce::StringArray arguments;

    for (int i = 1; i < argc; ++i)
        arguments.add (argv[i]);

    const auto suiteName = getOption (arguments, "--suite", "all");
    const auto checks = selectChecks (suiteName, getOption (arguments, "--check"));

    if (arguments.contains ("--list"))
    {
        for (const auto& check : checks)
            std::cout << check.name << std::endl;

        return 0;
    }

    const auto formatName = getOption (arguments, "--format");
    const auto bundlePath = getOption (arguments, "--bundle");

    if (formatName.isEmpty() || bundlePath.isEmpty() || checks.empty())
    {
        std::cerr << "usage: quello-host-check --format VST3|LV2 --bundle PATH [--suite basic|validation|splitTest|all] [--check NAME] [--list]" << std::endl;
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    juce::String error;
    auto plugin = PluginUnderTest::load (formatName, juce::File::getCurrentWorkingDirectory().getChildFile (bundlePath), error);

    if (plugin == nullptr)
    {
        std::cerr << "cannot load the plug-in: " << error << std::endl;
        return 1;
    }

    const auto failedChecks = runChecks (*plugin, checks);
    std::cout << checks.size() - (size_t) failedChecks << " of " << checks.size() << " checks passed" << std::endl;
    return failedChecks == 0 ? 0 : 1;
}
