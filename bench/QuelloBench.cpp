// Prints the engine's realtime factors (audio seconds per CPU second) against a minimal
// reference feedback delay measured in the same run, and checks that silent tails stay cheap.
#include "PluginProcessor.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace
{
constexpr int blockSize = 512;
constexpr int numRuns = 5;
constexpr double secondsPerRun = 30.0;

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return (double) now.tv_sec + 1.0e-9 * (double) now.tv_nsec;
}

double median (std::vector<double> values)
{
    std::sort (values.begin(), values.end());
    return values[values.size() / 2];
}

/** Stereo noise blocks, reused over and over so that generating them costs nothing per run. */
struct NoiseInput
{
    static constexpr int numBlocks = 64;

    NoiseInput()
    {
        juce::Random random (1);

        for (auto& channel : samples)
        {
            channel.resize ((size_t) (numBlocks * blockSize));

            for (auto& x : channel)
                x = 0.5f * (random.nextFloat() * 2.0f - 1.0f);
        }
    }

    const float* block (int channel, int index) const
    {
        return samples[(size_t) channel].data() + (size_t) ((index % numBlocks) * blockSize);
    }

    std::array<std::vector<float>, 2> samples;
};

/** The bare minimum of a stereo feedback delay: one interpolated read, one write, feedback, mix. */
struct ReferenceDelay
{
    explicit ReferenceDelay (float sampleRate)
    {
        for (auto& line : lines)
            line.resize ((int) (4.0f * sampleRate));

        delaySamples = 0.5f * sampleRate + 0.25f;
    }

    void process (float* left, float* right, int numSamples)
    {
        float* channels[] = { left, right };

        for (int i = 0; i < numSamples; ++i)
        {
            for (size_t c = 0; c < 2; ++c)
            {
                const auto x = channels[c][i];
                const auto delayed = lines[c].read (delaySamples);
                lines[c].write (x + feedback * delayed);
                channels[c][i] = dry * x + wet * delayed;
            }
        }
    }

    std::array<CV::CircularBuffer<float>, 2> lines;
    float delaySamples = 0.0f;
    float feedback = 0.5f, dry = 1.0f, wet = 0.5f;
};

/** Realtime factor of processBlockFunction over secondsPerRun of audio, median of numRuns. */
double measure (double sampleRate, const NoiseInput& input, const std::function<void (float*, float*, int)>& processBlockFunction)
{
    const auto numBlocks = (int) (secondsPerRun * sampleRate / blockSize);
    std::vector<float> left ((size_t) blockSize), right ((size_t) blockSize);
    std::vector<double> factors;

    for (int run = 0; run < numRuns; ++run)
    {
        double busy = 0.0;

        for (int block = 0; block < numBlocks; ++block)
        {
            std::copy_n (input.block (0, block), blockSize, left.begin());
            std::copy_n (input.block (1, block), blockSize, right.begin());
            const auto start = threadCpuSeconds();
            processBlockFunction (left.data(), right.data(), blockSize);
            busy += threadCpuSeconds() - start;
        }

        factors.push_back (numBlocks * blockSize / sampleRate / busy);
    }

    return median (factors);
}

DelayParams everythingOn (float sampleRate)
{
    DelayParams params;
    params.setCutoffs (150.0f, 6000.0f, sampleRate);
    params.lowCutQ = 0.4f;
    params.highCutQ = 0.4f;
    params.fdbFil = true;
    params.distortion = 0.6f;
    params.duck = 0.5f;
    params.duckAttack = 0.1f;
    params.duckRelease = 0.3f;
    params.tape = 1.0f;
    params.modAmt = 1.0f;
    params.modRate = 0.4f;
    params.pipo = true;
    params.spread = 0.5f;
    params.midSideMode = true;
    return params;
}

/** Distortion before the delay and after it cannot run at once: alternate between them. */
void automate (DelayParams& params, int block)
{
    params.timeMs = 0.5f + 0.1f * std::sin (0.01f * (float) block);
    params.feedback = 0.5f + 0.3f * std::sin (0.013f * (float) block);
    params.postDist = (block / 100) % 2 == 1;
}

void runEngine (Delay& engine, DelayParams& params, const TransportInfo& transport, float* left, float* right, int numSamples)
{
    juce::ScopedNoDenormals noDenormals;
    engine.process (left, right, numSamples, params, transport);
}

struct Row
{
    double defaults, everything, reference;
};

Row measureRate (double sampleRate, const NoiseInput& input)
{
    const TransportInfo transport;
    Row row {};

    {
        Delay engine;
        engine.prepare ((float) sampleRate, 2);
        DelayParams params;
        row.defaults = measure (sampleRate, input, [&] (float* left, float* right, int n)
            { runEngine (engine, params, transport, left, right, n); });
    }

    {
        Delay engine;
        engine.prepare ((float) sampleRate, 2);
        auto params = everythingOn ((float) sampleRate);
        int block = 0;
        row.everything = measure (sampleRate, input, [&] (float* left, float* right, int n)
            {
                                      automate (params, block++);
                                      runEngine (engine, params, transport, left, right, n); });
    }

    {
        ReferenceDelay reference ((float) sampleRate);
        row.reference = measure (sampleRate, input, [&] (float* left, float* right, int n)
            { reference.process (left, right, n); });
    }

    return row;
}

/** One row per playback mode at defaults, diffusion at its richest, and the heaviest setting
    of all, at 48 kHz against the reference kernel of the same run. */
void characterRows (const NoiseInput& input)
{
    constexpr double sampleRate = 48000.0;
    const TransportInfo transport;
    const auto measureParams = [&] (DelayParams params, bool automated)
    {
        Delay engine;
        engine.prepare ((float) sampleRate, 2);
        int block = 0;
        return measure (sampleRate, input, [&] (float* left, float* right, int n)
            {
                if (automated)
                    automate (params, block++);
                runEngine (engine, params, transport, left, right, n); });
    };

    ReferenceDelay reference ((float) sampleRate);
    const auto referenceFactor = measure (sampleRate, input, [&] (float* left, float* right, int n)
        { reference.process (left, right, n); });
    const auto printRow = [referenceFactor] (const char* name, double factor)
    { std::printf ("%-46s %9.0fx %9.2f\n", name, factor, referenceFactor / factor); };

    std::printf ("\ncharacter modes at 48 kHz, reference kernel (c) %.0fx:\n%-46s %10s %9s\n", referenceFactor, "setting", "realtime", "cost/(c)");
    static constexpr const char* modeRows[] = { "mode 1 Normal, defaults", "mode 2 Rev Forw, defaults", "mode 3 Pure Rev, defaults", "mode 4 Chaos, defaults", "mode 5 Rev Chaos, defaults", "mode 6 Frequency, defaults", "mode 7 Pitch, defaults" };

    for (int mode = 1; mode <= 7; ++mode)
    {
        DelayParams params;
        params.mode = mode;
        printRow (modeRows[mode - 1], measureParams (params, false));
    }

    DelayParams diffused;
    diffused.diffAmt = 1.0f;
    diffused.diffSize = 1.0f;
    diffused.diffQuality = 8;
    printRow ("diffusion quality 8, full size", measureParams (diffused, false));

    auto worst = everythingOn ((float) sampleRate);
    worst.mode = 7;
    worst.pitchShift = 12;
    worst.diffAmt = 1.0f;
    worst.diffSize = 1.0f;
    worst.diffQuality = 8;
    printRow ("worst: pitch +12, diffusion 8, everything on", measureParams (worst, true));
}

/** The pitch shifter works once per 60 ms block: the costliest host block against the median one.
    The same input runs several times and each block keeps its cheapest time, so that what
    remains is the block's own work, not the machine's other load; mode 1 shows the floor. */
void pitchBlockSpread (const NoiseInput& input)
{
    constexpr double sampleRate = 48000.0;
    constexpr double seconds = 10.0;
    constexpr int repeats = 5;
    const TransportInfo transport;

    std::printf ("\nblock times at 48 kHz, %.0f s of noise, cheapest of %d runs per block:\n%-8s %-14s %12s %12s %12s %10s\n", seconds,
        repeats, "block", "setting", "median us", "p99 us", "worst us", "worst/med");

    const auto measureBlocks = [&] (int hostBlock, int mode, int semitones)
    {
        const auto numBlocks = (int) (seconds * sampleRate / hostBlock);
        std::vector<double> cheapest ((size_t) numBlocks, 1.0e9);
        std::vector<float> left ((size_t) hostBlock), right ((size_t) hostBlock);

        for (int run = 0; run < repeats; ++run)
        {
            Delay engine;
            engine.prepare ((float) sampleRate, 2);
            DelayParams params;
            params.mode = mode;
            params.pitchShift = semitones;

            for (int block = 0; block < numBlocks; ++block)
            {
                const auto offset = (size_t) ((block * hostBlock) % (NoiseInput::numBlocks * blockSize - hostBlock));
                std::copy_n (input.samples[0].data() + offset, hostBlock, left.begin());
                std::copy_n (input.samples[1].data() + offset, hostBlock, right.begin());
                const auto start = threadCpuSeconds();
                runEngine (engine, params, transport, left.data(), right.data(), hostBlock);
                cheapest[(size_t) block] = std::min (cheapest[(size_t) block], 1.0e6 * (threadCpuSeconds() - start));
            }
        }

        std::sort (cheapest.begin(), cheapest.end());
        const auto middle = cheapest[cheapest.size() / 2];
        const auto name = mode == 7 ? juce::String ("pitch ") + (semitones > 0 ? "+" : "") + juce::String (semitones) : juce::String ("mode 1");
        std::printf ("%-8d %-14s %12.2f %12.2f %12.2f %10.2f\n", hostBlock, name.toRawUTF8(), middle, cheapest[cheapest.size() * 99 / 100], cheapest.back(), cheapest.back() / middle);
    };

    for (int hostBlock : { 512, 64 })
    {
        measureBlocks (hostBlock, 1, 0);

        for (int semitones : { 0, 12, -12 })
            measureBlocks (hostBlock, 7, semitones);
    }
}

/** Microseconds per block through the whole processor: loud noise, then a long silent tail. */
void denormalCheck (double sampleRate)
{
    struct StillPlayHead : juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override { return PositionInfo(); }
    } playHead;

    VantrelDelayAudioProcessor processor;
    processor.setPlayHead (&playHead);
    processor.prepareToPlay (sampleRate, blockSize);
    processor.setParamValue (ParamIDs::feedback, 0.9f);
    processor.setParamValue (ParamIDs::lowCut, 300.0f);
    processor.setParamValue (ParamIDs::lowCutQ, 0.5f);
    processor.setParamValue (ParamIDs::fdbFil, 1.0f);
    processor.setParamValue (ParamIDs::duck, 0.3f);
    processor.setParamValue (ParamIDs::timeMs, 0.3f);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    juce::Random random (5);

    const auto timeBlocks = [&] (int numBlocks, bool loud)
    {
        double busy = 0.0;

        for (int block = 0; block < numBlocks; ++block)
        {
            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < blockSize; ++i)
                    buffer.setSample (channel, i, loud ? random.nextFloat() * 2.0f - 1.0f : 0.0f);

            const auto start = threadCpuSeconds();
            processor.processBlock (buffer, midi);
            busy += threadCpuSeconds() - start;
        }

        return 1.0e6 * busy / numBlocks;
    };

    const auto blocksPerSecond = (int) (sampleRate / blockSize);
    const auto loud = timeBlocks (5 * blocksPerSecond, true);
    const auto tail = timeBlocks (60 * blocksPerSecond, false);
    std::printf ("denormal check at %.0f Hz (feedback 90 %%, resonant low cut, feedback filter, ducking):\n"
                 "  loud part %.2f us/block, silent tail (60 s) %.2f us/block, tail/loud %.2f\n",
        sampleRate, loud, tail, tail / loud);
}
}

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    const NoiseInput input;

    std::printf ("quello-bench: stereo, block %d, noise input, realtime factor = audio seconds per CPU second,\n"
                 "median of %d runs of %.0f s; cost ratios relative to the reference kernel (c)\n\n",
        blockSize, numRuns, secondsPerRun);
    std::printf ("%8s %14s %16s %15s %9s %9s\n", "rate", "(a) defaults", "(b) everything", "(c) reference", "(a)/(c)", "(b)/(c)");

    for (double sampleRate : { 44100.0, 48000.0, 96000.0 })
    {
        const auto row = measureRate (sampleRate, input);
        std::printf ("%8.0f %13.0fx %15.0fx %14.0fx %9.2f %9.2f\n", sampleRate, row.defaults, row.everything, row.reference,
            row.reference / row.defaults, row.reference / row.everything);
    }

    characterRows (input);
    pitchBlockSpread (input);
    std::printf ("\n");
    denormalCheck (48000.0);
    return 0;
}
