#pragma once

#include "OfflineRender.h"
#include "ParameterSettings.h"

#include <vector>

/** Everything one invocation of quello-render asks for. */
struct RenderCommand
{
    juce::File input;
    juce::File output;
    bool renderDemo = false;
    bool listParameters = false;
    bool listPresets = false;
    bool showHelp = false;
    int bitsPerSample = 24;
    RenderSettings settings;
    std::vector<ParameterAssignment> assignments;
    juce::String preset;
    juce::File savePresetFile;
    juce::File stateFile;
    juce::File saveStateFile;
};

namespace RenderCommandLine
{
/** Fills the command from the arguments (without the program name); fails with a one-line reason. */
juce::Result parse (const juce::StringArray& arguments, RenderCommand& command);

/** The --help text. */
juce::String usage();
}
