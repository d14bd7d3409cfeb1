#include "RenderCommandLine.h"

#include <functional>
#include <limits>

namespace
{
/** One option of the table: its name, the name of its value (none for a switch), its help
    line and what it does to the command. New options are one more row. */
struct OptionSpec
{
    const char* name;
    const char* valueName;
    const char* help;
    std::function<juce::Result (RenderCommand&, const juce::String&)> apply;
};

juce::Result badValue (const juce::String& option, const juce::String& value, const juce::String& expected)
{
    return juce::Result::fail ("bad value \"" + value + "\" for " + option + ": expected " + expected);
}

bool readWholeNumber (const juce::String& text, int& number)
{
    double value = 0.0;

    if (!text.containsOnly ("0123456789") || !ParameterSettings::readBareNumber (text, value) || value > std::numeric_limits<int>::max())
        return false;

    number = (int) value;
    return true;
}

juce::File resolvePath (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

const std::vector<OptionSpec>& optionTable()
{
    static const std::vector<OptionSpec> table {
        { "--state", "FILE", "restore a saved plug-in state (as --save-state writes it) before any --preset and --set",
            [] (RenderCommand& command, const juce::String& value)
            {
                command.stateFile = resolvePath (value);
                return juce::Result::ok();
            } },
        { "--preset", "FILE|NAME", "load a preset before any --set: a .cvpreset file, or a name or number from --list-presets",
            [] (RenderCommand& command, const juce::String& value)
            {
                command.preset = value;
                return juce::Result::ok();
            } },
        { "--set", "ID=VALUE", "set a parameter before rendering (repeatable); see \"Values\" below",
            [] (RenderCommand& command, const juce::String& value)
            {
                ParameterAssignment assignment;
                const auto parsed = ParameterAssignment::parse (value, assignment);

                if (parsed.wasOk())
                    command.assignments.push_back (assignment);

                return parsed;
            } },
        { "--block", "N", "block size in samples (default 512)",
            [] (RenderCommand& command, const juce::String& value)
            {
                return readWholeNumber (value, command.settings.blockSize) ? juce::Result::ok()
                                                                           : badValue ("--block", value, "a whole number of samples");
            } },
        { "--tempo", "BPM", "host tempo the processor sees (default 120)",
            [] (RenderCommand& command, const juce::String& value)
            {
                return ParameterSettings::readBareNumber (value, command.settings.tempoBpm) ? juce::Result::ok()
                                                                                            : badValue ("--tempo", value, "a tempo in BPM");
            } },
        { "--tail", "SECONDS", "silence appended to the input so echoes ring out (default 2)",
            [] (RenderCommand& command, const juce::String& value)
            {
                return ParameterSettings::readBareNumber (value, command.settings.tailSeconds) ? juce::Result::ok()
                                                                                               : badValue ("--tail", value, "a number of seconds");
            } },
        { "--bits", "16|24|32f", "output sample format: 16 or 24 bit integer, 32 bit float (default 24)",
            [] (RenderCommand& command, const juce::String& value)
            {
                static const juce::StringArray formats { "16", "24", "32f" };
                static constexpr int bitDepths[] { 16, 24, 32 };
                const auto index = formats.indexOf (value);

                if (index < 0)
                    return badValue ("--bits", value, "16, 24 or 32f");

                command.bitsPerSample = bitDepths[index];
                return juce::Result::ok();
            } },
        { "--demo", "OUT.wav", "render the built-in demonstration phrase instead of an input file: once per playback mode, one after another, unless --set mode or --preset picks the sound",
            [] (RenderCommand& command, const juce::String& value)
            {
                command.renderDemo = true;
                command.output = resolvePath (value);
                return juce::Result::ok();
            } },
        { "--list-params", nullptr, "print every parameter (ID, name, range, default, current value after --set) and exit",
            [] (RenderCommand& command, const juce::String&)
            {
                command.listParameters = true;
                return juce::Result::ok();
            } },
        { "--save-preset", "FILE", "save the parameters (after --preset and --set) as a preset file; \".cvpreset\" is added when missing",
            [] (RenderCommand& command, const juce::String& value)
            {
                command.savePresetFile = resolvePath (value);
                return juce::Result::ok();
            } },
        { "--save-state", "FILE", "write the plug-in state (after --state, --preset and --set) as a host stores it in a project",
            [] (RenderCommand& command, const juce::String& value)
            {
                command.saveStateFile = resolvePath (value);
                return juce::Result::ok();
            } },
        { "--list-presets", nullptr, "print the presets folder and every preset with its number, and exit",
            [] (RenderCommand& command, const juce::String&)
            {
                command.listPresets = true;
                return juce::Result::ok();
            } },
        { "--help", nullptr, "print this help and exit",
            [] (RenderCommand& command, const juce::String&)
            {
                command.showHelp = true;
                return juce::Result::ok();
            } },
    };

    return table;
}

const OptionSpec* findOption (const juce::String& name)
{
    for (const auto& option : optionTable())
        if (name == option.name)
            return &option;

    return nullptr;
}

juce::StringArray optionNames()
{
    juce::StringArray names;

    for (const auto& option : optionTable())
        names.add (option.name);

    return names;
}

/** The files named outside options, checked against what the chosen mode needs. */
juce::Result assignFiles (const juce::StringArray& files, RenderCommand& command)
{
    if (command.showHelp)
        return juce::Result::ok();

    if (command.listParameters)
        return files.isEmpty() ? juce::Result::ok() : juce::Result::fail ("--list-params takes no files, but got \"" + files[0] + "\"");

    if (command.listPresets)
        return files.isEmpty() ? juce::Result::ok() : juce::Result::fail ("--list-presets takes no files, but got \"" + files[0] + "\"");

    if (command.renderDemo)
        return files.isEmpty() ? juce::Result::ok() : juce::Result::fail ("--demo renders the built-in phrase and takes no input file, but got \"" + files[0] + "\"");

    // Saving a preset or a state is a complete job of its own; rendering is then optional.
    if ((command.savePresetFile != juce::File() || command.saveStateFile != juce::File()) && files.isEmpty())
        return juce::Result::ok();

    if (files.size() < 2)
        return juce::Result::fail (files.isEmpty() ? "missing input and output files (see --help)" : "missing output file (see --help)");

    if (files.size() > 2)
        return juce::Result::fail ("too many files: expected INPUT OUTPUT.wav, got \"" + files.joinIntoString ("\" \"") + "\"");

    command.input = resolvePath (files[0]);
    command.output = resolvePath (files[1]);
    return juce::Result::ok();
}
}

juce::Result RenderCommandLine::parse (const juce::StringArray& arguments, RenderCommand& command)
{
    juce::StringArray files;

    for (int index = 0; index < arguments.size(); ++index)
    {
        const auto& argument = arguments[index];

        if (!argument.startsWith ("--"))
        {
            files.add (argument);
            continue;
        }

        // Both "--block 256" and "--block=256" are accepted.
        const auto name = argument.upToFirstOccurrenceOf ("=", false, false);
        const auto* option = findOption (name);

        if (option == nullptr)
            return juce::Result::fail ("unknown option " + name + "; did you mean " + ParameterSettings::closestMatch (name, optionNames()) + "? (see --help)");

        juce::String value;

        if (option->valueName != nullptr)
        {
            if (argument.containsChar ('='))
                value = argument.fromFirstOccurrenceOf ("=", false, false);
            else if (index + 1 < arguments.size())
                value = arguments[++index];
            else
                return juce::Result::fail (name + " needs a value: " + option->valueName);
        }
        else if (argument.containsChar ('='))
        {
            return juce::Result::fail (name + " takes no value");
        }

        if (const auto applied = option->apply (command, value); applied.failed())
            return applied;
    }

    if (const auto valid = command.settings.validate(); valid.failed())
        return valid;

    return assignFiles (files, command);
}

juce::String RenderCommandLine::usage()
{
    juce::String text;
    text << "quello-render: runs an audio file through the Quello delay, exactly as a host would.\n\n"
         << "Usage:\n"
         << "  quello-render [options] INPUT OUTPUT.wav\n"
         << "  quello-render [options] --demo OUTPUT.wav\n"
         << "  quello-render [--preset FILE|NAME] [--set ID=VALUE ...] --list-params\n"
         << "  quello-render [--preset FILE|NAME] [--set ID=VALUE ...] --save-preset FILE\n"
         << "  quello-render [--state FILE] [--preset FILE|NAME] [--set ID=VALUE ...] --save-state FILE\n"
         << "  quello-render --list-presets\n\n"
         << "Options:\n";

    static constexpr int optionColumnWidth = 24;

    for (const auto& option : optionTable())
    {
        const auto left = juce::String (option.name) + (option.valueName != nullptr ? " " + juce::String (option.valueName) : juce::String());
        text << "  " << left.paddedRight (' ', optionColumnWidth) << option.help << "\n";
    }

    text << "\nInput: WAV, AIFF or FLAC, mono or stereo, 8 to 192 kHz. Output: WAV at the input's rate and channel count,\n"
         << "written to a temporary file beside OUTPUT.wav and moved over it only when the render succeeds.\n\n"
         << "Values (--set ID=VALUE):\n"
         << "  A bare number (0.35, 350, -3, 1e3) is the value in the parameter's own units, as --list-params shows\n"
         << "  its range: most controls run 0 .. 1, frequencies in Hz, options by number. Anything else is read as the\n"
         << "  parameter's own display text, as a host reads a typed value: \"350 ms\", \"75%\", \"1.2k\", \"+7 Semi\",\n"
         << "  \"Rev Chaos\", \"On\". Values are set in the order given, before processing starts; a text that depends\n"
         << "  on another parameter (spread is ms, or % when pipo is on) is read again once all are set.\n\n"
         << "Examples:\n"
         << "  quello-render --demo demo.wav\n"
         << "  quello-render guitar.wav guitar-echo.wav --set timeMs=\"350 ms\" --set feedback=70%\n"
         << "  quello-render vocal.flac out.wav --set mode=\"Rev Chaos\" --set pitchShift=\"+7 Semi\" --tail 4\n"
         << "  quello-render drums.aiff out.wav --set timeMode=nrm --set timeNrm=1/8 --tempo 96 --bits 32f\n"
         << "  quello-render --set feedback=0.8 --list-params\n"
         << "  quello-render guitar.wav out.wav --preset \"Dotted Eighth Lead\" --set wet=30%\n"
         << "  quello-render --preset \"Ambient/Endless Cloud\" --set feedback=60% --save-preset \"Smaller Cloud\"\n"
         << "  quello-render --state session.state --set wet=50% --list-params\n\n"
         << "Exit status: 0 on success, 2 on any error (a one-line message on stderr; no output file is left behind).\n";
    return text;
}
