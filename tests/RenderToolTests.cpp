#include "AudioFiles.h"
#include "OfflineRender.h"
#include "ParameterSettings.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
/** What one run of the renderer printed and returned. */
struct RunResult
{
    int exitCode = -1;
    juce::String out, err;
};

juce::String shellQuoted (const juce::String& text)
{
    return "'" + text.replace ("'", "'\\''") + "'";
}

/** Scratch folders for one test: the renderer runs inside `work`, with its home folders pointed
    at `home`, and its stderr captured beside them so that listing `work` sees only its files. */
class RendererFixture : public ::testing::Test
{
protected:
    juce::File root, work, home, capture;

    void SetUp() override
    {
        // CTest runs tests as parallel processes: the process ID keeps their folders apart.
        const auto name = "quello-render-test-" + juce::String (getpid());
        root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile (name, "");
        work = root.getChildFile ("work");
        home = root.getChildFile ("home");
        capture = root.getChildFile ("stderr.txt");
        ASSERT_TRUE (work.createDirectory().wasOk());
        ASSERT_TRUE (home.createDirectory().wasOk());
    }

    void TearDown() override { root.deleteRecursively(); }

    RunResult run (const juce::StringArray& arguments) const
    {
        juce::String command = "cd " + shellQuoted (work.getFullPathName()) + " && env HOME=" + shellQuoted (home.getFullPathName())
            + " XDG_CONFIG_HOME=" + shellQuoted (home.getFullPathName())
            + " XDG_DATA_HOME=" + shellQuoted (home.getFullPathName()) + " " + shellQuoted (QUELLO_RENDER_PATH);

        for (const auto& argument : arguments)
            command << " " << shellQuoted (argument);

        command << " 2>" << shellQuoted (capture.getFullPathName());

        RunResult result;
        auto* pipe = popen (command.toRawUTF8(), "r");

        if (pipe == nullptr)
            return result;

        char chunk[4096];

        while (const auto length = std::fread (chunk, 1, sizeof (chunk), pipe))
            result.out += juce::String::fromUTF8 (chunk, (int) length);

        const auto status = pclose (pipe);
        result.exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : -1;
        result.err = capture.loadFileAsString();
        return result;
    }

    /** The parameter's line of --list-params after these arguments (its current value is the
        last column), or the error message when the run printed none. */
    juce::String lineAfter (const juce::StringArray& arguments, const juce::String& id) const
    {
        const auto result = run (arguments);

        for (const auto& line : juce::StringArray::fromLines (result.out))
            if (line.startsWith (id + " "))
                return line.trimEnd();

        return result.err;
    }

    /** Writes a test file of a sine tone in any format JUCE writes. */
    juce::File writeTone (const juce::String& name, juce::AudioFormat& format, int numChannels, double sampleRate, int numSamples) const
    {
        static constexpr double toneHz = 441.0;
        static constexpr float toneLevel = 0.5f;
        juce::AudioBuffer<float> tone (numChannels, numSamples);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int sample = 0; sample < numSamples; ++sample)
                tone.setSample (channel, sample, toneLevel * (float) std::sin (juce::MathConstants<double>::twoPi * toneHz * sample / sampleRate + channel));

        const auto file = work.getChildFile (name);
        auto stream = std::make_unique<juce::FileOutputStream> (file);
        std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, 24, {}, 0));

        if (writer != nullptr)
        {
            stream.release();
            writer->writeFromAudioSampleBuffer (tone, 0, numSamples);
        }

        return file;
    }

    juce::File writeWavTone (const juce::String& name, int numChannels = 2, double sampleRate = 48000.0, int numSamples = 4800) const
    {
        juce::WavAudioFormat wav;
        return writeTone (name, wav, numChannels, sampleRate, numSamples);
    }

    std::unique_ptr<juce::AudioFormatReader> openOutput (const juce::String& name) const
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        return std::unique_ptr<juce::AudioFormatReader> (formats.createReaderFor (work.getChildFile (name)));
    }

    /** Every file in the work folder, hidden ones (a left-over temporary file) included. */
    juce::StringArray workFiles() const
    {
        juce::StringArray names;

        for (const auto& entry : juce::RangedDirectoryIterator (work, false, "*", juce::File::findFilesAndDirectories))
            names.add (entry.getFile().getFileName());

        names.sort (false);
        return names;
    }
};

//==============================================================================
struct BadInvocation
{
    const char* label;
    juce::StringArray arguments;
    const char* messageFragment;
};

TEST_F (RendererFixture, BadInvocationsFailWithOneLineAndStatusTwo)
{
    writeWavTone ("in.wav");
    writeWavTone ("six.wav", 6);
    writeWavTone ("slow.wav", 2, 4000.0, 400);
    work.getChildFile ("text.wav").replaceWithText ("this is not audio");
    work.getChildFile ("folder").createDirectory();

    const std::vector<BadInvocation> rows {
        { "no files", {}, "missing input and output files" },
        { "no output", { "in.wav" }, "missing output file" },
        { "too many files", { "in.wav", "a.wav", "b.wav" }, "too many files" },
        { "missing input", { "nothing.wav", "out.wav" }, "not found" },
        { "folder as input", { "folder", "out.wav" }, "is a folder" },
        { "not audio", { "text.wav", "out.wav" }, "not a WAV, AIFF or FLAC file" },
        { "six channels", { "six.wav", "out.wav" }, "only mono and stereo" },
        { "sample rate too low", { "slow.wav", "out.wav" }, "sample rate of 4000 Hz" },
        { "unknown option", { "--blok", "64", "in.wav", "out.wav" }, "unknown option --blok; did you mean --block?" },
        { "option without value", { "in.wav", "out.wav", "--block" }, "--block needs a value" },
        { "block zero", { "--block", "0", "in.wav", "out.wav" }, "block size must be 1 to 65536" },
        { "block not a number", { "--block", "big", "in.wav", "out.wav" }, "bad value \"big\" for --block" },
        { "negative tail", { "--tail", "-1", "in.wav", "out.wav" }, "tail must be 0 to 3600" },
        { "20 bits", { "--bits", "20", "in.wav", "out.wav" }, "expected 16, 24 or 32f" },
        { "tempo not a number", { "--tempo", "fast", "in.wav", "out.wav" }, "bad value \"fast\" for --tempo" },
        { "tempo zero", { "--tempo", "0", "in.wav", "out.wav" }, "tempo must be" },
        { "set without equals", { "--set", "feedback", "in.wav", "out.wav" }, "--set needs ID=VALUE" },
        { "unknown parameter", { "--set", "feedbak=50%", "in.wav", "out.wav" }, "unknown parameter \"feedbak\"; did you mean \"feedback\"?" },
        { "garbage number text", { "--set", "feedback=lots", "in.wav", "out.wav" }, "cannot read \"lots\" as a value of feedback" },
        { "garbage option", { "--set", "mode=Reverse", "in.wav", "out.wav" }, "one of Normal, Rev Forw" },
        { "garbage on/off", { "--set", "pipo=maybe", "in.wav", "out.wav" }, "On or Off" },
        { "own units out of range", { "--set", "timeMs=350", "in.wav", "out.wav" }, "outside its range 0 .. 1" },
        { "output not wav", { "in.wav", "out.mp3" }, "must be a .wav file" },
        { "output folder missing", { "in.wav", "no/such/folder/out.wav" }, "its folder does not exist" },
        { "output is a folder", { "in.wav", "folder.wav" }, "is a folder" },
        { "output unwritable", { "in.wav", "/proc/quello-render-test.wav" }, "cannot write into the folder" },
        { "demo with input", { "in.wav", "--demo", "out.wav" }, "takes no input file" },
    };
    work.getChildFile ("folder.wav").createDirectory();
    const auto filesBefore = workFiles();

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.label);
        const auto result = run (row.arguments);
        EXPECT_EQ (result.exitCode, 2);
        EXPECT_TRUE (result.err.startsWith ("quello-render: ")) << result.err;
        EXPECT_TRUE (result.err.contains (row.messageFragment)) << result.err;
        EXPECT_EQ (result.err.trimEnd().indexOfChar ('\n'), -1) << "not one line: " << result.err;
        EXPECT_TRUE (result.out.isEmpty()) << result.out;
        EXPECT_EQ (workFiles(), filesBefore) << "a failed run left a file behind";
    }
}

TEST_F (RendererFixture, ExistingOutputSurvivesFailedRunAndIsReplacedBySuccessfulOne)
{
    const auto output = work.getChildFile ("out.wav");
    output.replaceWithText ("an earlier render");

    EXPECT_EQ (run ({ "--demo", "out.wav", "--set", "feedback=lots" }).exitCode, 2);
    EXPECT_EQ (output.loadFileAsString(), "an earlier render");

    EXPECT_EQ (run ({ "--demo", "out.wav", "--tail", "0" }).exitCode, 0);
    EXPECT_NE (openOutput ("out.wav"), nullptr);
    EXPECT_EQ (workFiles(), juce::StringArray { "out.wav" }) << "no temporary file may remain";
}

TEST_F (RendererFixture, DemoToursEveryModeWithThePhrasePlusTail)
{
    static constexpr double tailSeconds = 1.5;
    static constexpr double demoRate = 48000.0;
    static constexpr double demoSeconds = 7 * 2.5; // the phrase's opening once per mode

    const auto result = run ({ "--demo", "demo.wav", "--tail", "1.5", "--bits", "32f", "--block", "333" });
    ASSERT_EQ (result.exitCode, 0) << result.err;
    EXPECT_TRUE (result.out.contains ("Rendered ") && result.out.contains ("x realtime") && result.out.contains ("dBFS")) << result.out;
    EXPECT_TRUE (result.err.isEmpty()) << result.err;

    const auto reader = openOutput ("demo.wav");
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->sampleRate, demoRate);
    EXPECT_EQ (reader->numChannels, 2u);
    EXPECT_EQ (reader->bitsPerSample, 32u);
    EXPECT_TRUE (reader->usesFloatingPointData);
    EXPECT_EQ (reader->lengthInSamples, (juce::int64) ((demoSeconds + tailSeconds) * demoRate));

    juce::AudioBuffer<float> audio (2, (int) reader->lengthInSamples);
    ASSERT_TRUE (reader->read (&audio, 0, audio.getNumSamples(), 0, true, true));

    for (int channel = 0; channel < 2; ++channel)
    {
        const auto* samples = audio.getReadPointer (channel);
        EXPECT_TRUE (std::all_of (samples, samples + audio.getNumSamples(), [] (float x)
            { return std::isfinite (x); }));
        EXPECT_GT (audio.getRMSLevel (channel, 0, audio.getNumSamples()), 0.01f) << "channel " << channel << " is silent";
    }
}

TEST_F (RendererFixture, DemoWithAChosenModeRendersTheWholePhraseInThatMode)
{
    const auto result = run ({ "--demo", "demo.wav", "--tail", "0", "--set", "mode=Rev Chaos" });
    ASSERT_EQ (result.exitCode, 0) << result.err;

    const auto reader = openOutput ("demo.wav");
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->lengthInSamples, (juce::int64) (4.0 * 48000.0));
}

/** The processor's whole-effect bypass passes the input untouched, so a render must give back
    exactly the input, sample for sample, whatever the format and however blocks divide it. */
TEST_F (RendererFixture, EveryInputFormatRendersSampleAccurately)
{
    juce::WavAudioFormat wav;
    juce::AiffAudioFormat aiff;
    juce::FlacAudioFormat flac;
    static constexpr int numSamples = 10007;
    static constexpr double sampleRate = 44100.0;
    static constexpr float tolerance = 1.0e-5f;

    const struct
    {
        const char* name;
        juce::AudioFormat& format;
        int numChannels;
    } rows[] { { "in.wav", wav, 1 }, { "in.aiff", aiff, 2 }, { "in.flac", flac, 2 } };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeTone (row.name, row.format, row.numChannels, sampleRate, numSamples);
        const auto result = run ({ row.name, "out.wav", "--set", "bypassAll=On", "--block", "100", "--tail", "0.5" });
        ASSERT_EQ (result.exitCode, 0) << result.err;

        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> input (formats.createReaderFor (work.getChildFile (row.name)));
        const auto output = openOutput ("out.wav");
        ASSERT_NE (input, nullptr);
        ASSERT_NE (output, nullptr);
        EXPECT_EQ (output->numChannels, (unsigned int) row.numChannels);
        EXPECT_EQ (output->sampleRate, sampleRate);
        EXPECT_EQ (output->bitsPerSample, 24u);
        ASSERT_EQ (output->lengthInSamples, numSamples + (juce::int64) (0.5 * sampleRate));

        juce::AudioBuffer<float> expected (row.numChannels, numSamples), rendered (row.numChannels, (int) output->lengthInSamples);
        input->read (&expected, 0, numSamples, 0, true, true);
        output->read (&rendered, 0, rendered.getNumSamples(), 0, true, true);

        for (int channel = 0; channel < row.numChannels; ++channel)
        {
            for (int sample = 0; sample < numSamples; ++sample)
                ASSERT_NEAR (rendered.getSample (channel, sample), expected.getSample (channel, sample), tolerance) << "sample " << sample;

            EXPECT_EQ (rendered.getMagnitude (channel, numSamples, rendered.getNumSamples() - numSamples), 0.0f) << "the tail must be silent";
        }
    }
}

/** Both ways of writing a value reach the parameter; spread is given before pipo on purpose,
    since its text is read in percent only once pipo is on. */
TEST_F (RendererFixture, SetValuesReachTheParameters)
{
    const auto result = run ({ "--set", "timeMs=350 ms", "--set", "feedback=0.75", "--set", "mode=rev chaos",
        "--set", "pitchShift=+7 Semi", "--set", "lowCut=1.2k", "--set", "highCut=5000",
        "--set", "spread=50%", "--set", "pipo=On", "--list-params" });
    ASSERT_EQ (result.exitCode, 0) << result.err;

    // The current value is the last column of the parameter's line.
    const auto lineOf = [&result] (const juce::String& id)
    {
        for (const auto& line : juce::StringArray::fromLines (result.out))
            if (line.startsWith (id + " "))
                return line.trimEnd();

        return juce::String();
    };

    const std::pair<const char*, const char*> expectations[] {
        { "timeMs", "(350 ms)" },
        { "feedback", "0.75 (75%)" },
        { "mode", "5 (Rev Chaos)" },
        { "pitchShift", "7 (7 Semi)" },
        { "lowCut", "1200 (1.2 kHz)" },
        { "highCut", "5000 (5 kHz)" },
        { "spread", "0.5 (50%)" },
        { "pipo", "1 (On)" },
        { "tape", "0 (0%)" },
    };

    for (const auto& [id, current] : expectations)
        EXPECT_TRUE (lineOf (id).endsWith (current)) << lineOf (id);
}

//==============================================================================
/** A stand-in processor that records what a host-like render shows it. */
class ProbeProcessor : public juce::AudioProcessor
{
public:
    ProbeProcessor()
        : AudioProcessor (BusesProperties()
                              .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                              .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    {
    }

    struct Block
    {
        int numSamples;
        juce::int64 timeInSamples;
        double ppq, bpm;
        bool playing;
    };

    std::vector<Block> blocks;
    int prepareCalls = 0, releaseCalls = 0, channelsWhenPrepared = 0;
    bool nonRealtimeWhenPrepared = false;

    void prepareToPlay (double, int) override
    {
        ++prepareCalls;
        channelsWhenPrepared = getTotalNumInputChannels();
        nonRealtimeWhenPrepared = isNonRealtime();
    }

    void releaseResources() override { ++releaseCalls; }

    using AudioProcessor::processBlock;

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) override
    {
        const auto position = getPlayHead()->getPosition();
        blocks.push_back ({ buffer.getNumSamples(), *position->getTimeInSamples(), *position->getPpqPosition(), *position->getBpm(), position->getIsPlaying() });
    }

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override
    {
        return layouts.getMainInputChannelSet() == layouts.getMainOutputChannelSet();
    }

    const juce::String getName() const override { return "Probe"; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}
};

TEST (OfflineRender, DrivesTheProcessorLikeAHost)
{
    static constexpr double sampleRate = 48000.0;
    static constexpr int inputSamples = 1000;
    RenderSettings settings;
    settings.blockSize = 256;
    settings.tempoBpm = 90.0;
    settings.tailSeconds = 0.01; // 480 samples

    ProbeProcessor probe;
    juce::AudioBuffer<float> mono (1, inputSamples), output;
    mono.clear();
    ASSERT_TRUE (renderBuffer (probe, mono, sampleRate, settings, output).wasOk());

    EXPECT_EQ (probe.prepareCalls, 1);
    EXPECT_EQ (probe.releaseCalls, 1);
    EXPECT_EQ (probe.channelsWhenPrepared, 1);
    EXPECT_TRUE (probe.nonRealtimeWhenPrepared);
    EXPECT_EQ (output.getNumSamples(), 1480);

    const std::vector<int> expectedSizes { 256, 256, 256, 256, 256, 200 };
    ASSERT_EQ (probe.blocks.size(), expectedSizes.size());
    juce::int64 position = 0;

    for (size_t index = 0; index < expectedSizes.size(); ++index)
    {
        const auto& block = probe.blocks[index];
        EXPECT_EQ (block.numSamples, expectedSizes[index]);
        EXPECT_EQ (block.timeInSamples, position);
        EXPECT_DOUBLE_EQ (block.ppq, (double) position / sampleRate * settings.tempoBpm / 60.0);
        EXPECT_EQ (block.bpm, settings.tempoBpm);
        EXPECT_TRUE (block.playing);
        position += block.numSamples;
    }
}

TEST (OfflineRender, RefusesWhatItCannotRender)
{
    ProbeProcessor probe;
    juce::AudioBuffer<float> audio (3, 100), output;
    audio.clear();

    EXPECT_TRUE (renderBuffer (probe, audio, 48000.0, {}, output).failed());
    audio.setSize (2, 100);
    EXPECT_TRUE (renderBuffer (probe, audio, 1000.0, {}, output).failed());
    EXPECT_EQ (probe.prepareCalls, 0);
}
}

TEST_F (RendererFixture, PresetsAreSavedListedAndLoadedBeforeSetValues)
{
    const auto category = home.getChildFile ("Corvalen/Quello/Presets/Mixing");
    const auto saved = run ({ "--set", "feedback=20%", "--set", "timeMs=300 ms", "--save-preset", category.getChildFile ("Tight").getFullPathName() });
    ASSERT_EQ (saved.exitCode, 0) << saved.err;
    EXPECT_TRUE (category.getChildFile ("Tight.cvpreset").existsAsFile());

    const auto listed = run ({ "--list-presets" });
    ASSERT_EQ (listed.exitCode, 0) << listed.err;
    EXPECT_TRUE (listed.out.contains ("    1  -init-\nMixing\n    2  Tight\nUser\n")) << listed.out;

    EXPECT_TRUE (lineAfter ({ "--preset", "Tight", "--list-params" }, "feedback").endsWith ("(20%)"));
    EXPECT_TRUE (lineAfter ({ "--set", "feedback=70%", "--preset", "mixing/tight", "--list-params" }, "feedback").endsWith ("(70%)"));
    EXPECT_TRUE (lineAfter ({ "--preset", "2", "--list-params" }, "timeMs").endsWith ("(300 ms)"));
    EXPECT_TRUE (lineAfter ({ "--preset", category.getChildFile ("Tight.cvpreset").getFullPathName(), "--list-params" }, "feedback").endsWith ("(20%)"));

    const auto missing = run ({ "--preset", "Loose", "--list-params" });
    EXPECT_EQ (missing.exitCode, 2);
    EXPECT_TRUE (missing.err.contains ("no preset file or preset named \"Loose\"")) << missing.err;
}

TEST_F (RendererFixture, StatesAreSavedAndRestoredWithBothSplitTestingSides)
{
    // Side A at 20% feedback, then side B live at 70%.
    const auto saved = run ({ "--set", "feedback=20%", "--set", "splitTestingSide=B", "--set", "feedback=70%", "--save-state", "session.state" });
    ASSERT_EQ (saved.exitCode, 0) << saved.err;
    EXPECT_TRUE (work.getChildFile ("session.state").existsAsFile());

    EXPECT_TRUE (lineAfter ({ "--state", "session.state", "--list-params" }, "feedback").endsWith ("(70%)"));
    EXPECT_TRUE (lineAfter ({ "--state", "session.state", "--list-params" }, "splitTestingSide").endsWith ("(B)"));
    EXPECT_TRUE (lineAfter ({ "--state", "session.state", "--set", "splitTestingSide=A", "--list-params" }, "feedback").endsWith ("(20%)"));

    // A failed run, or a state that cannot be read or written, leaves the files as they were.
    const auto before = work.getChildFile ("session.state").loadFileAsString();
    work.getChildFile ("notes.state").replaceWithText ("not a state");
    const auto unreadable = run ({ "--state", "notes.state", "--save-state", "session.state" });
    EXPECT_EQ (unreadable.exitCode, 2);
    EXPECT_TRUE (unreadable.err.contains ("no Quello state in")) << unreadable.err;
    EXPECT_EQ (work.getChildFile ("session.state").loadFileAsString(), before);

    const auto unwritable = run ({ "--save-state", "no-such-folder/session.state" });
    EXPECT_EQ (unwritable.exitCode, 2);
    EXPECT_TRUE (unwritable.err.contains ("cannot write the state file")) << unwritable.err;
    EXPECT_EQ (workFiles(), (juce::StringArray { "notes.state", "session.state" })) << "no temporary file may remain";
}
