#include "AudioFiles.h"
#include "DemoPhrase.h"
#include "DemoTour.h"
#include "PluginProcessor.h"
#include "PresetFile.h"
#include "RenderCommandLine.h"
#include "RenderPresets.h"
#include "RenderState.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace
{
constexpr int exitFailure = 2;

/** Renders shorter than this finish before a progress bar would be worth reading. */
constexpr double progressBarMinimumSeconds = 5.0;

/** The temporary output of the running render, kept where a signal handler can reach it. */
char temporaryOutputPath[PATH_MAX] = {};

/** An interrupted render removes its temporary file, then ends as the signal would have ended it. */
extern "C" void removeTemporaryOutputAndExit (int signalNumber)
{
    if (temporaryOutputPath[0] != 0)
        unlink (temporaryOutputPath);

    std::signal (signalNumber, SIG_DFL);
    std::raise (signalNumber);
}

void removeTemporaryOutputOnInterrupt (const juce::File& temporaryFile)
{
    const auto path = temporaryFile.getFullPathName();

    if (path.getNumBytesAsUTF8() >= sizeof (temporaryOutputPath))
        return;

    path.copyToUTF8 (temporaryOutputPath, sizeof (temporaryOutputPath));

    for (const auto signalNumber : { SIGINT, SIGTERM, SIGHUP })
        std::signal (signalNumber, removeTemporaryOutputAndExit);
}

int fail (const juce::String& message)
{
    std::cerr << "quello-render: " << message << std::endl;
    return exitFailure;
}

/** A one-line progress bar on stderr, redrawn only when the percentage changes. */
class TerminalProgressBar
{
public:
    /** Clears the bar's line, so that the next message starts on a clean line. */
    void finish()
    {
        if (lastPercent >= 0)
            std::cerr << "\r\033[K" << std::flush;

        lastPercent = -1;
    }

    void update (double fraction)
    {
        static constexpr int width = 40;
        const auto percent = juce::roundToInt (fraction * 100.0);

        if (percent == lastPercent)
            return;

        lastPercent = percent;
        const auto filled = percent * width / 100;
        std::cerr << "\r[" << juce::String::repeatedString ("#", filled) << juce::String::repeatedString (".", width - filled) << "] "
                  << percent << "%" << std::flush;
    }

private:
    int lastPercent = -1;
};

juce::String describeSummary (const juce::File& output, const RenderSummary& summary, int numChannels, int bitsPerSample)
{
    const auto peak = summary.peakDecibels();
    return "Rendered " + output.getFullPathName() + ": " + juce::String (summary.durationSeconds(), 2) + " s, "
        + juce::String (juce::roundToInt (summary.sampleRate)) + " Hz " + (numChannels == 1 ? "mono" : "stereo") + ", "
        + (bitsPerSample == 32 ? juce::String ("32-bit float") : juce::String (bitsPerSample) + "-bit") + "; "
        + juce::String (summary.realtimeFactor(), 1) + "x realtime; peak "
        + (std::isfinite (peak) ? juce::String (peak, 1) : juce::String ("-inf")) + " dBFS";
}

int run (const juce::StringArray& arguments)
{
    RenderCommand command;

    if (const auto parsed = RenderCommandLine::parse (arguments, command); parsed.failed())
        return fail (parsed.getErrorMessage());

    if (command.showHelp)
    {
        std::cout << RenderCommandLine::usage();
        return 0;
    }

    VantrelDelayAudioProcessor processor;

    if (command.stateFile != juce::File())
        if (const auto restored = RenderState::load (processor, command.stateFile); restored.failed())
            return fail (restored.getErrorMessage());

    if (command.preset.isNotEmpty())
        if (const auto loaded = RenderPresets::load (processor, command.preset); loaded.failed())
            return fail (loaded.getErrorMessage());

    if (const auto applied = ParameterSettings::apply (processor, command.assignments); applied.failed())
        return fail (applied.getErrorMessage());

    if (command.listParameters)
    {
        std::cout << ParameterSettings::describe (processor);
        return 0;
    }

    if (command.listPresets)
    {
        std::cout << RenderPresets::describe (processor);
        return 0;
    }

    if (command.saveStateFile != juce::File())
    {
        if (const auto saved = RenderState::save (processor, command.saveStateFile); saved.failed())
            return fail (saved.getErrorMessage());

        std::cout << "Saved state " << command.saveStateFile.getFullPathName() << std::endl;
    }

    if (command.savePresetFile != juce::File())
    {
        if (const auto saved = RenderPresets::save (processor, command.savePresetFile); saved.failed())
            return fail (saved.getErrorMessage());

        std::cout << "Saved preset " << CV::PresetFile::withExtension (command.savePresetFile).getFullPathName() << std::endl;
    }

    if (!command.renderDemo && command.input == juce::File())
        return 0;

    RenderInput input;
    juce::StringArray userChoices;

    for (const auto& assignment : command.assignments)
        userChoices.add (assignment.parameterId);

    // The demo tours the modes unless the user picked a mode or a preset of their own.
    const auto tourModes = command.renderDemo && command.preset.isEmpty() && !userChoices.contains (ParamIDs::mode);

    if (tourModes)
    {
        input = RenderInput::fromBuffer (DemoTour::generate (DemoPhrase::defaultSampleRate), DemoPhrase::defaultSampleRate);
        DemoTour::apply (processor, 0, userChoices);
    }
    else if (command.renderDemo)
    {
        input = RenderInput::fromBuffer (DemoPhrase::generate(), DemoPhrase::defaultSampleRate);
    }
    else if (const auto opened = openAudioFile (command.input, input); opened.failed())
        return fail (opened.getErrorMessage());

    if (const auto valid = input.validate(); valid.failed())
        return fail (valid.getErrorMessage());

    WavFileOutput output;

    if (const auto opened = output.open (command.output, input.sampleRate, input.numChannels, command.bitsPerSample); opened.failed())
        return fail (opened.getErrorMessage());

    removeTemporaryOutputOnInterrupt (output.getTemporaryFile());

    const auto totalSeconds = (double) input.lengthInSamples / input.sampleRate + command.settings.tailSeconds;
    const auto showProgress = isatty (fileno (stderr)) != 0 && totalSeconds > progressBarMinimumSeconds;
    TerminalProgressBar progressBar;
    RenderSummary summary;
    const auto totalSamples = (double) input.lengthInSamples + command.settings.tailSeconds * input.sampleRate;
    auto scene = 0;

    const auto rendered = renderThroughProcessor (
        processor, input, command.settings, [&output] (const juce::AudioBuffer<float>& block)
        { return output.write (block); },
        [&] (double fraction)
        {
            if (showProgress)
                progressBar.update (fraction);

            if (tourModes)
            {
                const auto next = DemoTour::sceneAt ((juce::int64) std::llround (fraction * totalSamples), input.sampleRate);

                if (next != scene)
                    DemoTour::apply (processor, scene = next, userChoices);
            }
        },
        summary);
    progressBar.finish();

    if (rendered.failed())
        return fail (rendered.getErrorMessage());

    if (const auto committed = output.commit(); committed.failed())
        return fail (committed.getErrorMessage());

    std::cout << describeSummary (command.output, summary, input.numChannels, command.bitsPerSample) << std::endl;

    if (summary.nonFiniteSamples > 0)
        std::cerr << "quello-render: warning: the processor produced " << summary.nonFiniteSamples << " non-finite samples (NaN or infinity)" << std::endl;

    return 0;
}
}

int main (int argc, char* argv[])
{
    // The processor's parameter tree runs timers, which need the message thread's infrastructure.
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    juce::StringArray arguments;

    for (int index = 1; index < argc; ++index)
        arguments.add (juce::String::fromUTF8 (argv[index]));

    try
    {
        return run (arguments);
    }
    catch (const std::exception& error)
    {
        return fail (juce::String ("internal error: ") + error.what());
    }
}
