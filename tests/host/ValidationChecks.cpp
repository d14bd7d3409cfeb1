#include "AllocationCounter.h"
#include "HostAudio.h"
#include "HostCheck.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

namespace
{
/** Whether even the blocks that carry NaN or Inf must come out finite: on, since the engine treats
    a non-finite input sample as silence. Off, only the recovery afterwards is required (the normal
    block right after must be finite), which is all a plain pass-through can give. */
constexpr bool requireFiniteOutputForNonFiniteInput = true;

constexpr double validationSampleRates[] { 44100.0, 48000.0, 88200.0, 96000.0, 192000.0 };
constexpr int validationBlockSizes[] { 1, 16, 64, 512, 4096 };

// A quarter second per mode and diffusion setting (3.5 s per cell) keeps the 25 cells of both
// formats to about a minute.
constexpr double secondsPerSetting = 0.25;
constexpr double standardSampleRate = 48000.0;
constexpr int standardBlockSize = 256;

// Input within full scale, so any sample beyond it comes from the plug-in.
constexpr float fullScale = 1.0f;

// Longer than any parameter name.
constexpr int maximumNameLength = 1024;

/** Random normalised values for every parameter a host would automate, except the plug-in's own
    bypass: that one lets input above full scale through unclipped. */
class Automation
{
public:
    Automation (juce::AudioPluginInstance& instance, juce::int64 seed)
        : random (seed)
    {
        for (auto* parameter : HostAudio::getPluginParameters (instance))
            if (parameter->getName (maximumNameLength) != "Bypass All")
                parameters.push_back (parameter);
    }

    /** Host-side parameter writes only; safe from any thread a host automates from. */
    void randomiseAll()
    {
        for (auto* parameter : parameters)
            parameter->setValue (random.nextFloat());
    }

    void randomiseOne()
    {
        parameters[(size_t) random.nextInt ((int) parameters.size())]->setValue (random.nextFloat());
    }

private:
    juce::Random random;
    std::vector<juce::AudioProcessorParameter*> parameters;
};

/** The running bound on output: finite and within full scale, with the worst block remembered. */
struct OutputWatch
{
    void look (const juce::AudioBuffer<float>& buffer)
    {
        const auto peak = HostAudio::getPeak (buffer);
        worstPeak = std::max (worstPeak, peak);
        ++blocks;
    }

    bool isWithinFullScale() const { return std::isfinite (worstPeak) && worstPeak <= fullScale; }

    juce::String describe() const { return juce::String (blocks) + " blocks, worst peak " + juce::String (worstPeak); }

    float worstPeak = 0.0f;
    int blocks = 0;
};

/** Runs the audio work on its own thread, the host's audio thread, while the calling thread (the
    message thread) runs its own work and keeps the message loop turning until the audio is done. */
void runWithAudioThread (const std::function<void()>& audioWork, const std::function<void()>& messageThreadWork)
{
    std::atomic<bool> audioDone { false };
    const auto audioThreadBody = [&]
    {
        audioWork();
        audioDone = true;
    };
    std::thread audioThread (audioThreadBody);

    while (!audioDone)
    {
        messageThreadWork();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    }

    audioThread.join();
}

int blocksFor (double sampleRate, int blockSize, double seconds)
{
    static constexpr int minimumBlocks = 4;
    return std::max (minimumBlocks, (int) (sampleRate * seconds) / blockSize);
}

/** Feeds blocks of full-scale test signal through the plug-in and watches what comes out. */
void processTestSignal (HostAudio::BlockProcessor& processor, juce::AudioBuffer<float>& buffer, juce::Random& random, int numBlocks, OutputWatch& watch)
{
    for (int block = 0; block < numBlocks; ++block)
    {
        HostAudio::fillWithTestSignal (buffer, random, fullScale);
        processor.process (buffer);
        watch.look (buffer);
    }
}

void checkAllocationCounter (CheckContext& context)
{
    AllocationCounter::reset();
    {
        AllocationCounter::ScopedCounting counting;
        void* (*volatile allocate) (std::size_t) = std::malloc;
        void (*volatile release) (void*) = std::free;
        release (allocate (64));
    }
    context.expect (AllocationCounter::getCount() == 2, "a deliberate malloc and free counted as 2, got " + juce::String (AllocationCounter::getCount()));

    AllocationCounter::reset();
    {
        AllocationCounter::ScopedCounting counting;
        char* (*volatile duplicate) (const char*) = strdup;
        std::free (duplicate ("made inside the C library"));
    }
    context.expect (AllocationCounter::getCount() == 2, "an allocation made inside a shared library (strdup) counted, got " + juce::String (AllocationCounter::getCount()));

    // Another thread allocating while this one counts must not be seen.
    std::atomic<int> step { 0 };
    const auto allocateOnCue = [&]
    {
        while (step.load() == 0)
            std::this_thread::yield();

        std::free (std::malloc (64));
        step = 2;
    };
    std::thread otherThread (allocateOnCue);
    AllocationCounter::reset();
    {
        AllocationCounter::ScopedCounting counting;
        step = 1;

        while (step.load() != 2)
            std::this_thread::yield();
    }
    otherThread.join();
    context.expect (AllocationCounter::getCount() == 0, "another thread's heap calls not counted, got " + juce::String (AllocationCounter::getCount()));

    // Saving state allocates inside the plug-in: those calls must reach the counter, which
    // proves the plug-in's own heap calls resolve to this executable's replacements.
    juce::MemoryBlock state;
    AllocationCounter::reset();
    {
        AllocationCounter::ScopedCounting counting;
        context.instance.getStateInformation (state);
    }
    const auto callers = AllocationCounter::getCallers();
    auto fromPlugin = 0;

    for (const auto& caller : callers)
        if (juce::File (caller.file).isAChildOf (context.plugin.getBundle()))
            fromPlugin += caller.calls;

    context.note ("saving state: " + juce::String (AllocationCounter::getCount()) + " heap calls, " + juce::String (fromPlugin) + " made by the plug-in's code");
    context.expect (fromPlugin > 0, "heap calls of the plug-in's own code counted while it saves its state");
}

/** Heap calls the JUCE 7.0.5 format wrappers make on the audio thread by themselves, which no
    code of ours can avoid: the VST3 wrapper copies each input bus's channel mapping (with its
    vector) in every block; the LV2 wrapper reallocates its buffer whenever a block is longer than
    the one before. They are reported, not failed. Drop an entry once the framework stops it. */
constexpr const char* frameworkWrapperFunctions[] {
    "void juce::JuceVST3Component::processAudio<float>(Steinberg::Vst::ProcessData&)",
    "juce::lv2_client::LV2PluginInstance::run(unsigned int)",
};

/** The function containing a calling address, by the symbol table of its file. */
juce::String findFunction (const AllocationCounter::Caller& caller)
{
    // The return address follows the call: one byte back is still inside the caller.
    const auto address = "0x" + juce::String::toHexString ((juce::int64) caller.offset - 1);
    juce::ChildProcess addr2line;

    if (!addr2line.start (juce::StringArray { "addr2line", "-f", "-C", "-e", juce::String (caller.file), address }))
        return "(addr2line failed)";

    return juce::StringArray::fromLines (addr2line.readAllProcessOutput())[0];
}

/** Judges the heap calls counted on the audio thread: the plug-in's own fail the check; those of
    the host program, the dynamic loader (thread-local storage set up on a thread's first call)
    and the framework's format wrapper are listed. */
void judgeAudioThreadHeapCalls (CheckContext& context, const juce::String& situation)
{
    long pluginCalls = 0;

    for (const auto& caller : AllocationCounter::getCallers())
    {
        const auto function = findFunction (caller);
        auto source = "the plug-in";

        if (caller.inThisExecutable)
            source = "the host";
        else if (juce::File (caller.file).getFileName().startsWith ("ld-linux"))
            source = "the dynamic loader";
        else if (std::any_of (std::begin (frameworkWrapperFunctions), std::end (frameworkWrapperFunctions), [&] (const char* name)
                     { return function == name; }))
            source = "the JUCE 7.0.5 format wrapper (tolerated)";
        else
            pluginCalls += caller.calls;

        context.note (juce::String (caller.calls) + " heap calls by " + source + ": " + function + " in " + caller.file);
    }

    context.expect (pluginCalls == 0, situation + ": no heap call by the plug-in on the audio thread, got " + juce::String (pluginCalls));
}

void checkNoAllocationsOnAudioThread (CheckContext& context)
{
    static constexpr int blockSizes[] { 512, 1, 64, 256, 512 };
    static constexpr int maximumBlockSize = 512;
    static constexpr int blocksPerSize = 200;

    HostAudio::prepare (context.instance, standardSampleRate, maximumBlockSize);
    Automation automation (context.instance, 7);
    juce::Random random (3);
    HostAudio::BlockProcessor processor (context.instance);
    juce::AudioBuffer<float> buffer (HostAudio::numChannels, maximumBlockSize);

    // Inputs and automation are prepared outside the counted region: only the plug-in's block is counted.
    const auto audioThreadBody = [&]
    {
        for (const auto blockSize : blockSizes)
        {
            for (int block = 0; block < blocksPerSize; ++block)
            {
                buffer.setSize (HostAudio::numChannels, blockSize, false, false, true);
                HostAudio::fillWithTestSignal (buffer, random, fullScale);
                automation.randomiseAll();

                AllocationCounter::ScopedCounting counting;
                processor.process (buffer);
            }
        }
    };

    AllocationCounter::reset();
    std::thread (audioThreadBody).join();
    judgeAudioThreadHeapCalls (context, "blocks of 1 to 512 samples with every parameter automated");
}

void checkRateAndBlockSizeMatrix (CheckContext& context)
{
    // Every cell plays each of the seven modes with diffusion off, then on (at half size).
    static constexpr int numModes = 7;
    static constexpr float diffusionSettings[] { 0.0f, 0.5f };
    auto* mode = HostAudio::findParameter (context.instance, "Mode");
    auto* diffusionAmount = HostAudio::findParameter (context.instance, "Diffusion Amount");
    auto* diffusionSize = HostAudio::findParameter (context.instance, "Diffusion Size");

    if (!context.expect (mode != nullptr && diffusionAmount != nullptr && diffusionSize != nullptr, "mode and diffusion parameters found"))
        return;

    diffusionSize->setValue (0.5f);
    juce::Random random (11);

    for (const auto sampleRate : validationSampleRates)
    {
        for (const auto blockSize : validationBlockSizes)
        {
            HostAudio::prepare (context.instance, sampleRate, blockSize);
            HostAudio::BlockProcessor processor (context.instance);
            juce::AudioBuffer<float> buffer (HostAudio::numChannels, blockSize);
            OutputWatch watch;

            for (int modeIndex = 0; modeIndex < numModes; ++modeIndex)
            {
                for (const auto amount : diffusionSettings)
                {
                    mode->setValue ((float) modeIndex / (float) (numModes - 1));
                    diffusionAmount->setValue (amount);
                    processTestSignal (processor, buffer, random, blocksFor (sampleRate, blockSize, secondsPerSetting), watch);
                }
            }

            context.expect (watch.isWithinFullScale(), juce::String (sampleRate, 0) + " Hz, block " + juce::String (blockSize) + ", every mode with diffusion off and on: " + watch.describe());
            context.instance.releaseResources();
        }
    }

    mode->setValue (0.0f);
    diffusionAmount->setValue (0.0f);
    diffusionSize->setValue (0.0f);
}

/** Some hosts send a block larger than they announced: it must not crash. VST3 makes the announced
    size a hard limit (ProcessSetup::maxSamplesPerBlock) and JUCE 7.0.5's VST3 wrapper copies every
    block into buffers of exactly that size, so only LV2 hosts may send one. */
void checkBlockLargerThanPrepared (CheckContext& context)
{
    static constexpr int preparedBlockSize = 64;
    static constexpr int oversizedBlockSize = 4096;

    if (!context.plugin.isLv2())
    {
        context.note ("not sent: VST3 forbids blocks beyond maxSamplesPerBlock");
        return;
    }

    juce::Random random (59);

    for (const auto sampleRate : validationSampleRates)
    {
        HostAudio::prepare (context.instance, sampleRate, preparedBlockSize);
        HostAudio::BlockProcessor processor (context.instance);
        juce::AudioBuffer<float> buffer (HostAudio::numChannels, oversizedBlockSize);
        OutputWatch watch;
        processTestSignal (processor, buffer, random, 1, watch);

        context.expect (watch.isWithinFullScale(), juce::String (sampleRate, 0) + " Hz: a block of " + juce::String (oversizedBlockSize) + " after preparing for " + juce::String (preparedBlockSize) + ": " + watch.describe());
        context.instance.releaseResources();
    }
}

void checkRandomAutomation (CheckContext& context)
{
    static constexpr int blockSizes[] { 32, 256, 1024 };
    static constexpr double secondsPerSize = 1.0;

    Automation automation (context.instance, 5);
    juce::Random random (13);

    for (const auto blockSize : blockSizes)
    {
        HostAudio::prepare (context.instance, standardSampleRate, blockSize);
        HostAudio::BlockProcessor processor (context.instance);
        juce::AudioBuffer<float> buffer (HostAudio::numChannels, blockSize);
        OutputWatch watch;

        for (int block = 0; block < blocksFor (standardSampleRate, blockSize, secondsPerSize); ++block)
        {
            automation.randomiseAll();
            HostAudio::fillWithTestSignal (buffer, random, fullScale);
            processor.process (buffer);
            watch.look (buffer);
        }

        context.expect (watch.isWithinFullScale(), "block " + juce::String (blockSize) + " with every parameter automated: " + watch.describe());
        context.instance.releaseResources();
    }
}

void fillWith (juce::AudioBuffer<float>& buffer, float value)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (channel), value, buffer.getNumSamples());
}

void checkNonFiniteAndSubnormalInput (CheckContext& context)
{
    struct BadInput
    {
        const char* name;
        float value;
    };

    static constexpr BadInput badInputs[] {
        { "NaN", std::numeric_limits<float>::quiet_NaN() },
        { "+Inf", std::numeric_limits<float>::infinity() },
        { "-Inf", -std::numeric_limits<float>::infinity() },
    };
    static constexpr int badBlocks = 4;
    static constexpr int settings = 3;

    HostAudio::prepare (context.instance, standardSampleRate, standardBlockSize);
    HostAudio::BlockProcessor processor (context.instance);
    juce::AudioBuffer<float> buffer (HostAudio::numChannels, standardBlockSize);
    Automation automation (context.instance, 17);
    juce::Random random (19);

    // With the default settings first, then with random ones (feedback, filters, distortion...).
    for (int setting = 0; setting < settings; ++setting)
    {
        if (setting > 0)
            automation.randomiseAll();

        for (const auto& bad : badInputs)
        {
            for (int block = 0; block < badBlocks; ++block)
            {
                HostAudio::fillWithTestSignal (buffer, random, fullScale);
                buffer.setSample (block % HostAudio::numChannels, (block * 37) % standardBlockSize, bad.value);

                if (block == badBlocks - 1)
                    fillWith (buffer, bad.value);

                processor.process (buffer);

                if (requireFiniteOutputForNonFiniteInput)
                    context.expect (HostAudio::isFinite (buffer), juce::String ("finite output for a block carrying ") + bad.name);
            }

            HostAudio::fillWithTestSignal (buffer, random, fullScale);
            processor.process (buffer);
            context.expect (HostAudio::isFinite (buffer), juce::String ("finite output from normal input right after ") + bad.name + " input, setting " + juce::String (setting));
        }

        OutputWatch watch;

        for (int block = 0; block < badBlocks; ++block)
        {
            fillWith (buffer, std::numeric_limits<float>::denorm_min() * (float) (block + 1));
            processor.process (buffer);
            watch.look (buffer);
        }

        context.expect (watch.isWithinFullScale(), "subnormal input, setting " + juce::String (setting) + ": " + watch.describe());
    }
}

/** CPU seconds of the calling thread. */
double getThreadCpuSeconds()
{
    timespec time {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &time);
    return (double) time.tv_sec + (double) time.tv_nsec * 1.0e-9;
}

void checkSilenceAfterLoudInput (CheckContext& context)
{
    static constexpr double loudSeconds = 1.0;
    static constexpr double measuredSeconds = 2.0;
    static constexpr int blockSize = 512;

    // Long, dense, filtered echoes: the tail that decays towards subnormal numbers for longest.
    static constexpr std::pair<const char*, float> ringingSettings[] {
        { "Feedback", 0.9f }, { "Diffusion Amount", 0.8f }, { "Low Cut Resonance", 0.5f }, { "High Cut", 0.7f }, { "Tape", 0.5f }
    };

    for (const auto& [name, value] : ringingSettings)
        if (auto* parameter = HostAudio::findParameter (context.instance, name))
            parameter->setValue (value);

    HostAudio::prepare (context.instance, standardSampleRate, blockSize);
    HostAudio::BlockProcessor processor (context.instance);
    juce::AudioBuffer<float> buffer (HostAudio::numChannels, blockSize);
    juce::Random random (23);
    const auto blocks = blocksFor (standardSampleRate, blockSize, measuredSeconds);

    const auto processFor = [&] (int numBlocks, float amplitude)
    {
        const auto start = getThreadCpuSeconds();

        for (int block = 0; block < numBlocks; ++block)
        {
            if (amplitude > 0.0f)
                HostAudio::fillWithTestSignal (buffer, random, amplitude);
            else
                buffer.clear();

            processor.process (buffer);
        }

        return getThreadCpuSeconds() - start;
    };

    processFor (blocksFor (standardSampleRate, blockSize, loudSeconds), fullScale);
    const auto loudTime = processFor (blocks, fullScale);
    const auto silentTime = processFor (blocks, 0.0f);

    context.note ("CPU for " + juce::String (measuredSeconds) + " s of audio: loud " + juce::String (loudTime * 1000.0, 2) + " ms, silence after it "
        + juce::String (silentTime * 1000.0, 2) + " ms, ratio silence/loud " + juce::String (silentTime / std::max (loudTime, 1.0e-9), 2));
    context.expect (HostAudio::isFinite (buffer), "finite output during the silent tail");
}

void checkParametersFromSecondThread (CheckContext& context)
{
    static constexpr double seconds = 2.0;

    HostAudio::prepare (context.instance, standardSampleRate, standardBlockSize);
    HostAudio::BlockProcessor processor (context.instance);
    juce::AudioBuffer<float> buffer (HostAudio::numChannels, standardBlockSize);
    Automation automation (context.instance, 29);
    juce::Random random (31);
    OutputWatch watch;
    std::atomic<bool> audioRunning { true };

    const auto automate = [&]
    {
        while (audioRunning)
            automation.randomiseOne();
    };
    std::thread automationThread (automate);

    const auto processAudio = [&]
    {
        processTestSignal (processor, buffer, random, blocksFor (standardSampleRate, standardBlockSize, seconds), watch);
        audioRunning = false;
    };
    runWithAudioThread (processAudio, [] {});

    automationThread.join();
    context.expect (watch.isWithinFullScale(), "parameters changed from a second thread while audio runs: " + watch.describe());
}

/** The state of an instance whose parameters were set to random values. */
juce::MemoryBlock makeRandomState (CheckContext& context, juce::int64 seed)
{
    auto source = context.plugin.createInstance();
    HostAudio::prepare (*source, standardSampleRate, standardBlockSize);
    Automation (*source, seed).randomiseAll();
    HostAudio::settle (*source, standardBlockSize);

    juce::MemoryBlock state;
    source->getStateInformation (state);
    return state;
}

void checkStateWhileAudioRuns (CheckContext& context)
{
    static constexpr double seconds = 2.0;

    const auto otherState = makeRandomState (context, 37);
    HostAudio::prepare (context.instance, standardSampleRate, standardBlockSize);
    HostAudio::BlockProcessor processor (context.instance);
    juce::AudioBuffer<float> buffer (HostAudio::numChannels, standardBlockSize);
    juce::Random random (41);
    OutputWatch watch;
    int stateOperations = 0;

    const auto processAudio = [&]
    { processTestSignal (processor, buffer, random, blocksFor (standardSampleRate, standardBlockSize, seconds), watch); };

    const auto saveAndRestore = [&]
    {
        juce::MemoryBlock saved;
        context.instance.getStateInformation (saved);
        context.instance.setStateInformation (otherState.getData(), (int) otherState.getSize());
        context.instance.setStateInformation (saved.getData(), (int) saved.getSize());
        stateOperations += 3;
    };

    runWithAudioThread (processAudio, saveAndRestore);

    context.note (juce::String (stateOperations) + " state saves and restores while audio ran");
    context.expect (watch.isWithinFullScale(), "state saved and restored while audio runs: " + watch.describe());

    // Nothing may have been lost on the way: the last restore must stick.
    context.instance.setStateInformation (otherState.getData(), (int) otherState.getSize());
    HostAudio::settle (context.instance, standardBlockSize);
    juce::MemoryBlock after;
    context.instance.getStateInformation (after);
    context.expect (after == otherState, "the state restored while audio ran reads back unchanged");
}

void checkStateByteExact (CheckContext& context)
{
    for (const juce::int64 seed : { 43, 47, 53 })
    {
        const auto first = makeRandomState (context, seed);

        HostAudio::prepare (context.instance, standardSampleRate, standardBlockSize);
        context.instance.setStateInformation (first.getData(), (int) first.getSize());
        HostAudio::settle (context.instance, standardBlockSize);
        juce::MemoryBlock second;
        context.instance.getStateInformation (second);

        const auto matches = context.expect (second == first, "save, restore, save gives identical bytes (seed " + juce::String (seed) + ", " + juce::String ((int) first.getSize()) + " and " + juce::String ((int) second.getSize()) + " bytes)");

        if (!matches)
        {
            context.note ("first:  " + first.toString().substring (0, 600));
            context.note ("second: " + second.toString().substring (0, 600));
        }
    }
}
}

const std::vector<NamedCheck>& getValidationChecks()
{
    static const std::vector<NamedCheck> checks {
        { "allocationCounter", checkAllocationCounter },
        { "noAllocationsOnAudioThread", checkNoAllocationsOnAudioThread },
        { "rateAndBlockSizeMatrix", checkRateAndBlockSizeMatrix },
        { "blockLargerThanPrepared", checkBlockLargerThanPrepared },
        { "randomAutomation", checkRandomAutomation },
        { "nonFiniteAndSubnormalInput", checkNonFiniteAndSubnormalInput },
        { "silenceAfterLoudInput", checkSilenceAfterLoudInput },
        { "parametersFromSecondThread", checkParametersFromSecondThread },
        { "stateWhileAudioRuns", checkStateWhileAudioRuns },
        { "stateByteExact", checkStateByteExact },
    };

    return checks;
}
